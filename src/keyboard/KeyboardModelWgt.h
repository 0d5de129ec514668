#pragma once

#include "KeyboardBaseWgt.h"

struct KeyboardLayout;

// A keyboard view built from a model's layout data: the key buttons in
// rows, the numeric pad and the knob, then the button index.
class KeyboardModelWgt : public KeyboardBaseWgt {
    Q_OBJECT
public:
    KeyboardModelWgt(const KeyboardLayout &layout, QWidget *parent = nullptr);

    const KeyboardLayout &layout() const { return m_layout; }
    // The knob of models that have one: a round button, never a key.
    QList<QWidget *> knobs() const { return m_knobs; }

private:
    const KeyboardLayout &m_layout;
    QList<QWidget *> m_knobs;
};
