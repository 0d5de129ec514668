#pragma once

#include <QObject>

// Ctrl-C and SIGTERM (on Windows the console's break and close events) as a
// queued Qt signal on the thread that made the watch, so a command ends its
// work in order instead of dying in the middle of it. The system handler only
// writes a byte to a pipe. One watch per process; while it lives, the signals
// no longer end the program.
class InterruptWatch : public QObject {
    Q_OBJECT
public:
    explicit InterruptWatch(QObject *parent = nullptr);
    // Gives the signals back their default action.
    ~InterruptWatch() override;

    // The live watch, if any.
    static InterruptWatch *current();

    bool isInterrupted() const { return m_signal != 0; }
    // The first signal that arrived, 0 before one did.
    int signalNumber() const { return m_signal; }

    // For the system bodies, on the watch's thread.
    void deliver(int signalNumber);

signals:
    void interrupted(int signalNumber);

private:
    static InterruptWatch *s_current;
    int m_signal = 0;
    struct Private;
    Private *d;
};
