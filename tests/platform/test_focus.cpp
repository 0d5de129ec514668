// The focus policy over a fake source and a timer fired by hand: settling,
// Corvane's own windows, waiting for the keyboard and a firmware update,
// the label's cause; and the X11 source against a private Xvfb.

#include "FocusPolicy.h"
#include "FocusSource.h"
#include "XvfbDisplay.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(FocusedApp)

namespace {

FocusedApp appNamed(const QString &exe, qint64 pid = 1)
{
    FocusedApp a;
    a.executable = exe;
    a.pid = pid;
    return a;
}

FocusedApp reported(const QSignalSpy &spy, int i)
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
    void x11ActiveWindow();
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

QTEST_GUILESS_MAIN(TestFocus)
#include "test_focus.moc"
