// The Windows bodies of the platform seam, run for real (under Wine on the
// build machine): the keyboard lock between two processes, the Run key, a
// running program replaced by moving it aside, the request to end, the
// process list and the system sources. Device arrival and the foreground
// hook need a real desktop; their seams are tested elsewhere.

#include "DeviceNotifier.h"
#include "FocusSource.h"
#include "KeyboardLock.h"
#include "ProcessControl.h"
#include "RunningApps.h"
#include "SessionAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <windows.h>

namespace {

constexpr int WaitMs = 30000;

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// lock_holder, started: it holds the lock under holder until its input closes.
bool startHolder(QProcess &p, const QString &program, const QString &holder, const QString &key)
{
    p.setProgram(program);
    p.setArguments({holder, key});
    p.start();
    if (!p.waitForStarted(WaitMs))
        return false;
    QByteArray said;
    while (!said.contains('\n') && p.waitForReadyRead(WaitMs))
        said += p.readAllStandardOutput();
    return said.startsWith("held");
}

void endHolder(QProcess &p)
{
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(WaitMs));
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void lockIsHeldBetweenProcesses();
    void autostartIsTheRunKey();
    void aRunningProgramIsReplacedBySettingItAside();
    void aRequestToEndReachesTheHandler();
    void systemSourcesStartOrSayNo();
};

void TestWindows::lockIsHeldBetweenProcesses()
{
    const QString key = QStringLiteral("test-windows-%1").arg(QCoreApplication::applicationPid());
    QProcess holder;
    QVERIFY(startHolder(holder, QStringLiteral(LOCK_HOLDER), QStringLiteral("corvane-cli flash"), key));
    {
        KeyboardLock lock(QStringLiteral("Corvane"), key);
        QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Held);
        QCOMPARE(lock.otherHolder(), QStringLiteral("corvane-cli flash"));
        QVERIFY(!lock.isHeld());
    }
    // The system lets go when the holder ends, however it ends.
    holder.kill();
    QVERIFY(holder.waitForFinished(WaitMs));
    KeyboardLock lock(QStringLiteral("Corvane"), key);
    QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Acquired);
    // Within one process too, a second lock on the key is refused.
    KeyboardLock second(QStringLiteral("corvane-cli"), key);
    QCOMPARE(second.tryAcquire(), KeyboardLock::Result::Held);
    QCOMPARE(second.otherHolder(), QStringLiteral("Corvane"));
    lock.release();
    QCOMPARE(second.tryAcquire(), KeyboardLock::Result::Acquired);
    // The folder is the user's own, under the local application data,
    // unless one is named (as each test names its own).
    const QByteArray named = qgetenv("CORVANE_RUNTIME_DIR");
    qunsetenv("CORVANE_RUNTIME_DIR");
    QString why;
    const QString usual = KeyboardLock::folder(&why);
    QVERIFY2(usual.endsWith(QLatin1String("Corvane/lock")), qPrintable(usual + why));
    qputenv("CORVANE_RUNTIME_DIR", "relative\\folder");
    QVERIFY(KeyboardLock::folder(&why).isEmpty());
    QVERIFY2(why.contains(QLatin1String("not an absolute path")), qPrintable(why));
    qputenv("CORVANE_RUNTIME_DIR", named);
    if (!named.isEmpty())
        QCOMPARE(KeyboardLock::folder(), QDir::cleanPath(QString::fromLocal8Bit(named)));
}

void TestWindows::autostartIsTheRunKey()
{
    QVERIFY(SessionAutostart::isSupported());
    QSettings run(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                  QSettings::NativeFormat);
    // A user's own entry is put back afterwards.
    const QVariant before = run.value(QStringLiteral("Corvane"));

    const QString program = QStringLiteral("C:/Users/A User/AppData/Local/Programs/Corvane/Corvane.exe");
    QString error;
    QVERIFY2(SessionAutostart::enable(program, {QStringLiteral("--background")}, &error), qPrintable(error));
    QVERIFY(SessionAutostart::isEnabled());
    run.sync();
    QCOMPARE(run.value(QStringLiteral("Corvane")).toString(),
             QStringLiteral("\"C:\\Users\\A User\\AppData\\Local\\Programs\\Corvane\\Corvane.exe\" --background"));
    QVERIFY2(SessionAutostart::disable(&error), qPrintable(error));
    QVERIFY(!SessionAutostart::isEnabled());
    // Nothing there is nothing to remove.
    QVERIFY(SessionAutostart::disable(&error));

    // How the command line quotes: the way CommandLineToArgvW reads it back.
    QCOMPARE(SessionAutostart::desktopExecLine(QStringLiteral("C:/P/C.exe"),
                                               {QStringLiteral("a b"), QStringLiteral("say \"hi\""),
                                                QStringLiteral("end\\"), QStringLiteral("end \\")}),
             QStringLiteral("\"C:\\P\\C.exe\" \"a b\" \"say \\\"hi\\\"\" end\\ \"end \\\\\""));

    if (before.isValid()) {
        run.setValue(QStringLiteral("Corvane"), before);
        run.sync();
    }
}

