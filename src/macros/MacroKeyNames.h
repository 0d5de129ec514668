#pragma once

#include <Qt>
#include <QList>
#include <QString>

// What the macro recorder records for a key event: the key's type in the
// key-name table (KeyTypeTable), whose name is what a macro step carries
// and what the device layer turns back into a key code when a macro is
// sent. There is no second list of names: the recorder only maps Qt keys to
// key types.

// The key type of a key event; -1 for keys a macro step cannot hold.
// Shifted symbols give their key ("!" is the 1 key), the keypad modifier
// selects the keypad keys (with Num Lock off as well), and the left and
// right modifiers are told apart by the native scan code.
int macroKeyTypeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

// The step name of that key; empty when it has none.
QString macroKeyNameForQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

// The native scan code of the right-hand key of a modifier (Shift, Control,
// Alt, Meta) on this platform; 0 for other keys.
quint32 rightModifierScanCode(int qtKey);

// Every (Qt key, keypad) the recorder knows, for checking the table.
QList<QPair<int, bool>> macroRecorderKeys();
