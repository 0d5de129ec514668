// The main window against the virtual keyboard: plug and unplug, what the
// window shows, the requests it sends, the Win/Mac question and the profile
// flows.

#include "AdvancedKeySetPageWgt.h"
#include "AppParams.h"
#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "FileItemWgt.h"
#include "FileListWgt.h"
#include "HidBackend.h"
#include "IAPFirmwareWindow.h"
#include "KB2FirmwareDevelop.h"
#include "KeyboardAction.h"
#include "KeyConfigWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"
#include "KeyboardDeck.h"
#include "KeyboardLock.h"
#include "LanguageManager.h"
#include "PerformancePageWgt.h"
#include "ColorChooseWgt.h"
#include "ColorConfigWgt.h"
#include "CustomKeySetPageWgt.h"
#include "KeyboardController.h"
#include "MainWindow.h"
#include "ModalGuard.h"
#include "KeyboardConfigModel.h"
#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "QueuedSpy.h"
#include "RuntimeDir.h"
#include "SendDataProgress.h"
#include "ShareCode.h"
#include "SnapshotListWindow.h"
#include "ShellResources.h"
#include "SignalObject.h"
#include "SystemConfig.h"
#include "UserMessage.h"
#include "VirtualHidBackend.h"
#include "WindowRig.h"

#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Rig = WindowRig;

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { corvaneInitResources(); }
    void connectionLifecycle();
    void modelFromTheBoard();
    void winMacQuestion();
    void bootLoaderQuestion();
    void profileFlows();
    void profileListTellsTheTruth();
    void appliedProfileIsChecked();
    void profileColumnAndExportTitle();
    void liveWorkEndsWithTheKeyboard();
    void probingLeavesTheWindowResponsive();
    void incompleteReadBackIsTold();
    void firmwareUpdateFromSettings();
    void factoryResetLeavesNoStalePage();
    void keyboardHeldByAnotherProgram();
    void profilesTravelThroughTheWindow();
    void offlineEditing();
};

void TestMainWindow::connectionLifecycle()
{
    Rig rig;
    QCOMPARE(rig.window->statusText(), QString("未连接"));
    QSignalSpy titles(rig.window.get(), &QWidget::windowTitleChanged);
    QVERIFY(rig.connected());

    const STU_BoardInfo2 info = rig.worker->boardInfo();
    const QString base = QString("Corvane---板子ID:%1|序列号:SIM0000000000001|版本号:V1.0.3").arg(info.boardId);
    QVERIFY(titles.count() >= 2);
    QCOMPARE(titles.first().first().toString(), base + "|正在读取数据...");
    QCOMPARE(rig.window->windowTitle(), base);

    // The requests after the board information, in their order.
    const QVector<int> cmds = rig.sentCommands();
    const QVector<int> head = {0x01, 0x01, 0x100 + 38, 0x100 + 80, 0x100 + 37, 0x2B, 0x2B, 0x2B, 0x23};
    QCOMPARE(cmds.mid(0, head.size()), head);
    QCOMPARE(cmds.mid(cmds.size() - 4), QVector<int>({0x18, 0x29, 0x100 + 33, 0x100 + 34}));
    QVERIFY(rig.window->macButton()->isChecked()); // the keyboard is in Mac mode

    // An unrelated device arriving changes nothing.
    rig.kb->clearFrameLog();
    rig.notifier.notify("sim:kb0:other0", true);
    QVERIFY(rig.idle());
    QCOMPARE(rig.window->windowTitle(), base);
    QVERIFY(rig.sentCommands().isEmpty());

    // An edit is a step to undo: the button says which; Ctrl+Z undoes it,
    // Ctrl+Y redoes it.
    MainWindow &w = *rig.window;
    QVERIFY(!w.undoButton()->isEnabled() && !w.redoButton()->isEnabled());
    const quint16 travel = rig.kb->state().deadBand.gdBi;
    w.configModel()->edit({"全局行程", "a", "b"}, KeyboardConfigModel::MergeGlobalTravel,
                          [](KeyboardConfig &c) { c.performance.globalTravelUm = 1230; });
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(1230));
    QVERIFY(w.undoButton()->isEnabled());
    QCOMPARE(w.undoButton()->toolTip(), QString("还原：全局行程 a → b"));
    QCOMPARE(w.undoButton()->accessibleName(), QString("还原"));
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, travel);
    QVERIFY(!w.undoButton()->isEnabled() && w.redoButton()->isEnabled());
    QCOMPARE(w.redoButton()->toolTip(), QString("重做：全局行程 a → b"));
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(1230));

    // Unplug: the window says so and the device is closed; the history
    // goes with the keyboard.
    QSignalSpy removed(rig.window->lifecycle(), &DeviceLifecycle::keyboardRemoved);
    rig.kb->unplug();
    QVERIFY(removed.wait(20000));
    QCOMPARE(w.configModel()->history()->count(), 0);
    QVERIFY(!w.undoButton()->isEnabled() && !w.redoButton()->isEnabled());
    QCOMPARE(rig.window->windowTitle(), QString("键盘设备已被移除!"));
    QCOMPARE(rig.window->statusText(), QString("未连接"));
    QVERIFY(!rig.worker->isDeviceOpen());

    // Arrivals of other devices while nothing is open are not even written to.
    rig.notifier.notify("sim:kb0:other0", true);
    rig.notifier.notify("sim:kb0:other1", true);
    QVERIFY(rig.idle());
    QCOMPARE(rig.backend.foreignReportsWritten(), 0);
    QCOMPARE(rig.window->statusText(), QString("未连接"));

    // Plug again: probed, reopened, read back.
    QSignalSpy done(rig.window->lifecycle(), &DeviceLifecycle::initialReadFinished);
    rig.kb->plug();
    QVERIFY(done.wait(20000));
    QCOMPARE(rig.window->windowTitle(), base);
    QVERIFY(rig.worker->isDeviceOpen());

    // The status and the title follow a language change, both ways.
    LanguageManager *language = LanguageManager::instance();
    language->setLanguage("English");
    QCoreApplication::processEvents(); // the language change is posted
    QCOMPARE(rig.window->statusText(), QString("Connected"));
    QVERIFY(rig.window->windowTitle().contains("Board ID:"));
    language->setLanguage("Chinese");
    QCoreApplication::processEvents();
    QCOMPARE(rig.window->statusText(), QString("已连接"));
    QCOMPARE(rig.window->windowTitle(), base);
}

