#include "TouchDisModifyWindow.h"

#include "TravelEditWgt.h"
#include "Units.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TouchDisModifyWindow::TouchDisModifyWindow(QWidget *parent) : PopWindow(parent)
{
    setObjectName(QStringLiteral("TouchDisModifyWindow"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(350, 200);
    setStyleSheet(QStringLiteral(
        "#TouchDisModifyWindow{background:white;border:1px solid rgb(220, 223, 230);}"
        "QPushButton#PopCommitBtn{background:rgb(65, 200, 116);color:white;border:none;border-radius:4px;}"
        "QPushButton#PopCancelBtn{background:rgb(204, 206, 219);color:white;border:none;border-radius:4px;}"));
    m_title = new QLabel(contentArea());
    m_title->setObjectName(QStringLiteral("TouchDisTitle"));
    m_title->setStyleSheet(QStringLiteral("QLabel{color:#333333;font-size:16px;font-weight:bold;}"));
    m_title->setWordWrap(true);
    m_travel = new TravelEditWgt(contentArea());
    auto *layout = new QVBoxLayout(contentArea());
    layout->addWidget(m_title);
    layout->addStretch();
    layout->addWidget(m_travel);
    layout->addStretch();
    for (QPushButton *b : {commitButton(), cancelButton()})
        b->setFixedSize(80, 35);
    retranslate();
}

void TouchDisModifyWindow::setTravel(double mm, const TravelScale &scale, int decimals)
{
    m_travel->resetScale(1, scale, decimals);
    m_travel->setPosition(m_travel->scale().nearestPositionOfMicrons(mmToMicrons(mm)));
}

double TouchDisModifyWindow::travel() const
{
    return m_travel->scale().mmAt(m_travel->position());
}

void TouchDisModifyWindow::retranslate()
{
    m_title->setText(tr("设置DKS动作的触发点"));
    setWindowTitle(m_title->text());
    setAccessibleName(m_title->text());
    m_travel->setAccessibleLabel(tr("触发点"));
}

void TouchDisModifyWindow::changeEvent(QEvent *event)
{
    PopWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}
