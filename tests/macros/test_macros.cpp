// Macro files: the CSV format both ways and reading a macro by name.

#include "KeyTypeTable.h"
#include "MacroCsv.h"
#include "MacroFile.h"
#include "MacroKeyNames.h"
#include "MacroStepList.h"
#include "MacroStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

MACRO_Key step(const QString &key, bool down, int delay)
{
    MACRO_Key s;
    s.keyName = key;
    s.down = down;
    s.delay = delay;
    return s;
}

QList<MACRO_Key> parsed(const QByteArray &bytes)
{
    QList<MACRO_Key> steps;
    if (parseMacroCsv(bytes, &steps) != MacroCsvResult::Ok)
        steps.append(step(QStringLiteral("<bad header>"), false, -1));
    return steps;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestMacros : public QObject {
    Q_OBJECT
private slots:
    void writtenStepsReadBack();
    void readingRules();
    void loadingByName();
    void stepRows();
    void editingSteps();
    void storeFiles();
    void failedWritesChangeNothing();
    void recorderNamesAreTheSendersNames();
};

void TestMacros::writtenStepsReadBack()
{
    // A press and its release 120 ms later: header, then one line per step.
    const QList<MACRO_Key> press = {step("A", true, 120), step("A", false, 10)};
    QCOMPARE(writeMacroCsv(press), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,120\nA,UP,10\n"));
    QCOMPARE(writeMacroCsv({}), QByteArray("Key,Key UP/DOWN,Delay(ms)\n"));

    // The comma key, names with quotes and non-ASCII names come back as they were.
    const QList<MACRO_Key> odd = {step(",", true, 5),      step(",", false, 0),        step("\"", true, 1),
                                  step("a\"b,c", false, 2), step("↑", true, 4095),      step("", false, 3),
                                  step("L-Shift", true, 99999)};
    QCOMPARE(parsed(writeMacroCsv(odd)), odd);
    QVERIFY(writeMacroCsv(odd).contains("\n\",\",DOWN,5\n"));
}

void TestMacros::readingRules()
{
    const QByteArray header = "Key,Key UP/DOWN,Delay(ms)";
    // LF and CRLF, a byte-order mark, a quoted header.
    QCOMPARE(parsed(header + "\r\nA,DOWN,30\r\nA,UP,0\r\n"), (QList<MACRO_Key>{step("A", true, 30), step("A", false, 0)}));
    QCOMPARE(parsed("\xEF\xBB\xBF" + header + "\nA,DOWN,1"), QList<MACRO_Key>{step("A", true, 1)});
    QCOMPARE(parsed("\"Key\",\"Key UP/DOWN\",\"Delay(ms)\"\nB,UP,2\n"), QList<MACRO_Key>{step("B", false, 2)});

    // Headers that are not exactly the three fields are refused (the delay
    // second, too), and leave no steps.
    QList<MACRO_Key> steps = {step("x", true, 1)};
    for (const QByteArray &bad : {QByteArray(), QByteArray("Key,Key UP/DOWN\nA,DOWN,1\n"),
                                  QByteArray("Key,Delay(ms),Key UP/DOWN\nA,1,DOWN\n"), QByteArray("key,Key UP/DOWN,Delay(ms)\n"),
                                  QByteArray("Key, Key UP/DOWN,Delay(ms)\n"), QByteArray("Key,Key UP/DOWN,Delay(ms),x\n")}) {
        QCOMPARE(parseMacroCsv(bad, &steps), MacroCsvResult::BadHeader);
        QVERIFY(steps.isEmpty());
    }

    // Lines without three fields are skipped; only "DOWN" presses; a delay
    // that is no number, or negative, is 0; an unclosed quote is plain text.
    QCOMPARE(parsed(header + "\nbad line\nA,DOWN\nA,DOWN,1,2\n\nB,down,x\n\"C,DOWN,7\nD,UP,-40\n"),
             (QList<MACRO_Key>{step("B", false, 0), step("\"C", true, 7), step("D", false, 0)}));
    // Empty fields are dropped, in the header as on data lines, as a
    // spreadsheet leaves them; a quoted empty field is a field.
    QCOMPARE(parsed(header + ",,\nA,,DOWN,5,\n,B,UP,6\n,,DOWN,7\n\"\",UP,8\n"),
             (QList<MACRO_Key>{step("A", true, 5), step("B", false, 6), step("", false, 8)}));

    // At most 250 steps.
    QByteArray many = header + "\n";
    for (int i = 0; i < 300; ++i)
        many += "K" + QByteArray::number(i) + ",DOWN," + QByteArray::number(i) + "\n";
    steps = parsed(many);
    QCOMPARE(steps.size(), MaxMacroCsvSteps);
    QCOMPARE(steps.last(), step("K249", true, 249));
}

void TestMacros::loadingByName()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Macro";
    writeFile(folder + "/m1.csv", "Key,Key UP/DOWN,Delay(ms)\r\nA,DOWN,30\r\n");
    writeFile(folder + "/broken.csv", "Key;Key UP/DOWN;Delay(ms)\nA;DOWN;30\n");

    MacroLoadResult r = loadMacroFile(folder, "m1");
    QCOMPARE(r.status, MacroLoadResult::Ok);
    QCOMPARE(r.steps, QList<MACRO_Key>{step("A", true, 30)});
    QCOMPARE(loadMacroFile(folder, "gone").status, MacroLoadResult::FileMissing);
    r = loadMacroFile(folder, "broken");
    QCOMPARE(r.status, MacroLoadResult::BadHeader);
    QVERIFY(r.steps.isEmpty());

    // Names from a profile never leave the folder, even where the file exists.
    writeFile(dir.path() + "/outside.csv", "Key,Key UP/DOWN,Delay(ms)\nA,DOWN,1\n");
    writeFile(folder + "/sub/inner.csv", "Key,Key UP/DOWN,Delay(ms)\nA,DOWN,1\n");
    for (const QString &name : {QString(), QStringLiteral("../outside"), QStringLiteral("sub/inner"),
                                QStringLiteral("sub\\inner"), QStringLiteral(".."), dir.path() + "/outside",
                                QStringLiteral("C:m1"), QStringLiteral("m1\n"), QString::fromUtf8("m1\0", 3)}) {
        QVERIFY2(!isSafeMacroName(name), qPrintable(name));
        QCOMPARE(loadMacroFile(folder, name).status, MacroLoadResult::FileMissing);
    }
    QVERIFY(isSafeMacroName(QStringLiteral("宏 one.v2")));

    // A huge file is read up to the limit and never ends in a cut line.
    QByteArray big = "Key,Key UP/DOWN,Delay(ms)\nA,DOWN,1\n";
    big += QByteArray(int(MaxMacroFileBytes) - big.size() - 10, 'x') + "\nB,DOWN,12345\n";
    writeFile(folder + "/big.csv", big);
    r = loadMacroFile(folder, "big");
    QCOMPARE(r.status, MacroLoadResult::Ok);
    QCOMPARE(r.steps, QList<MACRO_Key>{step("A", true, 1)});
}

namespace {

// The rows in short: "+A" a press, "-A" a release, "120" a delay, each with
// its id after "#".
QString rowsText(const MacroStepList &list)
{
    QStringList out;
    for (const MacroRow &r : list.rows()) {
        const QString text = r.kind == MacroRow::Key ? (r.down ? "+" : "-") + r.text : r.text;
        out << text + "#" + QString::number(r.id);
    }
    return out.join(' ');
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList csvFiles(const QString &folder)
{
    return QDir(folder).entryList({"*.csv"}, QDir::Files, QDir::Name);
}

} // namespace

void TestMacros::stepRows()
{
    // One press: one key row; written with the last step's 10 ms.
    MacroStepList list;
    QVERIFY(list.record(true, "A", "999"));
    QCOMPARE(rowsText(list), QString("+A#1000"));
    QCOMPARE(writeMacroCsv(list.steps()), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,10\n"));

    // Its release 120 ms later: key, delay, key; two lines.
    QVERIFY(list.record(false, "A", "120"));
    QCOMPARE(rowsText(list), QString("+A#1000 120#1000 -A#2001"));
    QCOMPARE(writeMacroCsv(list.steps()), QByteArray("Key,Key UP/DOWN,Delay(ms)\nA,DOWN,120\nA,UP,10\n"));
    // Two events in the same millisecond still get their delay row, so
    // the rows keep alternating.
    QVERIFY(list.record(true, "B", "0"));
    QCOMPARE(rowsText(list), QString("+A#1000 120#1000 -A#2001 0#2001 +B#1002"));

    // Recording stops at the cap: a step needs its delay row and key row.
    list.clear();
    int recorded = 0;
    while (list.record(recorded % 2 == 0, "K", "5"))
        ++recorded;
    QCOMPARE(recorded, 125);
    QCOMPARE(list.rowCount(), 249);
    QVERIFY(list.rowCount() <= MacroStepList::MaxRows);

    // From a file every step has its delay row, up to 250 rows.
    QList<MACRO_Key> many;
    for (int i = 0; i < 200; ++i)
        many << step("K" + QString::number(i), i % 2 == 0, i);
    list.setSteps(many);
    QCOMPARE(list.rowCount(), MacroStepList::MaxRows);
    QCOMPARE(list.steps(), many.mid(0, 125));
    list.setSteps({step("A", true, 30), step("A", false, -5)});
    QCOMPARE(rowsText(list), QString("+A#1000 30#1000 -A#2001 0#2001"));
}

void TestMacros::editingSteps()
{
    MacroStepList list;
    list.setSteps({step("A", true, 10), step("B", true, 20), step("C", false, 30)});

    // Delay text: digits are kept, other text gives its digits or the old text.
    QVERIFY(!list.setDelayText(0, "5")); // a key row
    QVERIFY(list.setDelayText(1, "15"));
    QVERIFY(list.setDelayText(3, "1a2 3ms"));
    QVERIFY(!list.setDelayText(5, "abc"));
    QVERIFY(!list.setDelayText(5, "12345678901")); // no int holds it
    QCOMPARE(rowsText(list), QString("+A#1000 15#1000 +B#1001 123#1001 -C#2002 30#2002"));

    // The arrows move a key row with its delay row; ids follow the places.
    QCOMPARE(list.moveStepOfRow(3, -1), 0);
    QCOMPARE(rowsText(list), QString("+B#1000 123#1000 +A#1001 15#1001 -C#2002 30#2002"));
    QCOMPARE(list.moveStepOfRow(0, -1), -1);
    QCOMPARE(list.moveStepOfRow(4, 1), -1);
    QCOMPARE(list.moveStepOfRow(2, 1), 4);
    QCOMPARE(rowsText(list), QString("+B#1000 123#1000 -C#2001 30#2001 +A#1002 15#1002"));

    // Delete: a key row goes with the delay after it, a delay row with the
    // key before it.
    QCOMPARE(list.removeStepOfRow(3), 2);
    QCOMPARE(rowsText(list), QString("+B#1000 123#1000 +A#1001 15#1001"));
    QCOMPARE(list.removeStepOfRow(0), 0);
    QCOMPARE(rowsText(list), QString("+A#1000 15#1000"));
    QCOMPARE(list.removeStepOfRow(0), -1);
    QVERIFY(list.isEmpty());

    // A just-recorded last step moved up takes the 10 ms it would have been
    // written with; the step now last keeps its delay row.
    list.record(true, "A", "");
    list.record(false, "A", "40");
    QCOMPARE(list.moveStepOfRow(2, -1), 0);
    QCOMPARE(rowsText(list), QString("-A#2000 10#2000 +A#1001 40#1001"));
}

void TestMacros::storeFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Macro";
    MacroStore store(folder);
    QVERIFY(store.load().isEmpty()); // no folder yet
    QVERIFY(store.ensureFolder());
    QVERIFY(QFileInfo(folder).isDir());

    // At start: every macro file by name, under its whole name; other files skipped.
    writeFile(folder + "/b.csv", "Key,Key UP/DOWN,Delay(ms)\nB,DOWN,5\n");
    writeFile(folder + "/a.v2.csv", "Key,Key UP/DOWN,Delay(ms)\nA,UP,6\n");
    writeFile(folder + "/garbage.csv", QByteArray("\x00\xff\x13garbage", 10));
    writeFile(folder + "/notes.txt", "Key,Key UP/DOWN,Delay(ms)\n");
    QList<MacroEntry> listed = store.load();
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed.at(0).name, QString("a.v2"));
    QCOMPARE(listed.at(0).steps, QList<MACRO_Key>{step("A", false, 6)});
    QCOMPARE(listed.at(1).name, QString("b"));
    QCOMPARE(fileBytes(folder + "/garbage.csv"), QByteArray("\x00\xff\x13garbage", 10));
    QCOMPARE(loadMacroFile(folder, "a.v2").steps, listed.at(0).steps); // bound names load back

    // Copies: _1, _2; names differing in case are taken too.
    QCOMPARE(store.freeName("b"), QString("b_1"));
    QCOMPARE(store.freeName("B"), QString("B_1"));
    QCOMPARE(store.create("b_1", {step("C", true, 1)}), QString());
    QCOMPARE(store.freeName("b"), QString("b_2"));
    QCOMPARE(store.freeName("new"), QString("new"));
    QCOMPARE(store.create("B", {}), QString("已有名为“B”的宏。"));
    QCOMPARE(fileBytes(folder + "/b_1.csv"), QByteArray("Key,Key UP/DOWN,Delay(ms)\nC,DOWN,1\n"));

    // Rename: the file moves; refused names change nothing.
    QCOMPARE(store.rename("b_1", "greeting"), QString());
    QCOMPARE(store.rename("greeting", "greeting"), QString());
    const QStringList before = csvFiles(folder);
    QCOMPARE(before, (QStringList{"a.v2.csv", "b.csv", "garbage.csv", "greeting.csv"}));
    const QList<QPair<QString, QString>> refused = {
        {"", "宏名称不能为空。"},
        {"  ", "宏名称不能为空。"},
        {"../escape", "宏名称不能包含以下字符：<>:\"/\\|?* 或控制字符。"},
        {"sub\\x", "宏名称不能包含以下字符：<>:\"/\\|?* 或控制字符。"},
        {"a..b", "宏名称不能包含“..”。"},
        {"tab\there", "宏名称不能包含以下字符：<>:\"/\\|?* 或控制字符。"},
        {"what?", "宏名称不能包含以下字符：<>:\"/\\|?* 或控制字符。"},
        {".hidden", "宏名称不能以“.”开头。"},
        {"dot.", "宏名称不能以“.”或空格结尾。"},
        {"con", "宏名称是系统保留名称，请换一个名称。"},
        {QString(65, 'x'), "宏名称不能超过64个字符。"},
        {"b", "已有名为“b”的宏。"},
        {"A.V2", "已有名为“A.V2”的宏。"},
    };
    for (const auto &r : refused)
        QCOMPARE(store.rename("greeting", r.first), r.second);
    QCOMPARE(store.rename("gone", "other"), QString("宏文件“gone”已不存在。"));
    QCOMPARE(csvFiles(folder), before);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty()); // nothing beside the folder

    // Save replaces the steps; remove takes the file; a missing one is no error.
    QCOMPARE(store.save("greeting", {step("H", true, 7)}), QString());
    QCOMPARE(loadMacroFile(folder, "greeting").steps, QList<MACRO_Key>{step("H", true, 7)});
    QCOMPARE(store.remove("greeting"), QString());
    QCOMPARE(store.remove("greeting"), QString());
    QVERIFY(!QFile::exists(folder + "/greeting.csv"));
    QCOMPARE(store.remove("../b"), QString("宏文件删除失败。"));
}

