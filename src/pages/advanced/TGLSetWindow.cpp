#include "TGLSetWindow.h"

#include "HoldTimeWgt.h"
#include "KeyDragBtn.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TGLSetWindow::TGLSetWindow(QWidget *parent) : AdvanceKeySetWindow(Bind_TGL, parent)
{
    m_slot = new KeyDragBtn(this);
    auto *row = new QHBoxLayout;
    row->addWidget(m_slot);
    row->addStretch();
    controlsLayout()->addLayout(row);
    m_time = new HoldTimeWgt(this);
    controlsLayout()->addWidget(m_time);
    registerSlot(m_slot);
    finishBuild();
}

QString TGLSetWindow::titleText() const
{
    return tr("切换开关（TGL）");
}

QString TGLSetWindow::descriptionText() const
{
    return tr("单击按键可切换开启或关闭持续触发。按住按键则为正常触发行为。拖放按键到您想要的键位上即可绑定切换开关键。");
}

void TGLSetWindow::retranslateControls()
{
    m_slot->setSlotName(tr("绑定按键"));
}

void TGLSetWindow::loadRecord(const KeyInfo &info)
{
    m_slot->setKeyType(keyIsBound() ? info.boundOr<TGLInfo>().switchType : -1);
    m_time->setValue(keyIsBound() ? info.boundOr<TGLInfo>().delay : HoldTimeWgt::Initial);
}

QVariant TGLSetWindow::record() const
{
    TGLInfo tgl;
    tgl.keyIndex = firstType();
    tgl.switchType = m_slot->keyType();
    tgl.delay = m_time->value();
    return QVariant::fromValue(tgl);
}
