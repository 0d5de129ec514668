// The Corvane program as started from a desktop: first start, a second copy,
// a start after a killed copy, corvane-cli beside it.

#include "CorvaneVersion.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void singleInstanceAndFirstStart();
    void theCommandLineWaitsForCorvane();

private:
    QProcess *start(const QString &workDir, const QString &extra = QString())
    {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        // What the endpoint does is in its log.
        env.insert("QT_LOGGING_RULES", "corvane.endpoint*.debug=true");
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
    const QString socket = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath("corvane/simulated-0.sock");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 20000);
    for (const QString &extra : {QString(), QString("--background")}) {
        QProcess *second = start(dir.path(), extra);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(!second->readAllStandardError().contains("The application is already running!"));
    }
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT((log += first->readAllStandardError()).contains("running \"show\""), 20000);
    QCOMPARE(first->state(), QProcess::Running);
    // When the first cannot be reached safely, the second says that it runs.
    QVERIFY(QFile::setPermissions(socket, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));
    QProcess *unreached = start(dir.path());
    QVERIFY(unreached->waitForFinished(20000));
    QCOMPARE(unreached->exitCode(), 0);
    QVERIFY(unreached->readAllStandardError().contains("The application is already running!"));

    // A copy that was killed does not keep the next one out, nor does the
    // socket it left.
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(QFile::exists(socket));
    QProcess *third = start(dir.path());
    QVERIFY(third->waitForStarted());
    log.clear();
    QTRY_VERIFY_WITH_TIMEOUT((log += third->readAllStandardError()).contains("taking commands at"), 20000);
    QVERIFY(third->state() == QProcess::Running); // it took the lock
    third->terminate();
    if (!third->waitForFinished(5000))
        third->kill();
    QVERIFY(!QFile::exists(socket)); // gone with it
}

// While Corvane has the keyboard, corvane-cli sends it nothing and says
// why; once Corvane is gone, however it went, the keyboard is free.
void TestApp::theCommandLineWaitsForCorvane()
{
    QTemporaryDir runtime, dir;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QProcess *corvane = start(dir.path());
    QVERIFY(corvane->waitForStarted());
    // Written by Corvane once it holds the keyboard of its --simulate run.
    QFile lock(runtime.filePath("corvane/simulated-0.lock"));
    auto holder = [&lock] {
        if (!lock.open(QIODevice::ReadOnly))
            return QByteArray();
        const QByteArray text = lock.readAll();
        lock.close();
        return text;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(holder().startsWith("Corvane\n"), qPrintable(QDir(runtime.filePath("corvane")).entryList().join(' ') + corvane->readAllStandardError()), 20000);

    QProcess cli;
    cli.start(QStringLiteral(CORVANE_CLI), {"info", "--simulate"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 3);
    QCOMPARE(cli.readAllStandardError(), QByteArray("corvane-cli: Corvane is using the keyboard: close it, or use its "
                                                    "own window: its title shows the board information\n"));
    QVERIFY(cli.readAllStandardOutput().isEmpty());

    corvane->kill();
    QVERIFY(corvane->waitForFinished(20000));
    cli.start(QStringLiteral(CORVANE_CLI), {"info", "--simulate"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
