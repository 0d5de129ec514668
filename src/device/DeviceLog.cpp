#include "DeviceLog.h"

Q_LOGGING_CATEGORY(lcDevice, "corvane.device", QtWarningMsg)
