// corvane-cli as a user runs it: exit codes, one-line failures, JSON output.

#include "KeyboardLock.h"
#include "RuntimeDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <functional>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
// Windows has no signals: Ctrl-Break goes to a console process group, so
// the program runs in a group of its own. It stands for both SIGINT and
// SIGTERM (which the console's events map to).
void prepareForInterrupt(QProcess &p)
{
    p.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *a) { a->flags |= CREATE_NEW_PROCESS_GROUP; });
}
bool sendInterrupt(QProcess &p, int)
{
    return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(p.processId()));
}
#else
void prepareForInterrupt(QProcess &) {}
bool sendInterrupt(QProcess &p, int signal)
{
    return ::kill(pid_t(p.processId()), signal) == 0;
}
#endif

struct Run {
    int exitCode = -1;
    QByteArray out, err;
    bool notInterruptible = false; // the system delivered no interrupt
};

Run cli(const QStringList &args, const QString &scenario = QString(),
        const std::function<void(QProcessEnvironment &)> &environment = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_LOGGING_RULES")); // as a user runs it
    if (!scenario.isEmpty())
        env.insert(QStringLiteral("CORVANE_SIM_SCENARIO"), scenario);
    if (environment)
        environment(env);
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

// Starts corvane-cli and sends it a signal once its progress on stderr
// matches when; then collects how it ended. stdout is read too, so that
// nothing blocks on a full pipe.
Run interrupt(const QStringList &args, const QString &scenario, const QRegularExpression &when, int signal,
              const std::function<void()> &whileRunning = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    env.insert(QStringLiteral("CORVANE_SIM_SCENARIO"), scenario);
    p.setProcessEnvironment(env);
    p.setReadChannel(QProcess::StandardError);
    prepareForInterrupt(p);
    p.start(QStringLiteral(CORVANE_CLI), args);
    Run r;
    QByteArray err;
    QDeadlineTimer deadline(60000);
    while (!when.match(QString::fromUtf8(err)).hasMatch()) {
        if (p.state() == QProcess::NotRunning || deadline.hasExpired() ||
            (!p.waitForReadyRead(int(deadline.remainingTime())) && p.state() == QProcess::NotRunning)) {
            qWarning("no progress matching %s before the end: %s", qPrintable(when.pattern()), err.constData());
            p.kill();
            p.waitForFinished();
            return r;
        }
        err += p.readAllStandardError();
    }
    if (whileRunning)
        whileRunning();
    if (!sendInterrupt(p, signal)) {
        p.kill();
        p.waitForFinished();
        r.notInterruptible = true;
        return r;
    }
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = err + p.readAllStandardError();
    return r;
}

QString writeImage(const QTemporaryDir &dir, int size)
{
    const QString path = dir.filePath(QStringLiteral("fw%1.bin").arg(size));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    f.write(bytes);
    return path;
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
    void oneProgramAtATime();
    void everyEnvironmentSharesTheLock();
    void interruptedFlashIsRecovered();
    void interruptedApplyTellsWhatWasApplied();
    void profilesTravel();

private:
    QTemporaryDir m_runtime;
};

void TestCli::simulatedKeyboard()
{
    // The keyboard lock of every run here lives in a folder of this test's own.
    qputenv(RuntimeDirVariable, QFile::encodeName(m_runtime.path()));

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
    const Run version = cli({"--version"});
    QCOMPARE(version.exitCode, 0);
    QVERIFY2(QRegularExpression("^corvane-cli [0-9]+(\\.[0-9]+)+\n$").match(QString::fromUtf8(version.out)).hasMatch(),
             version.out.constData());

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
    const Run refused = cli({"flash", image, "--simulate"}, "refuseBlocks=-1,nack=1");
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

// While another program has the keyboard, no command that talks to it
// starts: each says who has it and what to do, on one line, with exit code 3.
void TestCli::oneProgramAtATime()
{
    qputenv(RuntimeDirVariable, QFile::encodeName(m_runtime.path()));
    QTemporaryDir dir;
    const QString profile = dir.filePath("kb.kb");
    QCOMPARE(cli({"export", profile, "--simulate"}).exitCode, 0);
    const QString image = writeImage(dir, 3000);

    KeyboardLock corvane(QStringLiteral("Corvane"), KeyboardLock::simulatedKey(0));
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);
    const QList<QPair<QStringList, QByteArray>> commands = {
        {{"info", "--simulate"}, "window: its title shows the board information"},
        {{"dump", "--simulate"}, "support report (Settings, Save Support Report)"},
        {{"apply", profile, "--simulate"}, "profile list"},
        {{"export", dir.filePath("other.kb"), "--simulate"}, "profile export"},
        {{"flash", image, "--simulate"}, "firmware update (Settings)"},
        {{"report", dir.filePath("report.json"), "--simulate"}, "support report (Settings, Save Support Report)"},
    };
    for (const auto &command : commands) {
        const Run run = cli(command.first);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.err, "corvane-cli: Corvane is using the keyboard: close it, or use its own " + command.second + "\n");
        QVERIFY(run.out.isEmpty());
    }
    QVERIFY(!QFile::exists(dir.filePath("other.kb")));
    QVERIFY(!QFile::exists(dir.filePath("report.json")));
    const Run doctor = cli({"doctor", "--simulate"});
    QCOMPARE(doctor.exitCode, 3);
    QVERIFY(doctor.err.startsWith("corvane-cli: Corvane is using the keyboard, so this user can reach it"));
    // list names the holder instead of asking the keyboard.
    const Run list = cli({"list", "--simulate"});
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.out.count("in use by Corvane, not asked"), 2);
    // Another family's virtual keyboard is another keyboard.
    QCOMPARE(cli({"info", "--simulate=1"}).exitCode, 0);
    corvane.release();

    KeyboardLock script(QStringLiteral("corvane-cli flash"), KeyboardLock::simulatedKey(0));
    QCOMPARE(script.tryAcquire(), KeyboardLock::Result::Acquired);
    const Run held = cli({"info", "--simulate"});
    QCOMPARE(held.exitCode, 3);
    QCOMPARE(held.err, QByteArray("corvane-cli: corvane-cli flash is using the keyboard: wait for it to finish, "
                                  "then run info again\n"));
    script.release();
    QCOMPARE(cli({"info", "--simulate"}).exitCode, 0);
}

