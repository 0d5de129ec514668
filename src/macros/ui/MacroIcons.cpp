#include "MacroIcons.h"

#include "ShellIcons.h"

#include <QPainter>

namespace {

void draw(QPainter &p, MacroIcon icon, const QColor &c, qreal s)
{
    p.setPen(QPen(c, qMax(1.3, s / 11.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case MacroIcon::Press:
    case MacroIcon::Release:
        drawKeyPressGlyph(p, s, icon == MacroIcon::Press);
        break;
    case MacroIcon::Timer: {
        // A stopwatch: the dial, its crown and the hand at a quarter past.
        const QPointF centre(s * 0.5, s * 0.56);
        const qreal r = s * 0.34;
        p.drawEllipse(centre, r, r);
        p.drawLine(QPointF(s * 0.42, s * 0.1), QPointF(s * 0.58, s * 0.1));
        p.drawLine(QPointF(s * 0.5, s * 0.1), QPointF(s * 0.5, s * 0.22));
        p.drawLine(centre, QPointF(s * 0.5, s * 0.36));
        p.drawLine(centre, QPointF(s * 0.66, s * 0.56));
        break;
    }
    case MacroIcon::Delete:
        drawDeleteGlyph(p, s);
        break;
    }
}

} // namespace

QColor macroIconColour(MacroIcon icon)
{
    switch (icon) {
    case MacroIcon::Press: return QColor(46, 160, 90);
    case MacroIcon::Release: return QColor(222, 128, 30);
    case MacroIcon::Timer: return QColor(70, 120, 200);
    case MacroIcon::Delete: return QColor(96, 98, 102);
    }
    return QColor(96, 98, 102);
}

QPixmap macroPixmap(MacroIcon icon, int size, const QColor &colour, qreal devicePixelRatio)
{
    return paintedPixmap(QSize(size, size), devicePixelRatio, [&](QPainter &p) { draw(p, icon, colour, size); });
}

QIcon macroIcon(MacroIcon icon, int size, const QColor &colour)
{
    QIcon result;
    result.addPixmap(macroPixmap(icon, size, colour, 1.0));
    result.addPixmap(macroPixmap(icon, size, colour, 2.0));
    QColor faded = colour;
    faded.setAlpha(90);
    result.addPixmap(macroPixmap(icon, size, faded, 1.0), QIcon::Disabled);
    result.addPixmap(macroPixmap(icon, size, faded, 2.0), QIcon::Disabled);
    return result;
}

QIcon macroIcon(MacroIcon icon, int size)
{
    return macroIcon(icon, size, macroIconColour(icon));
}
