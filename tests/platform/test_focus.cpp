// The focus policy over a fake source and a timer fired by hand: settling,
// Corvane's own windows, waiting for the keyboard and a firmware update,
// the label's cause; and the X11 source against a private Xvfb.

#include "FocusPolicy.h"
#include "FocusSource.h"
#include "ProcessInfo.h"
#include "XvfbDisplay.h"
#ifdef CORVANE_HAVE_WAYLAND
#include "SwayHeadless.h"
#include "linux/WlrFocusSource.h"
#endif

#include <QFileInfo>
#include <QTemporaryDir>

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(FocusedApp)
Q_DECLARE_METATYPE(AppIdentity)
Q_DECLARE_METATYPE(FocusState)

namespace {

FocusedApp appNamed(const QString &exe, qint64 pid = 1)
{
    FocusedApp a;
    a.executable = exe;
    a.pid = pid;
    return a;
}

// A string literal with the NULs in it.
template <size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

// Used by the X11 and Wayland cases, which a Windows build leaves out.
[[maybe_unused]] FocusedApp reported(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<FocusedApp>();
}

class FakeTimer : public SettleTimer {
public:
    void start(int ms, std::function<void()> fire) override
    {
        m_ms = ms;
        m_fire = std::move(fire);
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    // The wait ends; false when nothing was waiting.
    bool fire()
    {
        if (!m_active)
            return false;
        m_active = false;
        m_fire();
        return true;
    }
    int m_ms = 0;

private:
    bool m_active = false;
    std::function<void()> m_fire;
};

// A policy as the window wires it: what it asks for becomes the profile in use.
struct PolicyRig {
    PolicyRig()
    {
        rules.rules = {{"game", "FPS"}, {"Notes", "Typing"}, {"viewer", "Removed"}};
        rules.defaultProfile = "Daily";
        FocusPolicy::Environment env;
        env.rules = [this] { return rules; };
        env.usableProfiles = [](const QStringList &names) {
            QStringList out;
            for (const QString &n : names)
                if (n != "Removed")
                    out << n;
            return out;
        };
        env.currentProfile = [this] { return current; };
        env.keyboardReady = [this] { return ready; };
        auto t = std::make_unique<FakeTimer>();
        timer = t.get();
        policy = std::make_unique<FocusPolicy>(env, std::move(t));
        policy->setOwnWindows(4242, {"Corvane"});
        QObject::connect(&source, &FocusSource::applicationChanged, policy.get(), &FocusPolicy::frontChanged);
        QObject::connect(policy.get(), &FocusPolicy::switchRequested, [this](const FocusSwitch &s) {
            switches << s;
            current = s.profile;
        });
    }
    // The application comes to the front and stays.
    void settle(const FocusedApp &app)
    {
        source.setFocus(app);
        QVERIFY(timer->fire());
    }
    QStringList profiles() const
    {
        QStringList out;
        for (const FocusSwitch &s : switches)
            out << s.profile;
        return out;
    }

    AppProfileRules rules;
    QString current;
    bool ready = true;
    ExternalFocusSource source;
    FakeTimer *timer = nullptr;
    std::unique_ptr<FocusPolicy> policy;
    QList<FocusSwitch> switches;
};

} // namespace

class TestFocus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<FocusedApp>(); }
    void onlyASettledFocusSwitches();
    void corvaneOrNoWindowCancelsASwitch();
    void switchesWaitForTheKeyboardAndAFirmwareUpdate();
    void theCauseNamesTheRule_data();
    void theCauseNamesTheRule();
    void rulesGiveTheSwitch_data();
    void rulesGiveTheSwitch();
    void steamGamesAreKnownByTheirAppId();
    void x11ActiveWindow();
    void wlrootsActivatedToplevel();
};

