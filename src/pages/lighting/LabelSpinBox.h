#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;

// A short label before a number field (one colour component).
class LabelSpinBox : public QWidget {
    Q_OBJECT
public:
    LabelSpinBox(const QString &label, int maximum, QWidget *parent = nullptr);

    int value() const;
    // Shows the value without announcing it.
    void setValue(int value);
    // What a screen reader says for the field (the label is a letter).
    void setAccessibleText(const QString &text);
    QSpinBox *spinBox() const { return m_spin; }

signals:
    void valueChanged(int value);

private:
    QLabel *m_label = nullptr;
    QSpinBox *m_spin = nullptr;
};
