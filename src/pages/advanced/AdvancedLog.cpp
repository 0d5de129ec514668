#include "AdvancedLog.h"

Q_LOGGING_CATEGORY(lcAdvanced, "corvane.advanced", QtWarningMsg)
