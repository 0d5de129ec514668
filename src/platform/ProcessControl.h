#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;

// Starting, watching and stopping the two programs, and replacing one's
// executable: what differs between Linux and Windows.

// The configurator's single-instance lock file in its working folder. On
// Linux it also names the running configurator's process.
QString singleInstanceLockPath(const QString &workDir);
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
bool replaceFile(const QString &source, const QString &destination, QString *error = nullptr);

// Runs handler on the calling (GUI) thread when the process is asked to end
// (SIGTERM on Linux), as long as context lives. Once per process.
void installTerminationHandler(QObject *context, std::function<void()> handler);

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

// Stops the running configurator and waits, bounded, for it to end. Linux:
// the process named in the single-instance lock file gets SIGTERM, which the
// configurator handles as a normal close (it saves its profile); a process
// of another name (the number reused after a crash) is left alone. Windows:
// taskkill on the executable's name.
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

    ProcessExitWatch *m_watch;
    QTimer *m_timeout;
    bool m_running = false;
};