void TestFocus::onlyASettledFocusSwitches()
{
    PolicyRig rig;
    rig.source.setFocus(appNamed("game"));
    QCOMPARE(rig.timer->m_ms, FocusPolicy::SettleMs);
    QVERIFY(rig.switches.isEmpty());
    QVERIFY(rig.timer->fire());
    QCOMPARE(rig.profiles(), QStringList{"FPS"});
    QCOMPARE(rig.switches.last().rule, QString("game"));

    // A flicker to another application and back switches nothing; nor does
    // an application whose profile is the one in use.
    rig.source.setFocus(appNamed("editor"));
    rig.source.setFocus(appNamed("game"));
    QVERIFY(rig.timer->fire());
    QCOMPARE(rig.switches.size(), 1);
    rig.current = "Daily";
    rig.settle(appNamed("browser"));
    QCOMPARE(rig.switches.size(), 1);

    // By window instance or class, without regard to case; a rule whose
    // profile is gone gives the default.
    FocusedApp notes;
    notes.windowClass = "notes";
    rig.settle(notes);
    QCOMPARE(rig.profiles(), (QStringList{"FPS", "Typing"}));
    rig.settle(appNamed("viewer"));
    QCOMPARE(rig.profiles(), (QStringList{"FPS", "Typing", "Daily"}));
    QVERIFY(rig.switches.last().byDefault);

    // A profile picked by hand stays until the application in front changes.
    rig.current = "Picked";
    rig.policy->profilePickedByHand();
    rig.source.setFocus(appNamed("corvane", 4242));
    rig.source.setFocus(appNamed("viewer"));
    QVERIFY(rig.timer->fire());
    QCOMPARE(rig.switches.size(), 3);
    rig.settle(appNamed("game"));
    QCOMPARE(rig.profiles().last(), QString("FPS"));
}

void TestFocus::corvaneOrNoWindowCancelsASwitch()
{
    PolicyRig rig;
    rig.settle(appNamed("game"));
    QCOMPARE(rig.switches.size(), 1);

    // Another window for a moment, then Corvane's: the other window's
    // profile (here the default) is never applied. So with "no window" on
    // the way, as some window managers report it, and with Corvane's window
    // known only by its class (a desktop that gives no process).
    FocusedApp ownByName;
    ownByName.windowClass = "corvane";
    const QList<QList<FocusedApp>> walks = {
        {appNamed("xterm"), appNamed("corvane", 4242)},
        {appNamed("xterm"), FocusedApp(), appNamed("corvane", 4242)},
        {FocusedApp(), appNamed("corvane", 4242)},
        {appNamed("xterm"), ownByName},
    };
    for (const QList<FocusedApp> &walk : walks) {
        for (const FocusedApp &app : walk)
            rig.source.setFocus(app);
        QVERIFY(!rig.timer->fire());
        QCOMPARE(rig.current, QString("FPS"));
        // Back to the game from Corvane: it is where the focus was.
        rig.source.setFocus(appNamed("game"));
        QVERIFY(rig.timer->fire());
        QCOMPARE(rig.switches.size(), 1);
    }
    // A window of another process that has Corvane's name is not Corvane's.
    FocusedApp other = appNamed("corvane", 77);
    other.windowClass = "Corvane";
    rig.settle(other);
    QCOMPARE(rig.profiles(), (QStringList{"FPS", "Daily"}));
}

void TestFocus::switchesWaitForTheKeyboardAndAFirmwareUpdate()
{
    PolicyRig rig;
    // Settled while the keyboard is being read: acted on once it is.
    rig.ready = false;
    rig.settle(appNamed("game"));
    QVERIFY(rig.switches.isEmpty());
    QVERIFY(rig.policy->isWaiting());
    rig.ready = true;
    rig.policy->keyboardArrived();
    QCOMPARE(rig.profiles(), QStringList{"FPS"});

    // No switch while a firmware update runs; the application in front
    // when it ends gets its profile.
    rig.policy->setFirmwareUpdateRunning(true);
    rig.settle(appNamed("viewer"));
    rig.policy->keyboardReady();
    QCOMPARE(rig.switches.size(), 1);
    rig.policy->setFirmwareUpdateRunning(false);
    QCOMPARE(rig.profiles(), (QStringList{"FPS", "Daily"}));

    // Corvane's firmware dialog in front when the update ends: nothing;
    // the game coming back afterwards is a change.
    rig.policy->setFirmwareUpdateRunning(true);
    rig.settle(appNamed("game"));
    rig.source.setFocus(appNamed("corvane", 4242));
    rig.policy->setFirmwareUpdateRunning(false);
    QCOMPARE(rig.switches.size(), 2);
    rig.settle(appNamed("game"));
    QCOMPARE(rig.profiles(), (QStringList{"FPS", "Daily", "FPS"}));

    // A keyboard that comes gets the profile of what is in front.
    rig.current.clear();
    rig.policy->keyboardArrived();
    QCOMPARE(rig.switches.size(), 4);
}

