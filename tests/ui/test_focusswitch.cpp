// Profiles that follow the application in front, end to end: X windows on a
// private Xvfb become active, the window applies each rule's profile to the
// virtual keyboard, and a flicker switches nothing.

#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "FocusPolicy.h"
#include "FocusSource.h"
#include "HidBackend.h"
#include "IAPFirmwareWindow.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"
#include "KeyboardAction.h"
#include "MainWindow.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "QueuedSpy.h"
#include "TravelProfile.h"
#include "ShellResources.h"
#include "SystemConfig.h"
#include "UserMessage.h"
#include "VirtualHidBackend.h"
#include "XvfbDisplay.h"
#ifdef CORVANE_HAVE_WAYLAND
#include "SwayHeadless.h"
#include "linux/WlrFocusSource.h"
#endif

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(FocusedApp)

#include <memory>

class TestFocusSwitch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        corvaneInitResources();
        qRegisterMetaType<FocusedApp>();
    }
    void profileFollowsTheWindowInFront();
    void profileFollowsSwayWindows();
};

void TestFocusSwitch::profileFollowsTheWindowInFront()
{
#ifndef CORVANE_HAVE_XCB
    QSKIP("built without xcb");
#else
    if (!XvfbDisplay::available())
        QSKIP("Xvfb is not installed");
    XvfbDisplay x;
    const QString problem = x.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SystemConfig config;
    config.setLanguage("Chinese");
    writeProfileWithTravel("FPS", 1100);
    writeProfileWithTravel("Typing", 2200);
    writeProfileWithTravel("Daily", 3300);
    // A profile with a SOCD pair, for a game whose rule keeps SOCD and RS
    // keys off and its lobby, whose rule does not.
    auto type = [](quint8 wire) { return keyTypeFromCode(kb2_wire_to_model(wire)); };
    const int keyE = type(0x08), keyR = type(0x15);
    {
        ProfileData arena = readProfile(defaultProfileDocument());
        QMap<int, AdvancedBinding> pair;
        pair.insert(keyE, SOCDInfo{keyE, keyR});
        pair.insert(keyR, SOCDInfo{keyR, keyE});
        arena.advanced = pair;
        QVERIFY(writeProfileFile(QDir(ProfileManager::profileFolder()).filePath("Arena.kb"), writeProfile(arena)));
    }
    AppProfileRules rules;
    AppProfileRule shooterRule{"shooter", "Arena"};
    shooterRule.socdRsOff = true;
    rules.rules = {{"Xvfb", "FPS"}, {"notes", "Typing"}, {"viewer", "Removed"}, {"lobby", "Arena"}, shooterRule};
    rules.defaultProfile = "Daily";
    writeAppProfileRules(config, rules);
    QVERIFY(config.sync());

    VirtualHidBackend backend;
    VirtualKeyboard::Options o;
    o.latencyUs = 0;
    VirtualKeyboard *kb = &backend.addKeyboard(o);
    HidBackend::setInstance(&backend);
    auto worker = std::make_unique<KeyboardAction>();
    worker->setFirstWriteDelay(0);
    worker->setProbeTimeout(30);
    worker->setAnswerTimeout(60);
    QStringList notes;
    setUserMessageSink([&notes](const QString &title, const QString &text) { notes << title + "|" + text; });
    ProfileManager profiles;
    ExternalDeviceNotifier notifier;
    auto window = std::make_unique<MainWindow>(&notifier, worker.get(), &profiles);
    // After the window's listeners: an idle report reaches this spy last.
    QueuedSpy idle(worker->reports(), &KeyboardWorker::sigKB2Idle);
    UserPrompts prompts;
    prompts.ask = [&notes](const QString &title, const QString &text) {
        notes << title + "|" + text;
        return false;
    };
    prompts.inform = [&notes](const QString &title, const QString &text) { notes << title + "|" + text; };
    window->setPrompts(prompts);
    std::unique_ptr<FocusSource> focus(FocusSource::createSystemSource(nullptr, x.name()));
    window->setFocusSource(focus.get());
    QSignalSpy switched(window.get(), &MainWindow::profileFollowedFocus);

    // The windows: one whose process is Xvfb (the rule by executable), one
    // known by its window instance, one without a rule, one whose rule names
    // a missing profile, and one of this process.
    const xcb_window_t game = x.createWindow("game", "Game", uint32_t(x.serverPid()));
    const xcb_window_t editor = x.createWindow("notes", "Notes", 0);
    const xcb_window_t other = x.createWindow("xterm", "XTerm", 0);
    const xcb_window_t viewer = x.createWindow("viewer", "Viewer", 0);
    const xcb_window_t own = x.createWindow("corvane", "Corvane", uint32_t(QCoreApplication::applicationPid()));
    const xcb_window_t lobby = x.createWindow("lobby", "Lobby", 0);
    const xcb_window_t shooter = x.createWindow("shooter", "Shooter", 0);
    x.activate({game});
    QVERIFY(focus->start());

    // The keyboard arrives with the game in front: its profile is applied
    // once the keyboard has been read.
    QSignalSpy read(window->lifecycle(), &DeviceLifecycle::initialReadFinished);
    window->startDevice();
    QVERIFY(read.wait(20000));
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 1, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("FPS"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(1100), 20000);
    QCOMPARE(window->activeProfileText(), QString("FPS — 自动：Xvfb"));

    // The profiles differ in their global travel only: that is all a
    // switch sends, one dead-band record.
    const quint64 queued = worker->workSerial();
    QTRY_VERIFY_WITH_TIMEOUT(!idle.isEmpty() && idle.last().first().toULongLong() >= queued, 20000);
    kb->clearFrameLog();
    x.activate({editor});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 2, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("Typing"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(2200), 20000);
    QStringList sent;
    for (const auto &frame : kb->frameLog())
        if (frame.direction == VirtualKeyboard::Direction::ToKeyboard)
            sent << QString::number(frame.bytes.at(2), 16);
    QCOMPARE(sent, QStringList{"29"});
    QCOMPARE(window->activeProfileText(), QString("Typing — 自动：notes"));

    // Everything else takes the default; so does a rule whose profile is gone.
    x.activate({other});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 3, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("Daily"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(3300), 20000);
    QCOMPARE(window->activeProfileText(), QString("Daily — 自动：其他应用 (XTerm)"));
    x.activate({game});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 4, 20000);
    x.activate({viewer});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 5, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("Daily"));

    // A flicker to the game and back, our own window in front, and another
    // window or none on the way to ours, switch nothing: the next switch is
    // the one to the editor.
    x.activate({game, viewer});
    x.activate({own});
    x.activate({other});
    x.activate({0});
    x.activate({own});
    QSignalSpy settledFront(window->focusPolicy(), &FocusPolicy::frontSettled);
    x.activate({editor});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 6, 20000);
    QCOMPARE(settledFront.count(), 1);
    QCOMPARE(settledFront.first().first().value<FocusedApp>().windowClass, QString("Notes"));
    QCOMPARE(switched.last().at(0).toString(), QString("Typing"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(2200), 20000);

    // The game whose rule keeps SOCD and RS keys off gets the lobby's
    // profile without its SOCD pair: only that pair's records go to the
    // keyboard, and they come back when the game leaves.
    auto waitIdle = [&] {
        const quint64 serial = worker->workSerial();
        QTRY_VERIFY_WITH_TIMEOUT(!idle.isEmpty() && idle.last().first().toULongLong() >= serial, 20000);
    };
    auto sentCommands = [&] {
        QStringList commands;
        for (const auto &frame : kb->frameLog())
            if (frame.direction == VirtualKeyboard::Direction::ToKeyboard)
                commands << QString::number(frame.bytes.at(2), 16);
        return commands;
    };
    const int cellE = kb->cellOf(0x08);
    x.activate({lobby});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 7, 20000);
    waitIdle();
    const quint16 withPair = kb->state().params[8][cellE];
    kb->clearFrameLog();
    x.activate({shooter});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 8, 20000);
    waitIdle();
    QVERIFY(kb->state().params[8][cellE] != withPair);
    QCOMPARE(sentCommands(), (QStringList{"23", "23"})); // the per-key records of the pair's two keys
    QCOMPARE(window->activeProfileText(), QString("Arena — 自动：shooter（已关闭 SOCD 与 RS 按键）"));
    QVERIFY(window->windowTitle().endsWith(" — 已关闭 SOCD 与 RS 按键"));
    kb->clearFrameLog();
    x.activate({lobby});
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 9, 20000);
    waitIdle();
    QCOMPARE(kb->state().params[8][cellE], withPair);
    QCOMPARE(sentCommands(), QStringList{"2c"}); // the pair's record
    QCOMPARE(window->activeProfileText(), QString("Arena — 自动：lobby"));
    QVERIFY(!window->windowTitle().contains("SOCD"));

    // During a firmware update the switch waits for the keyboard to be
    // given back.
    IAPFirmwareWindow *dialog = window->openFirmwareDialog("1.0", false);
    emit dialog->sigStartUpdate();
    QSignalSpy front(window->focusPolicy(), &FocusPolicy::frontSettled);
    x.activate({game});
    QVERIFY(front.wait(20000));
    QCOMPARE(switched.count(), 9);
    emit dialog->sigDeviceReleased();
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 10, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("FPS"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(1100), 20000);
    dialog->close();

    // No switch wrote a profile file: each still holds its own travel.
    for (const auto &[name, travel] : {std::pair<QString, int>{"FPS", 1100}, {"Typing", 2200}, {"Daily", 3300}}) {
        ProfileDocument doc;
        QVERIFY(readProfileFile(QDir(ProfileManager::profileFolder()).filePath(name + ".kb"), &doc));
        QCOMPARE(readProfile(doc).performance->globalTravelUm, travel);
    }
    ProfileDocument arenaDoc;
    QVERIFY(readProfileFile(QDir(ProfileManager::profileFolder()).filePath("Arena.kb"), &arenaDoc));
    QCOMPARE(readProfile(arenaDoc).advanced->size(), 2);
    QVERIFY(notes.isEmpty());

    focus.reset();
    window.reset();
    setUserMessageSink({});
    worker.reset();
    HidBackend::setInstance(nullptr);
