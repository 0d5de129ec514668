#include "PressProgressBar.h"

#include <QPainter>

namespace {

constexpr int TrackWidth = 40;
constexpr int TrackLeft = 56;
constexpr double ShownFromMm = 0.1; // below this the key counts as released

} // namespace

PressProgressBar::PressProgressBar(QWidget *parent) : QWidget(parent)
{
    setFixedSize(100, ScaleHeight + 8);
    setAccessibleName(tr("按键行程"));
}

void PressProgressBar::setMaximumMicrons(int um)
{
    m_trackHeight = qBound(1, int(um / 4000.0 * ScaleHeight), ScaleHeight);
    update();
}

void PressProgressBar::setValue(double mm, bool actuated)
{
    m_mm = mm < ShownFromMm ? 0.0 : mm;
    m_actuated = actuated;
    setAccessibleDescription(QStringLiteral("%1 mm").arg(m_mm, 0, 'f', 2));
    update();
}

int PressProgressBar::fillHeight() const
{
    return qMin(m_trackHeight, int(m_mm * PixelsPerMm));
}

QColor PressProgressBar::fillColour() const
{
    return m_actuated ? QColor(108, 226, 108) : QColor(249, 189, 16);
}

void PressProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int top = 4;
    const int bottom = top + ScaleHeight;

    // The scale: a tick every 0.2 mm, longer and labelled every millimetre.
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    for (int tenth = 0; tenth <= 40; tenth += 2) {
        const int y = bottom - int(tenth / 10.0 * PixelsPerMm);
        const bool whole = tenth % 10 == 0;
        p.setPen(QColor(160, 170, 184));
        p.drawLine(TrackLeft - (whole ? 14 : 8), y, TrackLeft - 4, y);
        if (whole) {
            p.setPen(QColor(96, 98, 102));
            p.drawText(QRect(0, y - 7, TrackLeft - 18, 14), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1mm").arg(tenth / 10));
        }
    }

    const QRectF track(TrackLeft, bottom - m_trackHeight, TrackWidth, m_trackHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 238, 242));
    p.drawRoundedRect(track, 4, 4);
    const int fill = fillHeight();
    if (fill > 0) {
        p.setBrush(fillColour());
        p.drawRoundedRect(QRectF(TrackLeft, bottom - fill, TrackWidth, fill), 4, 4);
    }
}