// Corvane started from the desktop has XDG_RUNTIME_DIR; the same user's
// cron job or sudo has not. They meet on the session's runtime folder. Where
// no lock can be taken safely, nothing is sent unless the user says so.
void TestCli::everyEnvironmentSharesTheLock()
{
#ifdef Q_OS_WIN
    QSKIP("the session runtime folders are Linux's; Windows has the one application-data folder");
#else
    QTemporaryDir root;
    const QString session = root.filePath("run");
    const QString own = QDir(session).filePath(QString::number(::geteuid()));
    QVERIFY(QDir().mkpath(own));
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("CORVANE_RUNTIME_ROOT", QFile::encodeName(session));
    const auto withoutRuntime = [](QProcessEnvironment &env) { env.remove(QStringLiteral("XDG_RUNTIME_DIR")); };
    const auto withRuntime = [&](QProcessEnvironment &env) { env.insert(QStringLiteral("XDG_RUNTIME_DIR"), own); };

    KeyboardLock corvane(QStringLiteral("Corvane"), KeyboardLock::simulatedKey(0));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(own));
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);
    QCOMPARE(cli({"info", "--simulate"}, QString(), withoutRuntime).exitCode, 3);
    corvane.release();
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);
    QCOMPARE(cli({"info", "--simulate"}, QString(), withRuntime).exitCode, 3);
    corvane.release();

    // No session folder, and the temporary folder's name taken by another.
    const QString temp = root.filePath("tmp");
    const QString planted = QDir(temp).filePath(QStringLiteral("corvane-%1").arg(::geteuid()));
    QVERIFY(QDir().mkpath(planted));
    QFile::setPermissions(planted, QFileDevice::Permissions(0x7777));
    const auto hostile = [&](QProcessEnvironment &env) {
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("CORVANE_RUNTIME_ROOT"), root.filePath("none"));
        env.insert(QStringLiteral("TMPDIR"), temp);
    };
    const QString profile = root.filePath("kb.kb");
    const Run refused = cli({"export", profile, "--simulate"}, QString(), hostile);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.startsWith("corvane-cli: cannot take the keyboard lock, so nothing was sent: " +
                                    QFile::encodeName(planted)),
             refused.err.constData());
    QVERIFY(!QFile::exists(profile));
    const Run forced = cli({"export", profile, "--simulate", "--no-lock"}, QString(), hostile);
    QCOMPARE(forced.exitCode, 0);
    QVERIFY(forced.err.startsWith("corvane-cli: warning: going on without the keyboard lock (--no-lock)"));
    QVERIFY(QFile::exists(profile));
    QVERIFY(QDir(planted).isEmpty());

    qunsetenv("CORVANE_RUNTIME_ROOT");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
#endif
}