#endif
}

// The same on a headless Sway: windows by app id, focused by swaymsg; a
// flicker to another window and back switches nothing; leaving a game whose
// rule says so goes back to the profile before it.
void TestFocusSwitch::profileFollowsSwayWindows()
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

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SystemConfig config;
    config.setLanguage("Chinese");
    writeProfileWithTravel("FPS", 1100);
    writeProfileWithTravel("Typing", 2200);
    AppProfileRules rules;
    AppProfileRule game{"alpha", "FPS"};
    game.leave = AppProfileRule::Leave::Back;
    rules.rules = {game, {"beta", "Typing"}};
    writeAppProfileRules(config, rules);
    QVERIFY(config.sync());

    VirtualHidBackend backend;
    VirtualKeyboard::Options o;
    o.latencyUs = 0;
    VirtualKeyboard *kb = &backend.addKeyboard(o);
    HidBackend::setInstance(&backend);
    auto worker = std::make_unique<KeyboardAction>();
    worker->setFirstWriteDelay(0);
    worker->setProbeTimeout(30);
    worker->setAnswerTimeout(60);
    ProfileManager profiles;
    ExternalDeviceNotifier notifier;
    auto window = std::make_unique<MainWindow>(&notifier, worker.get(), &profiles);
    WlrFocusSource focus(sway.display());
    window->setFocusSource(&focus);
    QSignalSpy switched(window.get(), &MainWindow::profileFollowedFocus);
    QSignalSpy settled(window->focusPolicy(), &FocusPolicy::frontSettled);
    QVERIFY(focus.start());
    // The windows, each in front once it is there; beta last. The keyboard
    // comes then, and takes beta's profile.
    for (const char *app : {"gamma", "alpha", "beta"}) {
        sway.openWindow(app, QString(app).toUpper());
        QTRY_COMPARE_WITH_TIMEOUT(focus.current().windowClass, QString(app), 20000);
    }
    window->startDevice();
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 1, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("Typing"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(2200), 20000);

    QVERIFY(sway.command("[app_id=\"alpha\"] focus"));
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 2, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("FPS"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(1100), 20000);
    QCOMPARE(window->activeProfileText(), QString("FPS — 自动：alpha"));

    // A flicker: beta and straight back to alpha, in one go.
    settled.clear();
    QVERIFY(sway.command("[app_id=\"beta\"] focus; [app_id=\"alpha\"] focus"));
    // Leaving the game for a window no rule names: back to the profile in
    // use before it, shown as it was (not as an automatic choice).
    QVERIFY(sway.command("[app_id=\"gamma\"] focus"));
    QTRY_COMPARE_WITH_TIMEOUT(switched.count(), 3, 20000);
    QCOMPARE(switched.last().at(0).toString(), QString("Typing"));
    QTRY_COMPARE_WITH_TIMEOUT(kb->state().deadBand.gdBi, quint16(2200), 20000);
    QCOMPARE(window->activeProfileText(), QString("Typing"));
    QCOMPARE(settled.count(), 1);
    QCOMPARE(settled.first().first().value<FocusedApp>().windowClass, QString("gamma"));

    window.reset();
    worker.reset();
    HidBackend::setInstance(nullptr);
#endif
}

QTEST_MAIN(TestFocusSwitch)
#include "test_focusswitch.moc"
