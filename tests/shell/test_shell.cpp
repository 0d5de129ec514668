#include "CustomDoubleValidator.h"
#include "FileItemWgt.h"
#include "FileListWgt.h"
#include "FramelessWindow.h"
#include "LanguageManager.h"
#include "ModalGuard.h"
#include "PopWindow.h"
#include "SendDataProgress.h"
#include "ShellResources.h"
#include "SignalObject.h"
#include "SwitchControl.h"
#include "TipWgt.h"
#include "ToastTip.h"
#include "UserMessage.h"
#include "inputWindow.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void chineseFontInstalled();
    void toastPlacementAndFading();
    void progressBoxTimers();
    void validator_data();
    void validator();
    void profileList();
    void namePrompt();
    void boxesWithNoOneToAnswer();
    void switchControl();
    void framelessWindowDrags();
    void renderSnapshots();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_oldCwd;
};

void TestShell::initTestCase()
{
    corvaneInitResources();
    qApp->setStyleSheet(corvaneStyleSheet());
    QVERIFY(!qApp->styleSheet().isEmpty());
}

void TestShell::init()
{
    m_oldCwd = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestShell::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    delete m_dir;
    m_dir = nullptr;
}

void TestShell::chineseFontInstalled()
{
    // Without one every Chinese text renders as boxes while all else passes.
    QVERIFY2(!QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty(),
             "no Simplified Chinese font installed (e.g. fonts-wqy-microhei)");
}

void TestShell::toastPlacementAndFading()
{
    const QSize area(800, 600), toast(200, 60);
    const QList<QPair<ToastPosition, QPoint>> expected = {
        {ToastPosition::TopLeft, {20, 20}},       {ToastPosition::TopRight, {580, 20}},
        {ToastPosition::BottomLeft, {20, 520}},   {ToastPosition::BottomRight, {580, 520}},
        {ToastPosition::Center, {300, 270}},      {ToastPosition::TopCenter, {300, 20}},
        {ToastPosition::BottomCenter, {300, 520}}};
    for (const auto &e : expected)
        QCOMPARE(toastPosition(e.first, area, toast), e.second);

    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    QPointer<ToastTip> tip = new ToastTip(ToastType::Warning, ToastPosition::BottomRight, "已保存", 0, &parent);
    tip->show();
    QCOMPARE(tip->pos(), toastPosition(ToastPosition::BottomRight, parent.size(), tip->size()));
    QVERIFY(tip->height() >= 60);
    // Display time 0: it fades at once in ten 20 ms steps, then deletes itself.
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(tip.isNull(), 20000);
    QVERIFY(clock.elapsed() >= 9 * ToastTip::FadeInterval);

}

void TestShell::progressBoxTimers()
{
    SendDataProgress box;
    box.setCloseDelay(20);
    box.setSendTimeout(100);
    box.show();

    // A sending arms the time-out; reaching 100 stops it and closes once.
    box.setProgress("开始下发配置，请稍等...", 0);
    QVERIFY(box.isSendTimeoutArmed());
    QVERIFY(!box.isClosePending());
    box.setValue(100);
    QVERIFY(!box.isSendTimeoutArmed());
    QVERIFY(box.isClosePending());
    box.setValue(100);
    QVERIFY(box.isClosePending());

    // Progress right after 100 cancels the closing.
    box.setValue(60);
    QVERIFY(!box.isClosePending());
    QVERIFY(box.isSendTimeoutArmed());
    box.setValue(100);
    QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 20000);
    QCOMPARE(box.value(), 100);

    // A sending that stalls ends with the time-out message and closes.
    box.show();
    box.setProgress("正在下发高级键参数，请稍等...", 80);
    QTRY_COMPARE_WITH_TIMEOUT(box.text(), QString("配置下发超时，请稍后重试！"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 20000);
    QVERIFY(!box.isSendTimeoutArmed());

}

