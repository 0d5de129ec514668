// Macro files: the CSV format both ways and reading a macro by name.

#include "MacroCsv.h"
#include "MacroFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

    // Headers that are not exactly the three fields are refused, and leave no steps.
    QList<MACRO_Key> steps = {step("x", true, 1)};
    for (const QByteArray &bad : {QByteArray(), QByteArray("Key,Key UP/DOWN\nA,DOWN,1\n"),
                                  QByteArray("Key,Delay(ms),Key UP/DOWN\nA,1,DOWN\n"), QByteArray("key,Key UP/DOWN,Delay(ms)\n"),
                                  QByteArray("Key,Key UP/DOWN,Delay(ms),\n")}) {
        QCOMPARE(parseMacroCsv(bad, &steps), MacroCsvResult::BadHeader);
        QVERIFY(steps.isEmpty());
    }

    // Lines without three fields are skipped; only "DOWN" presses; a delay
    // that is no number is 0; an unclosed quote is plain text.
    QCOMPARE(parsed(header + "\nbad line\nA,DOWN\nA,DOWN,1,2\n\nB,down,x\n\"C,DOWN,7\n"),
             (QList<MACRO_Key>{step("B", false, 0), step("\"C", true, 7)}));

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

QTEST_GUILESS_MAIN(TestMacros)
#include "test_macros.moc"
