#pragma once

#include <QList>
#include <QMap>

// The remapping page's predefined layouts, in button order: "默认", "功能",
// "Dvorak", "Colemak", "Norkman", "ABC". Each maps a key's own type to the
// type it takes; keys a layout does not name go back to their own type.
constexpr int PredefinedLayoutCount = 6;
// The default layout (the function keys of layer 1).
constexpr int DefaultLayoutId = 0;

const QList<QMap<int, int>> &predefinedLayouts();