void TestShell::validator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("state");
    const int I = QValidator::Invalid, M = QValidator::Intermediate, A = QValidator::Acceptable;
    QTest::newRow("empty") << "" << 0.01 << 2 << M;
    QTest::newRow("0") << "0" << 0.01 << 2 << M;
    QTest::newRow("0.") << "0." << 0.01 << 2 << M;
    QTest::newRow("0.0") << "0.0" << 0.01 << 2 << M;
    QTest::newRow("0.05") << "0.05" << 0.01 << 2 << A;
    QTest::newRow("4") << "4" << 0.01 << 2 << A;
    QTest::newRow("1.") << "1." << 0.01 << 2 << A;
    QTest::newRow("2.25") << "2.25" << 0.01 << 2 << A;
    QTest::newRow("too many decimals") << "1.255" << 0.01 << 2 << I;
    QTest::newRow("above top") << "4.01" << 0.01 << 2 << I;
    QTest::newRow("far above") << "12" << 0.01 << 2 << I;
    QTest::newRow("zero with all decimals") << "0.00" << 0.01 << 2 << I;
    QTest::newRow("letters") << "a" << 0.01 << 2 << I;
    QTest::newRow("minus") << "-1" << 0.01 << 2 << I;
    // Prefixes of values in range stay typeable.
    QTest::newRow("prefix of 0.001") << "0.00" << 0.001 << 3 << M;
    QTest::newRow("prefix of 1.5") << "1" << 1.5 << 2 << M;
    QTest::newRow("below bottom, complete") << "1.25" << 1.5 << 2 << I;
}

