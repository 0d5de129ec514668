#pragma once

#include "KeyboardLock.h"

#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class FirmwareFetch;
class KB2FirmwareDevelop;
class KeyboardAction;
class KeyboardSession;
struct KeyboardReadBack;
class OnlineUpdate;
class ProfileManager;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class ProcessExitWatch;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

// The settings dialog ("设置"): language, polling rate, the software and
// firmware versions, firmware updates from the update server or a local
// .bin file, the factory reset and the program updater.
//
// A firmware update runs in the dialog's own engine, which takes the
// keyboard from the configuration worker for the time of the update. First
// the dialog takes the keyboard's lock (one program per keyboard): while
// another program has it, or no lock can be taken, nothing is sent and the
// status says why. Then it closes the worker's handle and waits for it
// before the engine starts, and says when the engine has let go
// (sigDeviceReleased), so that the opener connects again. Before an update
// the keyboard's configuration is saved as a backup profile; when the
// keyboard is back with its new firmware and read, the dialog shows the new
// version and offers the backup.
class IAPFirmwareWindow : public QDialog {
    Q_OBJECT
public:
    struct Services {
        KeyboardAction *worker = nullptr;  // its handle is closed for an update
        OnlineUpdate *online = nullptr;    // the firmware version document and the server
        ProfileManager *profiles = nullptr; // where the backup goes
        // The keyboard's configuration as read back; false when it has not
        // been read completely (no backup is made then).
        std::function<bool(KeyboardReadBack *readBack)> readBack;
        int pollingRate = -1; // the index the keyboard reported, -1 unknown
        // Changes the polling rate (a step of the keyboard's history);
        // without it the worker is asked directly.
        std::function<void(int index)> setPollingRate;
        // Takes the keyboard's lock for an update, or keeps the one the
        // connection holds; after Held, *holder names the other program.
        // Without it the dialog takes the lock itself.
        std::function<KeyboardLock::Result(QString *holder)> takeKeyboard;
    };
    // What the dialog asks of the user and the system; tests answer instead.
    struct Prompts {
        std::function<bool(const QString &title, const QString &text)> ask; // Yes/No, Yes by default
        std::function<void(const QString &title, const QString &text)> inform;
        std::function<QString(const QString &startFolder)> chooseFirmwareFile;
        // Starts a program that outlives the dialog; its process id in pid.
        std::function<bool(const QString &program, const QStringList &arguments, qint64 *pid)> startProgram;
        // Where to save the support report; empty when the user cancels.
        std::function<QString(const QString &suggestedPath)> chooseReportFile;
        static Prompts dialogs(QWidget *parent);
    };

    static constexpr int LongWatchdogMs = 10000;
    static constexpr int ShortWatchdogMs = 3000;
    // The worker normally lets go at once; after this the update starts anyway.
    static constexpr int WorkerCloseTimeoutMs = 3000;
    // After an update, how long a boot-loader answer is taken for the
    // keyboard not having restarted yet.
    static constexpr int ReturnGraceMs = 3000;

    IAPFirmwareWindow(const Services &services, const QString &firmwareVersion, bool bootLoader,
                      QWidget *parent = nullptr);
    ~IAPFirmwareWindow() override;

    void setPrompts(const Prompts &prompts) { m_prompts = prompts; }
    void setFirmwareVersion(const QString &version);
    void setBootLoader(bool bootLoader);
    bool isBootLoader() const { return m_bootLoader; }
    // From the moment an update is asked for until the engine has let go.
    bool isUpdating() const;

    // For tests: the engine (to shorten its pauses), the watchdog and the
    // download time-outs.
    KB2FirmwareDevelop *engine() const { return m_engine; }
    void setWatchdogIntervals(int longMs, int shortMs);
    void setDownloadStallTimeout(int ms);

    QString statusText() const;
    QString firmwareVersionText() const;
    QString newestText() const;
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *percentLabel() const { return m_percent; }
    QPushButton *onlineButton() const { return m_onlineBtn; }
    QPushButton *chooseButton() const { return m_chooseBtn; }
    QPushButton *localButton() const { return m_localBtn; }
    QPushButton *checkUpdateButton() const { return m_checkUpdateBtn; }
    QPushButton *factoryResetButton() const { return m_resetBtn; }
    QPushButton *supportReportButton() const { return m_reportBtn; }
    QComboBox *pollingRateBox() const { return m_rateBox; }
    // The row of actions at the bottom, where further actions go.
    QHBoxLayout *actionRow() const { return m_actionRow; }

signals:
    void sigStartUpdate();
    // Progress reached 100: once per update.
    void sigEndUpdate();
    // The engine has closed the keyboard after an update, whatever its outcome.
    void sigDeviceReleased();
    void sigBackupSaved(const QString &name, int profileId);
    // The user wants the backup put back on the keyboard.
    void sigRestoreProfile(int profileId);

public slots:
    void updateFailed();
    void closeBtnClicked();
    void updateRateOfReturn(int index);

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class State { Idle, Downloading, ReleasingKeyboard, Updating, AwaitingKeyboard };
    // Of another program's name as its lock file gives it.
    static constexpr int MaxHolderLength = 64;