void TestMainWindow::modelFromTheBoard()
{
    Rig rig(3); // a family-3 board: the 99-key model
    QSignalSpy models(rig.window->lifecycle(), &DeviceLifecycle::modelSelected);
    QVERIFY(rig.connected());
    QCOMPARE(rig.window->shownModel(), 3);
    QCOMPARE(SystemConfig().keyboardModel(), 3);
    KeyboardBaseWgt *view = rig.window->keyboardView(0);
    QVERIFY(view && view->isActive());

    // The same board word again does not rebuild the views.
    QSignalSpy removed(rig.window->lifecycle(), &DeviceLifecycle::keyboardRemoved);
    rig.kb->unplug();
    QVERIFY(removed.wait(20000));
    QSignalSpy done(rig.window->lifecycle(), &DeviceLifecycle::initialReadFinished);
    rig.kb->plug();
    QVERIFY(done.wait(20000));
    QCOMPARE(models.count(), 1);
    QCOMPARE(rig.window->keyboardView(0), view);
}

void TestMainWindow::winMacQuestion()
{
    Rig rig;
    QVERIFY(rig.connected());
    QVERIFY(rig.window->macButton()->isChecked());

    // No: nothing goes to the keyboard and Mac is checked again, without a
    // second question.
    rig.kb->clearFrameLog();
    rig.answer = false;
    rig.window->winButton()->click();
    QCOMPARE(rig.questions.size(), 1);
    QCOMPARE(rig.questions.first(), QString("切换模式|是否从Mac模式切换到Win模式？"));
    QVERIFY(rig.window->macButton()->isChecked());
    QVERIFY(rig.idle());
    QVERIFY(rig.sentCommands().isEmpty());
    QCOMPARE(rig.kb->state().systemMode, 1);

    // Yes: the switch goes out, then the layout is read again.
    rig.answer = true;
    rig.window->winButton()->click();
    QCOMPARE(rig.questions.size(), 2);
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().systemMode, 0);
    const QVector<int> cmds = rig.sentCommands();
    QCOMPARE(cmds.first(), 0x100 + 48);
    QVERIFY(cmds.count(0x23) > 0);
}

void TestMainWindow::bootLoaderQuestion()
{
    for (bool yes : {false, true}) {
        Rig rig(0, true);
        rig.answer = yes;
        rig.window->startDevice();
        QVERIFY(rig.idle());
        QCOMPARE(rig.questions.size(), 1);
        QCOMPARE(rig.questions.first(), QString("Boot模式|键盘App程序不存在，请升级固件？"));
        QCOMPARE(rig.window->statusText(), QString("请升级固件"));
        QVERIFY(rig.idle());
        const bool readsSent = rig.sentCommands().contains(0x100 + 38);
        QCOMPARE(readsSent, yes);
        // Yes opens the settings dialog for a keyboard without firmware.
        QCOMPARE(rig.window->firmwareDialog() != nullptr, yes);
        if (yes) {
            QVERIFY(rig.window->firmwareDialog()->isBootLoader());
            QCOMPARE(rig.window->firmwareDialog()->statusText(), QString("固件不存在，请先升级固件"));
            QVERIFY(rig.window->windowTitle().endsWith("版本号:Boot V1.0"));
        }
    }
}

void TestMainWindow::profileFlows()
{
    Rig rig;
    QVERIFY(rig.connected());
    MainWindow &w = *rig.window;
    const QString folder = ProfileManager::profileFolder();

    // Save a new profile.
    rig.nextName = "Daily";
    w.saveProfile();
    QVERIFY(QFile::exists(folder + "/Daily.kb"));
    QCOMPARE(w.profileList()->entryCount(), 1);
    QCOMPARE(w.profileNames(), QStringList({"Daily"}));
    const int dailyId = rig.profiles->profileIdForFile("Daily.kb");
    QVERIFY(dailyId > 0);

    // The same name again: No keeps the file, Yes overwrites it.
    rig.answer = false;
    w.saveProfile();
    QCOMPARE(rig.questions.last(), QString("覆盖已有配置|配置Daily已存在，是否覆盖该配置？"));
    QCOMPARE(w.profileList()->entryCount(), 1);
    rig.answer = true;
    QFile::remove(folder + "/Daily.kb");
    w.saveProfile();
    QVERIFY(QFile::exists(folder + "/Daily.kb"));
    QCOMPARE(w.profileList()->entryCount(), 1);

    // Export, then import it back under another name.
    rig.nextFile = rig.dir.filePath("exported.kb");
    w.exportProfile(dailyId);
    QVERIFY(QFile::exists(rig.nextFile));
    QVERIFY(QFile::copy(rig.nextFile, rig.dir.filePath("Travel.kb")));
    rig.nextFile = rig.dir.filePath("Travel.kb");
    w.importProfile();
    QVERIFY(QFile::exists(folder + "/Travel.kb"));
    QCOMPARE(w.profileList()->entryCount(), 2);
    const int travelId = rig.profiles->profileIdForFile("Travel.kb");
    QVERIFY(travelId > 0 && travelId != dailyId);

    // Apply: what differs goes out. The keyboard's macro binding is taken
    // off first, so the profile brings it back; its macro has no file here,
    // which the user is told, and the box is closed rather than left to
    // time out.
    KeyboardConfigModel *config = w.configModel();
    int macroKey = -1;
    for (auto it = config->config().advanced.cbegin(); it != config->config().advanced.cend(); ++it)
        if (it->kind() == Bind_MACRO)
            macroKey = it.key();
    QVERIFY(macroKey >= 0);
    config->edit({"unbind", {}, {}}, KeyboardConfigModel::NoMerge,
                 [macroKey](KeyboardConfig &c) { c.advanced.remove(macroKey); });
    QVERIFY(rig.idle());
    rig.notes.clear();
    w.chooseProfile(travelId);
    QCOMPARE(rig.questions.last(), QString("应用配置|是否应用该配置到键盘？"));
    QCoreApplication::processEvents(); // the profile is applied from a queued signal
    QCOMPARE(rig.profiles->currentId(), travelId);
    QVERIFY(rig.idle());
    QCOMPARE(rig.notes, QStringList{"error|open file failure!"});
    QVERIFY(!SendDataProgress::instance()->isVisible());
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(1234));

    // Rename through the entry, then delete it.
    emit w.profileList()->sigMenuItemRename(travelId, "Daily"); // taken: refused, entry unchanged
    QVERIFY(QFile::exists(folder + "/Travel.kb"));
    QCOMPARE(w.profileList()->entry(travelId)->text(), QString("Travel"));
    emit w.profileList()->sigMenuItemRename(travelId, "Trip");
    QVERIFY(QFile::exists(folder + "/Trip.kb"));
    QVERIFY(!QFile::exists(folder + "/Travel.kb"));
    QMenu *menu = w.profileList()->entryMenu(travelId, &w);
    for (QAction *action : menu->actions())
        if (action->text() == "删除")
            action->trigger();
    QVERIFY(!QFile::exists(folder + "/Trip.kb"));
    QCOMPARE(w.profileList()->entryCount(), 1);

    // While the keyboard is being read, profile actions are refused. A slow
    // keyboard keeps the read going: a quick one can finish the whole read
    // before the click when the window's thread is not scheduled for a while.
    VirtualKeyboard::Faults slow;
    slow.delayAnswersMs = 150;
    rig.kb->setFaults(slow);
    rig.worker->setAnswerTimeout(1000);
    rig.worker->startInitialRead();
    rig.notes.clear();
    w.saveProfile();
    QCOMPARE(rig.notes.value(0), QString("提示|正在初始化设备配置中，请稍后在操作..."));
    rig.kb->setFaults({});
    rig.worker->setAnswerTimeout(60);
    QVERIFY(rig.idle());
}

