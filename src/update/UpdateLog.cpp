#include "UpdateLog.h"

Q_LOGGING_CATEGORY(lcUpdate, "corvane.update", QtWarningMsg)
