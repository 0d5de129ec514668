#pragma once

#include "AdvanceKeySetWindow.h"
#include "MacroFile.h"

class MacroTableWgt;
class QLabel;

// MACRO: the key plays a stored macro. The macro is chosen from the macro
// list, which opens the macro manager to record or edit one; the record
// carries the macro's name and steps.
class MacroSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    explicit MacroSetWindow(QWidget *parent = nullptr, const QString &folder = macroFolderPath());
    QVariant record() const override;

    MacroTableWgt *macroTable() const { return m_table; }
    // The slot showing the chosen macro's name.
    QLabel *macroSlot() const { return m_slot; }

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    QString descriptionText() const override;
    void retranslateControls() override;

private:
    void onMacroChosen(const QString &name);
    void updateCommit();

    QLabel *m_slotCaption = nullptr;
    QLabel *m_slot = nullptr;
    MacroTableWgt *m_table = nullptr;
};
