#include "EndpointConnection.h"

#include "CommandQueue.h"
#include "EndpointProtocol.h"

#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcConnection, "corvane.endpoint.connection", QtWarningMsg)

namespace {

// What Qt reads ahead of us from the system: the rest waits there while a
// command runs, so a client cannot make this process hold more.
constexpr qint64 SocketReadAhead = 64 * 1024;
// Answers a client does not read pile up in the socket; no new command is
// taken from it past this.
constexpr qint64 MaxUnread = EndpointProtocol::MaxAnswerLine;
// A client that reads nothing after its last answer is cut off.
constexpr int CloseDeadlineMs = 10000;

} // namespace

EndpointConnection::EndpointConnection(QLocalSocket *socket, CommandQueue *queue, int idleTimeoutMs, QObject *parent)
    : QObject(parent), m_socket(socket), m_queue(queue), m_idle(new QTimer(this)), m_closeDeadline(new QTimer(this))
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(SocketReadAhead);
    m_idle->setSingleShot(true);
    m_idle->setInterval(idleTimeoutMs);
    m_closeDeadline->setSingleShot(true);
    m_closeDeadline->setInterval(CloseDeadlineMs);
    connect(m_idle, &QTimer::timeout, this, [this] {
        qCDebug(lcConnection) << "closing a connection that sent no command for" << m_idle->interval() << "ms";
        closeAfterWriting();
    });
    connect(m_closeDeadline, &QTimer::timeout, m_socket, &QLocalSocket::abort);
    connect(m_socket, &QLocalSocket::readyRead, this, &EndpointConnection::readLines);
    connect(m_socket, &QLocalSocket::bytesWritten, this, &EndpointConnection::readLines);
    connect(m_socket, &QLocalSocket::disconnected, this, &EndpointConnection::onDisconnected);
    m_idle->start();
    // Lines that came with the connection are read once the caller is done.
    QMetaObject::invokeMethod(this, &EndpointConnection::readLines, Qt::QueuedConnection);
}

EndpointConnection::~EndpointConnection()
{
    if (m_ticket)
        m_queue->withdraw(m_ticket);
}

void EndpointConnection::refuse(const QString &message, const char *code)
{
    send(EndpointProtocol::encodeError(EndpointProtocol::NoId, message, code));
    closeAfterWriting();
}

void EndpointConnection::readLines()
{
    // One command at a time; answers the client does not read hold back the next.
    while (!m_ticket && !m_closing && m_socket->bytesToWrite() <= MaxUnread) {
        const int end = m_buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            handleLine(line);
            continue;
        }
        if (m_buffer.size() > EndpointProtocol::MaxRequestLine) {
            qCDebug(lcConnection) << "a request line passed" << EndpointProtocol::MaxRequestLine << "bytes; closing";
            refuse(QStringLiteral("the request line is longer than %1 bytes").arg(EndpointProtocol::MaxRequestLine),
                   EndpointProtocol::ErrorCode::TooLong);
            return;
        }
        // Never more than one byte past the bound is held.
        const qint64 room = EndpointProtocol::MaxRequestLine + 1 - m_buffer.size();
        const QByteArray more = m_socket->read(qMin(room, m_socket->bytesAvailable()));
        if (more.isEmpty())
            return;
        m_buffer += more;
    }
}

void EndpointConnection::handleLine(const QByteArray &line)
{
    const EndpointProtocol::Request request = EndpointProtocol::parseRequest(line);
    if (!request.ok()) {
        qCDebug(lcConnection) << "refused a request:" << request.error;
        send(EndpointProtocol::encodeError(request.id, request.error, EndpointProtocol::ErrorCode::BadRequest));
        return;
    }
    if (!m_queue->handler()->accepts(request.command.verb)) {
        send(EndpointProtocol::encodeError(
            request.id,
            QStringLiteral("this Corvane does not take %1 from outside").arg(EndpointProtocol::verbName(request.command.verb)),
            EndpointProtocol::ErrorCode::Unsupported));
        return;
    }
    m_idle->stop();
    const qint64 id = request.id;
    QPointer<EndpointConnection> self(this);
    m_ticket = m_queue->submit(
        request.command,
        [self, id](int percent, const QString &label) {
            // A client that does not read misses progress, not its answer.
            if (self && self->m_socket->bytesToWrite() <= MaxUnread)
                self->send(EndpointProtocol::encodeProgress(id, percent, label));
        },
        [self, id](const RemoteReply &reply) {
            if (!self)
                return;
            self->m_ticket = 0;
            self->send(EndpointProtocol::encodeReply(id, reply));
            self->m_idle->start();
            QMetaObject::invokeMethod(self, &EndpointConnection::readLines, Qt::QueuedConnection);
        });
}

void EndpointConnection::send(const QByteArray &line)
{
    if (m_socket->state() == QLocalSocket::ConnectedState)
        m_socket->write(line);
}

void EndpointConnection::closeAfterWriting()
{
    if (m_closing)
        return;
    m_closing = true;
    m_idle->stop();
    m_closeDeadline->start();
    // Writes what is pending first; disconnected follows.
    m_socket->disconnectFromServer();
    if (m_socket->state() == QLocalSocket::UnconnectedState)
        onDisconnected();
}

void EndpointConnection::onDisconnected()
{
    if (m_finished)
        return;
    m_finished = true;
    m_idle->stop();
    m_closeDeadline->stop();
    if (m_ticket) {
        m_queue->withdraw(m_ticket);
        m_ticket = 0;
    }
    emit finished();
}
