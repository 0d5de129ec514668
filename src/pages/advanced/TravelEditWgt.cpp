#include "TravelEditWgt.h"

#include "CustomDoubleValidator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

TravelEditWgt::TravelEditWgt(QWidget *parent) : QWidget(parent)
{
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setFixedSize(200, 30);
    m_edit = new QLineEdit(this);
    m_edit->setFixedWidth(64);
    m_unit = new QLabel(QStringLiteral("mm"), this);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_slider);
    row->addWidget(m_edit);
    row->addWidget(m_unit);
    row->addStretch();
    connect(m_slider, &QSlider::valueChanged, this, &TravelEditWgt::showPosition);
    connect(m_edit, &QLineEdit::returnPressed, this, &TravelEditWgt::onReturn);
    resetScale(1, TravelScale(), 2);
}

void TravelEditWgt::resetScale(int position, const TravelScale &scale, int decimals)
{
    m_scale = scale;
    m_decimals = decimals;
    m_edit->setValidator(new CustomDoubleValidator(m_scale.minimumUm / 1000.0, m_scale.maximumUm / 1000.0,
                                                   m_decimals, m_edit));
    const QSignalBlocker blocker(m_slider);
    m_slider->setRange(1, m_scale.positions);
    m_slider->setValue(qBound(1, position, m_scale.positions));
    showPosition(m_slider->value());
}

int TravelEditWgt::position() const
{
    return m_slider->value();
}

void TravelEditWgt::setPosition(int position)
{
    m_slider->setValue(position);
    showPosition(m_slider->value());
}

void TravelEditWgt::setAccessibleLabel(const QString &name)
{
    m_slider->setAccessibleName(name);
    m_edit->setAccessibleName(name + QStringLiteral(" (mm)"));
}

void TravelEditWgt::showPosition(int position)
{
    m_edit->setText(travelText(m_scale.mmAt(position), m_decimals));
}

void TravelEditWgt::onReturn()
{
    const QString text = m_edit->text();
    bool ok = false;
    const double mm = text.toDouble(&ok);
    if (!ok || !isCompleteNumber(text)) {
        showPosition(position());
        return;
    }
    // As on the performance page: a travel between two steps takes the lower one.
    setPosition(m_scale.positionOfMm(mm));
}
