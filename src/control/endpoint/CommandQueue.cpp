#include "CommandQueue.h"

#include "EndpointProtocol.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcQueue, "corvane.endpoint.queue", QtWarningMsg)

CommandQueue::CommandQueue(RemoteCommandHandler *handler, QObject *parent) : QObject(parent), m_handler(handler) {}

CommandQueue::~CommandQueue()
{
    // A command still running is the handler's to finish; its reply goes
    // nowhere. (An asker that left has had the handler told already.)
    if (m_running && (m_running->done || m_running->progress))
        m_handler->cancelled();
}

quint64 CommandQueue::submit(const RemoteCommand &command, ProgressSink progress, DoneSink done)
{
    const quint64 ticket = ++m_lastTicket;
    // Said at once, so that a script's user sees why nothing moves.
    if ((m_running || !m_waiting.isEmpty()) && progress)
        progress(0, QStringLiteral("waiting for another command to finish"));
    m_waiting.append({ticket, command, std::move(progress), std::move(done)});
    scheduleNext();
    return ticket;
}

void CommandQueue::withdraw(quint64 ticket)
{
    for (int i = 0; i < m_waiting.size(); ++i) {
        if (m_waiting.at(i).ticket == ticket) {
            m_waiting.removeAt(i);
            return;
        }
    }
    if (isRunning(ticket) && (m_running->done || m_running->progress)) {
        m_running->progress = nullptr;
        m_running->done = nullptr;
        qCDebug(lcQueue) << "the asker of the running command left; telling the handler";
        m_handler->cancelled();
    }
}

void CommandQueue::runNext()
{
    if (m_running || m_waiting.isEmpty())
        return;
    m_running = m_waiting.takeFirst();
    const quint64 ticket = m_running->ticket;
    qCDebug(lcQueue) << "running" << EndpointProtocol::verbName(m_running->command.verb) << "for asker" << ticket;
    QPointer<CommandQueue> self(this);
    const auto progress = [self, ticket](int percent, const QString &label) {
        if (self && self->isRunning(ticket) && self->m_running->progress)
            self->m_running->progress(percent, label);
    };
    const auto done = [self, ticket](const RemoteReply &reply) {
        if (self)
            self->finish(ticket, reply);
    };
    // A copy: a handler that answers at once ends the job while it still runs.
    const RemoteCommand command = m_running->command;
    m_handler->run(command, progress, done);
}

void CommandQueue::finish(quint64 ticket, const RemoteReply &reply)
{
    if (!isRunning(ticket)) {
        qCWarning(lcQueue) << "a command's reply came twice or too late; dropped";
        return;
    }
    const DoneSink sink = std::move(m_running->done);
    m_running.reset();
    if (sink)
        sink(reply);
    scheduleNext();
}

void CommandQueue::scheduleNext()
{
    // Never from inside submit or the handler's done: the asker learns its
    // ticket before its command runs, and a handler answering at once does
    // not run every waiting command in one deep call.
    if (m_nextScheduled || m_running || m_waiting.isEmpty())
        return;
    m_nextScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_nextScheduled = false;
            runNext();
        },
        Qt::QueuedConnection);
}
