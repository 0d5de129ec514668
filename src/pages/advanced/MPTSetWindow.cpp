#include "MPTSetWindow.h"

#include "AdvancedLog.h"
#include "KeyDragBtn.h"
#include "TravelEditWgt.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

MPTSetWindow::MPTSetWindow(QWidget *parent) : AdvanceKeySetWindow(Bind_MPT, parent)
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    for (int i = 0; i < Points; ++i) {
        m_captions[i] = new QLabel(this);
        m_slots[i] = new KeyDragBtn(this);
        m_travels[i] = new TravelEditWgt(this);
        grid->addWidget(m_captions[i], i, 0);
        grid->addWidget(m_slots[i], i, 1);
        grid->addWidget(m_travels[i], i, 2);
        registerSlot(m_slots[i]);
    }
    grid->setColumnStretch(3, 1);
    controlsLayout()->addLayout(grid);
    finishBuild();
}

QString MPTSetWindow::titleText() const
{
    return tr("多点触发（MPT）");
}

QString MPTSetWindow::descriptionText() const
{
    return tr("单击按键可在三个不用的深度触发三个不同的按键。");
}

void MPTSetWindow::retranslateControls()
{
    for (int i = 0; i < Points; ++i) {
        const QString name = tr("触发点%1").arg(i + 1);
        m_captions[i]->setText(name);
        m_slots[i]->setSlotName(name);
        m_travels[i]->setAccessibleLabel(tr("%1的行程").arg(name));
    }
}

void MPTSetWindow::loadRecord(const KeyInfo &info)
{
    const bool bound = keyIsBound();
    const MPTInfo mpt = info.boundOr<MPTInfo>();
    for (int i = 0; i < Points; ++i) {
        m_slots[i]->setKeyType(bound ? mpt.bindKey.value(i, -1) : -1);
        m_travels[i]->resetScale(InitialPosition, travelScale(), travelDecimals());
        if (bound && i < mpt.triggerValue.size())
            m_travels[i]->setPosition(m_travels[i]->scale().nearestPositionOfMicrons(mpt.triggerValue.at(i)));
    }
}

QVariant MPTSetWindow::record() const
{
    MPTInfo mpt;
    mpt.keyIndex = firstType();
    for (int i = 0; i < Points; ++i) {
        mpt.bindKey << m_slots[i]->keyType();
        mpt.triggerValue << m_travels[i]->microns();
        qCDebug(lcAdvanced) << "提交保存mpt行程数据：" << mpt.triggerValue.last();
    }
    return QVariant::fromValue(mpt);
}