// After a profile is applied, what the keyboard acknowledged is compared
// with what the profile should leave: a match says nothing, a setting the
// keyboard answered for but did not keep is told once.
void TestMainWindow::appliedProfileIsChecked()
{
    Rig rig;
    QVERIFY(rig.connected());
    MainWindow &w = *rig.window;
    auto import = [&rig, &w](const QString &name, const KeyboardConfig &config) {
        rig.nextFile = rig.dir.filePath(name + ".kb");
        if (!writeProfileFile(rig.nextFile, writeProfile(profileOfConfig(config))))
            return 0;
        w.importProfile();
        return rig.profiles->profileIdForFile(name + ".kb");
    };
    auto apply = [&rig, &w](int id) {
        rig.notes.clear();
        w.chooseProfile(id);
        QCoreApplication::processEvents(); // the profile is applied from a queued signal
        const bool idle = rig.idle();
        QCoreApplication::processEvents(); // the window's own idle report
        return idle;
    };

    // Lighting, global travel, one key's own travel and a SOCD pair (the
    // profile names one half) differ; the keyboard's colours stay.
    KeyboardConfig want = w.configModel()->config();
    QVERIFY(!want.keyTravel.isEmpty());
    QVERIFY(!want.keyColours.isEmpty());
    want.lighting.brightness = want.lighting.brightness == 3 ? 2 : 3;
    want.performance.globalTravelUm += 100;
    const int key = want.keyTravel.firstKey();
    KeyTravelRecord travel = want.keyTravel.value(key);
    travel.workMode = WorkOwnTravel;
    travel.keyTouchDis = travel.keyTouchDis == 1700 ? 1800 : 1700;
    want.setKeyTravel(key, travel);
    const int e = keyTypeFromCode(0x08), r = keyTypeFromCode(0x15);
    want.advanced[e] = SOCDInfo{e, r};
    want.advanced.remove(r);
    const int kept = import("Kept", want);
    QVERIFY(kept > 0);
    QVERIFY(apply(kept));
    QCOMPARE(rig.notes, QStringList());
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(want.performance.globalTravelUm));
    auto partnerOf = [&rig](quint8 wire) { return rig.kb->state().params[9][rig.kb->cellOf(wire)]; };
    QCOMPARE(partnerOf(0x15), quint16(0x08)); // the keyboard holds both halves

    // The keyboard answers the dead-band write as taken but keeps its travel.
    KeyboardConfig more = want;
    more.performance.globalTravelUm += 200;
    const int ignored = import("Ignored", more);
    QVERIFY(ignored > 0);
    VirtualKeyboard::Faults f;
    f.onlyCommand = 0x29;
    f.ignoreWrites = 1;
    rig.kb->setFaults(f);
    QVERIFY(apply(ignored));
    QCOMPARE(rig.notes, QStringList{"提示|键盘没有保存配置“Ignored”的全部设置，请重新应用该配置。"});
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(want.performance.globalTravelUm));

    // ... or a SOCD binding.
    KeyboardConfig pair = want;
    const int c = keyTypeFromCode(0x06), v = keyTypeFromCode(0x19);
    pair.advanced[c] = SOCDInfo{c, v};
    const int ignoredPair = import("IgnoredPair", pair);
    QVERIFY(ignoredPair > 0);
    f.onlyCommand = 0x2C;
    rig.kb->setFaults(f);
    QVERIFY(apply(ignoredPair));
    QCOMPARE(rig.notes, QStringList{"提示|键盘没有保存配置“IgnoredPair”的全部设置，请重新应用该配置。"});
    QVERIFY(partnerOf(0x06) != 0x19);
}