void TestMacros::failedWritesChangeNothing()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Macro";
    MacroStore store(folder);
    QCOMPARE(store.create("kept", {step("A", true, 1)}), QString());
    const QByteArray before = fileBytes(folder + "/kept.csv");
    // A read-only folder; root ignores permissions, so it acts as nobody
    // (keeping its group).
    const auto folderPermissions = QFile::permissions(folder);
    const auto parentPermissions = QFile::permissions(dir.path());
    const auto readable = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | readable);
    QFile::setPermissions(dir.path(), parentPermissions | readable);
    const bool droppedRoot = geteuid() == 0 && seteuid(65534) == 0;
    QFile probe(folder + "/probe");
    const bool readOnly = !probe.open(QIODevice::WriteOnly);
    QString save, create, rename, remove;
    if (readOnly) {
        save = store.save("kept", {step("B", false, 2)});
        create = store.create("other", {step("B", false, 2)});
        rename = store.rename("kept", "moved");
        remove = store.remove("kept");
    }
    if (droppedRoot && seteuid(0) != 0)
        qFatal("cannot take back the root user");
    QFile::setPermissions(folder, folderPermissions);
    QFile::setPermissions(dir.path(), parentPermissions);
    if (!readOnly)
        QSKIP("cannot make the macro folder read-only here");
    QCOMPARE(save, QString("宏文件保存失败，原有文件未改动。"));
    QCOMPARE(create, QString("宏文件保存失败，原有文件未改动。"));
    QCOMPARE(rename, QString("宏文件重命名失败。"));
    QCOMPARE(remove, QString("宏文件删除失败。"));
    QCOMPARE(csvFiles(folder), QStringList{"kept.csv"});
    QCOMPARE(fileBytes(folder + "/kept.csv"), before);
