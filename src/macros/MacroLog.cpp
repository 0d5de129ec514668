#include "MacroLog.h"

Q_LOGGING_CATEGORY(lcMacros, "corvane.macros", QtWarningMsg)
