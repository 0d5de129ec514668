#pragma once

#include "UpdateDocuments.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "Downloader.h"
class DocumentFetch;
class ProcessExitWatch;
class ProgramStopper;
class QTimer;
class VersionProbe;

// The updater's work, without its window: read the configurator's name from
// the settings and its version from the program itself, fetch the software
// version document, and on request replace the configurator with the newer
// one.
//
// The version document is used only when its signature holds against a
// trusted key, it is not older than the last one accepted, and it names the
// new program's SHA-256 (a program without a key has no online updates).
// Only a newer version than the installed program's own is offered.
// Nothing is touched before the new program is downloaded completely and
// checked (an executable of this platform, with that SHA-256). Only then is
// the running configurator stopped, the installed file copied to a backup
// beside it and the new file renamed over it in one step. The new program
// must stay up for a probation time; if it cannot be started or ends within
// it, the backup is put back and started.
//
// Asked to end from outside (stopRequested), it leaves things as they were:
// a check or download just ends; while the configurator is being stopped
// the update is given up and the configurator, once closed, started again;
// on probation the new program is asked to end, the old one put back and
// started. settled() says when that is done.
class SoftwareUpdate : public QObject {
    Q_OBJECT
public:
    enum class State {
        Checking,
        NotConfigured, // no usable update server, or nothing to update
        CheckFailed,
        UpToDate,
        Available,
        SystemInstall, // newer exists, but the program's folder is not ours to write
        PackageManaged, // the program is the package manager's (under /usr): never replaced here
        Downloading,
        Installing,    // stopping the old program, replacing the file
        Starting,      // the new program is on probation
        Finished,
        RolledBack,
        Failed,
    };

    static constexpr int DefaultStopTimeoutMs = 10000;
    static constexpr int DefaultProbationMs = 3000;

    // The program an Update in installDir replaces, as the settings in
    // workDir name it ("Corvane" when they name none that could be).
    static QString programToReplace(const QString &workDir, const QString &installDir);

    // workDir: settings and the cache; installDir: where the configurator's
    // executable is (this program's own folder).
    SoftwareUpdate(const QString &workDir, const QString &installDir, QObject *parent = nullptr);
    ~SoftwareUpdate() override;

    // Options the configurator is started with besides its --workdir.
    void setProgramArguments(const QStringList &arguments) { m_programArguments = arguments; }
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    void setStopTimeout(int ms) { m_stopTimeoutMs = ms; }
    void setProbation(int ms) { m_probationMs = ms; }
    // Replaces the writability probe of the install folder (tests running as root).
    void setFolderWritable(std::function<bool(const QString &)> probe) { m_folderWritable = std::move(probe); }

    void check();
    void install();
    // Ends a check or a download; the installed program is untouched.
    void cancel();
    // This program is asked to end: undo what is under way (see above);
    // settled() follows, once.
    void stopRequested();
    // False while the old program is being stopped, replaced or the new one
    // is on probation: leaving then would leave the user without a program.
    bool canQuit() const;

    State state() const { return m_state; }
    QString softwareName() const { return m_name; }
    QString installedVersion() const { return m_installed; }
    QString latestVersion() const { return m_document.lastVersion; }
    // Set while the installed program is asked for its version.
    VersionProbe *versionProbe() const { return m_probe; }
    // The reason of NotConfigured, CheckFailed, PackageManaged and Failed, translated.
    QString problem() const;
    QString installedPath() const;
    QString backupPath() const;

signals:
    void stateChanged(SoftwareUpdate::State state);
    void progress(int percent);
    // After stopRequested(): nothing is left half done; the program may end.
    void settled();

private:
    void setState(State state);
    void fail(std::function<QString()> problem, State state = State::Failed);
    void versionKnown(bool ok);
    void documentArrived();
    void programArrived();
    void stopped(int result);
    void replaceAndStart();
    void rollBack(std::function<QString()> problem);
    void newProgramEnded();
    QString newPath() const;
    // Starts the installed configurator; its process id in pid.
    bool startConfigurator(qint64 *pid = nullptr) const;

    QString m_workDir;
    QString m_installDir;
    QStringList m_programArguments;
    QString m_name;
    QString m_installed;
    SoftwareDocument m_document;
    State m_state = State::Checking;
    std::function<QString()> m_problem;
    std::function<bool(const QString &)> m_folderWritable;
    QPointer<Downloader> m_download;
    QPointer<DocumentFetch> m_fetch;
    ProgramStopper *m_stopper;
    VersionProbe *m_probe;
    ProcessExitWatch *m_watch;
    QTimer *m_probation;
    QTimer *m_endWait; // the new program asked to end, on a stop request
    qint64 m_newPid = 0;
    bool m_closedConfigurator = false; // this update closed the running one
    bool m_stopping = false;
    bool m_settled = false;
    int m_stallTimeoutMs;
    int m_stopTimeoutMs = DefaultStopTimeoutMs;
    int m_probationMs = DefaultProbationMs;
};
