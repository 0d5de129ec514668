#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The macro editor's pictures, drawn in code.
enum class MacroIcon {
    Press,   // an arrow onto a key cap: a key press (and "move down")
    Release, // an arrow away from a key cap: a key release (and "move up")
    Timer,   // a stopwatch: a delay
    Delete,  // a waste bin: remove a step
};

// The colour each picture is drawn in when none is given.
QColor macroIconColour(MacroIcon icon);
QPixmap macroPixmap(MacroIcon icon, int size, const QColor &colour, qreal devicePixelRatio = 2.0);
QIcon macroIcon(MacroIcon icon, int size);
QIcon macroIcon(MacroIcon icon, int size, const QColor &colour);
