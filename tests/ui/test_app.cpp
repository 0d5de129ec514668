// The Corvane program as started from a desktop: first start, a second copy,
// a start after a killed copy, corvane-cli beside it.

#include "CorvaneVersion.h"
#include "ProfileDocument.h"
#include "RuntimeDir.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void singleInstanceAndFirstStart();
    void theCommandLineRunsThroughCorvane();

private:
    QProcess *start(const QString &workDir, const QString &extra = QString())
    {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        // What the endpoint does is in its log.
        env.insert("QT_LOGGING_RULES", "corvane.endpoint*.debug=true");
        // A Windows program without a console logs to the debugger unless told.
        env.insert("QT_FORCE_STDERR_LOGGING", "1");
        p->setProcessEnvironment(env);
        QStringList args{"--simulate", "--workdir", workDir};
        if (!extra.isEmpty())
            args << extra;
        p->start(QStringLiteral(CORVANE_APP), args);
        return p;
    }
};

void TestApp::singleInstanceAndFirstStart()
{
    QTemporaryDir dir;
    QProcess *first = start(dir.path());
    QVERIFY(first->waitForStarted());
    // The first start runs in English and writes its name and version.
    const QString ini = dir.filePath("sysConfig.ini");
    QTRY_VERIFY_WITH_TIMEOUT(QSettings(ini, QSettings::IniFormat).value("Kinetra/softwareVersion").isValid(), 20000);
    QSettings settings(ini, QSettings::IniFormat);
    QCOMPARE(settings.value("Kinetra/language").toString(), QString("English"));
    QCOMPARE(settings.value("Kinetra/softwareName").toString(), QString("Corvane"));
    QCOMPARE(settings.value("Kinetra/softwareVersion").toString(), QString(CORVANE_VERSION));
    QVERIFY(QDir(dir.filePath("LocalProfile")).exists());
    QVERIFY(QDir(dir.filePath("cache")).exists());

    // A second copy has the first show its window and leaves in silence; one
    // started with the session has nothing to do. The first one goes on.
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT((log += first->readAllStandardError()).contains("taking commands at"), 20000);
    for (const QString &extra : {QString(), QString("--background")}) {
        QProcess *second = start(dir.path(), extra);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(!second->readAllStandardError().contains("The application is already running!"));
    }
    QTRY_VERIFY_WITH_TIMEOUT((log += first->readAllStandardError()).contains("running \"show\""), 20000);
    QCOMPARE(first->state(), QProcess::Running);
#ifndef Q_OS_WIN
    // When the first cannot be reached safely, the second says that it runs.
    // (A named pipe's access list is the system's to keep.)
    const QString socket = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath("corvane/simulated-0.sock");
    QVERIFY(QFile::exists(socket));
    QVERIFY(QFile::setPermissions(socket, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));
    QProcess *unreached = start(dir.path());
    QVERIFY(unreached->waitForFinished(20000));
    QCOMPARE(unreached->exitCode(), 0);
    QVERIFY(unreached->readAllStandardError().contains("The application is already running!"));
#endif

    // A copy that was killed does not keep the next one out, nor does what
    // it left behind.
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    QProcess *third = start(dir.path());
    QVERIFY(third->waitForStarted());
    log.clear();
    QTRY_VERIFY_WITH_TIMEOUT((log += third->readAllStandardError()).contains("taking commands at"), 20000);
    QVERIFY(third->state() == QProcess::Running); // it took the lock
    third->terminate();
    if (!third->waitForFinished(5000))
        third->kill();
#ifndef Q_OS_WIN
    QVERIFY(!QFile::exists(socket)); // gone with it
#endif
}

namespace {

struct Cli {
    int exitCode = -1;
    QByteArray out, err;
};

Cli cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(CORVANE_CLI), args);
    Cli r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

int globalTravel(const QByteArray &dump)
{
    return QJsonDocument::fromJson(dump).object()["deadBands"].toObject()["gdBi"].toInt();
}

} // namespace

// While Corvane has the keyboard, corvane-cli's commands run in it: a
// profile of its list applied by difference as one step of its history,
// undone again; the keyboard read and exported as Corvane holds it; a
// flash still refused. Once Corvane is gone, however it went, the keyboard
// is free.
void TestApp::theCommandLineRunsThroughCorvane()
{
    QTemporaryDir runtime, dir;
    qputenv(RuntimeDirVariable, QFile::encodeName(runtime.path()));
    // A profile that differs from the keyboard in its global travel only:
    // the keyboard's own, exported while nothing else has it.
    QDir(dir.path()).mkpath("LocalProfile");
    const QString game = dir.filePath("LocalProfile/Game.kb");
    QCOMPARE(cli({"export", game, "--simulate"}).exitCode, 0);
    const int before = globalTravel(cli({"dump", "--simulate"}).out);
    {
        QFile f(game);
        QVERIFY(f.open(QIODevice::ReadOnly));
        ProfileDocument doc;
        QVERIFY(parseProfileBytes(f.readAll(), &doc));
        f.close();
        QJsonObject perf = doc.value("KeyPerformance").toObject();
        perf["global-key-touch"] = before + 500;
        doc.insert("KeyPerformance", perf);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(serialiseProfile(doc));
    }

    QProcess *corvane = start(dir.path());
    QVERIFY(corvane->waitForStarted());
    // Written by Corvane once it holds the keyboard of its --simulate run.
    QFile lock(QDir(lockFolderIn(runtime.path())).filePath("simulated-0.lock"));
    auto holder = [&lock] {
        if (!lock.open(QIODevice::ReadOnly))
            return QByteArray();
        const QByteArray text = lock.readAll();
        lock.close();
        return text;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(holder().startsWith("Corvane\n"), qPrintable(QDir(lockFolderIn(runtime.path())).entryList().join(' ') + corvane->readAllStandardError()), 20000);

    const Cli info = cli({"info", "--simulate"});
    QCOMPARE(info.exitCode, 0);
    QVERIFY2(info.out.contains("Board ID:"), info.err.constData());
    QCOMPARE(cli({"profile", "list", "--simulate"}).out, QByteArray("  Game\n"));
    const Cli applied = cli({"apply", "Game", "--simulate"});
    QCOMPARE(applied.exitCode, 0);
    QVERIFY2(applied.err.endsWith("applied Game\n"), applied.err.constData());
    QCOMPARE(globalTravel(cli({"dump", "--simulate"}).out), before + 500);
    QCOMPARE(cli({"profile", "list", "--simulate"}).out, QByteArray("* Game\n"));
    // Applying it again sends nothing.
    QVERIFY(cli({"apply", "Game", "--simulate"}).err.startsWith("nothing to send"));

    const Cli undone = cli({"undo", "--simulate"});
    QCOMPARE(undone.exitCode, 0);
    QCOMPARE(undone.err, QString("undid: Apply profile “Game”\n").toUtf8()); // Corvane runs in English first
    QCOMPARE(globalTravel(cli({"dump", "--simulate"}).out), before);
    QCOMPARE(cli({"undo", "--simulate"}).exitCode, 1); // nothing left to undo
    QCOMPARE(cli({"redo", "--simulate"}).exitCode, 0);
    QCOMPARE(globalTravel(cli({"dump", "--simulate"}).out), before + 500);

    const Cli flash = cli({"flash", dir.filePath("none.bin"), "--simulate"});
    QVERIFY2(flash.exitCode != 0, flash.err.constData());

    corvane->kill();
    QVERIFY(corvane->waitForFinished(20000));
    QCOMPARE(cli({"info", "--simulate"}).exitCode, 0);
}

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
