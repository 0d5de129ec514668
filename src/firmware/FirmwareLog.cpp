#include "FirmwareLog.h"

// Off unless asked for: QT_LOGGING_RULES="corvane.firmware.debug=true".
Q_LOGGING_CATEGORY(lcFirmware, "corvane.firmware", QtWarningMsg)
