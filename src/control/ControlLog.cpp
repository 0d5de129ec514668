#include "ControlLog.h"

Q_LOGGING_CATEGORY(lcControl, "corvane.control", QtWarningMsg)
