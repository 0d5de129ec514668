#pragma once

// A signal spy for signals emitted on another thread: the calls reach the
// spy through a queued connection, so they are recorded on the test's own
// thread, in order, and only while the test waits for events.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QVariant>

#include <type_traits>

class QueuedSpy : public QObject, public QList<QList<QVariant>> {
public:
    template <typename Sender, typename... Args>
    QueuedSpy(const Sender *sender, void (Sender::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](Args... args) { append(QList<QVariant>{QVariant::fromValue(std::decay_t<Args>(args))...}); },
            Qt::QueuedConnection);
    }

    // Waits (bounded) for one more call than there were when it started.
    bool wait(int timeoutMs = 20000) { return waitForCount(size() + 1, timeoutMs); }

    bool waitForCount(int count, int timeoutMs = 20000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (size() < count) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }

    // Delivers what has been queued so far, without waiting.
    void flush() { QCoreApplication::processEvents(); }
};
