#pragma once

#include "AdvanceKeySetWindow.h"

#include <QSet>

class QLabel;

// The editors of a pair of keys (SOCD, RS): the edited key, fixed, joined
// to the other key of the pair. Commit waits for another key of this
// keyboard.
class PairKeySetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    PairKeySetWindow(int kind, QWidget *parent = nullptr);

    // The keys of the keyboard shown: a partner must be one of them (when
    // the set is empty, any key will do).
    void setKeyboardKeys(const QSet<int> &keys);
    int partner() const;

    KeyDragBtn *ownSlot() const { return m_own; }
    KeyDragBtn *partnerSlot() const { return m_partner; }

protected:
    void loadRecord(const KeyInfo &info) override;
    void retranslateControls() override;
    // The record's partner when the key is bound with this kind.
    virtual int recordPartner(const KeyInfo &info) const = 0;

private:
    void checkPartner();

    KeyDragBtn *m_own = nullptr;
    KeyDragBtn *m_partner = nullptr;
    QLabel *m_link = nullptr;
    QSet<int> m_keyboardKeys;
};
