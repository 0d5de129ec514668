#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The advanced-key page's pictures, drawn in code.
enum class AdvancedIcon {
    Delete,      // a waste bin: remove a binding
    Close,       // a cross: close an editor
    Link,        // two chain links: the keys of a SOCD or RS pair
    PressDown,   // an arrow onto a key: the press half of a keystroke
    ReleaseUp,   // an arrow away from a key: the release half
};

QPixmap advancedPixmap(AdvancedIcon icon, int size, const QColor &colour = QColor(96, 98, 102),
                       qreal devicePixelRatio = 2.0);
QIcon advancedIcon(AdvancedIcon icon, int size, const QColor &colour = QColor(96, 98, 102));
