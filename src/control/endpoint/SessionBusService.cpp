#include "SessionBusService.h"

#include "CommandQueue.h"
#include "EndpointProtocol.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QLoggingCategory>
#include <QVariantMap>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcBus, "corvane.endpoint.bus", QtWarningMsg)

const char *const SessionBusService::ServiceName = "org.corvane.Corvane1";
const char *const SessionBusService::ObjectPath = "/org/corvane/Corvane1";
const char *const SessionBusService::InterfaceName = "org.corvane.Corvane1";

namespace {
// What a desktop reports of a window is kept to what a rule or a label uses.
constexpr int MaxClassLength = 255;
constexpr int MaxTitleLength = 1024;
constexpr int MaxCallers = 64;
} // namespace

namespace {

// The reply's last line, as a message for whoever called: a desktop shows it.
QString lastLine(const RemoteReply &reply)
{
    const QByteArray &text = reply.err.trimmed().isEmpty() ? reply.out : reply.err;
    QString line = QString::fromUtf8(text.trimmed()).section(QLatin1Char('\n'), -1);
    if (line.startsWith(QLatin1String("corvane-cli: ")))
        line = line.mid(13);
    return line;
}

} // namespace

SessionBusService::SessionBusService(CommandQueue *queue, QObject *parent)
    : QObject(parent), m_queue(queue), m_bus(QString()), m_user(::getuid())
{
}

void SessionBusService::setSessionUser(uint uid)
{
    m_user = uid;
    m_callers.clear();
}

SessionBusService::~SessionBusService()
{
    stop();
}

bool SessionBusService::start(const QDBusConnection &bus)
{
    stop();
    if (!bus.isConnected()) {
        qCDebug(lcBus) << "no session bus; Corvane is not on it";
        return false;
    }
    m_bus = bus;
    if (!m_bus.registerObject(QLatin1String(ObjectPath), this,
                              QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableProperties)) {
        qCDebug(lcBus) << "cannot put Corvane on the session bus:" << m_bus.lastError().message();
        return false;
    }
    if (!m_bus.registerService(QLatin1String(ServiceName))) {
        qCDebug(lcBus) << "the bus name" << ServiceName << "is taken:" << m_bus.lastError().message();
        m_bus.unregisterObject(QLatin1String(ObjectPath));
        return false;
    }
    m_registered = true;
    m_announced = activeProfile();
    qCDebug(lcBus) << "on the session bus as" << ServiceName;
    return true;
}

void SessionBusService::stop()
{
    if (!m_registered)
        return;
    m_bus.unregisterService(QLatin1String(ServiceName));
    m_bus.unregisterObject(QLatin1String(ObjectPath));
    m_registered = false;
}

QString SessionBusService::activeProfile() const
{
    return m_queue->handler()->activeProfile();
}

QStringList SessionBusService::ListProfiles() const
{
    return m_queue->handler()->profileNames();
}

int SessionBusService::ApplyProfile(const QString &name, QString &text)
{
    const QString problem = EndpointProtocol::plainTextProblem(name, EndpointProtocol::MaxNameLength);
    if (!problem.isEmpty()) {
        text = QStringLiteral("the profile name %1").arg(problem);
        return 2;
    }
    if (!m_queue->handler()->accepts(RemoteCommand::Verb::Apply)) {
        text = QStringLiteral("this Corvane does not take apply from outside");
        return 2;
    }
    RemoteCommand command;
    command.verb = RemoteCommand::Verb::Apply;
    command.name = name;
    if (!calledFromDBus()) {
        text = QStringLiteral("not called over the bus");
        return 2;
    }
    // Answered when the profile has gone out, in turn with corvane-cli's commands.
    setDelayedReply(true);
    const QDBusMessage call = message();
    const QDBusConnection bus = connection();
    m_queue->submit(command, nullptr, [call, bus](const RemoteReply &reply) {
        bus.send(call.createReply(QVariantList{reply.exitCode, lastLine(reply)}));
    });
    return 0;
}

void SessionBusService::ReportFocus(const QString &windowClass, const QString &pid, const QString &title)
{
    if (!calledFromDBus())
        return;
    // The session bus is the user's, but a bus can be shared: only a caller
    // running as this user speaks for the user's desktop.
    const QString sender = message().service();
    auto known = m_callers.constFind(sender);
    bool ours = false;
    if (known != m_callers.constEnd()) {
        ours = *known;
    } else {
        const QDBusReply<uint> uid = connection().interface()->serviceUid(sender);
        ours = uid.isValid() && uid.value() == m_user;
        if (m_callers.size() >= MaxCallers)
            m_callers.clear();
        m_callers.insert(sender, ours);
    }
    if (!ours) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("only the session's user may report the focus"));
        return;
    }
    QString problem;
    if (!windowClass.isEmpty() && !(problem = EndpointProtocol::plainTextProblem(windowClass, MaxClassLength)).isEmpty())
        problem.prepend(QLatin1String("the window class "));
    else if (!title.isEmpty() && !(problem = EndpointProtocol::plainTextProblem(title, MaxTitleLength)).isEmpty())
        problem.prepend(QLatin1String("the title "));
    bool ok = pid.isEmpty();
    qint64 process = 0;
    if (!ok && pid.size() <= 10) {
        process = pid.toLongLong(&ok);
        ok = ok && process >= 0 && process <= 0x7fffffff && !pid.startsWith(QLatin1Char('+'));
    }
    if (!ok && problem.isEmpty())
        problem = QStringLiteral("the pid is not a process number");
    if (!problem.isEmpty()) {
        sendErrorReply(QDBusError::InvalidArgs, problem);
        return;
    }
    emit focusReported(windowClass, process, title);
}

void SessionBusService::notifyActiveProfile(const QString &name)
{
    if (!m_registered || name == m_announced)
        return;
    m_announced = name;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(InterfaceName) << QVariantMap{{QStringLiteral("ActiveProfile"), name}}
           << QStringList();
    m_bus.send(signal);
}
