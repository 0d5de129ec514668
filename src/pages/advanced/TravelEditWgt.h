#pragma once

#include "TravelScale.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QSlider;

// A travel chosen on the keyboard's scale: a slider of positions 1..N, an
// edit box with its millimetres and "mm". Return in the box moves the
// slider to the typed travel; ".5" or "1." is put back from the slider.
class TravelEditWgt : public QWidget {
    Q_OBJECT
public:
    explicit TravelEditWgt(QWidget *parent = nullptr);

    // Takes the scale the keyboard reported, its decimals and that position.
    void resetScale(int position, const TravelScale &scale, int decimals);
    const TravelScale &scale() const { return m_scale; }
    int position() const;
    void setPosition(int position);
    int microns() const { return m_scale.micronsAt(position()); }

    QSlider *slider() const { return m_slider; }
    QLineEdit *edit() const { return m_edit; }
    void setAccessibleLabel(const QString &name);

private:
    void showPosition(int position);
    void onReturn();

    TravelScale m_scale;
    int m_decimals = 2;
    QSlider *m_slider = nullptr;
    QLineEdit *m_edit = nullptr;
    QLabel *m_unit = nullptr;
};
