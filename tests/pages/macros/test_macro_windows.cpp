// The macro manager and the macro editor driven as a user drives them: key
// events while recording (with their timestamps), clicks on the buttons and
// lists, edits of names and delays, answers to the file dialogs. Checked:
// the rows, the files of the "Macro" folder, the messages, and, through the
// advanced-key page, the macro on the virtual keyboard and in the profile.

#include "AdvancedKeySetPageWgt.h"
#include "AdvanceTypeChooseWindow.h"
#include "AdvanceTypeItemWgt.h"
#include "BindItemWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardSession.h"
#include "MacroCsv.h"
#include "MacroKeyNames.h"
#include "MacroManageWindow.h"
#include "MacroSetWindow.h"
#include "MacroTableWgt.h"
#include "PageRig.h"
#include "ProfilePlan.h"
#include "UserMessage.h"

#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QStringList csvFiles(const QString &folder)
{
    return QDir(folder).entryList({"*.csv"}, QDir::Files, QDir::Name);
}

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void clickItem(QListWidget *list, int row)
{
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// One key event as the platform delivers it: to the keyboard grabber.
void sendKey(QWidget *fallback, QEvent::Type type, int key, ulong timestamp, bool autoRepeat = false,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint32 scanCode = 0)
{
    QKeyEvent event(type, key, modifiers, scanCode, 0, 0, QString(), autoRepeat);
    event.setTimestamp(timestamp);
    QWidget *target = QWidget::keyboardGrabber() ? QWidget::keyboardGrabber() : fallback;
    QCoreApplication::sendEvent(target, &event);
}

void tap(QWidget *w, int key, ulong down, ulong up)
{
    sendKey(w, QEvent::KeyPress, key, down);
    sendKey(w, QEvent::KeyRelease, key, up);
}

// The manager on a fresh "Macro" folder, its messages collected.
struct ManagerRig {
    ManagerRig()
    {
        setUserMessageSink([this](const QString &title, const QString &text) { messages << title + ":" + text; });
    }
    ~ManagerRig() { setUserMessageSink({}); }
    MacroManageWindow &open()
    {
        window = std::make_unique<MacroManageWindow>(folder);
        window->show();
        return *window;
    }
    QString file(const QString &name) const { return folder + "/" + name + ".csv"; }

    QTemporaryDir dir;
    QString folder = dir.path() + "/Macro";
    QStringList messages;
    std::unique_ptr<MacroManageWindow> window;
};

} // namespace

class TestMacroWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BindKeyType>("BindKeyType"); }
    void recording();
    void savingLimitsAndFixedDelay();
    void editingStoredMacros();
    void macroFiles();
    void bindingARecordedMacro();
};