// Ctrl-C in the middle of writing a firmware: the block in hand is abandoned,
// the keyboard waits in its boot loader, the user is told so, and the next
// flash brings the keyboard back from there.
void TestCli::interruptedFlashIsRecovered()
{
    qputenv(RuntimeDirVariable, QFile::encodeName(m_runtime.path()));
    QTemporaryDir dir;
    const QString image = writeImage(dir, 64 * 1024);
    // The blocks are written from 35% on; a slow keyboard makes it last.
    QString holder;
    const Run stopped = interrupt({"flash", image, "--simulate"}, "latency=40",
                                  QRegularExpression("\\] +(3[6-9]|[4-8][0-9])%"), SIGINT, [&] {
                                      KeyboardLock other(QStringLiteral("test"), KeyboardLock::simulatedKey(0));
                                      if (other.tryAcquire() == KeyboardLock::Result::Held)
                                          holder = other.otherHolder();
                                  });
    if (stopped.notInterruptible)
        QSKIP("this system delivers no console events to another program (Wine without a console)");
    QCOMPARE(holder, QString("corvane-cli flash"));
    QCOMPARE(stopped.exitCode, 130);
    QVERIFY(stopped.out.isEmpty());
    QVERIFY2(stopped.err.endsWith("corvane-cli: interrupted: the keyboard is waiting in its boot loader without "
                                  "firmware; run the same flash again to finish the update\n"),
             stopped.err.constData());
    QVERIFY(!stopped.err.contains("corvane."));
    // The lock went with it.
    KeyboardLock after(QStringLiteral("test"), KeyboardLock::simulatedKey(0));
    QCOMPARE(after.tryAcquire(), KeyboardLock::Result::Acquired);
    after.release();

    // Each run has a virtual keyboard of its own: this one starts where the
    // interrupted run left the keyboard, in its boot loader.
    const Run again = cli({"flash", writeImage(dir, 3000), "--simulate"}, "bootLoader=1");
    QCOMPARE(again.exitCode, 0);
    QVERIFY(again.err.contains("Firmware update complete!"));
    QVERIFY(again.out.startsWith("firmware V"));

    // SIGTERM the same way, early on: whether or not the erase had begun,
    // the user is told which of the two states the keyboard is in.
    const Run early = interrupt({"flash", image, "--simulate"}, "latency=40", QRegularExpression("\\] +5%"), SIGTERM);
    QCOMPARE(early.exitCode, 130);
    QVERIFY2(early.err.endsWith("corvane-cli: interrupted before anything was erased; the keyboard keeps its firmware\n") ||
                 early.err.endsWith("run the same flash again to finish the update\n"),
             early.err.constData());
}

// Ctrl-C while a profile goes out: the worker stops between frames and the
// last line says what reached the keyboard.
void TestCli::interruptedApplyTellsWhatWasApplied()
{
    qputenv(RuntimeDirVariable, QFile::encodeName(m_runtime.path()));
    QTemporaryDir dir;
    const QString profile = dir.filePath("kb.kb");
    QCOMPARE(cli({"export", profile, "--simulate"}).exitCode, 0);
    // Applied to a keyboard in its factory state, every group has frames to send.
    const Run run = interrupt({"apply", profile, "--simulate"}, "distinctive=0,latency=50",
                              QRegularExpression("\\] +[0-9]+% "), SIGINT);
    if (run.notInterruptible)
        QSKIP("this system delivers no console events to another program (Wine without a console)");
    QCOMPARE(run.exitCode, 130);
    QVERIFY(run.out.isEmpty());
    const QByteArray last = run.err.trimmed().split('\n').last();
    QVERIFY2(QRegularExpression("^corvane-cli: interrupted: [0-9]+ of the [0-9]+ frames of .*kb\\.kb were sent; ")
                 .match(QString::fromUtf8(last))
                 .hasMatch(),
             last.constData());
    QVERIFY2(last.contains("not applied: ") || last.contains("partly applied: "), last.constData());
}

