#pragma once

#include "ApplyRunner.h"
#include "KeyboardCapabilities.h"
#include "KeyboardConfig.h"
#include "KeyboardLock.h"
#include "ProfileData.h"
#include "SnapshotStore.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class DeviceLifecycle;
class DeviceNotifier;
class KeyboardAction;
class KeyboardConfigModel;
class ProfileManager;
class QUndoStack;

// The connected keyboard below the window, with no widget. It is the only
// thing that talks to the device worker: it follows the keyboard coming and
// going (DeviceLifecycle), owns its configuration and the undo history of it
// (KeyboardConfigModel), what the keyboard reports about itself
// (KeyboardCapabilities), and the one apply runner every change goes
// through. Pages, the tray, the focus policy, the window and the local
// command endpoint change the keyboard through it.
//
// One keyboard is driven at a time; what belongs to a keyboard (its
// configuration, capabilities and history) starts with its read-back and
// ends when it goes.
class KeyboardController : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxMacros = 4; // the keyboard's macro store

    // Why a profile is applied, for the history's text and the check after it.
    enum class ApplySource { ByHand, ByFocus, FromTray, FromScript, Restore };

    // What applying a profile gave, once its frames were queued.
    struct ProfileApplied {
        bool started = false;   // false: no keyboard, or its read-back has not ended
        quint64 run = 0;        // the runner's run (0: nothing to send)
        QString planError;      // a macro file of the profile could not be read (tr() source in "ProfilePlan")
        bool storeFull = false; // a macro was refused for want of room
        int frames = 0;
        QList<ApplyRunner::Group> groups;
        ProfileData shown;      // what the pages should show: the profile, less what was not sent
    };

    KeyboardController(KeyboardAction *device, DeviceNotifier *notifier, ProfileManager *profiles,
                       QObject *parent = nullptr);
    ~KeyboardController() override;

    // --- The keyboard
    DeviceLifecycle *lifecycle() const { return m_lifecycle; }
    // Finds the keyboard and starts following plug and unplug.
    void start();
    bool isConnected() const;
    // The keyboard is being read (its configuration is not known yet).
    bool isReading() const;
    const KeyboardCapabilities &capabilities() const { return m_caps; }

    // --- Its configuration and history
    KeyboardConfigModel *config() const { return m_config; }
    QUndoStack *history() const;
    ApplyRunner *runner() const { return m_runner; }
    // Whether a key has a one-byte code on the wire (a key without one takes
    // no per-key record or binding), and how many macros the store holds.
    bool hasWireCode(int keyType) const;
    int macroCount() const;
    // The keyboard's key types (its layer 0).
    QList<int> keys() const;
    // Whether a key type has a one-byte code on the wire at all (an advanced
    // key can only bind such keys), whatever keyboard is connected.
    static bool isBindableKeyType(int type);
    // The keys of a family's built-in key matrix with their places
    // (row, column), as the lighting presets lay them out.
    struct KeyPlace {
        int type, row, column;
    };
    static QList<KeyPlace> builtInKeyPlaces(int family);

    // Applies a profile as one step of the history, by its difference from
    // what the keyboard holds (without a read-back: whole). onStep sees each
    // step of the plan before its frames are queued.
    // whole: every part the profile sets is sent, whatever the keyboard holds.
    // withoutSocdRs: the keyboard is left with no SOCD or RS binding (a game
    // that forbids them is in front); the profile itself is not changed.
    ProfileApplied applyProfile(const ProfileData &profile, const QString &name, ApplySource source,
                                const std::function<void(const ProfileStep &)> &onStep = {}, bool whole = false,
                                bool withoutSocdRs = false);
    // Polling rate and system mode are edits of the configuration: one undo
    // step each. The mode switch asks the keyboard for its layers again.
    bool setPollingRate(int index);
    bool setSystemMode(int mode);
    // Back to the factory settings; the keyboard is read again.
    void restoreFactory();
    // A firmware update takes the keyboard: the lock (kept through the
    // restarts into and out of the boot loader), and no step of the history
    // holds after it. After Held, *holder names the other program.
    KeyboardLock::Result takeKeyboardForUpdate(QString *holder);
    void endFirmwareUpdate();
    bool isFirmwareUpdateRunning() const { return m_firmwareUpdateRunning; }
    // An apply run of a profile is sending (the window does not undo meanwhile).
    bool isApplying() const { return m_applyingProfile != 0; }

    // --- Live work of the performance page
    void startCalibration();
    void stopCalibration();
    void startKeyTest();
    void stopKeyTest();

    // --- A profile edited with no keyboard connected
    // Makes the profile of that id (in the profile manager) the
    // configuration of a keyboard of that model, for the pages to edit as
    // they would a keyboard's: same history, nothing sent, every change
    // saved to the profile's file. False (and *why) while a keyboard is
    // connected, for a model without a layout, or a profile not loaded.
    bool startOfflineEditing(int model, int profileId, QString *why = nullptr);
    // Saves and leaves; a keyboard that arrives ends it too.
    void endOfflineEditing();
    bool isOfflineEditing() const { return m_offlineProfile != 0; }
    int offlineModel() const { return m_offlineModel; }
    int offlineProfile() const { return m_offlineProfile; }
    // The configuration a model's keyboard starts from, for offline editing:
    // its keys on themselves on every layer, the default travels.
    static KeyboardConfig offlineBase(int model);

    // --- Snapshots of the keyboard's configuration
    // Where they are kept (the working directory's "Snapshots" by default).
    void setSnapshotFolder(const QString &root) { m_snapshots = SnapshotStore(root); }
    const SnapshotStore &snapshotStore() const { return m_snapshots; }
    // Keeps what the keyboard holds now; taken by the controller itself
    // before a firmware update, a factory reset, a Win/Mac switch and a
    // profile applied from outside, and by the window before an import
    // replaces a profile. False (and snapshotFailed) when it could not be
    // kept; nothing is kept while the keyboard's configuration is unknown.
    bool takeSnapshot(SnapshotStore::Reason reason);
    // The connected keyboard's snapshots, newest first.
    QList<SnapshotStore::Entry> snapshots() const;
    // Moves the keyboard to a snapshot by difference, as one undo step.
    // Macro bindings whose steps are nowhere to be found (the keyboard does
    // not give them back) are left as the keys have them now: their names in
    // *macrosLeft.
    bool restoreSnapshot(const QString &path, QString *why = nullptr, QStringList *macrosLeft = nullptr);

    // Where the macros a binding names are read from.
    void setMacroLoader(const MacroLoader &loader);
    // The device, for the firmware dialog that takes it over for an update.
    KeyboardAction *device() const { return m_device; }
    ProfileManager *profiles() const { return m_profiles; }

