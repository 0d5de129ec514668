#include "AdvancedIcons.h"

#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void draw(QPainter &p, AdvancedIcon icon, const QColor &c, qreal s)
{
    QPen pen(c, qMax(1.2, s / 12.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case AdvancedIcon::Delete:
        drawDeleteGlyph(p, s);
        break;
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
    case AdvancedIcon::ReleaseUp:
        drawKeyPressGlyph(p, s, icon == AdvancedIcon::PressDown);
        break;
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