#else
    QSKIP("needs Unix permissions to make file operations fail");
#endif
}

void TestMacros::recorderNamesAreTheSendersNames()
{
    // Every key the recorder records carries a name that the device layer
    // turns back into the same key, with a key code to send.
    for (const auto &k : macroRecorderKeys()) {
        const Qt::KeyboardModifiers mods = k.second ? Qt::KeypadModifier : Qt::NoModifier;
        const int type = macroKeyTypeForQtKey(k.first, mods, 0);
        const QString name = macroKeyNameForQtKey(k.first, mods, 0);
        QVERIFY2(type >= 0 && !name.isEmpty(), qPrintable(QString::number(k.first, 16)));
        QCOMPARE(keyTypeFromName(name), type);
        QVERIFY2(keyTypeHasCode(type) && keyTypeCode(type) != 0, qPrintable(name));
        QVERIFY2(!name.contains('\n'), qPrintable(name));
    }
    auto name = [](int key, Qt::KeyboardModifiers mods = Qt::NoModifier, quint32 scan = 0) {
        return macroKeyNameForQtKey(key, mods, scan);
    };
    // The names the recorder is known by.
    QCOMPARE(name(Qt::Key_Escape), QString("Esc"));
    QCOMPARE(name(Qt::Key_F12), QString("F12"));
    QCOMPARE(name(Qt::Key_ScrollLock), QString("Scroll"));
    QCOMPARE(name(Qt::Key_QuoteLeft), QString("`~"));
    QCOMPARE(name(Qt::Key_0), QString("0"));
    QCOMPARE(name(Qt::Key_Q), QString("Q"));
    QCOMPARE(name(Qt::Key_CapsLock), QString("Caps"));
    QCOMPARE(name(Qt::Key_Space), QString("SpaceBar"));
    // Shifted symbols are their keys; the keypad is told apart, Num Lock or not.
    QCOMPARE(name(Qt::Key_Exclam, Qt::ShiftModifier), QString("1"));
    QCOMPARE(name(Qt::Key_Question, Qt::ShiftModifier), QString("/"));
    QCOMPARE(name(Qt::Key_Asterisk, Qt::KeypadModifier), QString("Num*"));
    QCOMPARE(name(Qt::Key_Asterisk, Qt::ShiftModifier), QString("8"));
    QCOMPARE(name(Qt::Key_Enter, Qt::KeypadModifier), QString("R-Enter"));
    QCOMPARE(name(Qt::Key_Return), QString("Enter"));
    QCOMPARE(name(Qt::Key_7, Qt::KeypadModifier), QString("Num7"));
    QCOMPARE(name(Qt::Key_Home, Qt::KeypadModifier), QString("Num7"));
    QCOMPARE(name(Qt::Key_Home), QString("Home"));
    // Left and right modifiers by their scan codes.
    QCOMPARE(name(Qt::Key_Shift), QString("L-Shift"));
    QCOMPARE(name(Qt::Key_Shift, Qt::ShiftModifier, rightModifierScanCode(Qt::Key_Shift)), QString("R-Shift"));
    QCOMPARE(name(Qt::Key_Control, Qt::NoModifier, rightModifierScanCode(Qt::Key_Control)), QString("R-Ctrl"));
    QCOMPARE(name(Qt::Key_Alt), QString("L-Alt"));
    QCOMPARE(name(Qt::Key_Meta), QString("L-Win"));
    // Keys without a name are not recorded.
    QCOMPARE(macroKeyTypeForQtKey(Qt::Key_F20, Qt::NoModifier, 0), -1);
    QCOMPARE(macroKeyTypeForQtKey(Qt::Key_unknown, Qt::NoModifier, 0), -1);
    QVERIFY(name(Qt::Key_Launch0).isEmpty());
}

QTEST_GUILESS_MAIN(TestMacros)
#include "test_macros.moc"
