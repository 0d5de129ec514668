#pragma once

#include "RemoteCommand.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

// Runs the commands that come from outside one at a time, in the order they
// came, whatever road they took (the local endpoint, the session bus): the
// keyboard takes one change at a time, and a script's commands must not
// interleave. The handler's progress and done are guarded: a late or second
// call after done is dropped, and so is everything for an asker who left.
class CommandQueue : public QObject {
    Q_OBJECT
public:
    using ProgressSink = std::function<void(int, const QString &)>;
    using DoneSink = std::function<void(const RemoteReply &)>;

    explicit CommandQueue(RemoteCommandHandler *handler, QObject *parent = nullptr);
    ~CommandQueue() override;

    RemoteCommandHandler *handler() const { return m_handler; }

    // The command runs once those before it have finished; its ticket
    // names it for withdraw(). The sinks are called on this thread.
    quint64 submit(const RemoteCommand &command, ProgressSink progress, DoneSink done);
    // The asker went away: a waiting command is dropped; for the running
    // one the handler is told, and what it answers goes nowhere.
    void withdraw(quint64 ticket);

    bool isRunning(quint64 ticket) const { return m_running && m_running->ticket == ticket; }
    int waitingCount() const { return m_waiting.size(); }

private:
    struct Job {
        quint64 ticket = 0;
        RemoteCommand command;
        ProgressSink progress;
        DoneSink done;
    };

    void scheduleNext();
    void runNext();
    void finish(quint64 ticket, const RemoteReply &reply);

    RemoteCommandHandler *m_handler;
    QList<Job> m_waiting;
    std::optional<Job> m_running;
    quint64 m_lastTicket = 0;
    bool m_nextScheduled = false;
};
