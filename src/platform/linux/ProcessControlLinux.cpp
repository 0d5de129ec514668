#include "ProcessControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcProcess, "corvane.platform", QtWarningMsg)

// Without pidfd (kernels before 5.3) the watch looks this often.
constexpr int ExitPollMs = 50;

int openPidFd(qint64 pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
#else
    Q_UNUSED(pid);
    errno = ENOSYS;
    return -1;
#endif
}

bool processExists(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The file name of a process's executable, without the " (deleted)" the
// kernel adds once the file was replaced.
QString executableNameOf(qint64 pid)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (target.endsWith(QLatin1String(" (deleted)")))
        target.chop(10);
    return QFileInfo(target).fileName();
}

int g_terminationPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(g_terminationPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

bool startDetachedProgram(const QString &path, const QStringList &arguments, const QString &workDir, qint64 *pid)
{
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setWorkingDirectory(workDir);
    qint64 started = 0;
    if (!process.startDetached(&started)) {
        qCDebug(lcProcess) << "Failed to start" << path;
        return false;
    }
    qCDebug(lcProcess) << "Successfully started" << path << started;
    if (pid)
        *pid = started;
    return true;
}

bool replaceFile(const QString &source, const QString &destination, QString *error)
{
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool requestProgramEnd(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGTERM) == 0;
}

int removeFilesSetAside(const QString &)
{
    return 0; // rename() replaces a running program: nothing is set aside here
}

void installTerminationHandler(QObject *context, std::function<void()> handler)
{
    if (g_terminationPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_terminationPipe) != 0) {
        qCWarning(lcProcess) << "no termination handler:" << std::strerror(errno);
        return;
    }
    auto *notifier = new QSocketNotifier(g_terminationPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_terminationPipe[0], &byte, 1);
        handler();
    });
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

// ---- ProcessExitWatch --------------------------------------------------------

struct ProcessExitWatch::Private {
    qint64 pid = 0;
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    QTimer *poll = nullptr;

    void clear()
    {
        // Possibly inside the notifier's own signal: let it go later.
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        notifier = nullptr;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (poll)
            poll->stop();
        pid = 0;
    }
};

ProcessExitWatch::ProcessExitWatch(QObject *parent) : QObject(parent), d(new Private) {}

ProcessExitWatch::~ProcessExitWatch()
{
    d->clear();
    delete d;
}

bool ProcessExitWatch::watch(qint64 pid)
{
    stop();
    if (!processExists(pid))
        return false;
    d->pid = pid;
    d->fd = openPidFd(pid);
    if (d->fd >= 0) {
        // The descriptor turns readable when the process ends.
        d->notifier = new QSocketNotifier(d->fd, QSocketNotifier::Read);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            d->clear();
            emit exited();
        });
        return true;
    }
    if (!d->poll) {
        d->poll = new QTimer(this);
        connect(d->poll, &QTimer::timeout, this, [this] {
            if (processExists(d->pid))
                return;
            d->clear();
            emit exited();
        });
    }
    d->poll->start(ExitPollMs);
    return true;
}

void ProcessExitWatch::stop()
{
    d->clear();
}

// ---- ProgramStopper ------------------------------------------------------------

void ProgramStopper::stop(const QString &lockFilePath, const QString &executableName, int timeoutMs)
{
    m_running = true;
    qint64 pid = 0;
    QString host, application;
    QLockFile lock(lockFilePath);
    if (!QFileInfo::exists(lockFilePath) || !lock.getLockInfo(&pid, &host, &application) || pid <= 0 ||
        !processExists(pid)) {
        qCDebug(lcProcess) << "not running:" << executableName;
        QTimer::singleShot(0, this, [this] { done(NotRunning); });
        return;
    }
    const QString running = executableNameOf(pid);
    if (running != executableName) {
        // A stale lock whose number now belongs to another program.
        qCDebug(lcProcess) << "the lock names process" << pid << running << ", not" << executableName;
        QTimer::singleShot(0, this, [this] { done(NotRunning); });
        return;
    }
    if (!m_watch->watch(pid)) {
        QTimer::singleShot(0, this, [this] { done(Stopped); });
        return;
    }
    if (::kill(pid_t(pid), SIGTERM) != 0) {
        qCDebug(lcProcess) << "Failed to close" << executableName << std::strerror(errno);
        m_watch->stop();
        QTimer::singleShot(0, this, [this] { done(Failed); });
        return;
    }
    qCDebug(lcProcess) << "asked" << executableName << pid << "to close";
    m_timeout->start(timeoutMs);
}

void ProgramStopper::timeLimitReached()
{
    // Still running: it refused (a firmware update) or hangs. Either way it
    // is not killed: a killed configurator could leave a keyboard half-written.
    done(TimedOut);
}