void TestFocus::theCauseNamesTheRule_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("byDefault");
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("cause");
    QTest::newRow("rule and program") << "Game" << false << "xterm" << "Game (xterm)";
    QTest::newRow("rule is the program") << "Xvfb" << false << "xvfb" << "Xvfb";
    QTest::newRow(".exe") << "game" << false << "Game.exe" << "game";
    QTest::newRow("default") << "default" << true << "xterm" << "其他应用 (xterm)";
    QTest::newRow("default, nothing known") << "default" << true << "" << "其他应用";
}

void TestFocus::theCauseNamesTheRule()
{
    QFETCH(QString, rule);
    QFETCH(bool, byDefault);
    QFETCH(QString, application);
    FocusSwitch change;
    change.rule = rule;
    change.byDefault = byDefault;
    change.application = application;
    QTEST(focusSwitchCause(change, "其他应用"), "cause");
}

void TestFocus::rulesGiveTheSwitch_data()
{
    QTest::addColumn<AppIdentity>("app");
    QTest::addColumn<FocusState>("state");
    QTest::addColumn<QString>("profile"); // empty: no switch
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("socdRsOff");

    const AppIdentity wine{"wine64-preloader", "steam_app_730", "steam_app_730", "Counter-Strike 2", "730"};
    const AppIdentity proton{"proton", "", "", "Elden Ring", "1245620"};
    const AppIdentity editor{"kate", "", "", "notes.txt — Kate", ""};
    const AppIdentity browser{"firefox", "", "", "Match report — Firefox", ""};
    const AppIdentity shell{"bash", "", "", "", ""};
    FocusState daily;
    daily.current = "Daily";
    FocusState inCs = daily;
    inCs.current = "FPS";
    inCs.ruleInForce = "steam:730";
    inCs.leave = AppProfileRule::Leave::Back;
    inCs.before = "Typing";
    inCs.socdRsOff = true;
    FocusState inWine = inCs;
    inWine.ruleInForce = "wine64-preloader";
    inWine.leave = AppProfileRule::Leave::Default;
    inWine.current = "Wine";
    inWine.socdRsOff = false;

    // A Steam game by its id before the generic executable that runs it.
    QTest::newRow("steam id over executable") << wine << daily << "FPS" << "steam:730" << false << true;
    QTest::newRow("generic executable") << proton << daily << "Wine" << "proton" << false << false;
    QTest::newRow("title part") << browser << daily << "Stream" << "title:match report" << false << false;
    QTest::newRow("default") << shell << inWine << "Daily" << "default" << false << false;
    QTest::newRow("default in use") << shell << daily << "" << "" << false << false;
    // Leaving a game whose rule says so: back to the profile before it,
    // SOCD and RS keys on again; not while another rule's game is in front.
    QTest::newRow("back") << shell << inCs << "Typing" << "steam:730" << true << false;
    QTest::newRow("to another rule") << proton << inCs << "Wine" << "proton" << false << false;
    QTest::newRow("same game again") << wine << inCs << "" << "" << false << false;
    FocusState beforeGone = inCs;
    beforeGone.before = "Removed";
    QTest::newRow("before is gone: default") << editor << beforeGone << "Daily" << "default" << false << false;
    // The game's rule turned the keys off and nothing else applies: the same
    // profile again, with them.
    FocusState noDefault = inCs;
    noDefault.leave = AppProfileRule::Leave::Default;
    QTest::newRow("keys back without a default") << editor << noDefault << "FPS" << "steam:730" << true << false;
}

