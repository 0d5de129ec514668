// What helps when something goes wrong: the device layer's ring of the last
// frames, the udev rule check, and the configurator telling a user who may
// not open the keyboard what to do, once per plug.

#include "FrameRing.h"
#include "HidApiBackend.h"
#include "HidBackend.h"
#include "HidPermission.h"
#include "SimRig.h"
#include "SystemConfig.h"
#include "UdevRules.h"
#ifdef CORVANE_HAVE_UI
#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "UserMessage.h"
#endif

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

void writeRule(const QString &path, const QByteArray &text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

#ifdef CORVANE_HAVE_UI
// Waits (bounded) for the status to read so; the changes come queued.
bool waitForStatus(DeviceLifecycle &lifecycle, const QString &status, int timeoutMs)
{
    QSignalSpy changed(&lifecycle, &DeviceLifecycle::statusChanged);
    QDeadlineTimer deadline(timeoutMs);
    while (lifecycle.status() != status) {
        if (deadline.hasExpired())
            return false;
        changed.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return true;
}
#endif

} // namespace

class TestDiagnostics : public QObject {
    Q_OBJECT
private slots:
    void frameRingKeepsTheLastFrames();
    void udevRuleLines_data();
    void udevRuleLines();
    void udevRuleFolders();
    void nodeAccessFromTheFileSystem();
#ifdef CORVANE_HAVE_UI
    void permissionIsToldOncePerPlug();
#endif
};

// Bounded, in order, whole, and safe to fill from several threads at once.
void TestDiagnostics::frameRingKeepsTheLastFrames()
{
    FrameRing::clear();
    constexpr int Threads = 4, PerThread = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < Threads; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < PerThread; ++i) {
                const quint8 frame[6] = {0x5C, 2, quint8(t), 0, quint8(i), quint8(i >> 8)};
                FrameRing::record(FrameRing::Direction::FromKeyboard, frame, sizeof frame);
            }
        });
    for (std::thread &w : writers)
        w.join();
    QCOMPARE(FrameRing::recorded(), quint64(Threads * PerThread));
    const QList<FrameRing::Entry> entries = FrameRing::entries();
    QCOMPARE(entries.size(), FrameRing::Capacity);
    QCOMPARE(entries.last().sequence, quint64(Threads * PerThread));
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].sequence, quint64(Threads * PerThread - FrameRing::Capacity + 1 + i));
        QCOMPARE(entries[i].bytes.size(), 6);
    }

    // A frame is never kept beyond the largest one the protocol has.
    const QByteArray huge(1000, '\x5C');
    FrameRing::record(FrameRing::Direction::ToKeyboard, reinterpret_cast<const quint8 *>(huge.constData()), 1000);
    QCOMPARE(FrameRing::entries().last().bytes.size(), 256);
    QCOMPARE(FrameRing::entries().last().direction, FrameRing::Direction::ToKeyboard);
    FrameRing::clear();
    QVERIFY(FrameRing::entries().isEmpty());
}

void TestDiagnostics::udevRuleLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("grants");
    QTest::newRow("ours") << corvaneUdevRule() << true;
    QTest::newRow("upper-case ids, mode") << "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1C4F\", ATTRS{idProduct}==\"EE88\", MODE=\"0666\"" << true;
    QTest::newRow("group only") << "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee88\", MODE=\"0660\"" << false;
    QTest::newRow("other product") << "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee89\", TAG+=\"uaccess\"" << false;
    QTest::newRow("usb node, not hidraw") << "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee88\", TAG+=\"uaccess\"" << false;
    QTest::newRow("commented out") << "# " + corvaneUdevRule() << false;
    QTest::newRow("vendor compared with !=") << "KERNEL==\"hidraw*\", ATTRS{idVendor}!=\"1c4f\", ATTRS{idProduct}==\"ee88\", TAG+=\"uaccess\"" << false;
}

void TestDiagnostics::udevRuleLines()
{
    QFETCH(QString, line);
    QFETCH(bool, grants);
    QCOMPARE(udevRuleGrantsAccess(line, 0x1C4F, 0xEE88), grants);
}

