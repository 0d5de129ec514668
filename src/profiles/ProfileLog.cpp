#include "ProfileLog.h"

Q_LOGGING_CATEGORY(lcProfiles, "corvane.profiles", QtWarningMsg)
