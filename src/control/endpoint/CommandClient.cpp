#include "CommandClient.h"

#include "EndpointProtocol.h"
#include "EndpointSecurity.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcClient, "corvane.endpoint.client", QtWarningMsg)

CommandClient::CommandClient(QObject *parent) : QObject(parent), m_socket(new QLocalSocket(this)), m_stall(new QTimer(this))
{
    m_stall->setSingleShot(true);
    m_stall->setInterval(DefaultStallTimeoutMs);
    connect(m_stall, &QTimer::timeout, this, [this] {
        finish(Outcome::TimedOut, QStringLiteral("no answer from Corvane for %1 s").arg(m_stall->interval() / 1000));
    });
    connect(m_socket, &QLocalSocket::connected, this, &CommandClient::onConnected);
    connect(m_socket, &QLocalSocket::readyRead, this, &CommandClient::readAnswers);
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError error) {
        if (m_outcome != Outcome::Pending || error == QLocalSocket::PeerClosedError)
            return; // a close is handled as disconnected
        const bool nobody = error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError;
        finish(!m_connected && nobody ? Outcome::NotRunning : Outcome::Lost, m_socket->errorString());
    });
    connect(m_socket, &QLocalSocket::disconnected, this, [this] {
        // What came with the close is read first: the answer may be in it.
        readAnswers();
        if (m_outcome == Outcome::Pending)
            finish(Outcome::Lost, QStringLiteral("Corvane closed the connection before it answered"));
    });
}

CommandClient::~CommandClient() = default;

void CommandClient::setStallTimeout(int ms)
{
    m_stall->setInterval(ms);
}

void CommandClient::start(const RemoteCommand &command, const QString &address)
{
    m_outcome = Outcome::Pending;
    m_reply = RemoteReply();
    m_detail.clear();
    m_buffer.clear();
    m_connected = false;
    m_id = QCoreApplication::applicationPid() & 0xffffff;
    m_request = EndpointProtocol::encodeRequest(m_id, command);
#ifndef Q_OS_WIN
    if (!EndpointSecurity::pathExists(address)) {
        // Answered later, as a failure to connect would be.
        QMetaObject::invokeMethod(this, [this] { finish(Outcome::NotRunning, QStringLiteral("no endpoint")); },
                                  Qt::QueuedConnection);
        return;
    }
    QString problem = EndpointSecurity::checkFolder(QFileInfo(address).path());
    if (problem.isEmpty())
        problem = EndpointSecurity::checkSocketFile(address);
    if (!problem.isEmpty()) {
        QMetaObject::invokeMethod(this, [this, problem] { finish(Outcome::Unsafe, problem); }, Qt::QueuedConnection);
        return;
    }
#endif
    m_stall->start();
    m_socket->connectToServer(address);
}

void CommandClient::abort()
{
    if (m_outcome != Outcome::Pending)
        return;
    finish(Outcome::Aborted, QStringLiteral("stopped"));
}

void CommandClient::onConnected()
{
    m_connected = true;
    qint64 uid = -1;
    QString why;
    if (!EndpointSecurity::peerIsSameUser(m_socket->socketDescriptor(), &uid, &why)) {
        finish(Outcome::Unsafe, why);
        return;
    }
    m_stall->start();
    m_socket->write(m_request);
}

void CommandClient::readAnswers()
{
    while (m_outcome == Outcome::Pending) {
        const int end = m_buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            handleLine(line);
            continue;
        }
        if (m_buffer.size() > EndpointProtocol::MaxAnswerLine) {
            finish(Outcome::BadAnswer, QStringLiteral("an answer line is longer than %1 bytes").arg(EndpointProtocol::MaxAnswerLine));
            return;
        }
        const qint64 room = EndpointProtocol::MaxAnswerLine + 1 - m_buffer.size();
        const QByteArray more = m_socket->read(qMin(room, m_socket->bytesAvailable()));
        if (more.isEmpty())
            return;
        m_buffer += more;
    }
}

void CommandClient::handleLine(const QByteArray &line)
{
    m_stall->start();
    const EndpointProtocol::Answer answer = EndpointProtocol::parseAnswer(line);
    using Kind = EndpointProtocol::Answer::Kind;
    if (answer.kind == Kind::Invalid) {
        finish(Outcome::BadAnswer, answer.error);
        return;
    }
    // An error about a line Corvane could not read carries no id.
    if (answer.id != m_id && !(answer.kind == Kind::Error && answer.id == EndpointProtocol::NoId)) {
        finish(Outcome::BadAnswer, QStringLiteral("an answer to another request"));
        return;
    }
    switch (answer.kind) {
    case Kind::Progress: emit progress(answer.progress, answer.label); break;
    case Kind::Reply:
        m_reply = answer.reply;
        finish(Outcome::Replied);
        break;
    case Kind::Error:
        finish(answer.code == QLatin1String(EndpointProtocol::ErrorCode::Unsupported) ? Outcome::Unsupported
                                                                                        : Outcome::Refused,
               answer.error);
        break;
    case Kind::Invalid: break;
    }
}

void CommandClient::finish(Outcome outcome, const QString &detail)
{
    if (m_outcome != Outcome::Pending)
        return;
    m_outcome = outcome;
    m_detail = detail;
    m_stall->stop();
    qCDebug(lcClient) << "command ended:" << int(outcome) << detail;
    // Not waiting for anything else: the command is over for us.
    m_socket->abort();
    emit finished();
}
