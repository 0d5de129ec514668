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

Run cli(const QStringList &args, const QString &scenario = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_LOGGING_RULES")); // as a user runs it
    if (!scenario.isEmpty())
        env.insert(QStringLiteral("CORVANE_SIM_SCENARIO"), scenario);
    p.setProcessEnvironment(env);
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
    void faultsGiveATrueVerdict_data();
    void faultsGiveATrueVerdict();
    void profilesAndSupport();
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
    // The keyboard is waited for until it runs its new firmware, whose
    // version is the one line on stdout; --no-wait ends at the update.
    const Run ok = cli({"flash", image, "--simulate"});
    QCOMPARE(ok.exitCode, 0);
    QVERIFY(ok.err.contains("Firmware update complete!"));
    QVERIFY2(ok.out.startsWith("firmware V") && ok.out.count('\n') == 1, ok.out.constData());
    const Run noWait = cli({"flash", image, "--no-wait", "--simulate"});
    QCOMPARE(noWait.exitCode, 0);
    QVERIFY(noWait.out.isEmpty());
    QCOMPARE(cli({"apply", image, "--no-wait", "--simulate"}).exitCode, 2);

    const Run missing = cli({"flash", dir.filePath("absent.bin"), "--simulate"});
    QCOMPARE(missing.exitCode, 1);
    // Only a .bin file of a firmware's size reaches the keyboard.
    const QString other = dir.filePath("fw.kb");
    QVERIFY(QFile::copy(image, other));
    const Run notBin = cli({"flash", other, "--simulate"});
    QCOMPARE(notBin.exitCode, 1);
    QVERIFY(notBin.err.contains("only .bin files"));
    QFile big(dir.filePath("big.BIN"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize((8 << 20) + 1));
    big.close();
    const Run tooBig = cli({"flash", big.fileName(), "--simulate"});
    QCOMPARE(tooBig.exitCode, 1);
    QVERIFY(tooBig.err.contains("more than a firmware can be"));

    // A keyboard that refuses every block: the failure is said once, on one
    // line of its own after the progress bar.
    const Run refused = cli({"flash", image, "--simulate"}, "only=0x0C,failEvery=1");
    QCOMPARE(refused.exitCode, 1);
    const QList<QByteArray> lines = refused.err.trimmed().split('\n');
    QVERIFY(lines.last().startsWith("corvane-cli: firmware update failed: Keyboard device firmware update failed!"));
    QCOMPARE(refused.err.count("Keyboard device firmware update failed!"), 1);
    QVERIFY(!refused.err.contains("corvane."));
}

void TestCli::faultsGiveATrueVerdict_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error"); // part of the one line on stderr

    QTest::newRow("colours: every 3rd answer lost") << "dump" << "only=0x2A,dropEvery=3" << 0 << "";
    QTest::newRow("every 3rd answer corrupt") << "dump" << "corruptEvery=3" << 0 << "";
    QTest::newRow("five keys") << "dump" << "keys=5" << 0 << "";
    QTest::newRow("colours: one refused") << "dump" << "only=0x2A,fail=1" << 1 << "per-key colours";
    QTest::newRow("unplugged while settling") << "dump" << "unplugAfterMs=700" << 1 << "disconnected";
    QTest::newRow("unplugged in the walk") << "dump" << "unplugAfterFrames=60,replugAfterMs=100" << 1
                                           << "disconnected";
    QTest::newRow("info: every 3rd answer lost") << "info" << "dropEvery=3" << 0 << "";
    QTest::newRow("info: slow keyboard") << "info" << "latency=50" << 0 << "";
    QTest::newRow("info: name refused") << "info" << "only=0x00,fail=1" << 1 << "keyboard name";
    QTest::newRow("bad scenario") << "info" << "dropEvery=x" << 1 << "CORVANE_SIM_SCENARIO";
}

// Under faults the command ends, succeeds only with complete data, and a
// failure is one line on stderr with no log lines beside it.
void TestCli::faultsGiveATrueVerdict()
{
    QFETCH(QString, command);
    QFETCH(QString, scenario);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const Run run = cli({command, "--simulate"}, scenario);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0) {
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    } else {
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("corvane-cli: ") && run.err.contains(error.toUtf8()), run.err.constData());
    }
    if (command == QLatin1String("dump") && (exitCode == 0 || error == QLatin1String("per-key colours"))) {
        // What was read is printed, and what is missing is named in it.
        const QJsonObject root = QJsonDocument::fromJson(run.out).object();
        QVERIFY(root["keyColours"].toObject().size() >= (exitCode == 0 ? 5 : 80));
        QCOMPARE(root.contains("missing"), exitCode != 0);
    }
}

// The profile and support commands as a script runs them: arguments, exit
// codes, what goes to stdout and what to stderr.
void TestCli::profilesAndSupport()
{
    for (const QStringList &wrong : {QStringList{"apply"}, QStringList{"export", "a.kb", "--verify"},
                                     QStringList{"apply", "a.kb", "--force"}, QStringList{"doctor", "x"},
                                     QStringList{"report"}})
        QCOMPARE(cli(wrong).exitCode, 2);

    QTemporaryDir dir;
    const QString profile = dir.filePath("kb.kb");
    const Run exported = cli({"export", profile, "--simulate"});
    QCOMPARE(exported.exitCode, 0);
    QVERIFY(exported.out.isEmpty());
    // Applied to a keyboard in its factory state, read back: nothing differs.
    const Run applied = cli({"apply", profile, "--verify", "--simulate"}, "distinctive=0");
    QCOMPARE(applied.exitCode, 0);
    QVERIFY(applied.out.isEmpty());
    QVERIFY(applied.err.contains("100% done"));
    QVERIFY(applied.err.endsWith("applied and verified " + profile.toUtf8() + ": the keyboard holds every setting of it\n"));

    const Run doctor = cli({"doctor", "--simulate"});
    QCOMPARE(doctor.exitCode, 0);
    QVERIFY(doctor.err.isEmpty());
    const Run denied = cli({"doctor", "--simulate"}, "denied=1");
    QCOMPARE(denied.exitCode, 1);
    QVERIFY(denied.out.contains("To fix, run:\n  echo '"));
    QCOMPARE(denied.err, QByteArray("corvane-cli: 2 check(s) failed\n"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
