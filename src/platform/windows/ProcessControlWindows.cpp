#include "ProcessControl.h"

#include <QDir>
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

namespace {

const wchar_t *wide(const QString &s)
{
    return reinterpret_cast<const wchar_t *>(s.utf16());
}

QString errorText(DWORD code)
{
    return QStringLiteral("error %1").arg(code);
}

// Where a file in use is moved aside: "<file>.old", else "<file>.old1"...
// A file set aside earlier that is still in use (the old program still runs)
// keeps its name.
QString asideName(const QString &destination)
{
    const QString base = destination + QLatin1String(".old");
    for (int i = 0; i < 100; ++i) {
        const QString name = i == 0 ? base : base + QString::number(i);
        if (!QFileInfo::exists(name) || ::DeleteFileW(wide(QDir::toNativeSeparators(name))))
            return name;
    }
    return QString();
}

} // namespace

bool replaceFile(const QString &source, const QString &destination, QString *error)
{
    const QString from = QDir::toNativeSeparators(source);
    const QString to = QDir::toNativeSeparators(destination);
    if (::MoveFileExW(wide(from), wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD refused = ::GetLastError();
    // A running program cannot be replaced, only renamed.
    if (refused != ERROR_ACCESS_DENIED && refused != ERROR_SHARING_VIOLATION) {
        if (error)
            *error = errorText(refused);
        return false;
    }
    const QString aside = asideName(destination);
    if (aside.isEmpty() || !::MoveFileExW(wide(to), wide(QDir::toNativeSeparators(aside)), MOVEFILE_WRITE_THROUGH)) {
        if (error)
            *error = errorText(refused);
        return false;
    }
    if (::MoveFileExW(wide(from), wide(to), MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD failed = ::GetLastError();
    // The old file goes back to its name: never no program at all.
    ::MoveFileExW(wide(QDir::toNativeSeparators(aside)), wide(to), MOVEFILE_WRITE_THROUGH);
    if (error)
        *error = errorText(failed);
    return false;
}

int removeFilesSetAside(const QString &folder)
{
    int removed = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.exe.old*"), QStringLiteral("*.dll.old*")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        // Only our own pattern: "<name>.old" or "<name>.old<number>".
        const int at = name.lastIndexOf(QLatin1String(".old"));
        bool numbered = false;
        const QString tail = name.mid(at + 4);
        if (!tail.isEmpty())
            tail.toUInt(&numbered);
        if (!tail.isEmpty() && !numbered)
            continue;
        if (::DeleteFileW(wide(QDir::toNativeSeparators(QDir(folder).filePath(name)))))
            ++removed;
    }
    return removed;
}

namespace {

// The event another program of this user sets to ask this process to end
// as the user would: it reaches a program hidden in the tray, which has no
// window to send WM_CLOSE to. "Local\\": this session's namespace.
QString endRequestEventName(qint64 pid)
{
    return QStringLiteral("Local\\Corvane-end-%1").arg(pid);
}

} // namespace

void installTerminationHandler(QObject *context, std::function<void()> handler)
{
    static HANDLE event = nullptr;
    if (event)
        return;
    event = ::CreateEventW(nullptr, FALSE, FALSE, wide(endRequestEventName(::GetCurrentProcessId())));
    if (!event || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Made by someone else before us: not ours to listen on.
        if (event)
            ::CloseHandle(event);
        event = nullptr;
        return;
    }
    auto *notifier = new QWinEventNotifier(event, context);
    QObject::connect(notifier, &QWinEventNotifier::activated, context, [handler = std::move(handler)] { handler(); });
}

bool requestProgramEnd(qint64 pid)
{
    HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, wide(endRequestEventName(pid)));
    if (!event)
        return false;
    const bool set = ::SetEvent(event);
    ::CloseHandle(event);
    return set;
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
    // A program that listens for the request is never ended by force, as on
    // Linux: it may be writing a keyboard's firmware. Only one that neither
    // listens nor answers WM_CLOSE (it hangs) is.
    if (requestProgramEnd(pid))
        *m_answered = true;
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
