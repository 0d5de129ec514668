#include "SettingsLog.h"

Q_LOGGING_CATEGORY(lcSettings, "corvane.settings", QtWarningMsg)
