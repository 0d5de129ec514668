#pragma once

#include <QPushButton>

// A key slot of an advanced-key editor: it holds one key type, -1 when
// empty, and shows the key's name. A key name dragged from the picker and
// dropped on it fills it; so does a picker click while the slot is checked
// (the editor routes those). A right click, Delete or Backspace empties it.
// Keys the keyboard cannot send from a binding are refused.
class KeyDragBtn : public QPushButton {
    Q_OBJECT
public:
    explicit KeyDragBtn(QWidget *parent = nullptr);

    int keyType() const { return m_type; }
    // Fills the slot (a type that cannot be bound, or -1, empties it);
    // returns whether the slot now holds type.
    bool setKeyType(int type);
    void clear() { setKeyType(-1); }
    bool isEmpty() const { return m_type < 0; }

    // What the slot stands for ("按住", "单击"...), for screen readers.
    void setSlotName(const QString &name);
    // A fixed slot shows a key but takes no drops, clicks or clearing.
    void setFixed(bool fixed);
    bool isFixed() const { return m_fixed; }

    // The type a dropped text gives: -1 for an unknown name or a key that
    // cannot be bound.
    static int typeOfDroppedText(const QString &text);

signals:
    void keyTypeChanged(int type);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateLook();

    int m_type = -1;
    bool m_fixed = false;
    bool m_dragHover = false;
    QString m_slotName;
};