// As udev sees the folders: a file in an earlier folder hides one of the same
// name later on, our file edited so it no longer matches is named.
void TestDiagnostics::udevRuleFolders()
{
    QTemporaryDir etc, lib;
    const QStringList dirs = {etc.path(), lib.path()};
    writeRule(lib.filePath("50-other.rules"), "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"046d\", TAG+=\"uaccess\"\n");
    QCOMPARE(findUdevRule(dirs, 0x1C4F, 0xEE88).state, UdevRuleStatus::Missing);

    writeRule(lib.filePath("60-corvane.rules"), "# comment\n" + corvaneUdevRule().toUtf8() + "\n");
    UdevRuleStatus s = findUdevRule(dirs, 0x1C4F, 0xEE88);
    QCOMPARE(s.state, UdevRuleStatus::Matching);
    QCOMPARE(s.file, lib.filePath("60-corvane.rules"));

    // Masked the way udev documents it.
    QVERIFY(QFile::link("/dev/null", etc.filePath("60-corvane.rules")));
    s = findUdevRule(dirs, 0x1C4F, 0xEE88);
    QCOMPARE(s.state, UdevRuleStatus::NotMatching);
    QCOMPARE(s.file, etc.filePath("60-corvane.rules"));

    // Someone's own rule under another name is as good.
    writeRule(etc.filePath("99-mine.rules"),
              "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee88\", MODE=\"0666\"\n");
    QCOMPARE(findUdevRule(dirs, 0x1C4F, 0xEE88).state, UdevRuleStatus::Matching);

    QCOMPARE(udevFixCommands(false),
             QStringList({"sudo udevadm control --reload-rules", "sudo udevadm trigger --subsystem-match=hidraw"}));
    QVERIFY(udevFixCommands(true).first().endsWith("| sudo tee /etc/udev/rules.d/60-corvane.rules"));
}

void TestDiagnostics::nodeAccessFromTheFileSystem()
{
    HidApiBackend backend; // the default judgement, without touching hidapi
#ifdef Q_OS_WIN
    // No device nodes to judge: opening the interface says it all.
    QCOMPARE(backend.nodeAccess("/dev/null"), HidNodeAccess::Unknown);
#else
    QCOMPARE(backend.nodeAccess("/dev/null"), HidNodeAccess::Allowed);
    QCOMPARE(backend.nodeAccess("/dev/corvane-no-such-node"), HidNodeAccess::Missing);
#endif
    QCOMPARE(backend.nodeAccess("\\\\?\\hid#vid_1c4f&pid_ee88"), HidNodeAccess::Unknown);
}

#ifdef CORVANE_HAVE_UI
// A keyboard this user may not open: the status says so and the fix is shown
// once for the plug, not again for its second interface or another attempt,
// and again after a replug; once access is granted it connects.
void TestDiagnostics::permissionIsToldOncePerPlug()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SystemConfig().setLanguage("Chinese");

    SimRig rig;
    for (const std::string &p : rig.kb.interfacePaths())
        rig.backend.setAccessDenied(p, true);
    ExternalDeviceNotifier notifier;
    rig.backend.addPlugListener(
        [&notifier](const std::string &path, bool arrived) { notifier.notify(QString::fromStdString(path), arrived); });
    QueuedSpy connects(rig.worker->reports(), &KeyboardWorker::sigConnectFinished);
    {
        DeviceLifecycle lifecycle(rig.worker.get(), &notifier);
        QSignalSpy told(&lifecycle, &DeviceLifecycle::permissionDenied);
        lifecycle.start();
        QVERIFY(told.wait(5000));
        QCOMPARE(lifecycle.status(), QString("无权访问键盘"));
        QCOMPARE(told.size(), 1);
        const QString message = told.at(0).at(1).toString();
        QVERIFY(message.contains("sim:kb0:if1"));
#ifdef Q_OS_WIN
        QVERIFY(message.contains("其他程序"));
#else
        QVERIFY(message.contains("sudo udevadm control --reload-rules"));
#endif

        // The other interface arriving tries again: same plug, nothing new.
        notifier.notify(QString::fromStdString(rig.kb.interfacePath(0)), true);
        QVERIFY(connects.waitForCount(2, 5000));
        QCoreApplication::processEvents();
        QCOMPARE(told.size(), 1);

        rig.kb.unplug();
        QVERIFY(rig.kb.waitForPlugged(false, 5000));
        QVERIFY(waitForStatus(lifecycle, "未连接", 5000));
        rig.kb.plug();
        QVERIFY(told.wait(5000));
        // Every interface of this plug has been tried (and refused) before
        // access is granted: a late refusal would otherwise look like news.
        QVERIFY(connects.waitForCount(2 + int(rig.kb.interfacePaths().size()), 5000));
        QCoreApplication::processEvents();
        QCOMPARE(told.size(), 2);

        for (const std::string &p : rig.kb.interfacePaths())
            rig.backend.setAccessDenied(p, false);
        rig.kb.unplug();
        rig.kb.plug();
        QVERIFY(waitForStatus(lifecycle, "已连接", 10000));
        QCOMPARE(told.size(), 2);
        rig.worker->closeDevice();
        QVERIFY(rig.waitIdle());
    }
    // What is told is the last attempt's refusals only: an interface it did
    // not get to (one before it answered) is not still "refused" from an
    // earlier plug, or a failure for another reason would be told as one.
    for (const std::string &p : rig.kb.interfacePaths())
        HidPermission::noteOpen(QByteArray::fromStdString(p), true);
    QCOMPARE(rig.worker->connectDevice(), 0);
    QCOMPARE(HidPermission::deniedPaths(), QStringList());
    rig.worker->closeDevice();
    QVERIFY(rig.waitIdle());
    QDir::setCurrent(previous);
}
#endif

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "test_diagnostics.moc"
