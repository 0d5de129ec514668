#include "ColorWheel.h"

#include <QConicalGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

ColorWheel::ColorWheel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorWheel"));
    setAccessibleName(tr("颜色选择器"));
    setCursor(Qt::CrossCursor);
    resize(128, 128);
    updateAccessibility();
}

QColor ColorWheel::color() const
{
    return QColor::fromHsv(m_hue, m_saturation, m_value);
}

QSize ColorWheel::sizeHint() const
{
    return QSize(height(), height());
}

QSize ColorWheel::minimumSizeHint() const
{
    return QSize(64, 64);
}

double ColorWheel::outerRadius() const
{
    return m_square.width() / 2.0 - Margin;
}

double ColorWheel::innerRadius() const
{
    return outerRadius() - m_ringWidth;
}

QRectF ColorWheel::svSquare() const
{
    const double r = innerRadius() - Margin;
    const double side = 2.0 * r / std::sqrt(2.0);
    const QPointF c = m_square.center();
    return QRectF(c.x() - side / 2.0, c.y() - side / 2.0, side, side);
}

bool ColorWheel::onRing(const QPointF &point) const
{
    const QPointF d = point - m_square.center();
    const double distance = std::hypot(d.x(), d.y());
    return distance >= innerRadius() && distance <= outerRadius();
}

bool ColorWheel::inSquare(const QPointF &point) const
{
    return svSquare().contains(point);
}

int ColorWheel::hueAt(const QPointF &point) const
{
    // Degrees counter-clockwise from three o'clock, as the ring is painted,
    // worked out per quadrant from atan2 (with 3.14 for pi).
    const double perRadian = 0.5 * 360 / 3.14;
    const double dx = point.x() - m_square.center().x();
    const double dy = point.y() - m_square.center().y();
    double hue;
    if (dx > 0)
        hue = dy < 0 ? 90 - std::atan2(dx, -dy) * perRadian : 270 + std::atan2(dx, dy) * perRadian;
    else
        hue = dy < 0 ? 90 + std::atan2(-dx, -dy) * perRadian : 270 - std::atan2(-dx, dy) * perRadian;
    return int(qBound(0.0, hue, 359.0));
}

QPair<int, int> ColorWheel::saturationValueAt(const QPointF &point) const
{
    const QRectF sq = svSquare();
    if (sq.width() <= 0)
        return {m_saturation, m_value};
    const double s = qBound(0.0, (point.x() - sq.left()) / sq.width(), 1.0);
    const double v = qBound(0.0, (point.y() - sq.top()) / sq.height(), 1.0);
    return {qRound(s * 255), qRound(v * 255)};
}

void ColorWheel::setColor(QColor color)
{
    if (!color.isValid())
        return;
    const QColor hsv = color.toHsv();
    const int hue = hsv.hsvHue() < 0 ? m_hue : hsv.hsvHue();
    setHsv(hue, hsv.hsvSaturation(), hsv.value());
}

void ColorWheel::hueChanged(int hue)
{
    setHsv(hue, m_saturation, m_value);
}

void ColorWheel::svChanged(QColor newcolor)
{
    const QColor hsv = newcolor.toHsv();
    setHsv(m_hue, hsv.hsvSaturation(), hsv.value());
}

void ColorWheel::setHsv(int hue, int saturation, int value)
{
    if (hue == m_hue && saturation == m_saturation && value == m_value)
        return;
    m_hue = hue;
    m_saturation = saturation;
    m_value = value;
    updateAccessibility();
    update();
    if (isVisible())
        emit colorChanged(color());
}

void ColorWheel::updateAccessibility()
{
    setAccessibleDescription(color().name());
}

void ColorWheel::resizeEvent(QResizeEvent *event)
{
    const int side = qMin(width(), height());
    m_ringWidth = qRound(side * 0.1);
    m_square = QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    m_svImageHue = -1;
    QWidget::resizeEvent(event);
}

void ColorWheel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = m_square.center();
    const double outer = outerRadius(), inner = innerRadius();
    if (inner <= Margin)
        return;

    QConicalGradient ring(c, 0);
    const QColor stops[] = {Qt::red, Qt::yellow, Qt::green, Qt::cyan, Qt::blue, Qt::magenta, Qt::red};
    for (int i = 0; i < 7; ++i)
        ring.setColorAt(i / 6.0, stops[i]);
    QPainterPath band;
    band.addEllipse(c, outer, outer);
    band.addEllipse(c, inner, inner);
    p.fillPath(band, ring);

    const QRectF sq = svSquare();
    const int side = qMax(1, int(sq.width()));
    if (m_svImageHue != m_hue || m_svImage.width() != side) {
        m_svImage = QImage(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            auto *line = reinterpret_cast<QRgb *>(m_svImage.scanLine(y));
            const int v = side > 1 ? y * 255 / (side - 1) : 255;
            for (int x = 0; x < side; ++x)
                line[x] = QColor::fromHsv(m_hue, side > 1 ? x * 255 / (side - 1) : 255, v).rgb();
        }
        m_svImageHue = m_hue;
    }
    p.drawImage(sq.topLeft(), m_svImage);

    // Markers: where the hue sits on the ring and the colour in the square.
    const double angle = qDegreesToRadians(double(m_hue));
    const double mid = (outer + inner) / 2.0;
    const QPointF hueAt(c.x() + mid * std::cos(angle), c.y() - mid * std::sin(angle));
    const QPointF svAt(sq.left() + m_saturation / 255.0 * sq.width(), sq.top() + m_value / 255.0 * sq.height());
    const double markerRadius = qMax(3.0, m_ringWidth / 2.0 - 1);
    for (const QPointF &at : {hueAt, svAt}) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 2));
        p.drawEllipse(at, markerRadius, markerRadius);
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.drawEllipse(at, markerRadius + 1.5, markerRadius + 1.5);
    }
}

void ColorWheel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPointF at = event->localPos();
    if (onRing(at))
        m_drag = Drag::Hue;
    else if (inSquare(at))
        m_drag = Drag::SaturationValue;
    else
        m_drag = Drag::None;
    dragTo(at);
}

void ColorWheel::mouseMoveEvent(QMouseEvent *event)
{
    dragTo(event->localPos());
}

void ColorWheel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_drag = Drag::None;
}

void ColorWheel::dragTo(const QPointF &point)
{
    switch (m_drag) {
    case Drag::None:
        break;
    case Drag::Hue:
        hueChanged(hueAt(point));
        break;
    case Drag::SaturationValue: {
        const QPair<int, int> sv = saturationValueAt(point);
        svChanged(QColor::fromHsv(m_hue, sv.first, sv.second));
        break;
    }
    }
}