// The list shows every profile file, however many there are and whether
// or not it reads, and never loses one behind the user's back.
void TestMainWindow::profileListTellsTheTruth()
{
    const QByteArray broken = "not a profile";
    Rig rig(0, false, [&broken] {
        const QString folder = ProfileManager::profileFolder();
        QDir().mkpath(folder);
        for (int i = 1; i <= 99; ++i)
            QVERIFY(writeProfileFile(QString("%1/p%2.kb").arg(folder).arg(i, 2, 10, QChar('0')),
                                     defaultProfileDocument()));
        QFile bad(folder + "/broken.kb");
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(broken) == broken.size());
    });
    QVERIFY(rig.connected());
    MainWindow &w = *rig.window;
    const QString folder = ProfileManager::profileFolder();
    FileListWgt *list = w.profileList();

    // The damaged file is listed, marked, and cannot be applied.
    QCOMPARE(list->entryCount(), 100);
    const int brokenId = rig.profiles->profileIdForFile("broken.kb");
    FileItemWgt *entry = list->entry(brokenId);
    QVERIFY(entry);
    QCOMPARE(entry->text(), QString("broken"));
    QVERIFY(entry->findChild<QLabel *>("profileDamageMark")->isVisibleTo(entry));
    QCOMPARE(entry->toolTip(), QString("已损坏：内容不是有效的配置"));
    const int sentBefore = rig.sentCommands().size();
    w.chooseProfile(brokenId);
    QCOMPARE(rig.notes.last(), QString("提示|配置文件“broken.kb”已损坏，无法应用：内容不是有效的配置"));
    QVERIFY(rig.questions.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(rig.profiles->currentId(), 0);
    QCOMPARE(rig.sentCommands().size(), sentBefore);

    // A save of its name asks first; No leaves the file as it was, Yes
    // replaces it and the entry becomes a profile.
    rig.answer = false;
    rig.nextName = "broken";
    w.saveProfile();
    QCOMPARE(rig.questions.last(), QString("覆盖已有配置|配置broken已存在，是否覆盖该配置？"));
    QFile bad(folder + "/broken.kb");
    QVERIFY(bad.open(QIODevice::ReadOnly));
    QCOMPARE(bad.readAll(), broken);
    bad.close();
    rig.answer = true;
    w.saveProfile();
    QVERIFY(!rig.profiles->isDamaged(brokenId));
    QVERIFY(!entry->findChild<QLabel *>("profileDamageMark")->isVisibleTo(entry));
    QCOMPARE(list->entryCount(), 100);

    // Past 99 entries a save is still listed, not only announced.
    rig.nextName = "Hundred";
    w.saveProfile();
    QCOMPARE(list->entryCount(), 101);
    const int hundredId = rig.profiles->profileIdForFile("Hundred.kb");
    QVERIFY(hundredId > 0);
    QVERIFY(list->entry(hundredId));

    // A delete whose file cannot be removed (a folder now stands in its
    // place) keeps the entry and the name.
    QVERIFY(QFile::remove(folder + "/Hundred.kb"));
    QVERIFY(QDir().mkpath(folder + "/Hundred.kb/inside"));
    emit list->sigMenuItemDelete(hundredId);
    QVERIFY(list->entry(hundredId));
    QVERIFY(w.profileNames().contains("Hundred"));
}

void TestMainWindow::profileColumnAndExportTitle()
{
    Rig rig;
    MainWindow &w = *rig.window;
    w.resize(1200, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 20000));

    // The left column: a bold "配置文件" above the list's title.
    QLabel *heading = nullptr, *title = nullptr;
    for (QLabel *label : w.findChild<QWidget *>("MainWindowLeft")->findChildren<QLabel *>()) {
        if (label->text() == "配置文件")
            heading = label;
        else if (label->text() == "配置文件列表")
            title = label;
    }
    QVERIFY(heading && title);
    QVERIFY(heading->font().bold());
    QVERIFY(heading->mapTo(&w, QPoint()).y() < title->mapTo(&w, QPoint()).y());

    // The export dialog's title, from the ordinary prompts: a real dialog,
    // closed below, even in an unattended run.
    const ModalGuard::AllowBoxes boxes;
    QString seen;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&seen, &closer] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            seen = dialog->windowTitle();
            closer.stop();
            dialog->close();
        }
    });
    closer.start();
    QVERIFY(UserPrompts::dialogs(&w).chooseExportFile(rig.dir.filePath("x.kb")).isEmpty());
    QCOMPARE(seen, QString("选择要保存的文件"));
}

void TestMainWindow::liveWorkEndsWithTheKeyboard()
{
    Rig rig;
    QVERIFY(rig.connected());
    SignalObject *hub = SignalObject::instance();
    QueuedSpy rounds(rig.worker->reports(), &KeyboardWorker::sigUpdateMMData);

    // Leaving the page (the hub's stop) ends the key test on the keyboard.
    rig.worker->startKeyTest();
    QVERIFY(rounds.wait(20000));
    emit hub->sigStopKeyTest();
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));

    // The keyboard goes while the key test runs, before any removal notice:
    // the worker's failed write is enough for the window to say so.
    rig.worker->startKeyTest();
    QVERIFY(rounds.wait(20000));
    QSignalSpy removed(rig.window->lifecycle(), &DeviceLifecycle::keyboardRemoved);
    QSignalSpy stopTest(hub, &SignalObject::sigStopKeyTest);
    rig.forwardPlugging = false;
    rig.kb->unplug();
    QVERIFY(removed.wait(20000));
    QCOMPARE(rig.window->statusText(), QString("未连接"));
    QCOMPARE(rig.window->windowTitle(), QString("键盘设备已被移除!"));
    QCOMPARE(stopTest.count(), 1); // the pages are told
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));

    // Plugged back, it gets a whole new connection.
    rig.forwardPlugging = true;
    QSignalSpy done(rig.window->lifecycle(), &DeviceLifecycle::initialReadFinished);
    rig.kb->clearFrameLog();
    rig.kb->plug();
    QVERIFY(done.wait(20000));
    QCOMPARE(rig.sentCommands().mid(0, 2), QVector<int>({0x01, 0x01}));
    QCOMPARE(rig.window->statusText(), QString("已连接"));
}

