#pragma once

#include <QJsonObject>

struct KeyboardReadBack;
struct STU_BoardInfo2;

// The read-back as JSON, for `corvane-cli dump`.
QJsonObject readBackToJson(const KeyboardReadBack &rb);
QJsonObject boardInfoToJson(const STU_BoardInfo2 &info);