// A frameless window moves when its empty parts are dragged, not when a
// control is used; a drag band limits where a drag may start.
void TestShell::framelessWindowDrags()
{
    auto send = [](QWidget *to, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, pos, to->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
    };
    auto drag = [&](QWidget *window, QWidget *at, QPoint from) {
        send(at, QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(at, QEvent::MouseMove, from + QPoint(30, 20), Qt::LeftButton);
        send(at, QEvent::MouseButtonRelease, from + QPoint(30, 20), Qt::NoButton);
        return window->pos();
    };
    for (int band : {-1, 50}) {
        QWidget window(nullptr, Qt::FramelessWindowHint | Qt::Window);
        window.setGeometry(100, 100, 300, 200);
        auto *button = new QPushButton("x", &window);
        button->setGeometry(10, 10, 40, 20);
        WindowDragger::install(&window, band);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        QCOMPARE(drag(&window, &window, QPoint(100, 30)), start + QPoint(30, 20));
        QCOMPARE(drag(&window, button, QPoint(5, 5)), start + QPoint(30, 20));
        QCOMPARE(drag(&window, &window, QPoint(100, 150)), band < 0 ? start + QPoint(60, 40) : start + QPoint(30, 20));
    }
}

void TestShell::validator()
{
    QFETCH(QString, text);
    QFETCH(double, bottom);
    QFETCH(int, decimals);
    QFETCH(int, state);
    CustomDoubleValidator v(bottom, 4.0, decimals);
    int pos = 0;
    QCOMPARE(int(v.validate(text, pos)), state);

    QString low = "0";
    v.fixup(low);
    QCOMPARE(low, QString::number(bottom, 'g'));
    QString high = "5";
    v.fixup(high);
    QCOMPARE(high, QString("5"));
}

void TestShell::profileList()
{
    FileListWgt list;
    list.resize(300, 400);
    list.show();
    QCOMPARE(list.objectName(), QString("ListWidget"));
    // No limit on the number of profiles: the hundredth is listed too.
    for (int id = 1; id <= 99; ++id)
        QVERIFY(list.addEntry(QString("配置%1").arg(id), id * 2)); // ids as the manager gives them
    QVERIFY(list.addEntry("一百", 500));
    QCOMPARE(list.entryCount(), 100);
    QVERIFY(!list.addEntry("dup", 2)); // ids are unique

    QSignalSpy clicked(&list, &FileListWgt::sigItemClicked);
    QSignalSpy deleted(&list, &FileListWgt::sigMenuItemDelete);
    QSignalSpy shared(&list, &FileListWgt::sigMenuItemShare);
    QSignalSpy renamed(&list, &FileListWgt::sigMenuItemRename);

    // The menu's delete names its own entry, whichever row is current, and
    // leaves it to the owner to remove once the file is gone.
    list.setCurrentRow(0);
    QMenu *menu = list.entryMenu(10);
    QCOMPARE(menu->actions().size(), 5); // rename, export, share code, layer sheet, delete
    menu->actions().at(4)->trigger();
    QCOMPARE(deleted.takeFirst().at(0).toInt(), 10);
    QVERIFY(list.entry(10));
    QVERIFY(list.removeEntry(10));
    QVERIFY(!list.entry(10));
    QVERIFY(list.entry(2));
    menu->actions().at(1)->trigger();
    QCOMPARE(shared.count(), 1);
    QSignalSpy code(&list, &FileListWgt::sigMenuItemShareCode);
    QSignalSpy sheet(&list, &FileListWgt::sigMenuItemLayerSheet);
    menu->actions().at(2)->trigger();
    QCOMPARE(code.takeFirst().at(0).toInt(), 10);
    const QList<QAction *> targets = menu->actions().at(3)->menu()->actions();
    QCOMPARE(targets.size(), 3);
    targets.at(2)->trigger();
    QCOMPARE(sheet.takeFirst(), (QList<QVariant>{10, int(FileListWgt::SheetSvg)}));
    QCOMPARE(list.entryCount(), 99);

    // A damaged entry says so, to the eye and to a screen reader, and its
    // menu offers only delete.
    FileItemWgt *broken = list.entry(4);
    broken->setDamage("文件为空");
    QVERIFY(broken->findChild<QLabel *>("profileDamageMark")->isVisibleTo(broken));
    QCOMPARE(broken->accessibleName(), QString("配置2（已损坏）"));
    QCOMPARE(broken->accessibleDescription(), QString("文件为空"));
    QCOMPARE(list.item(1)->data(Qt::AccessibleTextRole).toString(), QString("配置2（已损坏）"));
    QMenu *brokenMenu = list.entryMenu(4);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!brokenMenu->actions().at(i)->isEnabled());
    QVERIFY(brokenMenu->actions().at(4)->isEnabled());
    broken->setDamage(QString());
    QVERIFY(!broken->findChild<QLabel *>("profileDamageMark")->isVisibleTo(broken));
    QCOMPARE(list.item(1)->data(Qt::AccessibleTextRole).toString(), QString("配置2"));

    // After a deletion a click still reports the id of the profile shown.
    QVERIFY(list.addEntry("新配置", 300));
    FileItemWgt *item = list.entry(300);
    QVERIFY(item);
    list.scrollToBottom();
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 300);
    QCOMPARE(clicked.at(0).at(1).toString(), QString("新配置"));

    // Renaming: the entry becomes editable, Return commits and locks it again;
    // clicks while editing do not apply the profile.
    FileItemWgt *first = list.entry(2);
    list.entryMenu(2)->actions().at(0)->trigger();
    QVERIFY(!first->isReadOnly());
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(clicked.count(), 1);
    first->setText("改名");
    QTest::keyClick(first, Qt::Key_Return);
    QVERIFY(first->isReadOnly());
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(renamed.at(0).at(0).toInt(), 2);
    QCOMPARE(renamed.at(0).at(1).toString(), QString("改名"));
    QCOMPARE(list.item(0)->data(Qt::AccessibleTextRole).toString(), QString("改名"));
    QCOMPARE(first->accessibleName(), QString("改名"));
    QTest::keyClick(first, Qt::Key_Return); // read-only again: nothing
    QCOMPARE(renamed.count(), 1);

    QTest::mouseDClick(first, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!first->isReadOnly());
    QCOMPARE(first->menuButton()->objectName(), QString("profileMenuBtn"));
}

