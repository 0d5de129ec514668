#include "ENDSetWindow.h"

#include "KeyDragBtn.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ENDSetWindow::ENDSetWindow(QWidget *parent) : AdvanceKeySetWindow(Bind_END, parent)
{
    m_slot = new KeyDragBtn(this);
    auto *row = new QHBoxLayout;
    row->addWidget(m_slot);
    row->addStretch();
    controlsLayout()->addLayout(row);
    registerSlot(m_slot);
    finishBuild();
}

QString ENDSetWindow::titleText() const
{
    return tr("释放触发（END）");
}

QString ENDSetWindow::descriptionText() const
{
    return tr("单击按键可在松开时发送另一个按键。按住按键则为正常触发行为。拖放按键到您想要的键位上即可绑定切换开关键。");
}

void ENDSetWindow::retranslateControls()
{
    m_slot->setSlotName(tr("松开时发送"));
}

void ENDSetWindow::loadRecord(const KeyInfo &info)
{
    m_slot->setKeyType(keyIsBound() ? info.boundOr<ENDInfo>().switchType : -1);
}

QVariant ENDSetWindow::record() const
{
    ENDInfo end;
    end.keyIndex = firstType();
    end.switchType = m_slot->keyType();
    return QVariant::fromValue(end);
}
