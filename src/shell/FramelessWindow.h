#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// What a window without a frame needs from us: it is moved by dragging its
// empty parts (presses that no child took), and on X11, where there may be
// no compositor to draw translucent corners, its rounded shape is cut out
// with a mask.
class WindowDragger : public QObject {
public:
    // Drags within the window's top band pixels, or anywhere when band < 0.
    // A press in a limited band is taken (the window's own handler does not
    // see it); otherwise the window sees every press as before.
    static void install(QWidget *window, int band = -1);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowDragger(QWidget *window, int band);
    QWidget *m_window;
    int m_band;
    bool m_dragging = false;
    QPoint m_offset;
};

// Call from the window's resizeEvent. inset leaves a margin around the
// rounded rectangle (for a drawn shadow).
void cutRoundedCorners(QWidget *window, qreal radius, int inset = 0);
