#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QColor toastColour(ToastType type)
{
    switch (type) {
    case ToastType::Success:
        return QColor(82, 196, 26);
    case ToastType::Info:
        return QColor(24, 144, 255);
    case ToastType::Warning:
        return QColor(254, 187, 36);
    case ToastType::Error:
        return QColor(245, 34, 45);
    }
    return QColor(24, 144, 255);
}

void drawToast(QPainter &p, ToastType type, int size)
{
    p.setPen(Qt::NoPen);
    p.setBrush(toastColour(type));
    p.drawEllipse(QRectF(0, 0, size, size));

    const qreal s = size;
    QPen pen(Qt::white, s * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (type) {
    case ToastType::Success: {
        QPainterPath tick;
        tick.moveTo(s * 0.28, s * 0.52);
        tick.lineTo(s * 0.44, s * 0.68);
        tick.lineTo(s * 0.73, s * 0.36);
        p.drawPath(tick);
        break;
    }
    case ToastType::Info:
        p.drawLine(QPointF(s * 0.5, s * 0.45), QPointF(s * 0.5, s * 0.74));
        p.drawPoint(QPointF(s * 0.5, s * 0.28));
        break;
    case ToastType::Warning:
        p.drawLine(QPointF(s * 0.5, s * 0.26), QPointF(s * 0.5, s * 0.55));
        p.drawPoint(QPointF(s * 0.5, s * 0.73));
        break;
    case ToastType::Error:
        p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
        p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
        break;
    }
}

} // namespace

QPixmap paintedPixmap(const QSize &size, qreal devicePixelRatio, const std::function<void(QPainter &)> &paint)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pixmap;
}

QIcon paintedIcon(const QSize &size, const std::function<void(QPainter &)> &paint)
{
    QIcon icon;
    for (qreal ratio : {1.0, 2.0})
        icon.addPixmap(paintedPixmap(size, ratio, paint));
    return icon;
}

QPixmap toastIcon(ToastType type, int size, qreal devicePixelRatio)
{
    return paintedPixmap(QSize(size, size), devicePixelRatio, [&](QPainter &p) { drawToast(p, type, size); });
}

QPixmap helpBadge(int size, qreal devicePixelRatio, const QColor &colour)
{
    return paintedPixmap(QSize(size, size), devicePixelRatio, [&](QPainter &p) {
        const qreal s = size;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        // The question mark: a hook ending in a short stem, and a dot.
        QPen pen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        QPainterPath hook;
        hook.arcMoveTo(QRectF(s * 0.36, s * 0.22, s * 0.28, s * 0.26), 160);
        hook.arcTo(QRectF(s * 0.36, s * 0.22, s * 0.28, s * 0.26), 160, -230);
        hook.lineTo(QPointF(s * 0.5, s * 0.58));
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(s * 0.5, s * 0.74), s * 0.065, s * 0.065);
    });
}

QIcon menuDotsIcon(const QColor &colour, int size)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal r = size * 0.09;
        for (int i = -1; i <= 1; ++i)
            p.drawEllipse(QPointF(size / 2.0 + i * size * 0.27, size / 2.0), r, r);
    });
}

QIcon closeCrossIcon(const QColor &colour, int size)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) {
        p.setPen(QPen(colour, size * 0.0875, Qt::SolidLine, Qt::RoundCap));
        const qreal a = size * 0.275, b = size * 0.725;
        p.drawLine(QPointF(a, a), QPointF(b, b));
        p.drawLine(QPointF(b, a), QPointF(a, b));
    });
}

void drawKeyPressGlyph(QPainter &p, qreal s, bool press)
{
    // A key cap seen from the side, lightly filled with the pen's colour.
    QColor fill = p.pen().color();
    fill.setAlpha(60);
    const QBrush old = p.brush();
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(s * 0.18, s * 0.66, s * 0.64, s * 0.2), s * 0.06, s * 0.06);
    p.setBrush(old);
    // The arrow above it, towards the cap or away from it.
    const QPointF top(s * 0.5, s * 0.12), near(s * 0.5, s * 0.54);
    const QPointF from = press ? top : near, to = press ? near : top;
    const qreal head = s * 0.15, dir = to.y() > from.y() ? -1 : 1;
    p.drawLine(from, to);
    QPainterPath tip;
    tip.moveTo(to.x() - head, to.y() + dir * head);
    tip.lineTo(to);
    tip.lineTo(to.x() + head, to.y() + dir * head);
    p.drawPath(tip);
}

void drawDeleteGlyph(QPainter &p, qreal s)
{
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
}
