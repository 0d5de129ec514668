#include "DKSRegionBtn.h"

#include <QPainter>

const QColor DKSRegionBtn::OnColour(244, 167, 33);

DKSRegionBtn::DKSRegionBtn(bool round, QWidget *parent) : QAbstractButton(parent), m_round(round)
{
    setCheckable(true);
    setFixedSize(28, 28);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::toggled, this, [this] { update(); });
}

void DKSRegionBtn::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // 24 px across: a circle of radius 12, or a square with corners of 8.
    const QRectF r(2, 2, 24, 24);
    p.setPen(QPen(isChecked() ? OnColour.darker(115) : QColor(160, 170, 184), 1.5));
    p.setBrush(isChecked() ? OnColour : QColor(Qt::white));
    if (m_round)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, 8, 8);
    if (hasFocus()) {
        p.setPen(QPen(QColor(254, 187, 36), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, 27, 27));
    }
}
