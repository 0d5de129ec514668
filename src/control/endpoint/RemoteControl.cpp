#include "RemoteControl.h"

#include "CommandEndpoint.h"
#include "CommandQueue.h"
#ifdef CORVANE_HAVE_DBUS
#include "SessionBusService.h"
#endif

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRemote, "corvane.endpoint.remote", QtWarningMsg)

RemoteControl::RemoteControl(RemoteCommandHandler *handler, QObject *parent)
    : QObject(parent), m_queue(new CommandQueue(handler, this)), m_endpoint(new CommandEndpoint(m_queue, this))
{
}

// The endpoint and the bus go before the queue (children go in the order
// they were made, the queue first): nothing may submit to a deleted queue.
RemoteControl::~RemoteControl()
{
#ifdef CORVANE_HAVE_DBUS
    delete m_bus;
#endif
    delete m_endpoint;
    delete m_queue;
}

bool RemoteControl::start(const QString &key)
{
    const bool listening = m_endpoint->listen(key);
    if (!listening)
        qCWarning(lcRemote).noquote() << "corvane-cli cannot hand commands to this Corvane:" << m_endpoint->errorString();
#ifdef CORVANE_HAVE_DBUS
    if (!m_bus && sessionBusAnnounced()) {
        m_bus = new SessionBusService(m_queue, this);
        connect(m_bus, &SessionBusService::focusReported, this, &RemoteControl::focusReported);
        m_bus->start(QDBusConnection::sessionBus());
    } else if (!m_bus) {
        qCDebug(lcRemote) << "no session bus; Corvane is not on it";
    }
#endif
    return listening;
}

bool RemoteControl::sessionBusAnnounced()
{
    // Asked without one, the bus library would try to start a bus of its own.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

void RemoteControl::notifyActiveProfile(const QString &name)
{
#ifdef CORVANE_HAVE_DBUS
    if (m_bus)
        m_bus->notifyActiveProfile(name);
#else
    Q_UNUSED(name)
#endif
}
