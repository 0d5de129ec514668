#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTimer;

// Starting, watching and stopping the two programs, and replacing one's
// executable: what differs between Linux and Windows.

// The configurator's single-instance lock file in its working folder. On
// Linux it also names the running configurator's process.
QString singleInstanceLockPath(const QString &workDir);
// The lock file that keeps a second Update from running beside the first.
QString updaterLockPath(const QString &workDir);
// A program of ours in a folder: "<folder>/<name>", with ".exe" on Windows.
QString programPath(const QString &folder, const QString &name);

// The options this program was started with that a restart of it should
// keep (the configurator's --simulate and --verbose): the configurator hands
// them to Update, which starts the configurator with them again.
void setRestartArguments(const QStringList &arguments);
QStringList restartArguments();

// Starts a program that outlives the caller, in workDir; its process id in
// pid. False when it could not be started.
bool startDetachedProgram(const QString &path, const QStringList &arguments, const QString &workDir, qint64 *pid);

// Renames source over destination in one step, so that destination is
// always either the old or the new file. Both must be in the same folder.
// Windows refuses to replace a program that runs (or that another program
// holds open) but lets it be renamed: such a destination is first moved
// aside to "<destination>.old" (numbered when that is taken), and
// removeFilesSetAside() clears those away at the next start.
bool replaceFile(const QString &source, const QString &destination, QString *error = nullptr);
// Removes what replaceFile() moved aside in folder and is no longer in use;
// what still runs stays for the next time. The number removed.
int removeFilesSetAside(const QString &folder);

// Runs handler on the calling (GUI) thread when the process is asked to end
// (SIGTERM on Linux; on Windows requestProgramEnd(), which also reaches a
// program with no window shown), as long as context lives. Once per process.
void installTerminationHandler(QObject *context, std::function<void()> handler);
// Asks the process to end as above: false when it listens for no such
// request (another program, or one that has not installed the handler).
bool requestProgramEnd(qint64 pid);

// Tells when a process ends, without blocking.
class ProcessExitWatch : public QObject {
    Q_OBJECT
public:
    explicit ProcessExitWatch(QObject *parent = nullptr);
    ~ProcessExitWatch() override;

    // False when there is no such process (it has already ended).
    bool watch(qint64 pid);
    void stop();

signals:
    void exited();

private:
    struct Private;
    Private *d;
};

// Stops the running configurator and waits, bounded, for it to end. The
// process is the one named in the single-instance lock file; a process of
// another name (the number reused after a crash) is left alone. It is asked
// to close as a user would (it saves its profile, and refuses while a
// firmware update is being written). Linux: SIGTERM. Windows: the request
// of requestProgramEnd() and WM_CLOSE to its windows; only a program that
// does not listen for the request and whose windows do not even answer in
// time (it hangs) is ended by force. A refusal ends as TimedOut.
class ProgramStopper : public QObject {
    Q_OBJECT
public:
    enum Result { NotRunning, Stopped, TimedOut, Failed };

    explicit ProgramStopper(QObject *parent = nullptr);

    void stop(const QString &lockFilePath, const QString &executableName, int timeoutMs);

signals:
    void finished(int result);

private:
    void done(Result result);
    void timeLimitReached();

    ProcessExitWatch *m_watch;
    QTimer *m_timeout;
    bool m_running = false;
    qint64 m_pid = 0;
    // Windows: set once a window has handled the close request.
    std::shared_ptr<bool> m_answered;
    bool m_forced = false;
};
