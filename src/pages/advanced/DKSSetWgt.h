#pragma once

#include <QString>
#include <QWidget>

class DKSRegionBtn;

// One bound key's row of the DKS diagram: seven regions left to right, the
// four events of a keystroke (round) and the three spans between them
// (square). A click toggles a region. The row's trigger value is the seven
// states as digits, "1000001" for the first and last event alone.
class DKSSetWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int Regions = 7;
    // Centres, in the row's own coordinates.
    static constexpr int CentreY = 20;
    static int centreX(int region) { return 30 + region * 50; }

    explicit DKSSetWgt(QWidget *parent = nullptr);

    QString triggerValue() const;
    // Missing or unknown digits read as 0.
    void setTriggerValue(const QString &value);
    DKSRegionBtn *region(int i) const { return m_regions[i]; }
    // "第%1行" and the like, for screen readers.
    void setRowName(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    DKSRegionBtn *m_regions[Regions] = {};
    QString m_rowName;
};
