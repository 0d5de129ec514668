#include "AdvancedIcons.h"

#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void drawArrow(QPainter &p, const QPointF &from, const QPointF &to, qreal head)
{
    p.drawLine(from, to);
    const qreal dir = to.y() > from.y() ? -1 : 1;
    p.drawLine(to, QPointF(to.x() - head, to.y() + dir * head));
    p.drawLine(to, QPointF(to.x() + head, to.y() + dir * head));
}

void draw(QPainter &p, AdvancedIcon icon, const QColor &c, qreal s)
{
    QPen pen(c, qMax(1.2, s / 12.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case AdvancedIcon::Delete: {
        const qreal l = s * 0.25, r = s * 0.75, top = s * 0.3, bottom = s * 0.85;
        p.drawLine(QPointF(s * 0.15, s * 0.25), QPointF(s * 0.85, s * 0.25));
        p.drawLine(QPointF(s * 0.4, s * 0.25), QPointF(s * 0.42, s * 0.13));
        p.drawLine(QPointF(s * 0.42, s * 0.13), QPointF(s * 0.58, s * 0.13));
        p.drawLine(QPointF(s * 0.58, s * 0.13), QPointF(s * 0.6, s * 0.25));
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
    case AdvancedIcon::Close:
        p.drawLine(QPointF(s * 0.25, s * 0.25), QPointF(s * 0.75, s * 0.75));
        p.drawLine(QPointF(s * 0.75, s * 0.25), QPointF(s * 0.25, s * 0.75));
        break;
    case AdvancedIcon::Link: {
        // Two rounded links, one over the other's end, on a slant.
        p.translate(s / 2, s / 2);
        p.rotate(-45);
        const qreal w = s * 0.42, h = s * 0.26;
        p.drawRoundedRect(QRectF(-w + s * 0.06, -h / 2, w, h), h / 2, h / 2);
        p.drawRoundedRect(QRectF(-s * 0.06, -h / 2, w, h), h / 2, h / 2);
        p.resetTransform();
        break;
    }
    case AdvancedIcon::PressDown:
    case AdvancedIcon::ReleaseUp: {
        // A key cap at the bottom and an arrow towards it or away from it.
        p.drawRoundedRect(QRectF(s * 0.2, s * 0.66, s * 0.6, s * 0.2), s * 0.05, s * 0.05);
        const QPointF top(s * 0.5, s * 0.1), near(s * 0.5, s * 0.54);
        if (icon == AdvancedIcon::PressDown)
            drawArrow(p, top, near, s * 0.14);
        else
            drawArrow(p, near, top, s * 0.14);
        break;
    }
    }
}

} // namespace

QPixmap advancedPixmap(AdvancedIcon icon, int size, const QColor &colour, qreal devicePixelRatio)
{
    return paintedPixmap(QSize(size, size), devicePixelRatio, [&](QPainter &p) { draw(p, icon, colour, size); });
}

QIcon advancedIcon(AdvancedIcon icon, int size, const QColor &colour)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) { draw(p, icon, colour, size); });
}