// Probing happens off the GUI thread: while the worker waits out the probe
// that the keyboard misses, the window's own timers keep running. (How long
// the GUI thread is held is a figure of bench_device, not a test.)
void TestMainWindow::probingLeavesTheWindowResponsive()
{
    Rig rig;
    rig.worker->setProbeTimeout(1000);
    rig.kb->unplug();
    QVERIFY(rig.kb->waitForPlugged(false, 20000));
    rig.window->startDevice();
    QVERIFY(rig.idle());
    VirtualKeyboard::Faults f;
    f.dropAnswers = 1;
    rig.kb->setFaults(f);

    QSignalSpy arrived(rig.window->lifecycle(), &DeviceLifecycle::keyboardArrived);
    const int framesBefore = rig.kb->framesReceived();
    int ticksDuringProbe = 0;
    QTimer ticker;
    ticker.setInterval(5);
    connect(&ticker, &QTimer::timeout, [&] {
        if (rig.kb->framesReceived() > framesBefore && arrived.isEmpty())
            ++ticksDuringProbe;
    });
    ticker.start();
    rig.kb->plug();
    QVERIFY(arrived.wait(20000));
    ticker.stop();
    QVERIFY2(ticksDuringProbe > 0, "the GUI thread ran no timer while the keyboard was probed");
    QVERIFY(rig.kb->framesReceived() >= 3); // both interfaces were probed before the keyboard answered
}

void TestMainWindow::incompleteReadBackIsTold()
{
    VirtualKeyboard::Faults f;
    {
        Rig rig;
        f.onlyCommand = 0x2A; // one batch of key colours refused
        f.failStatus = 1;
        rig.kb->setFaults(f);
        QSignalSpy notices(rig.window->lifecycle(), &DeviceLifecycle::notice);
        QSignalSpy complete(rig.window->lifecycle(), &DeviceLifecycle::readBackComplete);
        QVERIFY(rig.connected());
        QVERIFY(notices.count() == 1 || notices.wait(20000));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().first().toString(), QString("未能完整读取键盘配置（按键颜色），请重新插拔键盘后再试。"));
        QVERIFY(rig.window->windowTitle().endsWith("|读取不完整"));
        QCOMPARE(rig.window->statusText(), QString("读取不完整"));
        QCOMPARE(complete.count(), 0);
        // The board's read-back is not taken for a profile: it would save
        // colours it never read.
        QVERIFY(rig.profiles->currentDocument().isEmpty());
    }

    // Dead zones not read: the pages do not show, and the profile in use
    // does not take, the values the keyboard never reported.
    Rig other;
    ProfileData inUse;
    PerformanceSettings performance;
    performance.globalTravelUm = 1500;
    performance.pressDeadZoneUm = 100;
    performance.hasDeadZones = true;
    inUse.performance = performance;
    QVERIFY(other.profiles->AdoptBoardDocument(writeProfile(inUse)));
    f.onlyCommand = 0x29; // the dead-band record's read refused
    other.kb->setFaults(f);
    QSignalSpy otherNotices(other.window->lifecycle(), &DeviceLifecycle::notice);
    other.window->startDevice();
    QVERIFY(otherNotices.wait(20000));
    QVERIFY(otherNotices.first().first().toString().startsWith("未能完整读取键盘配置"));
    const ProfileData after = readProfile(other.profiles->currentDocument());
    QVERIFY(after.performance);
    QCOMPARE(after.performance->globalTravelUm, 1500);
    QCOMPARE(after.performance->pressDeadZoneUm, 100);
}

