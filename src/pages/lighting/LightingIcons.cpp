#include "LightingIcons.h"

#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

// Every icon is drawn on a 20 x 20 grid and scaled.
constexpr qreal Grid = 20.0;

QColor hue(int degrees, int saturation = 230, int value = 245)
{
    return QColor::fromHsv(((degrees % 360) + 360) % 360, saturation, value);
}

QPen pen(const QColor &c, qreal width)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void off(QPainter &p)
{
    p.setPen(pen(QColor(144, 147, 153), 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.drawLine(QPointF(5, 15), QPointF(15, 5));
}

void waves(QPainter &p)
{
    for (int row = 0; row < 2; ++row) {
        QPainterPath path;
        const qreal base = 7.5 + row * 6;
        path.moveTo(2, base);
        for (qreal x = 2; x <= 18; x += 0.5)
            path.lineTo(x, base + 2.2 * std::sin((x - 2) / 16 * 2 * M_PI + row * 1.2));
        p.setPen(pen(row ? hue(190) : hue(220), 1.8));
        p.drawPath(path);
    }
}

void streams(QPainter &p)
{
    for (int i = 0; i < 3; ++i) {
        const qreal y = 5 + i * 5;
        const qreal start = 2 + (i % 2) * 3;
        p.setPen(pen(hue(30 + i * 100), 1.8));
        p.drawLine(QPointF(start, y), QPointF(16, y));
        p.drawLine(QPointF(16, y), QPointF(13.5, y - 2));
        p.drawLine(QPointF(16, y), QPointF(13.5, y + 2));
    }
}

void bubbles(QPainter &p)
{
    const struct {
        qreal x, y, r;
        int h;
    } b[] = {{6, 13, 4, 190}, {13.5, 7, 3.5, 300}, {14, 15, 2.2, 120}, {7, 5, 1.8, 40}};
    for (const auto &c : b) {
        p.setPen(pen(hue(c.h), 1.4));
        p.setBrush(hue(c.h, 90, 255));
        p.drawEllipse(QPointF(c.x, c.y), c.r, c.r);
    }
}

void rose(QPainter &p)
{
    // A three-petalled rose curve.
    QPainterPath path;
    for (int i = 0; i <= 360; i += 3) {
        const qreal t = qDegreesToRadians(qreal(i));
        const qreal r = 8 * std::cos(3 * t);
        const QPointF at(10 + r * std::cos(t), 10 + r * std::sin(t));
        i ? path.lineTo(at) : path.moveTo(at);
    }
    QLinearGradient g(2, 2, 18, 18);
    g.setColorAt(0, hue(280));
    g.setColorAt(1, hue(200));
    p.setPen(QPen(QBrush(g), 1.5));
    p.drawPath(path);
}

void alternate(QPainter &p)
{
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            p.setBrush((r + c) % 2 ? hue(330) : hue(170));
            p.drawRoundedRect(QRectF(2.5 + c * 5.2, 2.5 + r * 5.2, 4.4, 4.4), 1, 1);
        }
}

void drizzle(QPainter &p)
{
    const QPointF drops[] = {{4, 3}, {10, 2}, {16, 4}, {6, 10}, {12, 9}, {3, 16}, {9, 16}, {15, 13}};
    p.setPen(pen(hue(205), 1.6));
    for (const QPointF &d : drops)
        p.drawLine(d, d + QPointF(-1.6, 3.2));
}

void storm(QPainter &p)
{
    // A spiral of three turns, its colour running round the hues.
    QPointF last(10, 10);
    for (int i = 1; i <= 60; ++i) {
        const qreal t = i / 60.0 * 3 * 2 * M_PI / 1.4;
        const qreal r = 0.6 + i / 60.0 * 7.8;
        const QPointF at(10 + r * std::cos(t), 10 + r * std::sin(t));
        p.setPen(pen(hue(i * 6), 1.5));
        p.drawLine(last, at);
        last = at;
    }
}

void star(QPainter &p, const QPointF &c, qreal r, const QColor &colour)
{
    QPainterPath path;
    for (int i = 0; i < 8; ++i) {
        const qreal t = i * M_PI / 4 - M_PI / 2;
        const qreal len = i % 2 ? r * 0.35 : r;
        const QPointF at(c.x() + len * std::cos(t), c.y() + len * std::sin(t));
        i ? path.lineTo(at) : path.moveTo(at);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void stars(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 46, 80));
    p.drawRoundedRect(QRectF(1, 1, 18, 18), 4, 4);
    star(p, {7, 7}, 4.5, QColor(255, 230, 120));
    star(p, {14, 12}, 3.2, QColor(255, 255, 255));
    star(p, {6, 15}, 2.2, QColor(150, 200, 255));
    star(p, {15, 4.5}, 1.8, QColor(255, 180, 220));
}

void windmill(QPainter &p)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(10, 10);
        p.rotate(i * 90);
        QPainterPath blade;
        blade.moveTo(0, 0);
        blade.lineTo(0, -8);
        blade.lineTo(5, -3);
        blade.closeSubpath();
        p.setBrush(hue(i * 90 + 10));
        p.drawPath(blade);
        p.restore();
    }
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 1.3, 1.3);
}

