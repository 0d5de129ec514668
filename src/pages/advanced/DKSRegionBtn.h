#pragma once

#include <QAbstractButton>

// One region of a DKS diagram row: a round one for an event of the
// keystroke, a square one for the span between two events. Checked means
// the row's key acts there.
class DKSRegionBtn : public QAbstractButton {
    Q_OBJECT
public:
    static const QColor OnColour;

    DKSRegionBtn(bool round, QWidget *parent = nullptr);
    bool isRound() const { return m_round; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_round;
};
