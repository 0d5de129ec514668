#pragma once

#include "KeyboardLock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class DeviceNotifier;
class QTimer;
class KeyboardAction;
class KeyboardSession;
enum class ReadPart;

// Follows the keyboard while the program runs: hands arriving HID
// interfaces to the worker (which probes them off the GUI thread), turns the
// board information into the window title and the model to show, starts the
// read-back, judges it complete or not, and notices when the keyboard goes
// away: its interface removed, or the worker losing it on an error.
class DeviceLifecycle : public QObject {
    Q_OBJECT
public:
    DeviceLifecycle(KeyboardAction *worker, DeviceNotifier *notifier, QObject *parent = nullptr);
    ~DeviceLifecycle() override;

    // Starts listening and looks for a keyboard that is already there.
    void start();

    // Asked when a keyboard reports its boot loader; true goes on with the
    // reads as for a working keyboard. Without it the answer is no.
    void setBootLoaderQuestion(std::function<bool(const QString &boardVersion)> ask) { m_askBootLoader = std::move(ask); }
    // Whether the program has a layout for a model number.
    void setModelAvailable(std::function<bool(int model)> available) { m_modelAvailable = std::move(available); }
    // The firmware engine is about to take the keyboard (true), or has let it
    // go (false). Taking it needs the keyboard's lock, or keeps the one the
    // connection holds: anything but Acquired leaves everything as it was,
    // and the update must not start (after Held, *holder names the program
    // that has the keyboard). Letting go always gives Acquired.
    KeyboardLock::Result setFirmwareUpdateRunning(bool running, QString *holder = nullptr);
    // Looks for the keyboard again (after the firmware engine gave it back).
    void connectAgain();

    // Title and status in the current language.
    QString title() const;
    QString status() const;
    QString boardVersion() const { return m_boardVersion; }
    int model() const { return m_model; }
    // What the keyboard reported in its last read-back.
    KeyboardSession *session() const { return m_session; }
    // Sets the title and the status again after a language change.
    void retranslate();

    // The title for a board information record, optionally marked as reading.
    static QString titleForBoard(const QVariant &info, bool reading);
    // The user's name of a part of the read-back.
    static QString readPartText(ReadPart part);
    // What a user without access to the keyboard is told, with the fix.
    static QString permissionText(const QStringList &paths);

signals:
    void titleChanged(const QString &title);
    void statusChanged(const QString &status);
    // A board with another word than the last one: show this model.
    void modelSelected(int model);
    // A keyboard arrived and answered; the worker is opening it.
    void keyboardArrived();
    // The open keyboard went away.
    void keyboardRemoved();
    void initialReadFinished();
    // The whole read-back arrived; incomplete ones are told with notice().
    void readBackComplete();
    // Something the user should hear of, as a short sentence.
    void notice(const QString &text);
    // A keyboard is there but this user may not open it (paths of its
    // interfaces). The status says so; the window shows the fix (message)
    // once per plug.
    void permissionDenied(const QStringList &paths, const QString &message);

private:
    enum class Status { NotConnected, Connected, UpgradeFirmware, Incomplete, NoPermission, InUse, NoLock };
    enum class Title { Program, Board, Reading, Incomplete, Removed };

    void onArrived(const QString &path);
    void onRemoved(const QString &path);
    void onConnectFinished(int result);
    void onKeyboardArrived();
    void onDeviceLost(int code);
    void onDeviceInfo(const QVariant &info);
    void onInitDevice(bool initialising);
    void onReadBackFinished();
    void onRequestFailed(int type, bool read, int code);
    void markRemoved();
    // Takes the keyboard's lock before anything is sent; false (and the
    // status says who has it, or why there is no lock) when it cannot.
    bool takeKeyboard();
    void retryLock();
    void onIdle(quint64 serial);
    void releaseKeyboardIfUnused();
    void tellPermissionDenied(const QStringList &paths);
    void setTitle(Title title);
    void setStatus(Status status);
    void selectModel(quint32 boardWord);

    KeyboardAction *m_worker;
    DeviceNotifier *m_notifier;
    KeyboardSession *m_session;
    std::function<bool(const QString &)> m_askBootLoader;
    std::function<bool(int)> m_modelAvailable;
    bool m_firmwareUpdateRunning = false;
    bool m_present = false; // a keyboard is open, as far as this window knows
    bool m_reading = false;
    bool m_haveBoardWord = false;
    quint32 m_boardWord = 0;
    int m_model = -1;
    Title m_title = Title::Program;
    Status m_status = Status::NotConnected;
    QVariant m_boardInfo;
    QString m_boardVersion;
    QString m_shownTitle;
    QString m_shownStatus;
    QElapsedTimer m_lastWriteNotice;
    // Interfaces refused for permission whose fix the user has been shown;
    // forgotten as they leave, so the next plug is told again.
    QStringList m_toldDenied;
    // One program drives the keyboard at a time: held from a connection
    // attempt while the keyboard is open (or the firmware engine has it).
    // While another program (corvane-cli) has it, nothing is sent to the
    // keyboard, the status says who has it, and the lock is tried again.
    std::unique_ptr<KeyboardLock> m_lock;
    QString m_lockHolder; // the other program, while it holds the lock
    QString m_lockFailure; // why no lock can be taken, once told
    QTimer *m_lockRetry;
    quint64 m_lockSerial = 0; // the worker's work that the lock was taken for
};
