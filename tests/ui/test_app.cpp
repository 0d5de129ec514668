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
    QProcess *start(const QString &workDir)
    {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(CORVANE_APP), {"--simulate", "--workdir", workDir});
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

    // A second copy says so and leaves; the first one goes on.
    QProcess *second = start(dir.path());
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(second->readAllStandardError().contains("The application is already running!"));
    QCOMPARE(first->state(), QProcess::Running);

    // A copy that was killed does not keep the next one out.
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    QProcess *third = start(dir.path());
    QVERIFY(third->waitForStarted());
    QVERIFY(!third->waitForFinished(3000)); // still running: it took the lock
    third->terminate();
    if (!third->waitForFinished(5000))
        third->kill();
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
