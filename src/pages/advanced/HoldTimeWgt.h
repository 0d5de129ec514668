#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

// "按住时间" of the MT and TGL editors: a slider of 10..1000 ms that starts
// at 200, its value as "%1ms", and "重置" back to 200.
class HoldTimeWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int Minimum = 10, Maximum = 1000, Initial = 200;

    explicit HoldTimeWgt(QWidget *parent = nullptr);

    int value() const;
    void setValue(int ms);
    QSlider *slider() const { return m_slider; }
    QPushButton *resetButton() const { return m_reset; }
    QLabel *valueLabel() const { return m_value; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLabel *m_caption = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_value = nullptr;
    QPushButton *m_reset = nullptr;
};