void TestMacroWindows::recording()
{
    ManagerRig r;
    MacroManageWindow &w = r.open();
    QVERIFY(QFileInfo(r.folder).isDir()); // made with the window
    QVERIFY(w.recordDelayButton()->isChecked());
    QCOMPARE(w.fixedDelayEdit()->text(), QString("10"));
    QVERIFY(!w.saveButton()->isEnabled());

    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QVERIFY(w.isRecording());
    QCOMPARE(QWidget::keyboardGrabber(), &w);
    QCOMPARE(w.recordButton()->text(), QString("停止录制"));
    for (QWidget *other : {static_cast<QWidget *>(w.macroList()), static_cast<QWidget *>(w.importButton()),
                           static_cast<QWidget *>(w.saveButton()), static_cast<QWidget *>(w.fixedDelayButton())})
        QVERIFY(!other->isEnabled());

    // A press, its auto-repeats, a key without a name, the release: the
    // pause runs from the press to the release.
    QSignalSpy recorded(&w, &MacroManageWindow::sigMacroKeyRecord);
    sendKey(&w, QEvent::KeyRelease, Qt::Key_Space, 990); // the key that started it
    QCOMPARE(w.stepList()->count(), 0);
    sendKey(&w, QEvent::KeyPress, Qt::Key_A, 1000);
    QCOMPARE(w.stepList()->count(), 1);
    sendKey(&w, QEvent::KeyRelease, Qt::Key_A, 1030, true);
    sendKey(&w, QEvent::KeyPress, Qt::Key_A, 1030, true);
    sendKey(&w, QEvent::KeyPress, Qt::Key_Launch0, 1050);
    sendKey(&w, QEvent::KeyRelease, Qt::Key_A, 1120);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "120", "A"}));
    QCOMPARE(recorded.size(), 2);
    QCOMPARE(recorded.at(1), (QList<QVariant>{false, keyTypeFromName("A"), 120}));
    QCOMPARE(w.stepList()->item(0)->data(MacroManageWindow::IdRole).toInt(), 1000);
    QCOMPARE(w.stepList()->item(1)->data(MacroManageWindow::IdRole).toInt(), 1000);
    QCOMPARE(w.stepList()->item(2)->data(MacroManageWindow::IdRole).toInt(), 2001);
    QVERIFY(w.stepList()->item(1)->flags() & Qt::ItemIsEditable);
    QVERIFY(!(w.stepList()->item(0)->flags() & Qt::ItemIsEditable));

    // Keys go to the recording, not to the window: Escape does not close it.
    sendKey(&w, QEvent::KeyPress, Qt::Key_Escape, 1200);
    sendKey(&w, QEvent::KeyRelease, Qt::Key_Escape, 1210);
    QVERIFY(w.isVisible());
    QCOMPARE(texts(w.stepList()).mid(3), (QStringList{"80", "Esc", "10", "Esc"}));

    // Stopping lets the keyboard go; the recording may be saved.
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QVERIFY(!w.isRecording());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    QCOMPARE(w.recordButton()->text(), QString("开始录制"));
    QVERIFY(w.saveButton()->isEnabled());
    sendKey(&w, QEvent::KeyPress, Qt::Key_B, 1300);
    QCOMPARE(w.stepList()->count(), 7);

    // A new recording starts empty; the list stops short of 250 rows.
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QCOMPARE(w.stepList()->count(), 0);
    for (int i = 0; i < 140; ++i)
        tap(&w, Qt::Key_Q, ulong(2000 + 10 * i), ulong(2005 + 10 * i));
    QCOMPARE(w.stepList()->count(), 249);
    w.hide(); // a hidden window keeps no grab
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    QVERIFY(!w.isRecording());
    QVERIFY(r.messages.isEmpty());
}