// The settings button opens the dialog; an update there takes the keyboard
// from the worker, saves the configuration as a backup profile, gives the
// keyboard back, and the backup can be applied again.
void TestMainWindow::firmwareUpdateFromSettings()
{
    Rig rig;
    QVERIFY(rig.connected());
    MainWindow &w = *rig.window;
    const VirtualKeyboard::State before = rig.kb->state();
    QPushButton *settings = nullptr;
    for (QPushButton *b : w.findChildren<QPushButton *>())
        if (b->text() == "设置")
            settings = b;
    QVERIFY(settings);
    settings->click();
    IAPFirmwareWindow *dialog = w.firmwareDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->firmwareVersionText(), QString("V1.0.3"));
    QVERIFY(!dialog->isBootLoader());
    settings->click();
    QCOMPARE(w.firmwareDialog(), dialog); // one dialog at a time

    dialog->engine()->setPauseMs(2);
    dialog->engine()->setRestartWaitMs(20);
    dialog->engine()->setAnswerTimeoutMs(60);
    QFile image(rig.dir.filePath("fw.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly) && image.write(QByteArray(3000, 'x')) == 3000);
    image.close();
    IAPFirmwareWindow::Prompts prompts;
    prompts.ask = [&rig](const QString &title, const QString &text) {
        rig.questions << title + "|" + text;
        return true;
    };
    prompts.inform = [&rig](const QString &title, const QString &text) { rig.notes << title + "|" + text; };
    prompts.chooseFirmwareFile = [&image](const QString &) { return image.fileName(); };
    dialog->setPrompts(prompts);
    // The new firmware starts from its defaults.
    QObject::connect(dialog, &IAPFirmwareWindow::sigStartUpdate, dialog, [&rig] {
        rig.kb->modify([](VirtualKeyboard::State &s) {
            for (int c = 0; c < VirtualKeyboard::Cells; ++c)
                if (s.matrix[c])
                    s.params[4][c] = 2000;
        });
    });
    QSignalSpy restore(dialog, &IAPFirmwareWindow::sigRestoreProfile);
    dialog->chooseButton()->click();
    dialog->localButton()->click();
    // Closing (also when asked to end from outside) waits for the update.
    QVERIFY(dialog->isUpdating());
    QVERIFY(!w.close());
    QCOMPARE(w.profileList()->entryCount(), 1); // the backup
    QVERIFY(w.profileNames().value(0).startsWith("备份-"));
    QVERIFY(restore.wait(20000));
    QVERIFY(rig.questions.last().startsWith("恢复配置|"));
    QVERIFY(rig.worker->isDeviceOpen());
    QCoreApplication::processEvents(); // the profile is applied from a queued call
    QVERIFY(rig.idle());
    QVERIFY(rig.kb->state().params[4] == before.params[4]);
    QVERIFY(rig.kb->state().runningImage.size() == 3072);
    QVERIFY(!w.windowTitle().contains("移除"));
    const QList<SnapshotStore::Entry> snapshots = w.keyboard()->snapshots();
    QCOMPARE(snapshots.size(), 1);
    QCOMPARE(snapshots.first().reason, SnapshotStore::Reason::FirmwareUpdate);
    // The keyboard's macro has no file here: the backup leaves it out
    // rather than stop half-way.
    QVERIFY(rig.notes.filter("open file").isEmpty());
}

// The factory reset from the settings dialog: the performance and
// advanced-key pages start afresh and then show what the keyboard holds
// after the reset, not what it held before.
void TestMainWindow::factoryResetLeavesNoStalePage()
{
    Rig rig;
    QVERIFY(rig.connected());
    auto *performance = qobject_cast<PerformancePageWgt *>(rig.window->pages()->page(PagePerformance));
    auto *advanced = qobject_cast<AdvancedKeySetPageWgt *>(rig.window->pages()->page(PageAdvancedKeys));
    auto ownTravels = [&] {
        int n = 0;
        for (KeyboardBtn *b : rig.window->keyboards()->keys())
            n += b->keyData().travelDiffers || b->keyData().rapidTrigger ? 1 : 0;
        return n;
    };
    rig.window->pages()->changePage(PagePerformance);
    for (QPushButton *b : performance->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("高级设置"))
            b->click();
    QCOMPARE(performance->subPage(), 1);
    QVERIFY(!advanced->bindItems().isEmpty());
    QVERIFY(ownTravels() > 0);
    const quint16 globalBefore = rig.kb->state().deadBand.gdBi;

    QSignalSpy readAgain(rig.window->lifecycle(), &DeviceLifecycle::readBackComplete);
    emit SignalObject::instance()->sigBoardReset();
    QVERIFY(readAgain.wait(20000));
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().factoryResets, 1);
    const quint16 global = rig.kb->state().deadBand.gdBi;
    QVERIFY(global != globalBefore);
    QCOMPARE(performance->subPage(), 0);
    QCOMPARE(ownTravels(), 0);
    QVERIFY(advanced->bindItems().isEmpty());
    QLineEdit *globalBox = nullptr;
    for (QLineEdit *e : performance->findChildren<QLineEdit *>())
        if (e->accessibleName() == QStringLiteral("设置全局触发行程"))
            globalBox = e;
    QVERIFY(globalBox);
    QCOMPARE(globalBox->text(), QString::number(global / 1000.0, 'f', rig.window->keyboard()->capabilities().decimals));

    // What the keyboard held before the reset was kept, and comes back by
    // difference as one step of the history, which undoes it.
    KeyboardController *keyboard = rig.window->keyboard();
    const QList<SnapshotStore::Entry> snapshots = keyboard->snapshots();
    QCOMPARE(snapshots.size(), 1);
    QCOMPARE(snapshots.first().reason, SnapshotStore::Reason::FactoryReset);
    const int steps = keyboard->history()->count();
    QString why;
    QVERIFY2(keyboard->restoreSnapshot(snapshots.first().path, &why), qPrintable(why));
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, globalBefore);
    QCOMPARE(keyboard->history()->count(), steps + 1);
    QVERIFY(!advanced->bindItems().isEmpty());
    QVERIFY(ownTravels() > 0);
    keyboard->history()->undo();
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, global);
}

