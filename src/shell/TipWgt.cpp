#include "TipWgt.h"

#include <QHBoxLayout>
#include <QLabel>

TipWgt::TipWgt(const QString &text, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TipWgt"));
    m_label = new QLabel(text, this);
    m_label->setStyleSheet(QStringLiteral("QLabel{font-size:16px;color:gray;}"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
}

void TipWgt::setText(const QString &text)
{
    m_label->setText(text);
}

QString TipWgt::text() const
{
    return m_label->text();
}
