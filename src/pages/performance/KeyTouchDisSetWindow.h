#pragma once

#include "PopWindow.h"
#include "TravelScale.h"

class QLabel;
class QPushButton;
class QSlider;

// The pop-up for the travel of single keys: the user picks keys on the
// keyboard view and drags the slider; committing applies the travel to the
// picked keys. The slider runs over the page's travel positions, so the
// travel committed is one the keyboard can hold.
class KeyTouchDisSetWindow : public PopWindow {
    Q_OBJECT
public:
    explicit KeyTouchDisSetWindow(QWidget *parent = nullptr);

    // Opens at position on scale; "重置" returns there. The commit button
    // waits for the first change.
    void initialise(const TravelScale &scale, int position, int decimals);
    int position() const;
    double travelMm() const { return m_scale.mmAt(position()); }
    QSlider *slider() const { return m_slider; }

signals:
    // "将所有按键恢复为全局"
    void sigResetAllToGlobal();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void showValue();

    TravelScale m_scale;
    int m_decimals = 2;
    int m_openedAt = 1;
    QLabel *m_title = nullptr;
    QLabel *m_help = nullptr;
    QLabel *m_axis = nullptr;
    QLabel *m_value = nullptr;
    QSlider *m_slider = nullptr;
    QPushButton *m_reset = nullptr;
    QPushButton *m_allGlobal = nullptr;
};