void TestShell::namePrompt()
{
    QString result = "stale";
    {
        inputWindow prompt(&result);
        QVERIFY(result.isEmpty());
        QCOMPARE(prompt.size(), QSize(300, 100));
        prompt.lineEdit()->setText("游戏");
        prompt.onCancelClicked();
        QVERIFY(result.isEmpty());
        QCOMPARE(prompt.result(), int(QDialog::Rejected));
    }
    {
        inputWindow prompt(&result);
        QSignalSpy submitted(&prompt, &inputWindow::textSubmitted);
        prompt.setNameCheck([](const QString &name) { return name.contains('/') ? QString("坏名字") : QString(); });
        prompt.show();
        prompt.lineEdit()->setText("a/b");
        prompt.onSubmitClicked();
        QVERIFY(prompt.isVisible());
        QCOMPARE(prompt.errorText(), QString("坏名字"));
        QVERIFY(result.isEmpty());
        QCOMPARE(submitted.count(), 0);
        prompt.lineEdit()->setText("游戏");
        prompt.onSubmitClicked();
        QVERIFY(!prompt.isVisible());
        QCOMPARE(result, QString("游戏"));
        QCOMPARE(submitted.count(), 1);
    }

    PopWindow pop;
    QSignalSpy commit(&pop, &PopWindow::sigCommit);
    QSignalSpy cancel(&pop, &PopWindow::sigCancel);
    pop.show();
    pop.commitButton()->click();
    QVERIFY(!pop.isVisible());
    pop.show();
    pop.cancelButton()->click();
    QCOMPARE(commit.count(), 1);
    QCOMPARE(cancel.count(), 1);
}

namespace {

QStringList *s_shellWarnings = nullptr;

void keepShellWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && context.category && QByteArray(context.category) == "corvane.shell")
        s_shellWarnings->append(text);
}

} // namespace

// With no one to answer (as in this suite, run by hand too), no box opens:
// each says in one warning line what it was and takes its default answer. A
// box that a test opens and closes itself still opens.
void TestShell::boxesWithNoOneToAnswer()
{
    const bool wasSet = qEnvironmentVariableIsSet("CORVANE_NONINTERACTIVE");
    qputenv("CORVANE_NONINTERACTIVE", "1");
    QStringList warnings;
    s_shellWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(keepShellWarnings);

    QVERIFY(!ModalGuard::interactive());
    QVERIFY(!ModalGuard::ask(nullptr, "删除", "确定删除配置？"));
    ModalGuard::inform(nullptr, "提示", "应用程序已运行！");
    showUserMessage("错误", "文件损坏\n请重试");
    QVERIFY(ModalGuard::openFileName(nullptr, "选择文件", QDir::homePath(), "*.kb").isEmpty());
    QVERIFY(ModalGuard::saveFileName(nullptr, "保存文件", QDir::home().filePath("a.kb"), "*.kb").isEmpty());
    QString name;
    inputWindow prompt(&name);
    prompt.setWindowTitle("配置名称");
    QCOMPARE(ModalGuard::exec(&prompt), int(QDialog::Rejected));
    QVERIFY(!prompt.isVisible() && name.isEmpty());
    QMenu menu;
    menu.addAction("导出");
    QCOMPARE(ModalGuard::execMenu(&menu, QPoint()), static_cast<QAction *>(nullptr));

    qInstallMessageHandler(previous);
    QCOMPARE(warnings.size(), 7);
    QVERIFY2(warnings.at(0).contains("\"删除\": 确定删除配置？; answered No"), qPrintable(warnings.at(0)));
    QVERIFY2(warnings.at(2).contains("\"错误\": 文件损坏 请重试"), qPrintable(warnings.at(2)));
    QVERIFY2(warnings.at(5).contains("\"配置名称\"") && warnings.at(5).contains("Cancel"), qPrintable(warnings.at(5)));
    QVERIFY2(warnings.at(6).contains("导出"), qPrintable(warnings.at(6)));

    {
        const ModalGuard::AllowBoxes boxes;
        QDialog dialog;
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        QCOMPARE(ModalGuard::exec(&dialog), int(QDialog::Accepted));
    }
    QVERIFY(!ModalGuard::interactive());
    if (!wasSet)
        qunsetenv("CORVANE_NONINTERACTIVE");
}

