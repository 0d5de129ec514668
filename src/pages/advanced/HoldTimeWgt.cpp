#include "HoldTimeWgt.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

HoldTimeWgt::HoldTimeWgt(QWidget *parent) : QWidget(parent)
{
    m_caption = new QLabel(this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(Minimum, Maximum);
    m_slider->setValue(Initial);
    m_slider->setSingleStep(10);
    m_slider->setPageStep(100);
    m_slider->setFixedWidth(300);
    m_value = new QLabel(this);
    m_value->setMinimumWidth(60);
    m_reset = new QPushButton(this);
    m_reset->setFixedHeight(28);
    m_reset->setStyleSheet(QStringLiteral("QPushButton{background:white;color:#333333;padding:0px 14px;"
                                          "border:1px solid rgb(160, 170, 184);border-radius:4px;}"
                                          "QPushButton:hover{border-color:rgb(254, 187, 36);}"));
    m_reset->setCursor(Qt::PointingHandCursor);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_caption);
    row->addWidget(m_slider);
    row->addWidget(m_value);
    row->addWidget(m_reset);
    row->addStretch();

    connect(m_slider, &QSlider::valueChanged, this, [this](int ms) {
        m_value->setText(tr("%1ms").arg(ms));
        m_slider->setAccessibleDescription(m_value->text());
    });
    connect(m_reset, &QPushButton::clicked, this, [this] { m_slider->setValue(Initial); });
    m_value->setText(tr("%1ms").arg(Initial));
    retranslate();
}

int HoldTimeWgt::value() const
{
    return m_slider->value();
}

void HoldTimeWgt::setValue(int ms)
{
    m_slider->setValue(qBound(Minimum, ms, Maximum));
    m_value->setText(tr("%1ms").arg(m_slider->value()));
}

void HoldTimeWgt::retranslate()
{
    m_caption->setText(tr("按住时间"));
    m_slider->setAccessibleName(tr("按住时间"));
    m_value->setText(tr("%1ms").arg(m_slider->value()));
    m_reset->setText(tr("重置"));
}

void HoldTimeWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
