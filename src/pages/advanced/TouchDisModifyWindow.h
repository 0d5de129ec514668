#pragma once

#include "PopWindow.h"
#include "TravelScale.h"

class QLabel;
class TravelEditWgt;

// The DKS trigger-point pop-up: one travel on the keyboard's scale.
class TouchDisModifyWindow : public PopWindow {
    Q_OBJECT
public:
    explicit TouchDisModifyWindow(QWidget *parent = nullptr);

    // Opens at the position of that travel.
    void setTravel(double mm, const TravelScale &scale, int decimals);
    double travel() const;
    TravelEditWgt *travelEdit() const { return m_travel; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLabel *m_title = nullptr;
    TravelEditWgt *m_travel = nullptr;
};