// While corvane-cli has the keyboard (a firmware update has it in its boot
// loader), the window sends it nothing, not even a probe on a plug or a
// firmware update of its own, and says who has it; when the other program
// lets go, it connects by itself.
void TestMainWindow::keyboardHeldByAnotherProgram()
{
    QTemporaryDir runtime;
    qputenv(RuntimeDirVariable, QFile::encodeName(runtime.path()));
    Rig rig;
    KeyboardLock cli(QStringLiteral("corvane-cli flash"));
    QCOMPARE(cli.tryAcquire(), KeyboardLock::Result::Acquired);
    rig.window->startDevice();
    QCOMPARE(rig.window->statusText(), QString("键盘正被 corvane-cli flash 使用"));
    rig.kb->unplug();
    rig.kb->plug();
    QCoreApplication::processEvents();
    QVERIFY(rig.kb->frameLog().empty());
    // Nor does a firmware update from the settings start.
    IAPFirmwareWindow *dialog = rig.window->openFirmwareDialog("1.0", false);
    QFile image(rig.dir.filePath("fw.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly) && image.write(QByteArray(3000, 'x')) == 3000);
    image.close();
    IAPFirmwareWindow::Prompts prompts = IAPFirmwareWindow::Prompts::dialogs(dialog);
    prompts.chooseFirmwareFile = [&image](const QString &) { return image.fileName(); };
    prompts.ask = [](const QString &, const QString &) { return true; }; // a local image: yes, write it
    dialog->setPrompts(prompts);
    dialog->chooseButton()->click();
    dialog->localButton()->click();
    QCOMPARE(dialog->statusText(), QString("键盘正被 corvane-cli flash 使用，升级没有开始。请等它结束后再试。"));
    QVERIFY(!dialog->isUpdating());
    dialog->close();
    QCoreApplication::processEvents();
    QVERIFY(rig.kb->frameLog().empty());

    QSignalSpy done(rig.window->lifecycle(), &DeviceLifecycle::initialReadFinished);
    cli.release();
    QVERIFY(done.wait(20000));
    QCOMPARE(rig.window->statusText(), QString("已连接"));
    KeyboardLock other(QStringLiteral("test"));
    QCOMPARE(other.tryAcquire(), KeyboardLock::Result::Held);
    QCOMPARE(other.otherHolder(), QString("Corvane"));

    // Gone with the keyboard; an unrelated device arriving meanwhile takes
    // the keyboard only for as long as it takes to see it is not one.
    QSignalSpy removed(rig.window->lifecycle(), &DeviceLifecycle::keyboardRemoved);
    rig.kb->unplug();
    QVERIFY(removed.wait(20000));
    rig.notifier.notify("sim:kb0:other0", true);
    QTRY_COMPARE_WITH_TIMEOUT(other.tryAcquire(), KeyboardLock::Result::Acquired, 20000);

    rig.kb->clearFrameLog();
    rig.kb->plug();
    QCoreApplication::processEvents();
    QCOMPARE(rig.window->statusText(), QString("键盘正被 test 使用"));
    QVERIFY(rig.kb->frameLog().empty());
    LanguageManager::instance()->setLanguage("English");
    QCoreApplication::processEvents();
    QCOMPARE(rig.window->statusText(), QString("The keyboard is in use by test"));
    LanguageManager::instance()->setLanguage("Chinese");
    QCoreApplication::processEvents();
    other.release();
    QVERIFY(done.wait(20000));
    QVERIFY(rig.worker->isDeviceOpen());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"

// Share codes pasted into the window, everything exported and imported at
// once, and a snapshot restored from its list: each shows what it holds and
// asks before anything is written; bad input is one message and changes
// nothing.
void TestMainWindow::profilesTravelThroughTheWindow()
{
    Rig rig;
    QVERIFY(rig.connected());
    MainWindow &w = *rig.window;
    QString clipboard;
    UserPrompts p;
    p.ask = [&rig](const QString &title, const QString &text) {
        rig.questions << title + "|" + text;
        return rig.answer;
    };
    p.inform = [&rig](const QString &title, const QString &text) { rig.notes << title + "|" + text; };
    p.askProfileName = [&rig] { return rig.nextName; };
    p.copyText = [&clipboard](const QString &text) { clipboard = text; };
    p.pastedText = [&clipboard] { return clipboard; };
    p.chooseBundleExport = [&rig](const QString &) { return rig.nextFile; };
    p.chooseBundleImport = [&rig](const QString &) { return rig.nextFile; };
    w.setPrompts(p);
    rig.nextName = "Daily";
    w.saveProfile();
    const int dailyId = rig.profiles->profileIdForFile("Daily.kb");
    QVERIFY(dailyId > 0);

    // Copied from the entry, pasted among chat text: a new profile beside it.
    emit w.profileList()->sigMenuItemShareCode(dailyId);
    QVERIFY(clipboard.startsWith("corvane1-"));
    clipboard = "试试：" + clipboard + " 很好用";
    for (QAction *a : w.moreButton()->menu()->actions())
        if (a->text() == "粘贴分享码")
            a->trigger();
    QVERIFY2(rig.questions.last().startsWith("导入分享码|分享码中的配置“Daily”（104 键盘）："), qPrintable(rig.questions.last()));
    QVERIFY(rig.questions.last().contains("同名配置已存在，将导入为“Daily_1”。"));
    QCOMPARE(w.profileList()->entryCount(), 2);
    QVERIFY(rig.profiles->profileIdForFile("Daily_1.kb") > 0);
    // Damaged, or for another model: told, nothing added.
    const QString code = findShareCode(clipboard);
    QVERIFY(w.importShareCode(code.left(code.size() - 5)));
    QCOMPARE(rig.notes.last(), QString("导入分享码|分享码已损坏（可能没有复制完整），请重新复制完整的分享码。"));
    SharedProfile other;
    QCOMPARE(decodeShareCode(code, &other), ShareCodeError::None);
    other.model = 6;
    QVERIFY(w.importShareCode(encodeShareCode(other)));
    QCOMPARE(rig.notes.last(), QString("导入分享码|这个分享码适用于 68 键盘，当前键盘是 104，没有导入。"));
    QVERIFY(!w.importShareCode("nothing to see"));
    QCOMPARE(w.profileList()->entryCount(), 2);

    // Everything at once: out, then back in, where all of it is there already.
    rig.nextFile = rig.dir.filePath("all.corvane");
    w.exportAll();
    QVERIFY(QFile::exists(rig.nextFile));
    QFile::remove(ProfileManager::profileFolder() + "/Daily_1.kb");
    rig.answer = false;
    w.importAll();
    QVERIFY2(rig.questions.last().startsWith("导入全部|这个文件包含 2 个配置、0 个宏"), qPrintable(rig.questions.last()));
    QVERIFY(!QFile::exists(ProfileManager::profileFolder() + "/Daily_1.kb"));
    rig.answer = true;
    w.importAll();
    QVERIFY(QFile::exists(ProfileManager::profileFolder() + "/Daily_1.kb"));
    QFile cut(rig.nextFile);
    QVERIFY(cut.open(QIODevice::ReadWrite) && cut.resize(cut.size() / 2));
    cut.close();
    const int questions = rig.questions.size();
    w.importAll();
    QCOMPARE(rig.notes.last(), QString("导入全部|这个文件已损坏（可能不完整），没有导入任何内容。"));
    QCOMPARE(rig.questions.size(), questions);

    // A Win/Mac switch keeps what the keyboard held; restoring it from the
    // list switches back, as one step.
    KeyboardController *keyboard = w.keyboard();
    const int mode = keyboard->config()->config().systemMode;
    QVERIFY(keyboard->setSystemMode(mode == SystemWindows ? SystemMac : SystemWindows));
    QVERIFY(rig.idle());
    SnapshotListWindow *list = w.openSnapshots();
    QVERIFY(list->isVisible());
    QCOMPARE(list->list()->count(), 1);
    QVERIFY(list->list()->item(0)->text().endsWith("切换 Win/Mac 模式前"));
    QVERIFY(!list->restoreButton()->isEnabled());
    list->list()->setCurrentRow(0);
    list->restoreButton()->click();
    QVERIFY(rig.idle());
    QCOMPARE(keyboard->config()->config().systemMode, mode);
    QCOMPARE(int(rig.kb->state().systemMode), mode);

    // A script's profile: what the keyboard held is kept first (the same
    // configuration is kept once only).
    const ProfileData before = profileOfConfig(keyboard->config()->config());
    keyboard->config()->edit({"brightness", {}, {}}, KeyboardConfigModel::NoMerge, [](KeyboardConfig &c) {
        c.lighting.brightness = c.lighting.brightness == 1 ? 2 : 1;
    });
    QVERIFY(rig.idle());
    QString why;
    QVERIFY(w.applyProfileFromOutside(before, "script", false, &why).started);
    QVERIFY(rig.idle());
    QCOMPARE(keyboard->snapshots().size(), 2);
    QCOMPARE(keyboard->snapshots().first().reason, SnapshotStore::Reason::OutsideApply);
}

// With no keyboard, a profile is edited as a keyboard of the chosen model:
// a page's edit and its undo reach the profile's file; the keyboard that
// comes later is offered the profile, and takes it.
void TestMainWindow::offlineEditing()
{
    Rig rig(0, false, [] {
        QDir().mkpath("LocalProfile");
        ProfileDocument doc = defaultProfileDocument();
        QJsonObject performance = doc.value("KeyPerformance").toObject();
        performance.insert("global-key-touch", 2000);
        doc.insert("KeyPerformance", performance);
        writeProfileFile("LocalProfile/Travel.kb", doc);
    });
    MainWindow &w = *rig.window;
    const int id = rig.profiles->profileIdForFile("Travel.kb");
    QVERIFY(id > 0);
    const auto stored = [] {
        ProfileDocument doc;
        readProfileFile("LocalProfile/Travel.kb", &doc);
        return doc.value("KeyPerformance").toObject().value("global-key-touch").toInt();
    };
    QVERIFY(w.startOfflineEditing(0, id));
    QCOMPARE(w.windowTitle(), QString("离线编辑：Travel (104)"));
    QCOMPARE(w.statusText(), w.windowTitle());
    QVERIFY(w.keyboardView(0));
    // The advanced page binds the model's keys as it would the keyboard's.
    QVERIFY(w.keyboard()->hasWireCode(keyTypeFromName("A")));
    QVERIFY(!w.keyboard()->hasWireCode(keyTypeFromName("Fn")));
    // The same user edits on three pages, offline now and on the keyboard
    // later: brightness one step down, the global travel, the "ABC" layout.
    const auto editPages = [&w] {
        auto *lighting = qobject_cast<ColorConfigWgt *>(w.pages()->page(PageLighting));
        w.pages()->changePage(PageLighting);
        QTest::keyClick(lighting->brightnessSlider(), Qt::Key_Left);
        auto *performance = qobject_cast<PerformancePageWgt *>(w.pages()->page(PagePerformance));
        w.pages()->changePage(PagePerformance);
        QLineEdit *globalBox = nullptr;
        for (QLineEdit *e : performance->findChildren<QLineEdit *>())
            if (e->accessibleName() == QStringLiteral("设置全局触发行程"))
                globalBox = e;
        QVERIFY(globalBox);
        globalBox->setText("1.50");
        emit globalBox->returnPressed();
        auto *remap = qobject_cast<CustomKeySetPageWgt *>(w.pages()->page(PageCustomKeys));
        w.pages()->changePage(PageCustomKeys);
        remap->layoutButton(5)->click();
    };
    editPages();
    QCOMPARE(w.configModel()->config().performance.globalTravelUm, 1500);
    QCOMPARE(w.configModel()->history()->count(), 3);
    QCOMPARE(stored(), 1500);
    ProfileDocument offline;
    QVERIFY(readProfileFile("LocalProfile/Travel.kb", &offline));
    QVERIFY(rig.kb->frameLog().empty()); // nothing went anywhere
    w.undoButton()->click();
    w.undoButton()->click();
    QCOMPARE(stored(), 2000);
    w.redoButton()->click();
    w.redoButton()->click();
    QCOMPARE(stored(), 1500);

    // A colour preset is the profile's; the keys' colours are the keyboard's,
    // so offline the keys take none and the page says why.
    auto *lighting = qobject_cast<ColorConfigWgt *>(w.pages()->page(PageLighting));
    w.pages()->changePage(PageLighting);
    const int modeBefore = w.configModel()->config().lighting.mode;
    lighting->chooser()->presetButton(1)->click();
    QVERIFY(w.configModel()->config().lighting.mode != modeBefore);
    QVERIFY(!lighting->chooser()->paintingNote()->isHidden());
    QVERIFY(!lighting->chooser()->fillAllButton()->isEnabled());
    const QMap<int, QColor> colours = w.configModel()->config().keyColours;
    const int steps = w.configModel()->history()->count();
    QTest::mouseClick(w.keyboards()->key(keyTypeFromName("A")), Qt::LeftButton);
    QCOMPARE(w.configModel()->config().keyColours, colours);
    QCOMPARE(w.configModel()->history()->count(), steps);
    QVERIFY(readProfileFile("LocalProfile/Travel.kb", &offline));

    // The keyboard comes: offered, taken by difference.
    QVERIFY(rig.connected());
    QVERIFY(!w.keyboard()->isOfflineEditing());
    QVERIFY(!w.windowTitle().startsWith("离线编辑"));
    QCOMPARE(rig.questions.last(), QString("离线编辑|是否把离线编辑的配置“Travel”应用到键盘？只发送与键盘不同的部分。"));
    QCoreApplication::processEvents();
    QVERIFY(rig.idle());
    QCOMPARE(rig.kb->state().deadBand.gdBi, quint16(1500));
    w.pages()->changePage(PageLighting);
    QVERIFY(lighting->chooser()->paintingNote()->isHidden());
    QVERIFY(lighting->chooser()->fillAllButton()->isEnabled());

    // On the keyboard: the profile as it was, the same edits, then what the
    // keyboard holds as a profile gives the same groups as the file.
    KeyboardController *keyboard = w.keyboard();
    ProfileDocument original = defaultProfileDocument();
    QJsonObject performance = original.value("KeyPerformance").toObject();
    performance.insert("global-key-touch", 2000);
    original.insert("KeyPerformance", performance);
    QString why;
    QVERIFY(w.applyProfileFromOutside(readProfile(original), "Travel", false, &why).started);
    QVERIFY(rig.idle());
    editPages();
    QVERIFY(rig.idle());
    const ProfileData online = profileOfConfig(keyboard->config()->config());
    const ProfileData fromFile = readProfile(offline);
    QCOMPARE(fromFile.lighting->brightness, online.lighting->brightness);
    QCOMPARE(*fromFile.performance, *online.performance);
    QCOMPARE((*fromFile.layers)[0], (*online.layers)[0]);
}