void TestFocus::rulesGiveTheSwitch()
{
    QFETCH(AppIdentity, app);
    QFETCH(FocusState, state);
    QFETCH(QString, profile);
    AppProfileRules rules;
    AppProfileRule cs{"steam:730", "FPS"};
    cs.leave = AppProfileRule::Leave::Back;
    cs.socdRsOff = true;
    rules.rules = {{"wine64-preloader", "Wine"}, {"proton", "Wine"}, cs, {"title:match report", "Stream"}};
    rules.defaultProfile = QTest::currentDataTag() == QByteArray("keys back without a default") ? "" : "Daily";
    const std::optional<FocusSwitch> change =
        decideFocusSwitch(rules, app, {"FPS", "Wine", "Stream", "Daily", "Typing"}, state);
    QCOMPARE(change ? change->profile : QString(), profile);
    if (!change)
        return;
    QTEST(change->rule, "rule");
    QTEST(change->back, "back");
    QTEST(change->socdRsOff, "socdRsOff");
}

void TestFocus::steamGamesAreKnownByTheirAppId()
{
    QCOMPARE(steamAppIdFromWindowClass("steam_app_1245620"), QString("1245620"));
    QCOMPARE(steamAppIdFromWindowClass("Steam_App_730"), QString("730"));
    for (const char *cls : {"steam", "steam_app_", "steam_app_12x", "steam_app_99999999999", "steam_app_0"})
        QVERIFY2(steamAppIdFromWindowClass(cls).isEmpty(), cls);

#ifdef Q_OS_LINUX
    // A process environment: the id among other variables; a value that is
    // not a plain number, or none, gives nothing.
    QTemporaryDir proc;
    auto writeEnviron = [&](int pid, const QByteArray &text) {
        QDir(proc.path()).mkpath(QString::number(pid));
        QFile f(proc.filePath(QString::number(pid) + "/environ"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    writeEnviron(100, bytes("HOME=/home/p\0SteamAppId=570\0STEAM_COMPAT=1\0"));
    writeEnviron(101, bytes("SteamAppId=5 70\0"));
    writeEnviron(102, bytes("PATH=/bin\0SteamGameId=570\0"));
    writeEnviron(103, QByteArray(300 * 1024, 'x') + bytes("\0SteamAppId=9\0")); // past the bound
    QCOMPARE(steamAppIdOfProcess(100, proc.path()), QString("570"));
    for (int pid : {101, 102, 103, 104, 0, -1})
        QVERIFY2(steamAppIdOfProcess(pid, proc.path()).isEmpty(), qPrintable(QString::number(pid)));
    // A link in place of the file is not followed.
    QDir(proc.path()).mkpath("105");
    QVERIFY(QFile::link(proc.filePath("100/environ"), proc.filePath("105/environ")));
    QVERIFY(steamAppIdOfProcess(105, proc.path()).isEmpty());

#endif

    // What KWin or GNOME Shell report: nothing before the source starts; the
    // executable comes from the process named.
    ReportedFocusSource kde(ReportedFocusSource::Desktop::Kde);
    QSignalSpy spy(&kde, &FocusSource::applicationChanged);
    kde.windowActivated("steam_app_730", QCoreApplication::applicationPid(), "Counter-Strike 2");
    QCOMPARE(spy.count(), 0);
    QVERIFY(kde.start());
    kde.windowActivated("steam_app_730", QCoreApplication::applicationPid(), "Counter-Strike 2");
    QCOMPARE(spy.count(), 1);
#ifdef Q_OS_LINUX
    QCOMPARE(kde.current().executable, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
#endif
    QCOMPARE(kde.current().title, QString("Counter-Strike 2"));
    QCOMPARE(kde.name(), QString("KDE Plasma (KWin)"));

    // The policy takes the id from the class, else from the process.
    QList<qint64> asked;
    FocusPolicy::Environment env;
    env.steamAppIdOf = [&asked](qint64 pid) {
        asked << pid;
        return pid == 7 ? QString("570") : QString();
    };
    FocusPolicy policy(env);
    FocusedApp game = appNamed("wine64-preloader", 7);
    QCOMPARE(policy.identityOf(game).steamAppId, QString("570"));
    game.windowClass = "steam_app_730";
    QCOMPARE(policy.identityOf(game).steamAppId, QString("730"));
    QCOMPARE(asked, QList<qint64>{7});
}

void TestFocus::x11ActiveWindow()
{
#ifndef CORVANE_HAVE_XCB
    QSKIP("built without xcb");
#else
    if (!XvfbDisplay::available())
        QSKIP("Xvfb is not installed");
    XvfbDisplay x;
    const QString problem = x.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // A display that does not answer: the source says so.
    std::unique_ptr<FocusSource> none(FocusSource::createSystemSource(nullptr, ":65000"));
    QVERIFY(!none->start());

    std::unique_ptr<FocusSource> source(FocusSource::createSystemSource(nullptr, x.name()));
    QSignalSpy spy(source.get(), &FocusSource::applicationChanged);
    QVERIFY(source->start());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000); // the state at start: no active window
    QVERIFY(reported(spy, 0).executable.isEmpty());

    // The executable comes from the window's process; Xvfb stands in for it.
    const xcb_window_t game = x.createWindow("game", "Game", uint32_t(x.serverPid()));
    const xcb_window_t notes = x.createWindow("notes", "Notes", 0);
    x.activate({game});
    QVERIFY(spy.wait(20000));
    FocusedApp app = reported(spy, 1);
    QCOMPARE(app.executable, QString("Xvfb"));
    QCOMPARE(app.windowInstance, QString("game"));
    QCOMPARE(app.windowClass, QString("Game"));
    QCOMPARE(app.pid, x.serverPid());

    x.activate({notes});
    QVERIFY(spy.wait(20000));
    app = reported(spy, 2);
    QVERIFY(app.executable.isEmpty());
    QCOMPARE(app.windowClass, QString("Notes"));
#endif
}

// The wlroots source against a headless Sway with two windows.
void TestFocus::wlrootsActivatedToplevel()
{
#ifndef CORVANE_HAVE_WAYLAND
    QSKIP("built without libwayland-client");
#else
    const QString missing = SwayHeadless::missing();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    SwayHeadless sway;
    const QString problem = sway.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    WlrFocusSource none(sway.display() + "-not-there");
    QVERIFY(!none.start());

    WlrFocusSource source(sway.display());
    QSignalSpy spy(&source, &FocusSource::applicationChanged);
    QVERIFY(source.start());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 20000); // nothing in front yet
    QVERIFY(reported(spy, 0).windowClass.isEmpty());
    QVERIFY(source.name().endsWith(" (wlroots)"));

    sway.openWindow("alpha", "Alpha Game");
    QTRY_COMPARE_WITH_TIMEOUT(source.current().windowClass, QString("alpha"), 20000);
    QCOMPARE(source.current().title, QString("Alpha Game"));
    QCOMPARE(source.current().pid, qint64(0));
    sway.openWindow("beta", "Beta");
    QTRY_COMPARE_WITH_TIMEOUT(source.current().windowClass, QString("beta"), 20000);
    QVERIFY(sway.command("[app_id=\"alpha\"] focus"));
    QTRY_COMPARE_WITH_TIMEOUT(source.current().windowClass, QString("alpha"), 20000);
    // Every report names one window or none: never beta's title on alpha.
    for (int i = 0; i < spy.count(); ++i) {
        const FocusedApp app = reported(spy, i);
        QVERIFY(app.windowClass.isEmpty() || (app.windowClass == "alpha") == (app.title == "Alpha Game"));
    }
#endif
}

QTEST_GUILESS_MAIN(TestFocus)
#include "test_focus.moc"
