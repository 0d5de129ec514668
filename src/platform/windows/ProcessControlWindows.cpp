#include "ProcessControl.h"

#include <QFileInfo>
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
    // taskkill /F ends the process without asking.
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

void ProgramStopper::stop(const QString &, const QString &executableName, int timeoutMs)
{
    m_running = true;
    auto *taskkill = new QProcess(this);
    connect(taskkill, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this, taskkill](int code, QProcess::ExitStatus) {
                taskkill->deleteLater();
                // 128: no process of that name.
                done(code == 0 ? Stopped : code == 128 ? NotRunning : Failed);
            });
    connect(taskkill, &QProcess::errorOccurred, this, [this, taskkill](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            taskkill->deleteLater();
            done(Failed);
        }
    });
    taskkill->start(QStringLiteral("taskkill"),
                    {QStringLiteral("/F"), QStringLiteral("/IM"), executableName + QLatin1String(".exe")});
    m_timeout->start(timeoutMs);
}
