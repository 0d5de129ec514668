#pragma once

#include "AdvanceKeySetWindow.h"

class QLabel;
class TravelEditWgt;

// MPT: three keys at three depths of one key's travel.
class MPTSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    static constexpr int Points = 3;
    static constexpr int InitialPosition = 5;

    explicit MPTSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

    KeyDragBtn *pointSlot(int i) const { return m_slots[i]; }
    TravelEditWgt *pointTravel(int i) const { return m_travels[i]; }

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    QString descriptionText() const override;
    void retranslateControls() override;

private:
    KeyDragBtn *m_slots[Points] = {};
    TravelEditWgt *m_travels[Points] = {};
    QLabel *m_captions[Points] = {};
};
