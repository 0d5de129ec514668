#pragma once

#include "ToastTypes.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <functional>

class QPainter;

// Our icons, drawn in code so they stay sharp at any scale and need no files.

// A transparent pixmap of size logical pixels at the given ratio, drawn by
// paint on an antialiased painter in logical coordinates.
QPixmap paintedPixmap(const QSize &size, qreal devicePixelRatio, const std::function<void(QPainter &)> &paint);
// The same drawing at 1x and 2x, as an icon.
QIcon paintedIcon(const QSize &size, const std::function<void(QPainter &)> &paint);

// Round badge for a toast: a tick, an "i", an "!" or a cross.
QPixmap toastIcon(ToastType type, int size = 20, qreal devicePixelRatio = 1.0);

// Pieces drawn in a square of side s with the painter's pen, shared by the
// icon sets of the pages: a key cap with an arrow pressing it (press) or
// leaving it, and a waste bin for "delete".
void drawKeyPressGlyph(QPainter &p, qreal s, bool press);
void drawDeleteGlyph(QPainter &p, qreal s);

// A cross, for the close button of our frameless windows.
QIcon closeCrossIcon(const QColor &colour = QColor(96, 98, 102), int size = 20);

// Three dots in a row, for an entry's menu button.
QIcon menuDotsIcon(const QColor &colour = QColor(96, 98, 102), int size = 20);

// A round badge with a question mark, beside a note that explains a control.
QPixmap helpBadge(int size = 20, qreal devicePixelRatio = 1.0, const QColor &colour = QColor(160, 170, 184));
