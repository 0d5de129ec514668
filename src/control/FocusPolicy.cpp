#include "FocusPolicy.h"

#include <QLoggingCategory>
#include <QTimer>

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

AppIdentity appIdentityOf(const FocusedApp &app)
{
    return AppIdentity{app.executable, app.windowInstance, app.windowClass};
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
    if (m_haveSettled && m_pending == m_settled)
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
}

void FocusPolicy::act()
{
    if (!m_waiting || m_firmwareUpdate || !m_env.keyboardReady())
        return; // acted on when that ends
    m_waiting = false;

    const AppProfileRules rules = m_env.rules();
    if (rules.isEmpty())
        return;
    QStringList named;
    for (const AppProfileRule &rule : rules.rules)
        named << rule.profile;
    if (!rules.defaultProfile.isEmpty())
        named << rules.defaultProfile;
    const AppIdentity app = appIdentityOf(m_settled);
    const AppProfileMatch match = matchAppProfile(rules, app, m_env.usableProfiles(named));
    if (match.profile.isEmpty() || match.profile == m_env.currentProfile())
        return;
    qCDebug(lcFocusPolicy) << "application in front" << app.displayName() << "selects profile" << match.profile
                       << "by" << match.matchedBy;
    FocusSwitch change;
    change.profile = match.profile;
    change.rule = match.matchedBy;
    change.byDefault = match.byDefault;
    change.application = app.displayName();
    emit switchRequested(change);
}
