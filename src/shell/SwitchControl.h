#pragma once

#include <QColor>
#include <QWidget>

class QTimer;

// An animated on/off switch. A click flips it and emits toggled(); setting
// the state from code never emits.
class SwitchControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int AnimationInterval = 10; // ms per pixel of thumb travel

    explicit SwitchControl(QWidget *parent = nullptr);

    bool isChecked() const;
    // Moves the thumb there step by step.
    void setChecked(bool checked);
    // Puts the thumb there at once.
    void setCheckedNoAnimation(bool checked);
    double thumbX() const;
    double thumbEndX(bool checked) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void toggled(bool checked);

public slots:
    void onToggled(bool checked);
    void onTimeout();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The user's flip: animated, and announced.
    void flip();

    bool m_checked = false;
    QColor m_background = QColor(242, 242, 242);
    QColor m_checkedColor = QColor(254, 187, 36);
    QColor m_thumbColor = QColor(242, 242, 242);
    QColor m_disabledColor = QColor(102, 102, 102);
    double m_radius = 12.0;
    double m_x = 0;
    double m_y = 0;
    int m_height = 24;
    int m_margin = 4;
    QTimer *m_timer = nullptr;
};
