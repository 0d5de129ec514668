#include "UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "corvane.ui", QtWarningMsg)
