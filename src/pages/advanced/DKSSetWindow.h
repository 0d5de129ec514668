#pragma once

#include "AdvanceKeySetWindow.h"

#include <QPointer>

class DKSSetWgt;
class QLabel;
#include "TouchDisModifyWindow.h"

// DKS: up to four keys, each acting at the events of one keystroke that
// its row of the diagram marks. The trigger point of the first and last
// events is the keyboard's; the keystroke bottoms out at the maximum travel.
class DKSSetWindow : public AdvanceKeySetWindow {
    Q_OBJECT
public:
    static constexpr int Rows = 4;
    static constexpr int Events = 4;
    static constexpr double InitialTravel = 1.4; // mm

    explicit DKSSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

    KeyDragBtn *rowSlot(int i) const { return m_slots[i]; }
    DKSSetWgt *row(int i) const { return m_rows[i]; }
    QPushButton *travelButton(int i) const { return m_travelButtons[i]; }
    TouchDisModifyWindow *travelWindow() const { return m_popup; }

public slots:
    // Buttons 0 and 3 open the trigger-point pop-up; the others do nothing.
    void onTopBtnClicked(int btnId);

protected:
    void loadRecord(const KeyInfo &info) override;
    QString titleText() const override;
    void retranslateControls() override;

private:
    void setTravelValue(int button, double mm);
    double travelValue(int button) const;

    QLabel *m_heading = nullptr;
    QLabel *m_eventLabels[Events] = {};
    QPushButton *m_travelButtons[Events] = {};
    KeyDragBtn *m_slots[Rows] = {};
    DKSSetWgt *m_rows[Rows] = {};
    QPointer<TouchDisModifyWindow> m_popup;
};
