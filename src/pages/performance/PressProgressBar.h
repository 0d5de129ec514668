#pragma once

#include <QWidget>

// Where a key actuates and re-triggers, in millimetres.
struct KeyTestMarks {
    double actuationMm = 0;
    bool rapid = false;
    double pressMm = 0;
    double releaseMm = 0;
};

// The key-test bar: a scale in millimetres beside a track in which a fill
// grows from the bottom with the travel of the key shown, green while that
// key is actuated and yellow otherwise. The track is as tall as the
// keyboard's maximum travel on the 4 mm scale.
//
// With a key named (the one selected on the keyboard view) the bar says so
// above the track and marks where that key actuates; with rapid trigger it
// also shows the band the key must leave to re-trigger or reset: from the
// release sensitivity short of the key's travel to the press sensitivity
// past it, moving with the key.
class PressProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScaleHeight = 240;  // px for 4 mm
    static constexpr double PixelsPerMm = 60.0;
    static constexpr int CaptionHeight = 18; // the key's name above the track
    static constexpr int Top = CaptionHeight + 4;
    static constexpr int Bottom = Top + ScaleHeight; // y of 0 mm

    using Marks = KeyTestMarks;

    explicit PressProgressBar(QWidget *parent = nullptr);

    void setMaximumMicrons(int um);
    // mm below 0.1 shows as 0.
    void setValue(double mm, bool actuated);
    // The key shown and its marks; an empty name is the deepest key, unmarked.
    void setShownKey(const QString &name, const Marks &marks = Marks());
    double value() const { return m_mm; }
    bool isActuated() const { return m_actuated; }
    QString shownKey() const { return m_key; }
    int trackHeight() const { return m_trackHeight; }
    int fillHeight() const;
    QColor fillColour() const;
    // Where the marks are drawn (y in the widget), -1 when there is none:
    // the actuation line, and the re-trigger band's top and bottom.
    int actuationY() const;
    int bandTopY() const;
    int bandBottomY() const;
    // What a screen reader reads as the bar's value ("A: 1.25 mm").
    QString valueText() const;

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int yOfMm(double mm) const;
    void refreshAccessibleTexts();

    int m_trackHeight = ScaleHeight;
    double m_mm = 0;
    bool m_actuated = false;
    QString m_key;
    Marks m_marks;
    bool m_marked = false;
    QString m_valueText;
};
