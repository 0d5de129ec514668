#pragma once

#include <QByteArray>
#include <QObject>

class CommandQueue;
class QLocalSocket;
class QTimer;

// One client of the local endpoint: reads request lines (bounded), hands
// each command to the queue, one at a time, and writes the answers back.
// A bad line gets an error line and changes nothing; a line past the bound
// closes the connection after its error line. A connection that sends no
// command for the idle time is closed.
class EndpointConnection : public QObject {
    Q_OBJECT
public:
    // Takes the socket over.
    EndpointConnection(QLocalSocket *socket, CommandQueue *queue, int idleTimeoutMs, QObject *parent = nullptr);
    ~EndpointConnection() override;

    // Answers with one error line and closes.
    void refuse(const QString &message, const char *code);

signals:
    // The connection is over; the endpoint deletes it.
    void finished();

private:
    void readLines();
    void handleLine(const QByteArray &line);
    void send(const QByteArray &line);
    void closeAfterWriting();
    void onDisconnected();

    QLocalSocket *m_socket;
    CommandQueue *m_queue;
    QTimer *m_idle;
    QTimer *m_closeDeadline;
    QByteArray m_buffer;
    quint64 m_ticket = 0; // the command of this connection in the queue, 0 when none
    bool m_closing = false;
    bool m_finished = false;
};
