#pragma once

#include "ToastTypes.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

// Our icons, drawn in code so they stay sharp at any scale and need no files.

// Round badge for a toast: a tick, an "i", an "!" or a cross.
QPixmap toastIcon(ToastType type, int size = 20, qreal devicePixelRatio = 1.0);

// Three dots in a row, for an entry's menu button.
QIcon menuDotsIcon(const QColor &colour = QColor(96, 98, 102), int size = 20);
