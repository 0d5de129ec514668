#pragma once

#include "RemoteCommand.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalSocket;
class QTimer;

// Hands one command to the running Corvane's endpoint and waits for its
// answer without blocking: progress() any number of times, then finished()
// once. The socket is checked before it is used (this user's, nobody
// else's), and so is the process that answers; every answer line is parsed
// and bounded before anything of it is used.
class CommandClient : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Pending,
        Replied,     // reply() holds the command's exit code and texts
        NotRunning,  // nothing takes commands there: no Corvane, or one without the endpoint
        Unsafe,      // the socket or the process behind it is not this user's alone: not used
        Unsupported, // this Corvane does not take the command
        Refused,     // Corvane answered the request with an error (why in detail())
        Lost,        // the connection ended before the answer
        BadAnswer,   // the answer could not be read
        TimedOut,    // no line for the stall time
        Aborted,     // abort() was called
    };

    static constexpr int DefaultStallTimeoutMs = 10 * 60 * 1000;

    explicit CommandClient(QObject *parent = nullptr);
    ~CommandClient() override;

    // No line from Corvane for this long (not even progress) ends the wait.
    void setStallTimeout(int ms);
    // Connects to the endpoint at address (CommandEndpoint::address) and
    // sends the command. finished() follows, also for a failure to connect.
    void start(const RemoteCommand &command, const QString &address);
    // Closes the connection (Ctrl-C); Corvane sees the disconnect.
    void abort();

    Outcome outcome() const { return m_outcome; }
    const RemoteReply &reply() const { return m_reply; }
    // Why, for the outcomes other than Replied, as one line.
    QString detail() const { return m_detail; }

signals:
    void progress(int percent, const QString &label);
    void finished();

private:
    void onConnected();
    void readAnswers();
    void handleLine(const QByteArray &line);
    void finish(Outcome outcome, const QString &detail = QString());

    QLocalSocket *m_socket;
    QTimer *m_stall;
    QByteArray m_request;
    QByteArray m_buffer;
    qint64 m_id = 0;
    bool m_connected = false;
    Outcome m_outcome = Outcome::Pending;
    RemoteReply m_reply;
    QString m_detail;
};
