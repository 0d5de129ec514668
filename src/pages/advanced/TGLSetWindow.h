#pragma once

#include "AdvanceKeySetWindow.h"

class HoldTimeWgt;

// TGL: a tap turns the bound key's continuous press on or off; holding the
// key acts normally.
class TGLSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    explicit TGLSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

    KeyDragBtn *keySlot() const { return m_slot; }
    HoldTimeWgt *holdTime() const { return m_time; }

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    QString descriptionText() const override;
    void retranslateControls() override;

private:
    KeyDragBtn *m_slot = nullptr;
    HoldTimeWgt *m_time = nullptr;
};
