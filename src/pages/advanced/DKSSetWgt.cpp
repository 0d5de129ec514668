#include "DKSSetWgt.h"

#include "DKSRegionBtn.h"

#include <QEvent>
#include <QPainter>

DKSSetWgt::DKSSetWgt(QWidget *parent) : QWidget(parent)
{
    setFixedSize(360, 40);
    for (int i = 0; i < Regions; ++i) {
        m_regions[i] = new DKSRegionBtn(i % 2 == 0, this);
        m_regions[i]->move(centreX(i) - m_regions[i]->width() / 2, CentreY - m_regions[i]->height() / 2);
    }
    retranslate();
}

QString DKSSetWgt::triggerValue() const
{
    QString value;
    for (DKSRegionBtn *r : m_regions)
        value.append(r->isChecked() ? QLatin1Char('1') : QLatin1Char('0'));
    return value;
}

void DKSSetWgt::setTriggerValue(const QString &value)
{
    for (int i = 0; i < Regions; ++i)
        m_regions[i]->setChecked(i < value.size() && value.at(i) == QLatin1Char('1'));
}

void DKSSetWgt::setRowName(const QString &name)
{
    m_rowName = name;
    retranslate();
}

void DKSSetWgt::retranslate()
{
    const QString names[Regions] = {tr("按键起点"), tr("按下过程"),     tr("按键触底"), tr("触底保持"),
                                    tr("按键触底时松开"), tr("松开过程"), tr("完全松开按键")};
    for (int i = 0; i < Regions; ++i) {
        const QString name = m_rowName.isEmpty() ? names[i] : m_rowName + QStringLiteral(" ") + names[i];
        m_regions[i]->setAccessibleName(name);
        m_regions[i]->setToolTip(names[i]);
    }
}

void DKSSetWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void DKSSetWgt::paintEvent(QPaintEvent *)
{
    // The keystroke's time line behind the regions.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(220, 223, 230), 2));
    p.drawLine(QPointF(centreX(0), CentreY), QPointF(centreX(Regions - 1), CentreY));
}