void TestShell::switchControl()
{
    SwitchControl sw;
    QCOMPARE(sw.sizeHint(), QSize(56, 32));
    sw.resize(sw.sizeHint());
    sw.show();
    QSignalSpy toggled(&sw, &SwitchControl::toggled);

    QCOMPARE(sw.thumbX(), 4.0);
    QTest::mouseClick(&sw, Qt::LeftButton);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.at(0).at(0).toBool(), true);
    QVERIFY(sw.isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(sw.thumbX(), 28.0, 20000); // width - margin - height

    // From code: no signal; without animation the thumb jumps.
    sw.setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(sw.thumbX(), 4.0, 20000);
    sw.setCheckedNoAnimation(true);
    QCOMPARE(sw.thumbX(), 28.0);
    QCOMPARE(toggled.count(), 1);

    sw.setEnabled(false);
    QTest::mouseClick(&sw, Qt::LeftButton);
    QCOMPARE(toggled.count(), 1);
    QVERIFY(sw.isChecked());
}

// Writes every widget as PNG, in Chinese and English, when
// CORVANE_SNAPSHOT_DIR names a folder; for looking at, not for comparing.
void TestShell::renderSnapshots()
{
    const QString out = qEnvironmentVariable("CORVANE_SNAPSHOT_DIR");
    if (out.isEmpty())
        QSKIP("set CORVANE_SNAPSHOT_DIR to write the widget snapshots");
    QDir().mkpath(out);

    LanguageManager language;
    for (const QString &lang : {QString("Chinese"), QString("English")}) {
        language.setLanguage(lang);
        auto save = [&](QWidget *w, const QString &name) {
            w->show();
            QCoreApplication::processEvents();
            QVERIFY(w->grab().save(QString("%1/%2_%3.png").arg(out, name, lang)));
        };

        QWidget host;
        host.setStyleSheet("background:#f5f7fa;");
        host.resize(460, 300);
        host.show();
        int y = 10;
        for (ToastType type : {ToastType::Success, ToastType::Info, ToastType::Warning, ToastType::Error}) {
            auto *tip = new ToastTip(type, ToastPosition::TopLeft, tr("配置下发完成！"), 60000, &host);
            tip->show();
            tip->move(10, y);
            y += tip->height() + 4;
        }
        save(&host, "ToastTip");

        QWidget progressHost;
        progressHost.setStyleSheet("background:#e4e7ed;");
        progressHost.resize(490, 240);
        SendDataProgress progress(&progressHost);
        progress.move(20, 20);
        progress.setSendTimeout(60000);
        progress.setProgress(QCoreApplication::translate("ProfileManager", "正在下发按键模式数据，请稍等..."), 30);
        save(&progressHost, "SendDataProgress");

        QString result;
        inputWindow prompt(&result);
        prompt.setNameCheck([](const QString &) {
            return QCoreApplication::translate("ProfileName", "配置名称不能以“.”或空格结尾。");
        });
        save(&prompt, "inputWindow");
        prompt.lineEdit()->setText("name.");
        prompt.onSubmitClicked();
        prompt.show();
        save(&prompt, "inputWindow_error");

        PopWindow pop;
        pop.resize(320, 160);
        save(&pop, "PopWindow");

        TipWgt tip(QStringLiteral("Tip: 按住 Shift 多选按键"));
        save(&tip, "TipWgt");

        FileListWgt list;
        list.resize(260, 200);
        list.addEntry("游戏配置", 1);
        list.addEntry("Office profile with a long name", 2);
        list.addEntry("a.b", 3);
        save(&list, "FileListWgt");
        QMenu *menu = list.entryMenu(1);
        save(menu, "FileListWgt_menu");
        menu->hide();

        QWidget switches;
        switches.resize(140, 40);
        auto *off = new SwitchControl(&switches);
        off->setGeometry(4, 4, 56, 32);
        auto *on = new SwitchControl(&switches);
        on->setGeometry(70, 4, 56, 32);
        on->setCheckedNoAnimation(true);
        save(&switches, "SwitchControl");
    }
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
