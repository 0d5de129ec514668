#include "SupportLog.h"

Q_LOGGING_CATEGORY(lcSupport, "corvane.support", QtWarningMsg)
