#include "AdvanceTypeItemWgt.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

AdvanceTypeItemWgt::AdvanceTypeItemWgt(QWidget *parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("AdvanceTypeItemWgt"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_title = new QLabel(this);
    m_title->setStyleSheet(QStringLiteral("QLabel{color:#333333;font-size:18px;background:transparent;}"));
    m_description = new QLabel(this);
    m_description->setWordWrap(true);
    m_description->setStyleSheet(QStringLiteral("QLabel{color:#666666;font-size:14px;background:transparent;}"));
    for (QLabel *l : {m_title, m_description})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 6, 14, 6);
    layout->setSpacing(2);
    layout->addWidget(m_title);
    layout->addWidget(m_description);
}

void AdvanceTypeItemWgt::setTexts(const QString &title, const QString &description)
{
    m_title->setText(title);
    m_description->setText(description);
    setText(title);
    setAccessibleName(title);
    setAccessibleDescription(description);
}

QString AdvanceTypeItemWgt::title() const
{
    return m_title->text();
}

QString AdvanceTypeItemWgt::description() const
{
    return m_description->text();
}

void AdvanceTypeItemWgt::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool lit = m_hover || hasFocus() || isDown();
    p.setPen(lit ? QPen(QColor(254, 187, 36), 1.5) : Qt::NoPen);
    p.setBrush(lit ? QColor(255, 248, 230) : QColor(Qt::transparent));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
}

void AdvanceTypeItemWgt::enterEvent(QEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void AdvanceTypeItemWgt::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}
