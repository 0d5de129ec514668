#include "StopRequests.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
const int Signals[] = {SIGTERM, SIGINT, SIGHUP};

// All a signal handler may safely do: one byte into the pipe.
extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Signals)
        ::sigaction(s, &action, nullptr);
}

} // namespace

struct StopRequests::Private {
    QSocketNotifier *notifier = nullptr;
};

StopRequests::StopRequests(QObject *parent) : QObject(parent), d(new Private)
{
    Q_ASSERT(g_pipe[0] < 0);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        qWarning("Update: stop requests cannot be handled: %s", std::strerror(errno));
        return;
    }
    d->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
        }
        deliver();
    });
    setHandler(onStopSignal);
}

StopRequests::~StopRequests()
{
    if (g_pipe[0] >= 0)
        setHandler(SIG_DFL);
    delete d->notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    delete d;
}

void StopRequests::settled()
{
    // Nothing waits here: the program ends by itself.
}

bool askProgramToEnd(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGTERM) == 0;
}
