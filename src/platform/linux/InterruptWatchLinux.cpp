#include "InterruptWatch.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
const int Signals[] = {SIGINT, SIGTERM};

extern "C" void onInterruptSignal(int signalNumber)
{
    const int saved = errno;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

struct InterruptWatch::Private {
    QSocketNotifier *notifier = nullptr;
};

InterruptWatch::InterruptWatch(QObject *parent) : QObject(parent), d(new Private)
{
    Q_ASSERT(g_pipe[0] < 0);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        qWarning("Ctrl-C cannot be handled: %s", std::strerror(errno));
        return;
    }
    d->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1)
            deliver(int(byte));
    });
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Signals)
        ::sigaction(s, &action, nullptr);
    s_current = this;
}

InterruptWatch::~InterruptWatch()
{
    if (s_current == this) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        for (int s : Signals)
            ::sigaction(s, &action, nullptr);
        s_current = nullptr;
    }
    delete d->notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    delete d;
}
