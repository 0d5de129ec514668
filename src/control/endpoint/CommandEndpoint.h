#pragma once

#include <QList>
#include <QObject>
#include <QString>

class CommandQueue;
class EndpointConnection;
class QLocalServer;

// The local endpoint of the running Corvane: corvane-cli and a second
// Corvane hand it their commands. Linux: a socket of mode 0600 in the lock
// folder, <folder>/<keyboard key>.sock, and only processes of this user are
// served (each connection's peer is checked). Windows: a named pipe for this
// user alone. Commands go to the queue, so they run one at a time.
class CommandEndpoint : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultMaxConnections = 8;
    static constexpr int DefaultIdleTimeoutMs = 60000;

    explicit CommandEndpoint(CommandQueue *queue, QObject *parent = nullptr);
    // Closes: the socket file goes.
    ~CommandEndpoint() override;

    // Where the endpoint of a keyboard is: the socket's path, or the pipe's name.
    static QString address(const QString &key);

    // False with errorString() when the endpoint cannot be opened safely:
    // the folder or a file in the way belongs to someone else, another
    // Corvane serves this keyboard already, ...
    bool listen(const QString &key);
    void close();
    bool isListening() const;
    QString errorString() const { return m_error; }
    QString serverAddress() const { return m_address; }

    void setMaxConnections(int count) { m_maxConnections = count; }
    void setIdleTimeout(int ms) { m_idleTimeoutMs = ms; }
    int connectionCount() const { return m_connections.size(); }

signals:
    // A connection was closed at once: another user's, or one too many.
    void connectionRefused(const QString &why);

private:
    bool fail(const QString &why);
    void acceptConnections();

    CommandQueue *m_queue;
    QLocalServer *m_server;
    QList<EndpointConnection *> m_connections;
    QString m_address;
    QString m_error;
    int m_maxConnections = DefaultMaxConnections;
    int m_idleTimeoutMs = DefaultIdleTimeoutMs;
    static constexpr int MaxLoggedRefusals = 10;
    int m_refusedPeers = 0;
};
