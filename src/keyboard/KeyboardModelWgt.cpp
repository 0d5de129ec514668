#include "KeyboardModelWgt.h"

#include "KeyboardBtn.h"
#include "KeyboardLayouts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolButton>

KeyboardModelWgt::KeyboardModelWgt(const KeyboardLayout &layout, QWidget *parent)
    : KeyboardBaseWgt(parent), m_layout(layout)
{
    auto makeKey = [this](const LayoutKey &key) -> QWidget * {
        auto *button = new KeyboardBtn(this);
        button->setMatrixPosition(key.row, key.column);
        registerButton(button, key.type);
        button->setKeySize(key.width, key.height);
        return button;
    };
    auto makeKnob = [this]() -> QWidget * {
        auto *knob = new QToolButton(this);
        knob->setObjectName(QStringLiteral("KnobBtn"));
        knob->setFixedSize(40, 40);
        knob->setFocusPolicy(Qt::NoFocus);
        knob->setStyleSheet(
            QStringLiteral("QToolButton{background:white;border-radius:20px;border:4px solid rgb(160, 170, 184);}"));
        m_knobs.append(knob);
        return knob;
    };
    QList<QHBoxLayout *> rows;
    QGridLayout *pad = nullptr;
    QLayout *content = assembleLayout(layout, 1.0, makeKey, makeKnob, &rows, &pad);
    setLayout(content);
    setRowLayouts(rows, pad);
    buildButtonIndex();
}
