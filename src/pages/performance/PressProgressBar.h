#pragma once

#include <QWidget>

// The key-test bar: a scale in millimetres beside a track in which a fill
// grows from the bottom with the travel of the deepest-pressed key, green
// while that key is actuated and yellow otherwise. The track is as tall as
// the keyboard's maximum travel on the 4 mm scale.
class PressProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScaleHeight = 240;  // px for 4 mm
    static constexpr double PixelsPerMm = 60.0;

    explicit PressProgressBar(QWidget *parent = nullptr);

    void setMaximumMicrons(int um);
    // mm below 0.1 shows as 0.
    void setValue(double mm, bool actuated);
    double value() const { return m_mm; }
    bool isActuated() const { return m_actuated; }
    int trackHeight() const { return m_trackHeight; }
    int fillHeight() const;
    QColor fillColour() const;

    QSize sizeHint() const override { return QSize(100, ScaleHeight); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_trackHeight = ScaleHeight;
    double m_mm = 0;
    bool m_actuated = false;
};
