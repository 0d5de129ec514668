#include "PairKeySetWindow.h"

#include "AdvancedIcons.h"
#include "KeyDragBtn.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PairKeySetWindow::PairKeySetWindow(int kind, QWidget *parent) : AdvanceKeySetWindow(kind, parent)
{
    m_own = new KeyDragBtn(this);
    m_own->setFixed(true);
    m_link = new QLabel(this);
    m_link->setPixmap(advancedPixmap(AdvancedIcon::Link, 28, QColor(160, 170, 184)));
    m_link->setFixedSize(40, 40);
    m_link->setAlignment(Qt::AlignCenter);
    m_partner = new KeyDragBtn(this);
    auto *row = new QHBoxLayout;
    row->addWidget(m_own);
    row->addWidget(m_link);
    row->addWidget(m_partner);
    row->addStretch();
    controlsLayout()->addLayout(row);
    registerSlot(m_own);
    registerSlot(m_partner);
    connect(m_partner, &KeyDragBtn::keyTypeChanged, this, &PairKeySetWindow::checkPartner);
    m_partner->setChecked(true);
}

void PairKeySetWindow::setKeyboardKeys(const QSet<int> &keys)
{
    m_keyboardKeys = keys;
    checkPartner();
}

int PairKeySetWindow::partner() const
{
    return m_partner->keyType();
}

void PairKeySetWindow::retranslateControls()
{
    m_own->setSlotName(tr("当前按键"));
    m_partner->setSlotName(tr("另一个按键"));
    m_link->setAccessibleName(tr("绑定"));
    checkPartner();
}

void PairKeySetWindow::loadRecord(const KeyInfo &info)
{
    m_own->setKeyType(firstType());
    m_partner->setKeyType(keyIsBound() ? recordPartner(info) : -1);
    m_partner->setChecked(true);
    checkPartner();
}

void PairKeySetWindow::checkPartner()
{
    const int p = partner();
    if (p < 0)
        setCommitAllowed(false, tr("请选择另一个按键"));
    else if (p == firstType())
        setCommitAllowed(false, tr("不能与按键自身绑定"));
    else if (!m_keyboardKeys.isEmpty() && !m_keyboardKeys.contains(p))
        setCommitAllowed(false, tr("该按键不在当前键盘上"));
    else
        setCommitAllowed(true);
}
