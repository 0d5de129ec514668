#pragma once

#include "AppProfileRules.h"
#include "FocusSource.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// A restartable one-shot timer. The policy waits on it for the focus to
// settle; tests give one they fire by hand.
class SettleTimer {
public:
    virtual ~SettleTimer() = default;
    // Starts, or restarts, the wait; fire runs once when it ends.
    virtual void start(int ms, std::function<void()> fire) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// SettleTimer on a QTimer of the calling thread.
std::unique_ptr<SettleTimer> makeQtSettleTimer();

// What the policy asks the window to apply, and why.
struct FocusSwitch {
    QString profile;
    QString rule;        // the key of the rule that matched; "default" for everything else
    bool byDefault = false;
    QString application; // the application in front, as the user knows it
    bool back = false;      // back to the profile in use before the rules took over
    bool socdRsOff = false; // applied without its SOCD and RS keys
    bool operator==(const FocusSwitch &o) const
    {
        return profile == o.profile && rule == o.rule && byDefault == o.byDefault && application == o.application
               && back == o.back && socdRsOff == o.socdRsOff;
    }
};

// What the rules put in force so far, for deciding the next switch.
struct FocusState {
    QString current;    // the profile in use (empty: none of the list)
    QString ruleInForce; // the key of the rule whose profile is in use; empty: none (the default, or picked)
    AppProfileRule::Leave leave = AppProfileRule::Leave::Default; // that rule's
    QString before;     // the profile in use before the rule's application came
    bool socdRsOff = false; // the profile in use went without its SOCD and RS keys
};

// The switch the rules give for the application in front, or none.
// A rule that matches gives its profile (its SOCD and RS keys off when it
// says so). Leaving a rule's application for one no rule names goes back
// to the profile before when the rule says so and it still exists, else to
// the default; with neither, the profile in use stays, with its SOCD and RS
// keys back on if they were off. No switch when that is what is in use.
std::optional<FocusSwitch> decideFocusSwitch(const AppProfileRules &rules, const AppIdentity &app,
                                             const QStringList &existingProfiles, const FocusState &state);

// Profiles that follow the application in front. The focus source reports
// every change of the window in front; the policy waits for the focus to
// stay SettleMs, matches the rules and asks for the rule's profile.
//
// - Corvane's own windows (this process, or a window known only by a name
//   that is Corvane's) and "no window" change nothing, and a change still
//   settling is cancelled by them: a window manager that passes through
//   "no window", or another window for a moment, on its way to Corvane's
//   window switches nothing.
// - Nothing is asked while a firmware update runs or the keyboard cannot
//   take a profile (not connected, being read, a profile being sent): the
//   application that settled meanwhile is acted on when that ends.
// - A profile picked by hand stays until the application in front changes.
class FocusPolicy : public QObject {
    Q_OBJECT
public:
    static constexpr int SettleMs = 100;

    struct Environment {
        // The rules as stored now.
        std::function<AppProfileRules()> rules;
        // Of these profile names, the ones that exist and can be read.
        std::function<QStringList(const QStringList &)> usableProfiles;
        // The profile in use (empty: none of the list).
        std::function<QString()> currentProfile;
        // The keyboard can take a profile now.
        std::function<bool()> keyboardReady;
        // The Steam app id of a process (empty: none, or not known); unset:
        // read from the process's environment.
        std::function<QString(qint64)> steamAppIdOf;
    };

    explicit FocusPolicy(Environment environment, std::unique_ptr<SettleTimer> timer = {},
                         QObject *parent = nullptr);
    ~FocusPolicy() override;

    // What Corvane's own windows are: this process, or (for a desktop that
    // reports no process) a window whose class or app id is one of names.
    void setOwnWindows(qint64 pid, const QStringList &names);
    bool isOwnWindow(const FocusedApp &app) const;

    // The application that settled in front last (empty before any).
    FocusedApp front() const { return m_settled; }
    // A settled application waits for the keyboard or a firmware update.
    bool isWaiting() const { return m_waiting; }
    // Whether the profile in use went without its SOCD and RS keys.
    bool socdRsOff() const { return m_state.socdRsOff; }
    // The application as the rules see it: its Steam app id from the window
    // class Steam gives its games, else from the process's environment.
    AppIdentity identityOf(const FocusedApp &app) const;

public slots:
    // Every change of the window in front, as the source reports it.
    void frontChanged(const FocusedApp &app);
    // A firmware update started or ended.
    void setFirmwareUpdateRunning(bool running);
    // Something that kept the keyboard busy ended: a waiting switch goes now.
    void keyboardReady();
    // A keyboard was read: it takes the profile of the application in front.
    void keyboardArrived();
    // The user picked a profile (list, tray, a script): the rules wait for
    // the next change of the application in front.
    void profilePickedByHand();

signals:
    // The focus stayed on a new application for SettleMs.
    void frontSettled(const FocusedApp &app);
    void switchRequested(const FocusSwitch &change);

private:
    void settled();
    void act();

    Environment m_env;
    std::unique_ptr<SettleTimer> m_timer;
    qint64 m_ownPid = 0;
    QStringList m_ownNames;
    FocusedApp m_pending;  // settling
    FocusedApp m_settled;  // the last one that settled
    bool m_haveSettled = false;
    bool m_waiting = false; // m_settled not acted on yet
    bool m_firmwareUpdate = false;
    FocusState m_state; // current is asked of the environment when needed
};

// What the label says after an automatic switch: the rule that matched and,
// when it says more, the application in front ("Game (xterm)"); a default
// switch is named by otherApps.
QString focusSwitchCause(const FocusSwitch &change, const QString &otherApps);
