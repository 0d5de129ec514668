#include "ProcessControl.h"

#include <QFileInfo>
#include <QLockFile>
#include <QVector>
#include <QProcess>
#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>

bool startDetachedProgram(const QString &path, const QStringList &arguments, const QString &workDir, qint64 *pid)
{
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setWorkingDirectory(workDir);
    qint64 started = 0;
    if (!process.startDetached(&started))
        return false;
    if (pid)
        *pid = started;
    return true;
}

bool replaceFile(const QString &source, const QString &destination, QString *error)
{
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(source.utf16()), reinterpret_cast<const wchar_t *>(destination.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error)
        *error = QStringLiteral("error %1").arg(GetLastError());
    return false;
}

void installTerminationHandler(QObject *, std::function<void()>)
{
    // Windows asks a program to end through WM_CLOSE to its windows, which
    // reaches the window's own close handling.
}

struct ProcessExitWatch::Private {
    HANDLE process = nullptr;
    QWinEventNotifier *notifier = nullptr;

    void clear()
    {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        notifier = nullptr;
        if (process)
            CloseHandle(process);
        process = nullptr;
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
    d->process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!d->process)
        return false;
    d->notifier = new QWinEventNotifier(d->process);
    connect(d->notifier, &QWinEventNotifier::activated, this, [this] {
        d->clear();
        emit exited();
    });
    return true;
}

void ProcessExitWatch::stop()
{
    d->clear();
}

namespace {

// How long a forced end may take before the stop counts as failed.
constexpr int ForcedEndMs = 5000;

struct WindowSearch {
    DWORD pid;
    QVector<HWND> windows;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<WindowSearch *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    // Only what the user sees: Qt's hidden helper windows must not get WM_CLOSE.
    if (owner == search->pid && IsWindowVisible(hwnd))
        search->windows.push_back(hwnd);
    return TRUE;
}

// Comes back on this thread once the window procedure has handled WM_CLOSE.
VOID CALLBACK closeAnswered(HWND, UINT, ULONG_PTR data, LRESULT)
{
    auto *answered = reinterpret_cast<std::shared_ptr<bool> *>(data);
    **answered = true;
    delete answered;
}

QString executableNameOf(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return QString();
    wchar_t path[MAX_PATH * 2];
    DWORD size = DWORD(sizeof path / sizeof path[0]);
    const bool ok = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return ok ? QFileInfo(QString::fromWCharArray(path, int(size))).completeBaseName() : QString();
}

} // namespace

void ProgramStopper::stop(const QString &lockFilePath, const QString &executableName, int timeoutMs)
{
    m_running = true;
    m_forced = false;
    m_answered = std::make_shared<bool>(false);
    qint64 pid = 0;
    QString host, application;
    QLockFile lock(lockFilePath);
    if (!QFileInfo::exists(lockFilePath) || !lock.getLockInfo(&pid, &host, &application) || pid <= 0 ||
        executableNameOf(DWORD(pid)).compare(executableName, Qt::CaseInsensitive) != 0 || !m_watch->watch(pid)) {
        // Not running, or the number now belongs to another program.
        QTimer::singleShot(0, this, [this] { done(NotRunning); });
        return;
    }
    m_pid = pid;
    WindowSearch search{DWORD(pid), {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    for (HWND hwnd : qAsConst(search.windows)) {
        auto *answered = new std::shared_ptr<bool>(m_answered);
        if (!SendMessageCallbackW(hwnd, WM_CLOSE, 0, 0, closeAnswered, reinterpret_cast<ULONG_PTR>(answered)))
            delete answered;
    }
    m_timeout->start(timeoutMs);
}

void ProgramStopper::timeLimitReached()
{
    if (m_forced) {
        done(Failed);
        return;
    }
    // A window that handled the request and is still there refused it (a
    // firmware update is being written): that is respected.
    if (m_answered && *m_answered) {
        done(TimedOut);
        return;
    }
    // Neither closed nor answered: the program hangs.
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(m_pid));
    const bool ended = process && TerminateProcess(process, 1);
    if (process)
        CloseHandle(process);
    if (!ended) {
        done(Failed);
        return;
    }
    m_forced = true;
    m_timeout->start(ForcedEndMs);
}
