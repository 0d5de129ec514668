#include "FocusPolicy.h"

#include "ProcessInfo.h"

#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>

Q_LOGGING_CATEGORY(lcFocusPolicy, "corvane.control.focus", QtWarningMsg)

namespace {

class QtSettleTimer : public SettleTimer {
public:
    QtSettleTimer()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_fire)
                m_fire();
        });
    }
    void start(int ms, std::function<void()> fire) override
    {
        m_fire = std::move(fire);
        m_timer.start(ms);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_fire;
};

bool sameName(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isNoWindow(const FocusedApp &app)
{
    return app.pid == 0 && app.executable.isEmpty() && app.windowInstance.isEmpty() && app.windowClass.isEmpty();
}

} // namespace

std::unique_ptr<SettleTimer> makeQtSettleTimer()
{
    return std::make_unique<QtSettleTimer>();
}

std::optional<FocusSwitch> decideFocusSwitch(const AppProfileRules &rules, const AppIdentity &app,
                                             const QStringList &existingProfiles, const FocusState &state)
{
    const AppProfileMatch match = matchAppProfile(rules, app, existingProfiles);
    FocusSwitch change;
    change.application = app.displayName();
    if (!match.profile.isEmpty() && !match.byDefault) {
        change.profile = match.profile;
        change.rule = match.matchedBy;
        change.socdRsOff = match.rule.socdRsOff;
    } else if (!state.ruleInForce.isEmpty() && state.leave == AppProfileRule::Leave::Back && !state.before.isEmpty()
               && existingProfiles.contains(state.before)) {
        change.profile = state.before;
        change.rule = state.ruleInForce;
        change.back = true;
    } else if (match.byDefault) {
        change.profile = match.profile;
        change.rule = match.matchedBy;
        change.byDefault = true;
    } else if (state.socdRsOff && !state.current.isEmpty()) {
        change.profile = state.current; // the same profile, its SOCD and RS keys back
        change.rule = state.ruleInForce;
        change.back = true;
    } else {
        return std::nullopt;
    }
    if (change.profile == state.current && change.socdRsOff == state.socdRsOff)
        return std::nullopt;
    return change;
}

QString focusSwitchCause(const FocusSwitch &change, const QString &otherApps)
{
    const QString rule = change.byDefault ? otherApps : change.rule;
    QString app = change.application;
    if (app.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && !change.rule.endsWith(QLatin1String(".exe")))
        app.chop(4);
    if (app.isEmpty() || sameName(app, change.rule))
        return rule;
    return QStringLiteral("%1 (%2)").arg(rule, change.application);
}

FocusPolicy::FocusPolicy(Environment environment, std::unique_ptr<SettleTimer> timer, QObject *parent)
    : QObject(parent), m_env(std::move(environment)), m_timer(timer ? std::move(timer) : makeQtSettleTimer())
{
}

FocusPolicy::~FocusPolicy() = default;

void FocusPolicy::setOwnWindows(qint64 pid, const QStringList &names)
{
    m_ownPid = pid;
    m_ownNames = names;
    m_ownNames.removeAll(QString());
}

bool FocusPolicy::isOwnWindow(const FocusedApp &app) const
{
    if (app.pid != 0)
        return app.pid == m_ownPid;
    for (const QString &name : m_ownNames)
        if (sameName(app.windowClass, name) || sameName(app.windowInstance, name))
            return true;
    return false;
}

void FocusPolicy::frontChanged(const FocusedApp &app)
{
    if (isNoWindow(app) || isOwnWindow(app)) {
        // On the way to Corvane's window, or between windows: whatever was
        // settling is not what the user went to, and what waited for the
        // keyboard is not in front any more.
        if (m_timer->isActive())
            qCDebug(lcFocusPolicy) << "focus change cancelled: Corvane's window or none in front";
        m_timer->stop();
        // One that settled but still waits was never acted on: when it
        // comes back it is a change again.
        if (m_waiting)
            m_haveSettled = false;
        m_waiting = false;
        return;
    }
    m_pending = app;
    m_timer->start(SettleMs, [this] { settled(); }); // restarts: only the focus that stays counts
}

