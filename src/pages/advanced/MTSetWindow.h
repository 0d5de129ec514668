#pragma once

#include "AdvanceKeySetWindow.h"

class HoldTimeWgt;
class QLabel;

// MT: one key while the key is held, another when it is tapped; the hold
// time tells them apart.
class MTSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    explicit MTSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

    KeyDragBtn *holdSlot() const { return m_hold; }
    KeyDragBtn *tapSlot() const { return m_tap; }
    HoldTimeWgt *holdTime() const { return m_time; }

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    QString descriptionText() const override;
    void retranslateControls() override;

private:
    KeyDragBtn *m_hold = nullptr;
    KeyDragBtn *m_tap = nullptr;
    QLabel *m_holdCaption = nullptr;
    QLabel *m_tapCaption = nullptr;
    HoldTimeWgt *m_time = nullptr;
};
