#pragma once

#include <QObject>
#include <QString>

class CommandEndpoint;
class CommandQueue;
class RemoteCommandHandler;
class SessionBusService;

// Everything through which the running Corvane takes commands from outside,
// built around one handler: the queue that runs them one at a time, the
// local endpoint (corvane-cli, a second Corvane) and, on Linux, the session
// bus. Lives no longer than the handler.
class RemoteControl : public QObject {
    Q_OBJECT
public:
    explicit RemoteControl(RemoteCommandHandler *handler, QObject *parent = nullptr);
    ~RemoteControl() override;

    // Opens the endpoint of the keyboard key, and goes on the session bus
    // when there is one. False when the endpoint could not be opened (a
    // warning in the log says why); the bus is tried all the same.
    bool start(const QString &key);

    CommandQueue *queue() const { return m_queue; }
    CommandEndpoint *endpoint() const { return m_endpoint; }

public slots:
    // The profile in use changed: the session bus announces it.
    void notifyActiveProfile(const QString &name);

signals:
    // The desktop's script or extension reported the window in front over
    // the session bus (already checked).
    void focusReported(const QString &windowClass, qint64 pid, const QString &title);

private:
    static bool sessionBusAnnounced();

    CommandQueue *m_queue;
    CommandEndpoint *m_endpoint;
    SessionBusService *m_bus = nullptr;
};
