#include "LabelSpinBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

LabelSpinBox::LabelSpinBox(const QString &label, int maximum, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LabelSpinBox"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_label = new QLabel(label, this);
    m_label->setFixedWidth(12);
    m_spin = new QSpinBox(this);
    m_spin->setRange(0, maximum);
    m_spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_spin->setAlignment(Qt::AlignCenter);
    m_spin->setFixedSize(40, 24);
    m_spin->setKeyboardTracking(false);
    m_label->setBuddy(m_spin);
    layout->addWidget(m_label);
    layout->addWidget(m_spin);
    connect(m_spin, QOverload<int>::of(&QSpinBox::valueChanged), this, &LabelSpinBox::valueChanged);
}

int LabelSpinBox::value() const
{
    return m_spin->value();
}

void LabelSpinBox::setValue(int value)
{
    const QSignalBlocker blocker(m_spin);
    m_spin->setValue(value);
}

void LabelSpinBox::setAccessibleText(const QString &text)
{
    m_spin->setAccessibleName(text);
    setAccessibleName(text);
}
