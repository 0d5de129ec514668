#include "CommandEndpoint.h"

#include "EndpointConnection.h"
#include "EndpointProtocol.h"
#include "EndpointSecurity.h"
#include "KeyboardLock.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <QCryptographicHash>
#else
#include <sys/stat.h>
#endif

Q_LOGGING_CATEGORY(lcEndpoint, "corvane.endpoint", QtWarningMsg)

CommandEndpoint::CommandEndpoint(CommandQueue *queue, QObject *parent)
    : QObject(parent), m_queue(queue), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &CommandEndpoint::acceptConnections);
}

CommandEndpoint::~CommandEndpoint()
{
    close();
}

QString CommandEndpoint::address(const QString &key)
{
#ifdef Q_OS_WIN
    // Pipe names are one namespace for the whole machine: the user's name
    // keeps two users' Corvanes apart (the pipe's access list keeps others
    // out), and the lock folder ties the pipe to the lock, as the socket in
    // that folder is on Linux.
    const QByteArray user = qgetenv("USERDOMAIN") + '\\' + qgetenv("USERNAME") + '\n' + KeyboardLock::folder().toUtf8();
    const QString tag = QString::fromLatin1(QCryptographicHash::hash(user, QCryptographicHash::Sha256).toHex().left(16));
    return QStringLiteral("corvane-%1-%2").arg(key, tag);
#else
    return QDir(KeyboardLock::folder()).filePath(key + QStringLiteral(".sock"));
#endif
}

bool CommandEndpoint::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool CommandEndpoint::listen(const QString &key)
{
    close();
    m_error.clear();
    // Our own names ("1c4f-ee88", "simulated-3"); anything else is not a file name to make.
    if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_-]{0,63}$")).match(key).hasMatch())
        return fail(QStringLiteral("\"%1\" does not name a keyboard").arg(key));
    const QString path = address(key);
#ifndef Q_OS_WIN
    QString problem = EndpointSecurity::prepareFolder(KeyboardLock::folder());
    if (!problem.isEmpty())
        return fail(problem);
    if (EndpointSecurity::pathExists(path)) {
        // Only our own socket that nobody answers on is ours to remove: a
        // Corvane that crashed left it.
        problem = EndpointSecurity::checkSocketFile(path, false);
        if (!problem.isEmpty())
            return fail(QStringLiteral("%1; it is left alone").arg(problem));
        switch (EndpointSecurity::probeSocket(path)) {
        case EndpointSecurity::Probe::Listening:
            return fail(QStringLiteral("another Corvane takes commands at %1 already").arg(path));
        case EndpointSecurity::Probe::Unknown:
            return fail(QStringLiteral("cannot tell whether %1 is in use; it is left alone").arg(path));
        case EndpointSecurity::Probe::Stale:
            qCDebug(lcEndpoint) << "removing the socket a stopped Corvane left:" << path;
            if (!QFile::remove(path))
                return fail(QStringLiteral("cannot remove the old socket %1").arg(path));
            break;
        }
    }
#endif
    // Made in a private folder of Qt's, given its mode, then moved into place:
    // never reachable by others, not even for a moment.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path))
        return fail(QStringLiteral("cannot listen at %1: %2").arg(path, m_server->errorString()));
#ifndef Q_OS_WIN
    // Read and write for the user is all a socket needs.
    ::chmod(QFile::encodeName(path).constData(), 0600);
    problem = EndpointSecurity::checkSocketFile(path);
    if (!problem.isEmpty()) {
        m_server->close();
        return fail(problem);
    }
#endif
    m_address = path;
    qCDebug(lcEndpoint) << "taking commands at" << path;
    return true;
}

void CommandEndpoint::close()
{
    for (EndpointConnection *c : qAsConst(m_connections))
        delete c;
    m_connections.clear();
    if (m_server->isListening()) {
        // Removes the socket file too.
        m_server->close();
        qCDebug(lcEndpoint) << "no longer taking commands at" << m_address;
    }
    m_address.clear();
}

bool CommandEndpoint::isListening() const
{
    return m_server->isListening();
}

void CommandEndpoint::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        qint64 uid = -1;
        QString why;
        if (!EndpointSecurity::peerIsSameUser(socket->socketDescriptor(), &uid, &why)) {
            // Not a byte read from or written to it. Said in the log, but not
            // without end: someone trying in a loop does not fill it.
            if (++m_refusedPeers <= MaxLoggedRefusals)
                qCWarning(lcEndpoint).noquote() << "refused a connection to the command endpoint:" << why
                                                << (m_refusedPeers == MaxLoggedRefusals ? "(further refusals are not logged)" : "");
            socket->abort();
            socket->deleteLater();
            emit connectionRefused(why);
            continue;
        }
        auto *connection = new EndpointConnection(socket, m_queue, m_idleTimeoutMs, this);
        if (m_connections.size() >= m_maxConnections) {
            qCDebug(lcEndpoint) << "refused a connection to the command endpoint: already"
                                << m_connections.size() << "connections";
            connect(connection, &EndpointConnection::finished, connection, &QObject::deleteLater);
            connection->refuse(QStringLiteral("Corvane is busy: %1 connections are open already").arg(m_maxConnections),
                               EndpointProtocol::ErrorCode::Busy);
            emit connectionRefused(QStringLiteral("too many connections"));
            continue;
        }
        connect(connection, &EndpointConnection::finished, this, [this, connection] {
            m_connections.removeOne(connection);
            connection->deleteLater();
        });
        m_connections.append(connection);
    }
}
