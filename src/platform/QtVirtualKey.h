#pragma once

#include <Qt>
#include <QtGlobal>

// The Windows virtual-key code a Qt key event stands for, so that the hook
// reports the same keys on every platform. Shifted symbols map to their
// key ("!" is the 1 key), keypad keys to the keypad codes, and the left and
// right modifiers are told apart by the X11 key code when there is one.
// 0 for a key without a virtual key.
int virtualKeyForQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);
