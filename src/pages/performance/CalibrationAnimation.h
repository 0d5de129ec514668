#pragma once

#include <QWidget>

// A key drawn from the side, pressed as deep as the frame says: frame 0 is a
// released key, the last frame a key at the bottom of its travel (one frame
// per 0.1 mm). Drawn in code, so every frame is there at once.
class CalibrationAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int FrameCount = 41; // 0 .. 4.0 mm

    explicit CalibrationAnimation(QWidget *parent = nullptr);
    int frame() const { return m_frame; }
    void setFrame(int frame);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_frame = 0;
};
