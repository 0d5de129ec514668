#pragma once

#include <QColor>
#include <QIcon>

// The pictures of the predefined layout buttons, drawn in code: a keyboard
// for the default layout, a speaker for the function layout, and for each
// letter layout the first keys of its home row.
QIcon predefinedLayoutIcon(int id, const QColor &colour, int size = 28);