void rainbow(QPainter &p)
{
    const int hues[] = {0, 35, 60, 130, 210, 275};
    for (int i = 0; i < 6; ++i) {
        const qreal r = 8.5 - i * 1.3;
        p.setPen(QPen(hue(hues[i]), 1.4, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(QRectF(10 - r, 15 - r, 2 * r, 2 * r), 0, 180 * 16);
    }
}

void meteor(QPainter &p)
{
    // A crescent moon chased by a shooting star.
    QPainterPath moon;
    moon.addEllipse(QPointF(13.5, 7), 5, 5);
    QPainterPath bite;
    bite.addEllipse(QPointF(11.5, 5.2), 4.4, 4.4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 206, 70));
    p.drawPath(moon.subtracted(bite));
    QLinearGradient tail(2, 18, 9, 11);
    tail.setColorAt(0, QColor(120, 170, 255, 0));
    tail.setColorAt(1, QColor(120, 170, 255));
    p.setPen(QPen(QBrush(tail), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 18), QPointF(9, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(9, 11), 1.4, 1.4);
}

void flowers(QPainter &p)
{
    p.setPen(Qt::NoPen);
    const QPointF c(10, 10);
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 60);
        p.setBrush(hue(i * 60, 150, 250));
        p.drawEllipse(QRectF(-2.6, -8.5, 5.2, 7));
        p.restore();
    }
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(c, 2.6, 2.6);
}

void eraser(QPainter &p)
{
    p.save();
    p.translate(9, 12);
    p.rotate(-35);
    p.setPen(pen(QColor(96, 98, 102), 1));
    p.setBrush(QColor(240, 110, 140));
    p.drawRoundedRect(QRectF(-7, -3.5, 8, 7), 1.5, 1.5);
    p.setBrush(QColor(120, 160, 240));
    p.drawRoundedRect(QRectF(1, -3.5, 6, 7), 1.5, 1.5);
    p.restore();
    star(p, {16, 4}, 3.4, QColor(254, 187, 36));
}

void pinball(QPainter &p)
{
    QPen path(QColor(160, 170, 184), 1.2, Qt::DashLine, Qt::RoundCap);
    p.setPen(path);
    QPolygonF bounce;
    bounce << QPointF(2, 6) << QPointF(7, 16) << QPointF(12, 5) << QPointF(15, 11);
    p.drawPolyline(bounce);
    QRadialGradient ball(QPointF(14.2, 10.2), 4);
    ball.setColorAt(0, hue(10, 60, 255));
    ball.setColorAt(1, hue(10));
    p.setPen(Qt::NoPen);
    p.setBrush(ball);
    p.drawEllipse(QPointF(15, 11), 3.4, 3.4);
}

void perKey(QPainter &p)
{
    // Key caps, each with a colour of its own.
    p.setPen(Qt::NoPen);
    const int hues[] = {0, 50, 120, 190, 240, 300};
    for (int i = 0; i < 6; ++i) {
        p.setBrush(hue(hues[i]));
        p.drawRoundedRect(QRectF(1.5 + (i % 3) * 6, 4 + (i / 3) * 6.5, 5, 5.2), 1.3, 1.3);
    }
}

void drawEffect(QPainter &p, int mode, int size)
{
    p.scale(size / Grid, size / Grid);
    using Draw = void (*)(QPainter &);
    const Draw draws[] = {off,   waves,  streams, bubbles, rose,    alternate, drizzle, storm,
                          stars, windmill, rainbow, meteor, flowers, eraser,    pinball, perKey};
    if (mode >= 0 && mode < int(sizeof(draws) / sizeof(draws[0])))
        draws[mode](p);
}

} // namespace

QPixmap lightingEffectPixmap(int mode, int size, qreal devicePixelRatio)
{
    return paintedPixmap(QSize(size, size), devicePixelRatio, [&](QPainter &p) { drawEffect(p, mode, size); });
}

QIcon lightingEffectIcon(int mode, int size)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) { drawEffect(p, mode, size); });
}
