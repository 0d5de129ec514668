#pragma once

#include "KeyInfo.h"
#include "PopWindow.h"
#include "TravelScale.h"

#include <QList>
#include <QPoint>
#include <QVariant>

class KeyChooseWgt;
class KeyDragBtn;
class QButtonGroup;
class QLabel;
class QVBoxLayout;

// The frame every advanced-key editor shares: a title bar, the edited key,
// the kind's description, the kind's controls, the key picker that fills
// the key slots, and "确定" / "取消". The editor is loaded with a key and,
// on commit, asked for the record of its kind; it sends nothing itself.
// It can be dragged by its top 100 pixels.
class AdvanceKeySetWindow : public PopWindow {
    Q_OBJECT
public:
    explicit AdvanceKeySetWindow(int kind, QWidget *parent = nullptr);

    int kind() const { return m_kind; }
    int firstType() const { return int(m_info.firstType); }
    const KeyInfo &keyInfo() const { return m_info; }

    // Shows "当前按键：%1", then the key's record of this kind (a key bound
    // otherwise, or not at all, starts from the kind's defaults).
    void loadKey(const KeyInfo &info);
    // The keyboard's travel scale and decimals, for the kinds that set a
    // travel; taken before loadKey.
    void setTravel(const TravelScale &scale, int decimals)
    {
        m_scale = scale;
        m_decimals = decimals;
    }
    const TravelScale &travelScale() const { return m_scale; }
    int travelDecimals() const { return m_decimals; }
    // The record of this kind as the controls say, keyed by the key.
    virtual QVariant record() const = 0;

    QList<KeyDragBtn *> keySlots() const { return m_slots; }
    KeyChooseWgt *picker() const { return m_picker; }
    // Removes the key's binding; shown while the key has one of this kind.
    QPushButton *removeButton() const { return m_remove; }

signals:
    // The user removed the key's binding from the editor.
    void sigDeleteBindItem(const KeyInfo &info);

protected:
    virtual void loadRecord(const KeyInfo &info) = 0;
    virtual QString titleText() const = 0;
    virtual QString descriptionText() const { return QString(); }
    virtual void retranslateControls() {}

    // Where the kind's controls go, between the description and the picker.
    QVBoxLayout *controlsLayout() const { return m_controls; }
    // A slot the picker fills while it is checked.
    void registerSlot(KeyDragBtn *slot);
    // Subclasses call it last in their constructor.
    void finishBuild();
    // Commit stays disabled, with the reason shown, until the record is whole.
    void setCommitAllowed(bool allowed, const QString &reason = QString());
    bool keyIsBound() const { return m_info.bindKind() == m_kind; }

    void changeEvent(QEvent *event) override;

private:
    TravelScale m_scale;
    int m_decimals = 2;
    void retranslate();
    void onPickerKey(int type);

    int m_kind;
    KeyInfo m_info;
    QLabel *m_title = nullptr;
    QLabel *m_currentKey = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_reason = nullptr;
    QVBoxLayout *m_controls = nullptr;
    KeyChooseWgt *m_picker = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_remove = nullptr;
    QButtonGroup *m_slotGroup = nullptr;
    QList<KeyDragBtn *> m_slots;
};
