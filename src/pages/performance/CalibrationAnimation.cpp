#include "CalibrationAnimation.h"

#include <QPainter>
#include <QPainterPath>

CalibrationAnimation::CalibrationAnimation(QWidget *parent) : QWidget(parent)
{
    setFixedSize(200, 200);
    setAccessibleName(tr("校准动画"));
}

void CalibrationAnimation::setFrame(int frame)
{
    frame = qBound(0, frame, FrameCount - 1);
    if (frame == m_frame)
        return;
    m_frame = frame;
    update();
}

void CalibrationAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double depth = m_frame / double(FrameCount - 1); // 0 released .. 1 at the bottom
    const double travelPx = 44;

    // The housing of the switch.
    p.setPen(QPen(QColor(160, 170, 184), 2));
    p.setBrush(QColor(238, 238, 242));
    p.drawRoundedRect(QRectF(55, 120, 90, 50), 6, 6);
    // The magnet under the stem, and the sensor glowing as the key goes down.
    p.setPen(Qt::NoPen);
    QColor sensor(108, 226, 108);
    sensor.setAlphaF(0.25 + 0.75 * depth);
    p.setBrush(sensor);
    p.drawEllipse(QPointF(100, 178), 10, 5);

    // Stem and cap move down together.
    const double y = 40 + depth * travelPx;
    p.setBrush(QColor(254, 187, 36));
    p.drawRect(QRectF(92, y + 40, 16, 46));
    QPainterPath cap;
    cap.addRoundedRect(QRectF(45, y, 110, 42), 8, 8);
    p.setPen(QPen(QColor(208, 209, 212), 3));
    p.setBrush(QColor(68, 74, 86));
    p.drawPath(cap);

    // A downward arrow beside the key while it is pressed.
    if (m_frame > 0) {
        p.setPen(QPen(QColor(32, 159, 223), 3, Qt::SolidLine, Qt::RoundCap));
        const double end = 50 + depth * 100;
        p.drawLine(QPointF(175, 50), QPointF(175, end));
        p.drawLine(QPointF(175, end), QPointF(168, end - 8));
        p.drawLine(QPointF(175, end), QPointF(182, end - 8));
    }
}
