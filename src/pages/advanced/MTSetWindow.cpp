#include "MTSetWindow.h"

#include "HoldTimeWgt.h"
#include "KeyDragBtn.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

MTSetWindow::MTSetWindow(QWidget *parent) : AdvanceKeySetWindow(Bind_MT, parent)
{
    auto *keyGrid = new QGridLayout;
    m_holdCaption = new QLabel(this);
    m_tapCaption = new QLabel(this);
    m_hold = new KeyDragBtn(this);
    m_tap = new KeyDragBtn(this);
    keyGrid->addWidget(m_holdCaption, 0, 0, Qt::AlignHCenter);
    keyGrid->addWidget(m_tapCaption, 0, 1, Qt::AlignHCenter);
    keyGrid->addWidget(m_hold, 1, 0);
    keyGrid->addWidget(m_tap, 1, 1);
    keyGrid->setHorizontalSpacing(30);
    keyGrid->setColumnStretch(2, 1);
    controlsLayout()->addLayout(keyGrid);
    m_time = new HoldTimeWgt(this);
    controlsLayout()->addWidget(m_time);
    registerSlot(m_hold);
    registerSlot(m_tap);
    finishBuild();
}

QString MTSetWindow::titleText() const
{
    return tr("按住/单击（MT）");
}

QString MTSetWindow::descriptionText() const
{
    return tr("单个按键实现2种功能:按住按键为一种，单击按键为另一种。");
}

void MTSetWindow::retranslateControls()
{
    m_holdCaption->setText(tr("按住"));
    m_tapCaption->setText(tr("单击"));
    m_hold->setSlotName(tr("按住"));
    m_tap->setSlotName(tr("单击"));
}

void MTSetWindow::loadRecord(const KeyInfo &info)
{
    const MTInfo mt = keyIsBound() ? info.boundOr<MTInfo>() : MTInfo();
    m_hold->setKeyType(mt.pressType);
    m_tap->setKeyType(mt.clickType);
    m_time->setValue(keyIsBound() ? mt.delay : HoldTimeWgt::Initial);
}

QVariant MTSetWindow::record() const
{
    MTInfo mt;
    mt.keyIndex = firstType();
    mt.pressType = m_hold->keyType();
    mt.clickType = m_tap->keyType();
    mt.delay = m_time->value();
    return QVariant::fromValue(mt);
}
