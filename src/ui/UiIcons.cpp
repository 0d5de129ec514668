#include "UiIcons.h"

#include "ShellIcons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {

void drawIcon(QPainter &p, UiIcon icon, const QColor &c, qreal s)
{
    QPen pen(c, s / 14.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal m = s * 0.2; // margin
    const QRectF box(m, m, s - 2 * m, s - 2 * m);
    switch (icon) {
    case UiIcon::Save: {
        QPainterPath path;
        path.moveTo(box.topLeft());
        path.lineTo(box.right() - s * 0.12, box.top());
        path.lineTo(box.right(), box.top() + s * 0.12);
        path.lineTo(box.bottomRight());
        path.lineTo(box.bottomLeft());
        path.closeSubpath();
        p.drawPath(path);
        p.drawRect(QRectF(box.left() + s * 0.12, box.top(), box.width() * 0.5, box.height() * 0.3));
        p.drawRect(QRectF(box.left() + s * 0.1, box.center().y() + s * 0.04, box.width() - s * 0.2, box.height() * 0.4));
        break;
    }
    case UiIcon::Import: {
        const qreal cx = box.center().x();
        p.drawLine(QPointF(cx, box.top()), QPointF(cx, box.center().y() + s * 0.08));
        p.drawLine(QPointF(cx - s * 0.14, box.center().y() - s * 0.06), QPointF(cx, box.center().y() + s * 0.08));
        p.drawLine(QPointF(cx + s * 0.14, box.center().y() - s * 0.06), QPointF(cx, box.center().y() + s * 0.08));
        QPainterPath tray;
        tray.moveTo(box.left(), box.center().y());
        tray.lineTo(box.left(), box.bottom());
        tray.lineTo(box.right(), box.bottom());
        tray.lineTo(box.right(), box.center().y());
        p.drawPath(tray);
        break;
    }
    case UiIcon::More: {
        // Three dots: the menu of what else can be done with profiles.
        p.setBrush(c);
        for (int i = -1; i <= 1; ++i)
            p.drawEllipse(QPointF(box.center().x() + i * box.width() * 0.36, box.center().y()), s * 0.05, s * 0.05);
        break;
    }
    case UiIcon::Settings: {
        const QPointF c = box.center();
        const qreal r = box.width() / 2;
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(c);
            p.rotate(i * 45);
            p.drawLine(QPointF(0, -r * 0.7), QPointF(0, -r));
            p.restore();
        }
        p.drawEllipse(c, r * 0.7, r * 0.7);
        p.drawEllipse(c, r * 0.28, r * 0.28);
        break;
    }
    case UiIcon::Preferences: {
        // Three sliders, each with its knob somewhere else.
        const qreal knobs[3] = {0.3, 0.7, 0.45};
        for (int i = 0; i < 3; ++i) {
            const qreal y = box.top() + box.height() * (0.15 + 0.35 * i);
            const qreal x = box.left() + box.width() * knobs[i];
            const qreal r = s * 0.07;
            p.drawLine(QPointF(box.left(), y), QPointF(x - r, y));
            p.drawLine(QPointF(x + r, y), QPointF(box.right(), y));
            p.drawEllipse(QPointF(x, y), r, r);
        }
        break;
    }
    case UiIcon::Minimise:
        p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        break;
    case UiIcon::Close:
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomLeft());
        break;
    case UiIcon::Windows: {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        const qreal g = s * 0.05, w = (box.width() - g) / 2;
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(box.left() + (i % 2) * (w + g), box.top() + (i / 2) * (w + g), w, w));
        break;
    }
    case UiIcon::Mac: {
        // Four loops joined by a square, the command-key sign.
        const qreal r = box.width() * 0.17;
        const QRectF inner = box.adjusted(r * 2, r * 2, -r * 2, -r * 2);
        p.drawRect(inner);
        const QPointF corners[4] = {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()};
        for (const QPointF &k : corners) {
            const qreal dx = k.x() < inner.center().x() ? -r : r;
            const qreal dy = k.y() < inner.center().y() ? -r : r;
            p.drawEllipse(QPointF(k.x() + dx, k.y() + dy), r, r);
        }
        break;
    }
    case UiIcon::Undo:
    case UiIcon::Redo: {
        p.save();
        if (icon == UiIcon::Redo) {
            p.translate(s, 0);
            p.scale(-1, 1);
        }
        QPainterPath arc;
        arc.moveTo(box.left() + s * 0.1, box.center().y());
        arc.cubicTo(box.left() + s * 0.2, box.top(), box.right(), box.top(), box.right(), box.center().y() + s * 0.1);
        p.drawPath(arc);
        p.drawLine(QPointF(box.left() + s * 0.1, box.center().y()), QPointF(box.left() + s * 0.1, box.top() + s * 0.05));
        p.drawLine(QPointF(box.left() + s * 0.1, box.center().y()), QPointF(box.left() + s * 0.3, box.center().y()));
        p.restore();
        break;
    }
    }
}

} // namespace

QIcon uiIcon(UiIcon icon, const QColor &colour, int size)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) { drawIcon(p, icon, colour, size); });
}

QPixmap corvaneLogo(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = size.height();
    // A key cap with a raven-black "C" on it, and the name beside it.
    const QRectF cap(h * 0.1, h * 0.2, h * 0.6, h * 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(68, 74, 86));
    p.drawRoundedRect(cap, h * 0.12, h * 0.12);
    p.setBrush(QColor(254, 187, 36));
    p.drawRoundedRect(cap.adjusted(h * 0.06, h * 0.04, -h * 0.06, -h * 0.12), h * 0.08, h * 0.08);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(h * 0.32));
    p.setFont(f);
    p.setPen(QColor(68, 74, 86));
    p.drawText(cap.adjusted(0, 0, 0, -h * 0.08), Qt::AlignCenter, QStringLiteral("C"));
    // The name takes the room beside the cap, as large as fits.
    const QRectF nameBox(h * 0.8, 0, size.width() - h * 0.8, h);
    f.setPixelSize(int(h * 0.22));
    while (f.pixelSize() > 8 && QFontMetricsF(f).horizontalAdvance(QStringLiteral("Corvane")) > nameBox.width())
        f.setPixelSize(f.pixelSize() - 1);
    p.setFont(f);
    p.drawText(nameBox, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Corvane"));
    return pm;
}
