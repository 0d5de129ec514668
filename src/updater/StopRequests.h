#pragma once

#include <QObject>

// Requests from outside to end Update, so that it can leave nothing half
// done: on Linux SIGTERM, SIGINT and SIGHUP; on Windows the console's
// Ctrl-C, Ctrl-Break and close events, logoff and shutdown, and the end of
// the session as Qt reports it (WM_QUERYENDSESSION), and requestProgramEnd()
// from another program.
//
// stopRequested() comes once, on the thread that made this object; the
// program undoes what it must and then calls settled(). Until then the
// process lives on: on Linux the signals no longer end it; on Windows the
// system's handler waits for settled(), for as long as the system allows
// (it ends the process when the handler returns or its time is up).
// One per process.
class StopRequests : public QObject {
    Q_OBJECT
public:
    explicit StopRequests(QObject *parent = nullptr);
    // Gives the signals back their default action.
    ~StopRequests() override;

    bool isRequested() const { return m_requested; }
    void settled();

    // For the system bodies, on this object's thread.
    void deliver();

signals:
    void stopRequested();

private:
    bool m_requested = false;
    struct Private;
    Private *d;
};

// Asks a program this one started to end as a user would (Linux: SIGTERM;
// Windows: requestProgramEnd(), else WM_CLOSE to its windows). False when it
// cannot be asked (it has gone, or on Windows neither listens nor has a
// window yet).
bool askProgramToEnd(qint64 pid);
