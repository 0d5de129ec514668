// Corvane in the background: the program settings (rules tied to
// applications, starting with the session) and the system tray that keeps
// the keyboard session open after the window is closed.

#include "KeyboardAction.h"
#include "MainWindow.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "SessionAutostart.h"
#include "SettingsDialog.h"
#include "ShellResources.h"
#include "SystemConfig.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeWidget>
#include "TravelProfile.h"

#include <QtTest>

namespace {

// Two profiles, and a rule for an application whose profile is gone.
struct Rig : WindowRig {
    Rig()
        : WindowRig(0, false, [] {
              writeProfileWithTravel("FPS", 1100);
              writeProfileWithTravel("Typing", 2200);
              SystemConfig config;
              AppProfileRules rules;
              rules.rules = {{"oldgame", "Removed"}};
              writeAppProfileRules(config, rules);
          })
    {
    }
};

QPushButton *buttonNamed(QWidget *root, const QString &text)
{
    for (QPushButton *b : root->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QAction *actionNamed(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

} // namespace

class TestBackground : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { corvaneInitResources(); }
    void settingsStoreRulesAndShowMissingProfiles();
    void autostartEntry();
    void closingKeepsTheSessionInTheTray();
};

void TestBackground::settingsStoreRulesAndShowMissingProfiles()
{
    Rig rig;
    rig.window->show();
    rig.window->setFocusAvailable(false);
    rig.window->settingsDialogButton()->click();
    SettingsDialog *dialog = rig.window->settingsDialog();
    QVERIFY(dialog);
    // Without focus information the section says so.
    QVERIFY(dialog->findChild<QLabel *>("x11Note")->isVisibleTo(dialog));
    QVERIFY(!dialog->findChild<QLabel *>("focusSource")->isVisibleTo(dialog));

    auto *list = dialog->findChild<QTreeWidget *>("ruleList");
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(1), QString("Removed（配置不存在）"));
    QCOMPARE(list->topLevelItem(0)->data(1, Qt::AccessibleTextRole).toString(), QString("Removed（配置不存在）"));

    // A typed path is stored by its file name; a second rule for the same
    // application replaces the first.
    auto *app = dialog->findChild<QComboBox *>("appBox");
    auto *profile = dialog->findChild<QComboBox *>("profileBox");
    QCOMPARE(profile->count(), 2);
    app->setEditText("/usr/games/game.x86_64");
    profile->setCurrentText("Typing");
    buttonNamed(dialog, "添加规则")->click();
    app->setEditText("Game.x86_64");
    profile->setCurrentText("FPS");
    buttonNamed(dialog, "添加规则")->click();
    // "default" is the key of everything else, not an application.
    app->setEditText("default");
    buttonNamed(dialog, "添加规则")->click();
    QVERIFY(!dialog->errorText().isEmpty());

    auto *others = dialog->findChild<QComboBox *>("defaultBox");
    QCOMPARE(others->itemText(0), QString("保持当前配置"));
    others->setCurrentIndex(others->findText("Typing"));
    emit others->activated(others->currentIndex());

    list->setCurrentItem(list->topLevelItem(0));
    buttonNamed(dialog, "删除规则")->click();

    const AppProfileRules stored = readAppProfileRules(SystemConfig());
    QStringList storedText;
    for (const AppProfileRule &r : stored.rules)
        storedText << r.application + " -> " + r.profile;
#ifdef Q_OS_WIN
    const QString gameKey = QStringLiteral("game.x86_64"); // Windows' names know no case
#else
    const QString gameKey = QStringLiteral("Game.x86_64");
#endif
    QVERIFY2(stored.rules == (QList<AppProfileRule>{{gameKey, "FPS"}}), qPrintable(storedText.join(", ")));
    QCOMPARE(stored.defaultProfile, QString("Typing"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(1), QString("FPS"));

    // A default whose profile is gone is shown as such too.
    rig.window->settingsDialog()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->settingsDialog(), 20000);
    SystemConfig().setValue("AppProfiles/default", "Gone");
    // The source in use is named; a GNOME Shell whose extension is off says
    // how to turn it on.
    rig.window->setFocusAvailable(true);
    rig.window->setFocusSourceInfo("Sway (wlroots)", QString());
    SettingsDialog *again = rig.window->openSettingsDialog();
    QCOMPARE(again->findChild<QComboBox *>("defaultBox")->currentText(), QString("Gone（配置不存在）"));
    QCOMPARE(again->findChild<QLabel *>("focusSource")->text(), QString("跟随前台应用：Sway (wlroots)"));
    QVERIFY(!again->findChild<QLabel *>("x11Note")->isVisibleTo(again));

    // A game's rule that goes back to the profile before and keeps SOCD and
    // RS keys off.
    again->findChild<QComboBox *>("appBox")->setEditText("steam:730 — Counter-Strike 2");
    again->findChild<QComboBox *>("profileBox")->setCurrentText("Typing");
    again->findChild<QCheckBox *>("backBox")->setChecked(true);
    again->findChild<QCheckBox *>("noSocdBox")->setChecked(true);
    buttonNamed(again, "添加规则")->click();
    AppProfileRule game{"steam:730", "Typing"};
    game.leave = AppProfileRule::Leave::Back;
    game.socdRsOff = true;
    QCOMPARE(readAppProfileRules(SystemConfig()).rules.last(), game);
    auto *rules = again->findChild<QTreeWidget *>("ruleList");
    QCOMPARE(rules->topLevelItem(rules->topLevelItemCount() - 1)->text(1),
             QString("Typing（离开后恢复之前的配置，关闭 SOCD 与 RS 按键）"));
    QVERIFY(!again->findChild<QCheckBox *>("noSocdBox")->isChecked());
    again->close();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->settingsDialog(), 20000);
    rig.window->setFocusSourceInfo("GNOME Shell", "gnome-extensions enable corvane-focus@corvane.org");
    SettingsDialog *gnome = rig.window->openSettingsDialog();
    QVERIFY(gnome->findChild<QLabel *>("x11Note")->isVisibleTo(gnome));
    QVERIFY(gnome->findChild<QLabel *>("x11Note")->text().contains("gnome-extensions enable corvane-focus@corvane.org"));
}

