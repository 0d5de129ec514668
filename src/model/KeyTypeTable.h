#pragma once

#include <QList>
#include <QMap>
#include <QString>

// Key types: 0..168 for the keys the configurator can show or assign, -1 for
// no key. Each type may have a display name and a 16-bit key code.
constexpr int KeyTypeNone = -1;
constexpr int KeyTypeCount = 169;

// Keys with a meaning of their own.
constexpr int KeyTypeW = 35, KeyTypeA = 51, KeyTypeS = 52, KeyTypeD = 53;
constexpr int KeyTypeFn1 = 137, KeyTypeFn2 = 138, KeyTypeFn3 = 139;

// What kind of key a type is: the key picker's pages and the remapping
// page's colours follow it.
enum class KeyCategory {
    Basic,       // letters, digits, modifiers, navigation, the numeric pad
    Application, // application and media keys
    FnLayer,     // Fn1..Fn3: switch to another layer
    Lighting,    // keyboard and logo lighting controls
    System,      // LockWin, WIN, MAC, RESET, ADJ: held to take effect
    MacFunction, // F13, R-Win and the Mac control keys
    Other,
};

// Display name ("" when the type has none). Names are data, not UI text.
QString keyTypeName(int type);
// First type, in key order (-1 first), with that display name; 0 when none.
int keyTypeFromName(const QString &name);
bool keyTypeHasCode(int type);
// The type's key code; 0 when it has none.
quint16 keyTypeCode(int type);
// First type with that code (in key order); -1 when none.
int keyTypeFromCode(quint16 code);
KeyCategory keyTypeCategory(int type);
// Every type of a category, in type order.
QList<int> keyTypesOf(KeyCategory category);
// W, A, S or D: the keys the performance page selects in one go.
bool isWasdKey(int type);
// Every type that has a code, with its code.
QMap<int, quint16> defaultKeyCodeMap();
