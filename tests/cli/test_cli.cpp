// corvane-cli as a user runs it: exit codes, one-line failures, JSON output.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(CORVANE_CLI), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void simulatedKeyboard();
    void failuresAreOneLine();
    void flashSimulated();
};

void TestCli::simulatedKeyboard()
{
    const Run list = cli({"list", "--simulate"});
    QCOMPARE(list.exitCode, 0);
    const QList<QByteArray> lines = list.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2); // both interfaces, not the unrelated devices
    QVERIFY(lines[0].contains("no answer"));
    QVERIFY(lines[1].contains("answers"));

    const Run info = cli({"info", "--simulate=2"});
    QCOMPARE(info.exitCode, 0);
    QVERIFY(info.out.contains("family 2"));
    QVERIFY(info.out.contains("Polling rate:  2 kHz"));
    QVERIFY(info.out.contains("Mode:          Mac"));
    QVERIFY(info.err.isEmpty());

    const Run dump = cli({"dump", "--simulate"});
    QCOMPARE(dump.exitCode, 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(dump.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root["board"].toObject()["version"].toString(), QString("V1.0.3"));
    QCOMPARE(root["deadBands"].toObject()["gdBi"].toInt(), 1234);
    QCOMPARE(root["parameters"].toObject()["4_travel"].toArray().size(), 6);
    QCOMPARE(root["advancedKeys"].toObject()["MT"].toObject().size(), 1);
    QVERIFY(root["keyColours"].toObject().size() > 80);
}

void TestCli::failuresAreOneLine()
{
    const Run usage = cli({"frobnicate"});
    QCOMPARE(usage.exitCode, 2);
    QVERIFY(usage.err.startsWith("usage:"));

    // No keyboard on this machine's hidapi.
    const Run none = cli({"info"});
    QCOMPARE(none.exitCode, 1);
    QVERIFY(none.out.isEmpty());
    QCOMPARE(none.err.count('\n'), 1);
    QVERIFY(none.err.startsWith("corvane-cli: no keyboard found"));
}

void TestCli::flashSimulated()
{
    QTemporaryDir dir;
    const QString image = dir.filePath("fw.bin");
    QFile f(image);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, '\x5A'));
    f.close();
    const Run ok = cli({"flash", image, "--simulate"});
    QCOMPARE(ok.exitCode, 0);
    QVERIFY(ok.err.contains("Firmware update complete!"));

    const Run missing = cli({"flash", dir.filePath("absent.bin"), "--simulate"});
    QCOMPARE(missing.exitCode, 1);
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
