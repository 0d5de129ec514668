// The Corvane program as started from a desktop: first start, a second copy,
// a start after a killed copy.

#include "CorvaneVersion.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void singleInstanceAndFirstStart();

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

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
