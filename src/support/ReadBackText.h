#pragma once

#include <QStringList>

struct KeyboardReadBack;

// What `corvane-cli info` prints of a keyboard: its interface, identity,
// name, precision, polling rate and Win/Mac mode, one line each. The same
// lines whether the command runs itself or in the running Corvane.
QStringList readBackInfoLines(const KeyboardReadBack &rb, const QString &interfacePath);
