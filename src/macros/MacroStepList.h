#pragma once

#include "AdvancedKeyInfo.h"

#include <QList>
#include <QString>

// One row of a macro's step list as the editor shows it.
struct MacroRow {
    enum Kind { Key, Delay };
    Kind kind = Key;
    bool down = true; // key rows: press or release
    QString text;     // the key's name, or the delay in ms
    // Key rows: 1000 + step for a press, 2000 + step for a release; a delay
    // row has the id of the key row before it.
    int id = 0;
};

// The editing view of one macro: rows alternate key, delay, key, delay, ...
// Every step but the last has its delay row; the last may have one (read
// from a file) or not (just recorded), in which case it is written with
// LastStepDelay. The list never holds more than MaxRows rows. No widgets.
class MacroStepList {
public:
    static constexpr int MaxRows = 250;
    // A recording can be saved with at most 64 steps.
    static constexpr int MaxSavedRows = 128;
    static constexpr int LastStepDelay = 10;
    static constexpr int MaxDelayDigits = 9; // the largest delay that is an int

    int rowCount() const;
    bool isEmpty() const { return m_steps.isEmpty(); }
    MacroRow row(int index) const;
    QList<MacroRow> rows() const;
    // The step a row belongs to, and the row of a step's key.
    static int stepOfRow(int row) { return row / 2; }
    static int keyRowOfStep(int step) { return step * 2; }

    void clear() { m_steps.clear(); }
    // Recording: the key row, after a delay row with delayText for the
    // pause since the step before (none before the first step). False, and
    // nothing added, when the rows would pass MaxRows.
    bool record(bool down, const QString &keyName, const QString &delayText);
    // A key row and a delay row per step, up to MaxRows rows.
    void setSteps(const QList<MACRO_Key> &steps);
    // The steps as written to a file: each key row with the delay row after
    // it, LastStepDelay when the last step has none.
    QList<MACRO_Key> steps() const;

    // A delay row's new text: digits only are kept; other text becomes its
    // digits run together, and text without digits (or too long a number)
    // keeps the old text. True when the row's text changed.
    bool setDelayText(int row, const QString &text);
    // Removes the step of the row (its key row with its delay row). The row
    // to select afterwards (the key row now in that place), -1 when empty.
    int removeStepOfRow(int row);
    // Moves the step of the row one step up (by -1) or down (+1), its delay
    // travelling with it. The step's new key row; -1 when it cannot move.
    int moveStepOfRow(int row, int by);

private:
    struct Step {
        bool down = true;
        QString key;
        bool hasDelay = false;
        QString delay;
    };
    void keepDelaysBeforeLast();
    QList<Step> m_steps;
};
