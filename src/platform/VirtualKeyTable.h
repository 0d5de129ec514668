#pragma once

#include <QList>
#include <QPair>

// Windows virtual-key codes and the hook's key numbering (Hook::Type).
// The hook reports a key only when its virtual key is in this table.

// The Hook::Type of a virtual key, or -1 when the table has no entry for it.
int hookTypeForVirtualKey(int virtualKey);
// Every (virtual key, Hook::Type) pair of the table, in table order.
QList<QPair<int, int>> virtualKeyTable();
