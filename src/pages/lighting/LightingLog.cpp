#include "LightingLog.h"

Q_LOGGING_CATEGORY(lcLighting, "corvane.lighting", QtWarningMsg)