void TestWindows::aRunningProgramIsReplacedBySettingItAside()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString installed = dir.filePath(QStringLiteral("Corvane.exe"));
    const QString fresh = dir.filePath(QStringLiteral("Corvane.exe.new"));
    QVERIFY(QFile::copy(QStringLiteral(LOCK_HOLDER), installed));
    QVERIFY(QFile::copy(QStringLiteral(LOCK_HOLDER), fresh));
    {
        QFile f(fresh);
        QVERIFY(f.open(QIODevice::Append));
        f.write("new version");
    }
    const QByteArray newBytes = contents(fresh);
    // It runs while it is replaced.
    QProcess running;
    QVERIFY(startHolder(running, installed, QStringLiteral("old"),
                        QStringLiteral("test-windows-aside-%1").arg(QCoreApplication::applicationPid())));

    QString error;
    QVERIFY2(replaceFile(fresh, installed, &error), qPrintable(error));
    QCOMPARE(contents(installed), newBytes);
    QVERIFY(!QFileInfo::exists(fresh));
    // Nothing of ours is removed while it runs; once it ends, the next start
    // clears it away. (A system that lets a running program be replaced
    // outright sets nothing aside.)
    const bool setAside = QFileInfo::exists(installed + QLatin1String(".old"));
    QCOMPARE(removeFilesSetAside(dir.path()), 0);
    QCOMPARE(QFileInfo::exists(installed + QLatin1String(".old")), setAside);
    endHolder(running);
    QCOMPARE(removeFilesSetAside(dir.path()), setAside ? 1 : 0);
    QVERIFY(!QFileInfo::exists(installed + QLatin1String(".old")));
    QVERIFY(QFileInfo::exists(installed));

    // A file of another name is never taken for one set aside.
    QFile other(dir.filePath(QStringLiteral("notes.exe.older")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QCOMPARE(removeFilesSetAside(dir.path()), 0);
    QVERIFY(other.exists());

    // A failed replacement leaves the installed file as it was.
    QVERIFY(!replaceFile(dir.filePath(QStringLiteral("missing.exe")), installed, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(contents(installed), newBytes);
}

void TestWindows::aRequestToEndReachesTheHandler()
{
    // Only a process that listens can be asked.
    QProcess other;
    QVERIFY(startHolder(other, QStringLiteral(LOCK_HOLDER), QStringLiteral("other"),
                        QStringLiteral("test-windows-end-%1").arg(QCoreApplication::applicationPid())));
    QVERIFY(!requestProgramEnd(other.processId()));

    // The watch tells when a process ends, without blocking.
    ProcessExitWatch watch;
    QSignalSpy exited(&watch, &ProcessExitWatch::exited);
    QVERIFY(watch.watch(other.processId()));
    endHolder(other);
    QVERIFY(exited.count() == 1 || exited.wait(WaitMs));

    int asked = 0;
    QObject context;
    installTerminationHandler(&context, [&asked] { ++asked; });
    QVERIFY(requestProgramEnd(QCoreApplication::applicationPid()));
    QTRY_COMPARE_WITH_TIMEOUT(asked, 1, WaitMs);
}

void TestWindows::systemSourcesStartOrSayNo()
{
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QVERIFY2(runningApplicationNames().contains(self, Qt::CaseInsensitive),
             qPrintable(runningApplicationNames().join(QLatin1Char(','))));

    // Each starts or says it cannot; neither reports anything by itself here.
    std::unique_ptr<DeviceNotifier> notifier(DeviceNotifier::createSystemNotifier());
    QSignalSpy arrived(notifier.get(), &DeviceNotifier::deviceArrived);
    const bool listening = notifier->start();
    qInfo() << "device notifications:" << (listening ? "registered" : "refused by the system");
    std::unique_ptr<FocusSource> focus(FocusSource::createSystemSource());
    const bool following = focus->start();
    qInfo() << "foreground events:" << (following ? "hooked" : "refused by the system");
    // A second source cannot take the one hook.
    std::unique_ptr<FocusSource> second(FocusSource::createSystemSource());
    if (following)
        QVERIFY(!second->start());
    QCOMPARE(arrived.count(), 0);
}

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
