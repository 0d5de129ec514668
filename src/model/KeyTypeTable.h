#pragma once

#include <QMap>
#include <QString>

// Key types: 0..168 for the keys the configurator can show or assign, -1 for
// no key. Each type may have a display name and a 16-bit key code.
constexpr int KeyTypeNone = -1;
constexpr int KeyTypeCount = 169;

// Display name ("" when the type has none). Names are data, not UI text.
QString keyTypeName(int type);
// First type, in key order (-1 first), with that display name; 0 when none.
int keyTypeFromName(const QString &name);
bool keyTypeHasCode(int type);
// The type's key code; 0 when it has none.
quint16 keyTypeCode(int type);
// First type with that code (in key order); -1 when none.
int keyTypeFromCode(quint16 code);
// Every type that has a code, with its code.
QMap<int, quint16> defaultKeyCodeMap();