    void buildWidgets();
    void setupConnections();
    void retranslate();
    void refreshVersionInfo();
    void refreshControls();
    // The result of the last action, re-evaluated on a language change;
    // without one the status tells about the versions.
    void setStatus(std::function<QString()> text);
    void showStatus();
    QString versionStatus() const;
    QString currentVersion() const;
    void showProgressWidgets(bool shown);
    void showLocalPath();

    void chooseLocalFile();
    void localUpdate();
    void onlineUpdate();
    void checkUpdate();
    void factoryReset();
    void saveSupportReport();
    void fetchFinished(bool ok);
    // Backup, then take the keyboard from the worker, then start the engine.
    void beginUpdate(const QByteArray &image, const QString &version);
    // The keyboard's lock, before anything reaches the keyboard; false (and
    // the status says why) when it cannot be had.
    bool takeKeyboard();
    void workerIdle(quint64 serial);
    void startEngine();
    // The worker may connect again; the owner is told to.
    void releaseKeyboard();
    void onProgress(int value);
    void onEngineMessage(const QString &text);
    void onEngineFinished(bool ok);
    void onAwaitingVerdict();
    void onDeviceInfo(const QVariant &info);
    void checkKeyboardReturned();
    void stayedInBootLoader();
    void onReadBackFinished();
    bool refuseWhileBusy();

    Services m_services;
    Prompts m_prompts;
    QString m_firmwareVersion;
    bool m_bootLoader;
    State m_state = State::Idle;

    KB2FirmwareDevelop *m_engine;
    FirmwareFetch *m_fetch;
    ProcessExitWatch *m_updaterWatch;
    bool m_updaterRunning = false; // the Update this dialog started has not ended
    KeyboardSession *m_session = nullptr;
    QTimer *m_watchdog;
    QTimer *m_releaseTimer;
    int m_longWatchdogMs = LongWatchdogMs;
    int m_shortWatchdogMs = ShortWatchdogMs;
    // The lock this dialog took itself (no takeKeyboard service), held from
    // the start of an update until the engine lets go.
    std::unique_ptr<KeyboardLock> m_ownLock;
    QByteArray m_pendingImage;
    quint64 m_releaseSerial = 0;
    bool m_endEmitted = false;
    bool m_failureShown = false; // the watchdog or a lost keyboard has spoken
    bool m_completed = false;    // the engine wrote and started a new image
    QElapsedTimer m_awaitingSince;
    int m_backupId = 0;
    QString m_backupName;
    QString m_localPath;
    std::function<QString()> m_status;

    QLabel *m_title = nullptr;
    QToolButton *m_closeBtn = nullptr;
    QLabel *m_languageTitle = nullptr;
    QPushButton *m_chineseBtn = nullptr;
    QPushButton *m_englishBtn = nullptr;
    QLabel *m_rateTitle = nullptr;
    QComboBox *m_rateBox = nullptr;
    QLabel *m_softwareTitle = nullptr;
    QLabel *m_softwareVersion = nullptr;
    QPushButton *m_checkUpdateBtn = nullptr;
    QLabel *m_firmwareTitle = nullptr;
    QLabel *m_firmwareVersionLabel = nullptr;
    QLabel *m_newest = nullptr;
    QLabel *m_upgradeTitle = nullptr;
    QLabel *m_localTitle = nullptr;
    QLabel *m_pathLabel = nullptr;
    QPushButton *m_chooseBtn = nullptr;
    QPushButton *m_localBtn = nullptr;
    QLabel *m_onlineTitle = nullptr;
    QPushButton *m_onlineBtn = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_percent = nullptr;
    QLabel *m_statusLabel = nullptr;
    QHBoxLayout *m_actionRow = nullptr;
    QPushButton *m_resetBtn = nullptr;
    QPushButton *m_reportBtn = nullptr;
    bool m_writingReport = false;
};