void TestMacroWindows::savingLimitsAndFixedDelay()
{
    ManagerRig r;
    MacroManageWindow &w = r.open();

    // Nothing recorded: nothing to save or export.
    QTest::mouseClick(w.exportButton(), Qt::LeftButton);
    QCOMPARE(r.messages, QStringList{"提示:请先录制宏信息！"});

    // A single press is saved as one line with DOWN and 10, in a file
    // named after the time.
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    sendKey(&w, QEvent::KeyPress, Qt::Key_Shift, 500, false, Qt::ShiftModifier, rightModifierScanCode(Qt::Key_Shift));
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    const QStringList files = csvFiles(r.folder);
    QCOMPARE(files.size(), 1);
    QVERIFY(QRegularExpression("^\\d{14}\\.csv$").match(files.first()).hasMatch());
    QCOMPARE(fileBytes(r.folder + "/" + files.first()), QByteArray("Key,Key UP/DOWN,Delay(ms)\nR-Shift,DOWN,10\n"));
    QCOMPARE(texts(w.macroList()), QStringList{files.first().chopped(4)});
    QCOMPARE(w.macroList()->currentRow(), 0);
    QCOMPARE(w.shownMacro(), files.first().chopped(4));
    QVERIFY(!w.saveButton()->isEnabled());

    // "设置延时" at 50: every delay row reads 50, whatever the timing.
    QTest::mouseClick(w.fixedDelayButton(), Qt::LeftButton);
    QVERIFY(w.fixedDelayEdit()->isEnabled());
    w.fixedDelayEdit()->setText("50");
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QCOMPARE(w.macroList()->currentRow(), -1);
    sendKey(&w, QEvent::KeyPress, Qt::Key_Control, 0);
    tap(&w, Qt::Key_C, 7, 900);
    sendKey(&w, QEvent::KeyRelease, Qt::Key_Control, 5000);
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QCOMPARE(texts(w.stepList()), (QStringList{"L-Ctrl", "50", "C", "50", "C", "50", "L-Ctrl"}));

    // Each save is a file of its own; 65 steps are refused.
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    QCOMPARE(csvFiles(r.folder).size(), 2);
    QTest::mouseClick(w.recordDelayButton(), Qt::LeftButton);
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    for (int i = 0; i < 32; ++i)
        tap(&w, Qt::Key_W, ulong(10 * i), ulong(10 * i + 5));
    sendKey(&w, QEvent::KeyPress, Qt::Key_E, 400);
    QTest::mouseClick(w.recordButton(), Qt::LeftButton);
    QCOMPARE(w.stepList()->count(), 129);
    r.messages.clear();
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    QCOMPARE(r.messages, QStringList{"提示:每个宏最大支持64个操作"});
    QCOMPARE(csvFiles(r.folder).size(), 2);
    // 64 steps are kept.
    w.stepList()->setCurrentRow(128);
    QTest::mouseClick(w.removeStepButton(), Qt::LeftButton);
    QCOMPARE(w.stepList()->count(), 128); // the last step keeps its delay row
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    QCOMPARE(csvFiles(r.folder).size(), 3);
    QCOMPARE(r.messages.size(), 1);
}

void TestMacroWindows::editingStoredMacros()
{
    ManagerRig r;
    writeFile(r.file("m"), "Key,Key UP/DOWN,Delay(ms)\nA,DOWN,30\nA,UP,40\nB,DOWN,50\n");
    MacroManageWindow &w = r.open();
    clickItem(w.macroList(), 0);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "30", "A", "40", "B", "50"}));

    // A delay edited in place: its digits are kept and the file follows.
    QListWidgetItem *delay = w.stepList()->item(3);
    delay->setText("4x5");
    QCOMPARE(delay->text(), QString("45"));
    QCOMPARE(fileBytes(r.file("m")), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,30\nA,UP,45\nB,DOWN,50\n"));
    delay->setText("ms");
    QCOMPARE(delay->text(), QString("45"));

    // The arrows move a step with its delay; delete takes a step.
    w.stepList()->setCurrentRow(5); // B's delay row
    QTest::mouseClick(w.moveUpButton(), Qt::LeftButton);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "30", "B", "50", "A", "45"}));
    QCOMPARE(w.stepList()->currentRow(), 2);
    QTest::mouseClick(w.moveUpButton(), Qt::LeftButton);
    QTest::mouseClick(w.moveUpButton(), Qt::LeftButton); // at the top already
    QCOMPARE(texts(w.stepList()), (QStringList{"B", "50", "A", "30", "A", "45"}));
    QTest::mouseClick(w.moveDownButton(), Qt::LeftButton);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "30", "B", "50", "A", "45"}));
    QTest::mouseClick(w.removeStepButton(), Qt::LeftButton);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "30", "A", "45"}));
    QCOMPARE(fileBytes(r.file("m")), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,30\nA,UP,45\n"));
    QCOMPARE(w.macroList()->item(0)->data(MacroManageWindow::StepsRole).value<QList<MACRO_Key>>().size(), 2);
    QVERIFY(r.messages.isEmpty());
}