// A profile of the keyboard shared as a code, and a data folder carried
// whole to another: what arrives is what left, and nothing is overwritten.
void TestCli::profilesTravel()
{
    QTemporaryDir a, b, c;
    QDir(a.path()).mkpath("LocalProfile");
    const QString profile = a.filePath("LocalProfile/mine.kb");
    QCOMPARE(cli({"export", profile, "--simulate"}).exitCode, 0);
    const auto fileOf = [](const QString &path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };

    QCOMPARE(cli({"share", profile, "--workdir", a.path()}).exitCode, 1); // for which model?
    const Run shared = cli({"share", profile, "--model", "0", "--workdir", a.path()});
    QCOMPARE(shared.exitCode, 0);
    const QString code = QString::fromLatin1(shared.out.trimmed());
    QVERIFY(code.startsWith("corvane1-"));
    const Run other = cli({"import", code, "--model", "6", "--workdir", b.path()});
    QCOMPARE(other.exitCode, 1);
    QCOMPARE(other.err, QByteArray("corvane-cli: the code is for keyboard model 0, not model 6; nothing was imported\n"));
    QString damaged = code;
    damaged.chop(3);
    QVERIFY(cli({"import", damaged, "--workdir", b.path()}).err.contains("the code is damaged"));
    QVERIFY(!QFileInfo::exists(b.filePath("LocalProfile")));
    const Run imported = cli({"import", code, "--model", "0", "--workdir", b.path()});
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(imported.out.endsWith("wrote LocalProfile/mine.kb\n"), imported.out.constData());
    QCOMPARE(fileOf(b.filePath("LocalProfile/mine.kb")), fileOf(profile));

    // Everything at once, into a folder that has its own "mine".
    const QString bundle = a.filePath("all.json");
    const Run exported = cli({"export", "--all", bundle, "--workdir", a.path()});
    QCOMPARE(exported.exitCode, 0);
    QVERIFY(exported.out.startsWith("wrote " + bundle.toUtf8() + ": 1 profile(s), 0 macro(s)"));
    QCOMPARE(cli({"export", "--all", bundle, "--workdir", a.path()}).exitCode, 1); // exists
    QDir(c.path()).mkpath("LocalProfile");
    QFile own(c.filePath("LocalProfile/mine.kb"));
    QVERIFY(own.open(QIODevice::WriteOnly) && own.write(fileOf(profile).left(40)) == 40);
    own.close();
    const Run moved = cli({"import", bundle, "--workdir", c.path()});
    QCOMPARE(moved.exitCode, 0);
    QCOMPARE(moved.out, QByteArray("profile \"mine\": name taken, imported as \"mine_1\"\nwrote LocalProfile/mine_1.kb\n"));
    QCOMPARE(fileOf(c.filePath("LocalProfile/mine.kb")), fileOf(profile).left(40));
    const QByteArray truncated = fileOf(bundle).left(200);
    QFile cut(c.filePath("cut.json"));
    QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(truncated) == truncated.size());
    cut.close();
    const Run bad = cli({"import", cut.fileName(), "--workdir", c.path()});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY(bad.err.contains("is damaged"));
    QCOMPARE(QDir(c.filePath("LocalProfile")).entryList(QDir::Files).size(), 2);

    // The layer sheet: a page per layer with the keys' legends as text, then
    // the advanced keys; the same as one SVG. Built only with Qt Gui.
#ifndef CORVANE_HAVE_SHEET
    QSKIP("corvane-cli is built without the layer sheet");
#endif
    const QString pdf = a.filePath("sheet.pdf"), svg = a.filePath("sheet.svg");
    QCOMPARE(cli({"sheet", profile, a.filePath("sheet.txt"), "--model", "0"}).exitCode, 1);
    const Run sheet = cli({"sheet", profile, pdf, "--model", "0"});
    QCOMPARE(sheet.exitCode, 0);
    QCOMPARE(sheet.out, "wrote " + pdf.toUtf8() + ": 5 page(s)\n");
    QCOMPARE(cli({"sheet", profile, svg, "--model", "0"}).exitCode, 0);
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    int texts = 0;
    while (!xml.atEnd())
        texts += xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text");
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(texts > 100);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const auto pageText = [&pdf](int page) {
        QProcess p;
        p.start("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    for (int layer = 0; layer < 4; ++layer) {
        const QString text = pageText(layer + 1);
        QVERIFY2(text.contains(QString("mine — Fn%1 层").arg(layer)), qPrintable(text));
        for (const char *legend : {"Esc", "Backspace", "SpaceBar", "Num+"})
            QVERIFY2(text.contains(QLatin1String(legend)) || layer > 0, qPrintable(text));
    }
    QVERIFY(pageText(5).contains("高级键"));
    QVERIFY(pageText(5).contains("SOCD"));
    QVERIFY(pageText(6).isEmpty());

    // In Corvane's language, or the one asked for.
    QDir(c.path()).mkpath(".");
    QSettings(c.filePath("sysConfig.ini"), QSettings::IniFormat).setValue("Kinetra/language", "English");
    QCOMPARE(cli({"sheet", profile, pdf, "--model", "0", "--workdir", c.path()}).exitCode, 0);
    QVERIFY2(pageText(1).contains("mine — Fn0 layer"), qPrintable(pageText(1)));
    QVERIFY(pageText(5).contains("Advanced keys"));
    QCOMPARE(cli({"sheet", profile, pdf, "--model", "0", "--workdir", c.path(), "--lang", "zh"}).exitCode, 0);
    QVERIFY(pageText(1).contains("mine — Fn0 层"));
    QCOMPARE(cli({"sheet", profile, pdf, "--lang", "fr"}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
