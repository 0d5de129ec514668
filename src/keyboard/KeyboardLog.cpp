#include "KeyboardLog.h"

Q_LOGGING_CATEGORY(lcKeyboard, "corvane.keyboard", QtWarningMsg)
