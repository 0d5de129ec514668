#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

// Waits (bounded) until done() holds, handling events meanwhile. Whatever
// done() looks at changes through events: this thread's, or another
// thread's queued signals, which wake the loop. A coarse tick also wakes it
// for state that changes without an event here (another process's files).
inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}