void FocusPolicy::settled()
{
    // A new title alone is no change unless a rule looks at titles (a
    // terminal or a browser retitles itself all the time).
    bool same = m_haveSettled && m_pending == m_settled;
    if (m_haveSettled && !same && m_pending.title != m_settled.title) {
        FocusedApp untitled = m_pending;
        untitled.title = m_settled.title;
        if (untitled == m_settled) {
            same = true;
            for (const AppProfileRule &rule : m_env.rules().rules)
                if (rule.application.startsWith(QLatin1String(AppProfileRules::TitlePrefix), Qt::CaseInsensitive))
                    same = false;
        }
    }
    if (same)
        return; // came back to where it was: the profile for it is in use
    m_haveSettled = true;
    m_settled = m_pending;
    emit frontSettled(m_settled);
    m_waiting = true;
    act();
}

void FocusPolicy::setFirmwareUpdateRunning(bool running)
{
    m_firmwareUpdate = running;
    if (!running)
        act();
}

void FocusPolicy::keyboardReady()
{
    act();
}

void FocusPolicy::keyboardArrived()
{
    m_waiting = m_haveSettled;
    act();
}

void FocusPolicy::profilePickedByHand()
{
    m_waiting = false;
    m_state = FocusState();
}

AppIdentity FocusPolicy::identityOf(const FocusedApp &app) const
{
    AppIdentity id{app.executable, app.windowInstance, app.windowClass, app.title, QString()};
    id.steamAppId = steamAppIdFromWindowClass(app.windowClass);
    if (id.steamAppId.isEmpty())
        id.steamAppId = steamAppIdFromWindowClass(app.windowInstance);
    if (id.steamAppId.isEmpty() && app.pid > 0)
        id.steamAppId = m_env.steamAppIdOf ? m_env.steamAppIdOf(app.pid) : steamAppIdOfProcess(app.pid);
    return id;
}

void FocusPolicy::act()
{
    if (!m_waiting || m_firmwareUpdate || !m_env.keyboardReady())
        return; // acted on when that ends
    m_waiting = false;

    const AppProfileRules rules = m_env.rules();
    if (rules.isEmpty() && !m_state.socdRsOff)
        return;
    QStringList named;
    for (const AppProfileRule &rule : rules.rules)
        named << rule.profile;
    if (!rules.defaultProfile.isEmpty())
        named << rules.defaultProfile;
    if (!m_state.before.isEmpty())
        named << m_state.before;
    const AppIdentity app = identityOf(m_settled);
    m_state.current = m_env.currentProfile();
    const std::optional<FocusSwitch> change = decideFocusSwitch(rules, app, m_env.usableProfiles(named), m_state);
    if (!change)
        return;
    qCDebug(lcFocusPolicy) << "application in front" << app.displayName() << "selects profile" << change->profile
                           << "by" << change->rule << (change->back ? "(back)" : "")
                           << (change->socdRsOff ? "without SOCD and RS keys" : "");
    // What is in force once the window has applied it.
    if (change->back || change->byDefault) {
        m_state = FocusState();
    } else {
        // The profile in use before this application came; from one game
        // that goes back to another, the one before the first.
        if (m_state.ruleInForce.isEmpty() || m_state.leave != AppProfileRule::Leave::Back)
            m_state.before = m_state.current;
        m_state.ruleInForce = change->rule;
        const auto rule = std::find_if(rules.rules.cbegin(), rules.rules.cend(),
                                       [&](const AppProfileRule &r) { return r.application == change->rule; });
        m_state.leave = rule != rules.rules.cend() ? rule->leave : AppProfileRule::Leave::Default;
    }
    m_state.socdRsOff = change->socdRsOff;
    m_state.current = change->profile;
    emit switchRequested(*change);
}
