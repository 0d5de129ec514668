#include "ShellLog.h"

Q_LOGGING_CATEGORY(lcShell, "corvane.shell", QtWarningMsg)