signals:
    // What the keyboard reports about itself changed.
    void capabilitiesChanged(const KeyboardCapabilities &caps);
    // The keyboard answered its precision query (each time it does).
    void travelReported(const TravelScale &scale, int decimals);
    // A keyboard's identity was read: a new connection is being read.
    void keyboardIdentified();
    void keyboardNameRead(const QString &name);
    void systemModeReported(int mode);
    // Key type -> its wire codes, for every key the keyboard has.
    void keyCodesRead(const QMap<int, QList<int>> &map);
    void lightingReported(const LightingReport &lighting);
    // Live rounds and their ends.
    void calibrationRound(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    void keyTestRound(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void calibrationEnded();
    void keyTestEnded();
    // A profile's frames were all answered (or the run ended otherwise).
    void profileApplyFinished(quint64 run, const ApplyRunner::Outcome &outcome);
    // After a profile's run: the keyboard did not keep every setting of it
    // (differences as lines).
    void profileNotKept(const QString &name, const QStringList &differences);
    void offlineEditingChanged(bool editing);
    // A keyboard was connected after a profile was edited offline; its
    // read-back has ended: the window offers to apply the profile.
    void offlineProfileWaiting(int profileId);
    // A snapshot could not be written (why: for the log); the step went on.
    void snapshotFailed(const QString &why);

private:
    void onReadBackFinished();
    void onRunFinished(quint64 run, const ApplyRunner::Outcome &outcome);
    void checkAppliedProfile();
    void onKeyTestEnded();

    KeyboardAction *m_device;
    ProfileManager *m_profiles;
    DeviceLifecycle *m_lifecycle;
    ApplyRunner *m_runner;
    KeyboardConfigModel *m_config;
    KeyboardCapabilities m_caps;
    bool m_started = false; // start(): the lifecycle drives the keyboard
    bool m_firmwareUpdateRunning = false;
    bool m_layersAfterModeSwitch = false;
    quint64 m_applyingProfile = 0; // the run of the profile being sent
    quint64 m_checkRun = 0;        // the run whose end is checked against the board copy
    QString m_checkName;
    SnapshotStore m_snapshots;
    int m_offlineModel = -1;
    int m_offlineProfile = 0;  // the profile edited offline, 0: none
    int m_waitingProfile = 0;  // edited offline, to be offered to the keyboard that came
    QString snapshotSerial() const;
    // A live poll (key test, calibration) started here. The worker says
    // when one ends, whether asked to or because the keyboard went; the end
    // of one stopped here is already known and arrives late, so a poll
    // started again meanwhile must not end with it.
    struct LivePoll {
        bool on = false;      // started here and not known to have ended
        int stopsUnheard = 0; // stops asked for whose end has not come back
        void started() { on = true; }
        void stopping()
        {
            if (on) {
                on = false;
                ++stopsUnheard;
            }
        }
        bool endIsNews() // the worker said one ended
        {
            if (stopsUnheard > 0) {
                --stopsUnheard;
                return false;
            }
            on = false;
            return true;
        }
    };
    LivePoll m_keyTest;
    LivePoll m_calibration;
    void onCalibrationEnded();
    void saveOfflineProfile();
};