void TestMacroWindows::macroFiles()
{
    ManagerRig r;
    // At start: the macro files by name; a garbage file is skipped, and kept.
    writeFile(r.file("b"), "Key,Key UP/DOWN,Delay(ms)\nB,DOWN,5\n");
    writeFile(r.file("a"), "Key,Key UP/DOWN,Delay(ms)\nA,DOWN,6\nA,UP,7\n");
    writeFile(r.file("junk"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    MacroManageWindow &w = r.open();
    QCOMPARE(texts(w.macroList()), (QStringList{"a", "b"}));
    QVERIFY(r.messages.isEmpty());

    // Import: a wrong header changes nothing; a missing file cannot be opened.
    const QString outside = r.dir.path() + "/outside.csv";
    writeFile(outside, "Key,Delay(ms),Key UP/DOWN\nA,5,DOWN\n");
    QString answer = outside;
    w.setImportPrompt([&answer] { return answer; });
    const QStringList before = csvFiles(r.folder);
    QTest::mouseClick(w.importButton(), Qt::LeftButton);
    QCOMPARE(r.messages, QStringList{"error:数据解析异常!"});
    answer = r.dir.path() + "/missing.csv";
    QTest::mouseClick(w.importButton(), Qt::LeftButton);
    QCOMPARE(r.messages.last(), QString("error:open file failure!"));
    answer.clear(); // cancelled
    QTest::mouseClick(w.importButton(), Qt::LeftButton);
    QCOMPARE(r.messages.size(), 2);
    QCOMPARE(csvFiles(r.folder), before);
    QCOMPARE(texts(w.macroList()), (QStringList{"a", "b"}));
    // A good file becomes a stored macro, selected, "down" in small letters a release.
    writeFile(outside, "Key,Key UP/DOWN,Delay(ms)\r\nA,DOWN,5\r\nA,down,-3\r\n");
    answer = outside;
    QTest::mouseClick(w.importButton(), Qt::LeftButton);
    QCOMPARE(w.macroList()->count(), 3);
    const QString imported = w.macroList()->item(2)->text();
    QCOMPARE(w.macroList()->currentRow(), 2);
    QCOMPARE(texts(w.stepList()), (QStringList{"A", "5", "A", "0"}));
    QCOMPARE(fileBytes(r.file(imported)), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,5\nA,UP,0\n"));

    // Export writes the shown steps; ".csv" is added when no suffix is given.
    const QString target = r.dir.path() + "/exported";
    w.setExportPrompt([&target] { return target; });
    clickItem(w.macroList(), 0);
    QTest::mouseClick(w.exportButton(), Qt::LeftButton);
    QCOMPARE(fileBytes(target + ".csv"), fileBytes(r.file("a")));

    // Copy: "_1", then "_2".
    QTest::mouseClick(w.copyButton(), Qt::LeftButton);
    clickItem(w.macroList(), 0);
    QTest::mouseClick(w.copyButton(), Qt::LeftButton);
    QCOMPARE(texts(w.macroList()).mid(3), (QStringList{"a_1", "a_2"}));
    QCOMPARE(fileBytes(r.file("a_2")), fileBytes(r.file("a")));

    // Rename: the file follows a good name; a refused one changes nothing.
    QListWidgetItem *entry = w.macroList()->item(3);
    entry->setText("greeting");
    QVERIFY(QFile::exists(r.file("greeting")));
    QVERIFY(!QFile::exists(r.file("a_1")));
    const QStringList stored = csvFiles(r.folder);
    for (const QString &bad : {QString("../up"), QString("b"), QString(""), QString("a..b"), QString("x\ty")}) {
        r.messages.clear();
        entry->setText(bad);
        QCOMPARE(entry->text(), QString("greeting"));
        QCOMPARE(r.messages.size(), 1);
        QVERIFY(r.messages.first().startsWith("提示:"));
    }
    QCOMPARE(csvFiles(r.folder), stored);
    QVERIFY(!QFile::exists(r.dir.path() + "/up.csv"));

    // Delete takes the file and the entry.
    w.macroList()->setCurrentItem(entry);
    QTest::mouseClick(w.deleteButton(), Qt::LeftButton);
    QVERIFY(!QFile::exists(r.file("greeting")));
    QVERIFY(!texts(w.macroList()).contains("greeting"));
    QVERIFY(QFile::exists(r.file("junk")));
}

void TestMacroWindows::bindingARecordedMacro()
{
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    const QString folder = work.path() + "/Macro";
    const int E = keyTypeFromName("E");

    QString name;
    QList<MACRO_Key> recorded;
    ProfileData profile;
    std::map<uint16_t, uint32_t> keyboardSteps;
    {
        PageRig<AdvancedKeySetPageWgt> r;
        QStringList messages;
        setUserMessageSink([&messages](const QString &t, const QString &text) { messages << t + ":" + text; });
        r.build();
        QVERIFY(r.readBack());

        // MACRO from the kind chooser opens the macro editor, empty.
        QTest::mouseClick(r.key(E), Qt::LeftButton);
        QTest::mouseClick(r.page.typeChooser()->items().at(6), Qt::LeftButton);
        auto *editor = qobject_cast<MacroSetWindow *>(r.page.editor());
        QVERIFY(editor);
        QCOMPARE(editor->macroTable()->list()->count(), 0);
        QVERIFY(!editor->commitButton()->isEnabled());

        // "宏管理", then a recording of 15 keys pressed and released.
        QTest::mouseClick(editor->macroTable()->manageButton(), Qt::LeftButton);
        MacroManageWindow *manager = editor->macroTable()->manager();
        QVERIFY(manager && manager->isVisible());
        QTest::mouseClick(manager->recordButton(), Qt::LeftButton);
        const struct {
            int key;
            Qt::KeyboardModifiers mods;
        } keys[] = {{Qt::Key_H, {}},      {Qt::Key_I, {}},     {Qt::Key_Shift, Qt::ShiftModifier},
                    {Qt::Key_1, {}},      {Qt::Key_Space, {}}, {Qt::Key_Return, {}},
                    {Qt::Key_Tab, {}},    {Qt::Key_5, Qt::KeypadModifier}, {Qt::Key_Left, {}},
                    {Qt::Key_F5, {}},     {Qt::Key_Minus, {}}, {Qt::Key_Period, {}},
                    {Qt::Key_Z, {}},      {Qt::Key_Control, {}}, {Qt::Key_Escape, {}}};
        ulong t = 100;
        for (const auto &k : keys) {
            sendKey(manager, QEvent::KeyPress, k.key, t, false, k.mods);
            t += 35;
            sendKey(manager, QEvent::KeyRelease, k.key, t, false, k.mods);
            t += k.key == Qt::Key_F5 ? 5000 : 61; // longer than the keyboard plays: clamped there
        }
        QTest::mouseClick(manager->recordButton(), Qt::LeftButton);
        QCOMPARE(manager->stepList()->count(), 59);
        QTest::mouseClick(manager->saveButton(), Qt::LeftButton);
        name = manager->shownMacro();
        QVERIFY(!name.isEmpty());
        manager->close();

        // The new macro is listed; choosing it fills the slot.
        QCOMPARE(texts(editor->macroTable()->list()), QStringList{name});
        clickItem(editor->macroTable()->list(), 0);
        QCOMPARE(editor->macroSlot()->text(), name);
        QVERIFY(editor->commitButton()->isEnabled());
        recorded = editor->macroTable()->selectedSteps();
        QCOMPARE(recorded.size(), 30);
        QCOMPARE(recorded.at(4).keyName, QString("L-Shift"));
        QCOMPARE(recorded.at(14).keyName, QString("Num5"));
        QCOMPARE(recorded.at(19).delay, 5000);
        QCOMPARE(recorded.last().delay, 10);
        QTest::mouseClick(editor->commitButton(), Qt::LeftButton);
        QVERIFY(r.rig.waitIdle());
        QVERIFY(messages.isEmpty());

        // The keyboard holds the macro word for word.
        const int number = r.rig.worker->macroNumber(E);
        QVERIFY(number >= 0);
        keyboardSteps = r.rig.kb.state().macroSteps;
        QCOMPARE(int(keyboardSteps.size()), 30);
        for (int i = 0; i < recorded.size(); ++i) {
            const MACRO_Key &s = recorded.at(i);
            const quint32 word = (s.down ? 0x10000000u : 0x80000000u) | (quint32(qMin(s.delay, 0xFFF)) << 16)
                                 | keyTypeCode(keyTypeFromName(s.keyName));
            QCOMPARE(keyboardSteps.at(uint16_t(number * 256 + i)), word);
        }
        QCOMPARE(r.rig.param(8, E) & 0x0F, 6);
        QCOMPARE(r.rig.param(18, E), quint16(30));

        // The list, the profile's member and the file agree.
        QCOMPARE(r.page.bindItem(E)->kind(), int(Bind_MACRO));
        const QJsonObject member = r.manager.currentDocument().value("AdvancedKey").toObject().value(QString::number(E)).toObject();
        QCOMPARE(member.value("bindItem").toString(), QString("MACRO"));
        QCOMPARE(member.value("macroName").toString(), name);
        QCOMPARE(loadMacroFile(folder, name).steps, recorded);

        // Reopened, the editor shows the bound macro chosen.
        QTest::mouseClick(r.key(E), Qt::LeftButton);
        editor = qobject_cast<MacroSetWindow *>(r.page.editor());
        QVERIFY(editor);
        QCOMPARE(editor->macroTable()->selectedName(), name);
        QCOMPARE(editor->macroSlot()->text(), name);
        QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);

        // A macro the keyboard's store can no longer take is refused, not listed.
        const int F = keyTypeFromName("F");
        emit r.page.typeChooser()->kindChosen(r.key(F)->keyData(), Bind_MACRO);
        editor = qobject_cast<MacroSetWindow *>(r.page.editor());
        QVERIFY(editor);
        for (const char *other : {"G", "J", "K"}) {
            MACROInfo full;
            full.keyIndex = keyTypeFromName(other);
            full.steps = recorded.mid(0, 2);
            QVERIFY(r.rig.worker->writeAdvancedBinding(full));
        }
        clickItem(editor->macroTable()->list(), 0);
        QTest::mouseClick(editor->commitButton(), Qt::LeftButton);
        QCOMPARE(messages, QStringList{"提示:宏没有写入键盘：键盘最多保存4个宏。"});
        QVERIFY(!r.page.bindItem(F));
        for (const char *other : {"G", "J", "K"})
            r.rig.worker->removeAdvancedBinding(keyTypeFromName(other), Bind_MACRO);
        QVERIFY(r.rig.waitIdle());
        profile = r.manager.currentProfile();
        setUserMessageSink({});
    }
    QVERIFY(QDir::setCurrent(previous));

    // The profile applied to a fresh keyboard in a fresh working directory:
    // with the macro file it sends the same macro; without, it stops there.
    for (const bool present : {true, false}) {
        QTemporaryDir fresh;
        const QString freshFolder = fresh.path() + "/Macro";
        if (present)
            writeFile(freshFolder + "/" + name + ".csv", fileBytes(folder + "/" + name + ".csv"));
        SimRig rig;
        KeyboardSession session(rig.worker.get());
        QVERIFY(rig.readBack(session));
        QVERIFY(rig.waitIdle());
        QStringList errors;
        for (const ProfileStep &step : planWholeProfileOn(rig.worker->board(), profile, [&](const QString &macro) {
                 return loadMacroFile(freshFolder, macro);
             })) {
            runProfileStep(step, *rig.worker);
            if (!step.error.isEmpty()) {
                errors << step.error;
                break;
            }
        }
        QVERIFY(rig.waitIdle());
        if (present) {
            QVERIFY(errors.isEmpty());
            QCOMPARE(rig.kb.state().macroSteps, keyboardSteps);
        } else {
            QCOMPARE(errors, QStringList{"open file failure!"});
            QVERIFY(rig.kb.state().macroSteps.empty());
        }
    }
}

QTEST_MAIN(TestMacroWindows)
#include "test_macro_windows.moc"
