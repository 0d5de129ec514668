#include "MacroIcons.h"

#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void drawArrow(QPainter &p, const QPointF &from, const QPointF &to, qreal head)
{
    p.drawLine(from, to);
    const qreal dir = to.y() > from.y() ? -1 : 1;
    QPainterPath tip;
    tip.moveTo(to.x() - head, to.y() + dir * head);
    tip.lineTo(to);
    tip.lineTo(to.x() + head, to.y() + dir * head);
    p.drawPath(tip);
}

void draw(QPainter &p, MacroIcon icon, const QColor &c, qreal s)
{
    p.setPen(QPen(c, qMax(1.3, s / 11.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case MacroIcon::Press:
    case MacroIcon::Release: {
        // A key cap seen from the side, with the arrow above it.
        QColor fill = c;
        fill.setAlpha(60);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(s * 0.18, s * 0.66, s * 0.64, s * 0.2), s * 0.06, s * 0.06);
        p.setBrush(Qt::NoBrush);
        const QPointF top(s * 0.5, s * 0.12), near(s * 0.5, s * 0.54);
        if (icon == MacroIcon::Press)
            drawArrow(p, top, near, s * 0.15);
        else
            drawArrow(p, near, top, s * 0.15);
        break;
    }
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
    case MacroIcon::Delete: {
        const qreal l = s * 0.25, r = s * 0.75, top = s * 0.3, bottom = s * 0.86;
        p.drawLine(QPointF(s * 0.15, s * 0.25), QPointF(s * 0.85, s * 0.25));
        QPainterPath handle;
        handle.moveTo(s * 0.4, s * 0.25);
        handle.lineTo(s * 0.42, s * 0.13);
        handle.lineTo(s * 0.58, s * 0.13);
        handle.lineTo(s * 0.6, s * 0.25);
        p.drawPath(handle);
        QPainterPath bin;
        bin.moveTo(l, top);
        bin.lineTo(l + s * 0.04, bottom);
        bin.lineTo(r - s * 0.04, bottom);
        bin.lineTo(r, top);
        p.drawPath(bin);
        p.drawLine(QPointF(s * 0.42, s * 0.42), QPointF(s * 0.42, s * 0.72));
        p.drawLine(QPointF(s * 0.58, s * 0.42), QPointF(s * 0.58, s * 0.72));
        break;
    }
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
