#include "SwitchControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

SwitchControl::SwitchControl(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SwitchControl"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus); // Space flips it, as a click does
    setMinimumSize(minimumSizeHint());
    m_x = m_margin;
    m_y = m_margin;
    m_timer = new QTimer(this);
    m_timer->setInterval(AnimationInterval);
    connect(m_timer, &QTimer::timeout, this, &SwitchControl::onTimeout);
}

QSize SwitchControl::sizeHint() const
{
    return minimumSizeHint();
}

QSize SwitchControl::minimumSizeHint() const
{
    return QSize((m_height + m_margin) * 2, m_height + 2 * m_margin);
}

bool SwitchControl::isChecked() const
{
    return m_checked;
}

double SwitchControl::thumbX() const
{
    return m_x;
}

double SwitchControl::thumbEndX(bool checked) const
{
    return checked ? width() - m_margin - m_height : m_margin;
}

void SwitchControl::setChecked(bool checked)
{
    if (m_checked == checked)
        return;
    m_checked = checked;
    m_timer->start();
}

void SwitchControl::setCheckedNoAnimation(bool checked)
{
    m_timer->stop();
    m_checked = checked;
    m_x = thumbEndX(checked);
    update();
}

void SwitchControl::onToggled(bool checked)
{
    setChecked(checked);
}

void SwitchControl::onTimeout()
{
    const double end = thumbEndX(m_checked);
    if (m_x < end)
        m_x = qMin(end, m_x + 1);
    else if (m_x > end)
        m_x = qMax(end, m_x - 1);
    if (m_x == end)
        m_timer->stop();
    update();
}

void SwitchControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->pos())) {
        flip();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void SwitchControl::flip()
{
    m_checked = !m_checked;
    m_timer->start();
    emit toggled(m_checked);
}

void SwitchControl::keyPressEvent(QKeyEvent *event)
{
    if (isEnabled() && !event->isAutoRepeat() && event->key() == Qt::Key_Space) {
        flip();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SwitchControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_timer->isActive())
        m_x = thumbEndX(m_checked);
}

void SwitchControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QColor track = m_checked ? m_checkedColor : m_background;
    QColor thumb = m_thumbColor;
    if (!isEnabled()) {
        track = m_disabledColor;
        thumb = m_background;
    }
    const QRectF trackRect(m_margin / 2.0, m_margin / 2.0, width() - m_margin, height() - m_margin);
    const double radius = qMin(m_radius + m_margin / 2.0, trackRect.height() / 2);
    p.setBrush(track);
    p.drawRoundedRect(trackRect, radius, radius);
    // A light thumb on a light track needs an outline to be seen.
    if (!m_checked && isEnabled()) {
        p.setPen(QPen(QColor(220, 223, 230), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(trackRect, radius, radius);
    }
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.setBrush(m_checked && isEnabled() ? Qt::white : thumb);
    p.drawEllipse(QRectF(m_x, m_y, m_height, m_height));
    if (hasFocus()) {
        p.setPen(QPen(QColor(32, 159, 223), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(trackRect.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }
}