void TestBackground::autostartEntry()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows the entry is the user's Run key, which test_windows writes in a key of its own");
#endif
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    Rig rig;
    rig.window->show();
    SettingsDialog *dialog = rig.window->openSettingsDialog();
    auto *box = dialog->findChild<QCheckBox *>("autostartBox");
    QVERIFY(!box->isChecked());
    const QString entry = config.path() + "/autostart/corvane.desktop";
    QCOMPARE(SessionAutostart::entryLocation(), entry);

    box->click();
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(text.startsWith("[Desktop Entry]\n"), qPrintable(text));
    QVERIFY2(text.contains("\nExec=" + QCoreApplication::applicationFilePath() + " --background --workdir "),
             qPrintable(text));
    box->click();
    QVERIFY(!QFile::exists(entry));
    QVERIFY(dialog->errorText().isEmpty());

    // Arguments the entry format reserves characters of are quoted.
    QCOMPARE(SessionAutostart::desktopExecLine("/opt/my apps/Corvane", {"--workdir", "/home/a\"b$c\\d", "50%"}),
             QString("\"/opt/my apps/Corvane\" --workdir \"/home/a\\\\\"b\\\\$c\\\\\\\\d\" 50%%"));

    // Where nothing can be written the box stays off and says why.
    QFile blocker(config.path() + "/notadir");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
    box->click();
    QVERIFY(!box->isChecked());
    QVERIFY(dialog->errorText().startsWith("无法更改自动启动项："));
    qunsetenv("XDG_CONFIG_HOME");
}

void TestBackground::closingKeepsTheSessionInTheTray()
{
    Rig rig;
    SystemConfig().setValue("AppProfiles/game", "FPS");
    QVERIFY(SystemConfig().sync());
    rig.window->show();
    QVERIFY(rig.connected());
    QSignalSpy quit(rig.window.get(), &MainWindow::quitRequested);

    // Without a tray, closing ends Corvane as it always has.
    rig.window->setTrayAvailability([] { return false; });
    QVERIFY(rig.window->close());
    QCOMPARE(quit.count(), 1);
    rig.window->show();

    // With one, the window goes and the keyboard session stays.
    rig.window->setTrayAvailability([] { return true; });
    QVERIFY(!rig.window->close());
    QVERIFY(rig.window->isHidden());
    QCOMPARE(quit.count(), 1);
    QVERIFY(rig.window->trayIcon() && rig.window->trayIcon()->isVisible());
    QVERIFY(rig.worker->isDeviceOpen());
    QSignalSpy answered(rig.worker->reports(), &KeyboardWorker::sigKB2DeviceInfo);
    rig.worker->queryBoardInfo();
    QVERIFY(answered.wait(20000));
    QVERIFY(rig.idle());

    // The tray menu applies another profile and ends Corvane.
    QMenu *menu = rig.window->trayMenu();
    emit menu->aboutToShow();
    QVERIFY(actionNamed(menu, "当前配置：键盘中的配置"));
    QAction *pick = actionNamed(menu, "切换配置");
    QVERIFY(pick && pick->menu());
    actionNamed(pick->menu(), "Typing")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(rig.kb->state().deadBand.gdBi, quint16(2200), 20000);
    emit menu->aboutToShow();
    QVERIFY(actionNamed(menu, "当前配置：Typing"));
    QVERIFY(actionNamed(menu, "显示窗口"));
    actionNamed(menu, "退出")->trigger();
    QCOMPARE(quit.count(), 2);
    QVERIFY(!rig.window->trayIcon()->isVisible());
    QVERIFY(rig.window->isHidden());
}

QTEST_MAIN(TestBackground)
#include "test_background.moc"
