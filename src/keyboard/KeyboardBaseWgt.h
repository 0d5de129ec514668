#pragma once

#include "KeyInfo.h"
#include "KeyboardBtn.h"

#include <QFrame>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>

class QButtonGroup;
class QGridLayout;
class QHBoxLayout;

// The drawn keyboard of one model on one Fn layer: its keys, their
// selection and how they are drawn, and signals that say what the user did
// on them. What a click or a drop means belongs to the page on screen; what
// the keys show is set from outside. A view that is not active says nothing.
class KeyboardBaseWgt : public QFrame {
    Q_OBJECT
public:
    explicit KeyboardBaseWgt(QWidget *parent = nullptr);
    ~KeyboardBaseWgt() override;

    // Adds the button to the group under the next id; its key data carries
    // that id (or the given type) as original and current type.
    int registerButton(KeyboardBtn *button);
    int registerButton(KeyboardBtn *button, int type);
    // Rebuilds the index from original type to button.
    void buildButtonIndex();

    void setLayer(int layer);
    int layer() const { return m_layer; }
    void setModelId(int id) { m_modelId = id; }
    int modelId() const { return m_modelId; }

    void activate(bool on);
    bool isActive() const { return m_active; }

    QButtonGroup *buttonGroup() const { return m_group; }
    // In the order they were registered, which is their id order.
    const QList<KeyboardBtn *> &buttons() const { return m_buttons; }
    KeyboardBtn *buttonForType(int firstType) const { return m_index.value(firstType); }
    KeyboardBtn *buttonAt(int row, int column) const;
    QList<KeyboardBtn *> checkedButtons() const;
    QList<QHBoxLayout *> rowLayouts() const { return m_rows; }
    QGridLayout *numpadGrid() const { return m_numpad; }

    // --- What the keys show.
    void setFace(KeyFace face);
    // Every key shows the name of its current type again.
    void restoreLegends();
    // Live values by matrix cell (row 0..5, column 0..20): key test or
    // calibration data to draw. Keys outside the tables keep theirs.
    template <typename First, typename Second>
    void showLiveValues(const QList<QList<First>> &first, const QList<QList<Second>> &second);
    // Original types by matrix row, as the board reports its keys.
    void setKeyIdentities(const QMap<int, QList<int>> &typesByRow);
    // Whether the key's matrix cell lies in the live tables (rows 0..5,
    // columns 0..20); one that does not is logged.
    static bool validPosition(const KeyboardBtn *key);

signals:
    // After the key's own handling (its check mark).
    void keyClicked(KeyboardBtn *key);
    // A key name dropped on a key: the key already shows newType.
    void keyDropped(int firstType, int newType);
    void keyCheckChanged(KeyboardBtn *key, bool checked);

protected:
    void setRowLayouts(const QList<QHBoxLayout *> &rows, QGridLayout *numpad);

private:
    void setLiveValues(KeyboardBtn *key, quint16 first, quint16 second);

    QButtonGroup *m_group = nullptr;
    QGridLayout *m_numpad = nullptr;
    QList<QHBoxLayout *> m_rows;
    // The keys are the view's children and live as long as it does; the
    // live tables walk them many times a second.
    QList<KeyboardBtn *> m_buttons;
    QHash<int, KeyboardBtn *> m_index;
    int m_layer = 0;
    int m_modelId = 0;
    bool m_active = false;
    QList<QMetaObject::Connection> m_connections;
};

template <typename First, typename Second>
void KeyboardBaseWgt::showLiveValues(const QList<QList<First>> &first, const QList<QList<Second>> &second)
{
    for (KeyboardBtn *key : buttons()) {
        if (!validPosition(key))
            continue;
        const int r = key->matrixRow(), c = key->matrixColumn();
        if (r >= first.size() || c >= first.at(r).size())
            continue;
        const bool hasSecond = r < second.size() && c < second.at(r).size();
        setLiveValues(key, quint16(first.at(r).at(c)), hasSecond ? quint16(second.at(r).at(c)) : 0);
    }
}
