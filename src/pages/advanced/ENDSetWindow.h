#pragma once

#include "AdvanceKeySetWindow.h"

// END: releasing the key sends another key.
class ENDSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    explicit ENDSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

    KeyDragBtn *keySlot() const { return m_slot; }

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    QString descriptionText() const override;
    void retranslateControls() override;

private:
    KeyDragBtn *m_slot = nullptr;
};
