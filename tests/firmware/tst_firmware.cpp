#include "FirmwareImage.h"
#include "FirmwareMessages.h"
#include "KB2FirmwareDevelop.h"
#include "KeyboardReturn.h"
#include "VirtualHidBackend.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QMutex>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QByteArray testImage(int size, int seed = 1)
{
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 37 + seed * 11 + (i >> 8)) & 0xFF);
    return image;
}

// Opens fail once openFailsAfter further opens have succeeded; the rest is
// the virtual keyboard's.
class FlakyOpenBackend : public HidBackend {
public:
    explicit FlakyOpenBackend(VirtualHidBackend &inner) : m(inner) {}
    int openFailsAfter = -1;

    int init() override { return m.init(); }
    int exit() override { return m.exit(); }
    std::vector<HidDeviceInfo> enumerate(uint16_t v, uint16_t p) override { return m.enumerate(v, p); }
    HidHandle *open(const std::string &path) override
    {
        if (openFailsAfter == 0)
            return nullptr;
        if (openFailsAfter > 0)
            --openFailsAfter;
        return m.open(path);
    }
    void close(HidHandle *h) override { m.close(h); }
    int setNonBlocking(HidHandle *h, int n) override { return m.setNonBlocking(h, n); }
    int write(HidHandle *h, const unsigned char *d, size_t n) override { return m.write(h, d, n); }
    int readTimeout(HidHandle *h, unsigned char *d, size_t n, int t) override { return m.readTimeout(h, d, n, t); }
    int manufacturerString(HidHandle *h, wchar_t *b, size_t n) override { return m.manufacturerString(h, b, n); }
    int productString(HidHandle *h, wchar_t *b, size_t n) override { return m.productString(h, b, n); }
    int serialNumberString(HidHandle *h, wchar_t *b, size_t n) override { return m.serialNumberString(h, b, n); }
    int indexedString(HidHandle *h, int i, wchar_t *b, size_t n) override { return m.indexedString(h, i, b, n); }
    std::wstring error(HidHandle *h) override { return m.error(h); }

private:
    VirtualHidBackend &m;
};

// One virtual keyboard and an engine with short pauses; records what the
// engine reports, on the engine's thread, so nothing is lost when the engine
// is destroyed.
struct Rig {
    VirtualHidBackend backend;
    FlakyOpenBackend flaky{backend};
    VirtualKeyboard *kb = nullptr;
    std::unique_ptr<KB2FirmwareDevelop> engine;
    QObject context;
    QMutex lock;
    QStringList messages;
    QList<int> progress;
    bool finished = false;
    bool success = false;

    explicit Rig(bool startInBootLoader = false, size_t flashSize = 256 * 1024)
    {
        VirtualKeyboard::Options o;
        o.latencyUs = 0;
        o.rebootDelayMs = 20;
        o.startInBootLoader = startInBootLoader;
        o.flashSize = flashSize;
        HidBackend::setInstance(&flaky);
        kb = &backend.addKeyboard(o);
        engine = std::make_unique<KB2FirmwareDevelop>();
        engine->setPauseMs(2);
        engine->setRestartWaitMs(20);
        engine->setAnswerTimeoutMs(60);
        engine->setFinishVerdictMs(3000);
        QObject::connect(engine.get(), &KB2FirmwareDevelop::sigNotifyMessage, &context, [this](const QString &m) {
            QMutexLocker l(&lock);
            messages << m;
        }, Qt::DirectConnection);
        QObject::connect(engine.get(), &KB2FirmwareDevelop::sigNotifyProgress, &context, [this](int v) {
            QMutexLocker l(&lock);
            progress << v;
        }, Qt::DirectConnection);
        QObject::connect(engine.get(), &KB2FirmwareDevelop::sigUpdateFinished, &context, [this](bool ok) {
            QMutexLocker l(&lock);
            finished = true;
            success = ok;
        }, Qt::DirectConnection);
    }
    ~Rig()
    {
        engine.reset();
        HidBackend::setInstance(nullptr);
    }

    // Runs change on the engine's thread the first time progress reaches value,
    // so a fault lands exactly before the step that follows.
    void atProgress(int value, std::function<void()> change)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(engine.get(), &KB2FirmwareDevelop::sigNotifyProgress, &context, [=](int v) {
            if (v == value && !*done) {
                *done = true;
                change();
            }
        }, Qt::DirectConnection);
    }
    void setFaults(const std::function<void(VirtualKeyboard::Faults &)> &edit)
    {
        VirtualKeyboard::Faults f = kb->faults();
        edit(f);
        kb->setFaults(f);
    }

    bool waitFinished(int timeoutMs = 60000)
    {
        QEventLoop loop;
        QObject::connect(engine.get(), &KB2FirmwareDevelop::sigUpdateFinished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (!isFinished())
            loop.exec();
        return isFinished();
    }
    bool isFinished()
    {
        QMutexLocker l(&lock);
        return finished;
    }
    bool run(const QByteArray &image) { return engine->startUpdate(image) && waitFinished(); }
    int lastProgress()
    {
        QMutexLocker l(&lock);
        return progress.isEmpty() ? -1 : progress.last();
    }
    QString lastMessage()
    {
        QMutexLocker l(&lock);
        return messages.value(messages.size() - 1);
    }

    // Commands the keyboard received on its configuration interface.
    QByteArray commands() const
    {
        QByteArray out;
        for (const auto &f : kb->frameLog())
            if (f.direction == VirtualKeyboard::Direction::ToKeyboard && f.interfaceNumber == kb->configInterface())
                out.append(char(f.bytes[2]));
        return out;
    }
    std::vector<std::vector<uint8_t>> framesWithCommand(uint8_t command) const
    {
        std::vector<std::vector<uint8_t>> out;
        for (const auto &f : kb->frameLog())
            if (f.direction == VirtualKeyboard::Direction::ToKeyboard && f.bytes[2] == command)
                out.push_back(f.bytes);
        return out;
    }
    void preload(const QByteArray &padded)
    {
        kb->modify([&](VirtualKeyboard::State &s) { std::copy(padded.begin(), padded.end(), s.flash.begin()); });
    }
};

} // namespace

class TestFirmware : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false")); }

    void paddingAndCrc()
    {
        const QByteArray image = testImage(1000);
        const QByteArray padded = fw_pad_image(image);
        QCOMPARE(padded.size(), 1024);
        QCOMPARE(padded.left(1000), image);
        QCOMPARE(padded.mid(1000), QByteArray(24, char(0xFF)));
        QCOMPARE(get_fw_size(0), qint64(0));
        QCOMPARE(get_fw_size(512), qint64(512));
        QCOMPARE(get_fw_size(513), qint64(1024));
        QCOMPARE(fw_crc16(QByteArray("123456789")), quint16(0x2189));
        QCOMPARE(fw_crc16(QByteArray()), quint16(0));
    }

    void updatesFromApplication()
    {
        Rig rig;
        constexpr int PauseMs = 60;
        rig.engine->setPauseMs(PauseMs);
        const QByteArray image = testImage(1000);
        const QByteArray padded = fw_pad_image(image);
        QVERIFY(rig.run(image));
        QVERIFY(rig.success);
        QCOMPARE(rig.messages, QStringList({FwMessage::Verify, FwMessage::Complete}));

        // probe, info, CRC, erase, restart, info, CRC, erase, 5 blocks, CRC, finish
        QCOMPARE(rig.commands().toHex(), QByteArray("01010e090a010e09") + QByteArray(5, 0x0C).toHex() + "0e0b");
        const auto blocks = rig.framesWithCommand(0x0C);
        const std::vector<uint8_t> &last = blocks.back();
        QCOMPARE(int(last[4] | last[5] << 8), 976);  // address
        QCOMPARE(int(last[8] | last[9] << 8), 48);   // count
        QVERIFY(std::all_of(last.begin() + 10 + 24, last.end(), [](uint8_t b) { return b == 0xFF; }));

        // Writing runs 35 -> 90, reaching 90 exactly with the last block.
        QCOMPARE(rig.progress, QList<int>({5, 10, 15, 20, 25, 30, 35, 48, 61, 74, 87, 90, 90, 95, 100}));

        // The boot loader is given a pause before it is opened and another
        // before it is asked who it is.
        const auto log = rig.kb->frameLog();
        auto sent = [&](uint8_t command, size_t from) {
            for (size_t i = from; i < log.size(); ++i)
                if (log[i].direction == VirtualKeyboard::Direction::ToKeyboard && log[i].bytes[2] == command)
                    return i;
            return log.size();
        };
        const size_t restart = sent(0x0A, 0), query = sent(0x01, restart);
        QVERIFY(query < log.size());
        QVERIFY(log[query].time - log[restart].time >=
                std::chrono::milliseconds(rig.engine->restartWaitMs() + 2 * PauseMs));

        QVERIFY(rig.kb->waitForPlugged(true, 20000));
        const VirtualKeyboard::State s = rig.kb->state();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.flash.data()), 1024), padded);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.runningImage.data()), int(s.runningImage.size())), padded);
        QCOMPARE(rig.backend.openHandleCount(), 0);
    }

    void alreadyCurrent_data()
    {
        QTest::addColumn<bool>("inBootLoader");
        QTest::addColumn<QByteArray>("commands");
        // The application keeps running; the boot loader is only told to start it.
        QTest::newRow("application") << false << QByteArray("01010e");
        QTest::newRow("boot loader") << true << QByteArray("01010e0b");
    }
    void alreadyCurrent()
    {
        QFETCH(bool, inBootLoader);
        QFETCH(QByteArray, commands);
        Rig rig(inBootLoader);
        const QByteArray image = testImage(3000, 7);
        rig.preload(fw_pad_image(image));
        QVERIFY(rig.run(image));
        QVERIFY(rig.success);
        QCOMPARE(rig.lastMessage(), QString(FwMessage::NoDownload));
        QCOMPARE(rig.commands().toHex(), commands);
    }

    // After the update the keyboard is waited for until it runs its new
    // firmware; one that stays away is given up on in time.
    void keyboardComesBack()
    {
        Rig rig;
        rig.kb->modify([](VirtualKeyboard::State &s) { s.appVersion = "V1.2.0"; });
        QVERIFY(rig.run(testImage(1000)));
        QVERIFY(rig.success);
        STU_BoardInfo2 info;
        QVERIFY(waitForKeyboardApplication(3000, &info));
        QCOMPARE(QByteArray(info.version), QByteArray("V1.2.0"));
        QCOMPARE(rig.backend.openHandleCount(), 0);

        rig.kb->unplug();
        QVERIFY(rig.kb->waitForPlugged(false, 20000));
        QVERIFY(!waitForKeyboardApplication(300, &info));
    }

    // 0x8C or 0xFF moves on to the next block, whatever its status; no
    // answer, or another one, has the block sent again. The final CRC is
    // what proves the image.
    void blockAcknowledgements_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<int>("blocksSent");
        QTest::addColumn<bool>("complete");
        QTest::newRow("one block unanswered") << 0 << 6 << true;
        QTest::newRow("one foreign answer") << 1 << 6 << true;
        QTest::newRow("answered 0xFF") << 2 << 5 << true;
        QTest::newRow("stored, answered with a status") << 3 << 5 << true;
        QTest::newRow("not stored, answered with a status") << 4 << 5 << false;
    }
    void blockAcknowledgements()
    {
        QFETCH(int, scenario);
        QFETCH(int, blocksSent);
        QFETCH(bool, complete);
        Rig rig(true);
        rig.atProgress(35, [&] {
            rig.setFaults([scenario](VirtualKeyboard::Faults &f) {
                f.onlyCommand = 0x0C;
                switch (scenario) {
                case 0: f.refuseBlocks = 1; break;
                case 1: f.foreignCommand = 1; break;
                case 2: f.foreignCommand = -1; f.foreignCode = 0xFF; break;
                case 3: f.failStatus = -1; break;
                case 4: f.refuseBlocks = 1; f.refuseWithNack = true; break;
                }
            });
        });
        QVERIFY(rig.run(testImage(1000)));
        QCOMPARE(rig.success, complete);
        QCOMPARE(rig.lastMessage(), QString(complete ? FwMessage::Complete : FwMessage::FailedInBootLoader));
        QCOMPARE(int(rig.framesWithCommand(0x0C).size()), blocksSent);
        QCOMPARE(rig.commands().contains(char(0x0B)), complete);
    }

    void failures_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<QStringList>("tail");
        const QString abnormal = QString(FwMessage::ReadWriteAbnormal) + ' ';
        // Once the application is erased (or was missing), every failure
        // says that the keyboard waits in its boot loader for another try.
        const QString inBoot = FwMessage::FailedInBootLoader;
        QTest::newRow("no keyboard") << 0 << QStringList{FwMessage::NoDevice};
        QTest::newRow("cannot reopen") << 1 << QStringList{FwMessage::CannotOpen};
        QTest::newRow("boot loader silent") << 2 << QStringList{inBoot};
        QTest::newRow("never re-enumerates") << 3 << QStringList{inBoot};
        QTest::newRow("erase never answered") << 4 << QStringList{inBoot};
        QTest::newRow("image beyond flash") << 5 << QStringList{abnormal + "-1", inBoot};
        QTest::newRow("CRC answer corrupt") << 6 << QStringList{abnormal + "-8", inBoot};
        QTest::newRow("CRC differs") << 7 << QStringList{inBoot};
        QTest::newRow("finish refused") << 8 << QStringList{inBoot};
        QTest::newRow("blocks unanswered") << 9 << QStringList{inBoot};
        QTest::newRow("unplugged mid-write") << 10 << QStringList{inBoot};
        QTest::newRow("finish refused late") << 11 << QStringList{inBoot};
        QTest::newRow("finish lost, keyboard stays away") << 12 << QStringList{inBoot};
    }
    void failures()
    {
        QFETCH(int, scenario);
        QFETCH(QStringList, tail);
        const bool fromApp = scenario <= 3;
        Rig rig(!fromApp, scenario == 5 ? 4096 : 256 * 1024);
        const QByteArray image = testImage(scenario == 5 ? 5000 : 2000);
        auto fault = [&](int at, std::function<void(VirtualKeyboard::Faults &)> edit) {
            rig.atProgress(at, [&rig, edit] { rig.setFaults(edit); });
        };
        switch (scenario) {
        case 0: rig.kb->unplug(); QVERIFY(rig.kb->waitForPlugged(false, 20000)); break;
        case 1: rig.flaky.openFailsAfter = 1; break; // the probe opens, the reopen fails
        case 2: fault(20, [](auto &f) { f.dropAnswers = -1; }); break;
        case 3: rig.setFaults([](auto &f) { f.noReenumeration = true; }); break;
        case 4: fault(30, [](auto &f) { f.dropAnswers = 1; }); break;
        case 6: fault(90, [](auto &f) { f.corruptChecksum = 1; }); break;
        case 7: fault(90, [](auto &f) { f.wrongCrc = 1; }); break;
        case 8: rig.setFaults([](auto &f) { f.onlyCommand = 0x0B; f.failStatus = 1; }); break; // the finish alone
        case 9: fault(35, [](auto &f) { f.refuseBlocks = -1; }); break;
        case 10: fault(35, [](auto &f) { f.unplugAfterFrames = 3; }); break;
        case 11: // the refusal comes long after the answer time-out
            rig.setFaults([&](auto &f) {
                f.onlyCommand = 0x0B;
                f.failStatus = 1;
                f.delayAnswersMs = 5 * rig.engine->answerTimeoutMs();
            });
            break;
        case 12:
            rig.setFaults([](auto &f) {
                f.onlyCommand = 0x0B;
                f.dropAnswers = 1;
                f.noReenumeration = true;
            });
            break;
        }
        QVERIFY(rig.run(image));
        QVERIFY(!rig.success);
        QCOMPARE(rig.messages.mid(rig.messages.size() - tail.size()), tail);
        QCOMPARE(rig.backend.openHandleCount(), 0);
        if (scenario == 4) // never asked again: it may still be erasing
            QCOMPARE(int(rig.framesWithCommand(0x09).size()), 1);
        if (scenario == 9)
            QCOMPARE(int(rig.framesWithCommand(0x0C).size()), KB2FirmwareDevelop::MaxBlockAttempts);
        if (scenario >= 4)
            QVERIFY(!rig.commands().contains(char(0x0B)) || scenario == 8 || scenario >= 11);
    }

    // A bad or lost erase-progress frame, or a slow one, is waited out; an
    // erase that falls silent before its end marker fails. An erase is
    // never asked for twice: the first may still be running.
    void eraseProgressFaults_data()
    {
        QTest::addColumn<bool>("fromApp");
        QTest::addColumn<int>("dropFrame");
        QTest::addColumn<int>("corruptFrame");
        QTest::addColumn<int>("frameGapMs"); // 0: the keyboard's usual pace
        QTest::addColumn<bool>("completes");
        QTest::newRow("corrupt first frame, application") << true << -1 << 0 << 0 << true;
        QTest::newRow("corrupt first frame, boot loader") << false << -1 << 0 << 0 << true;
        QTest::newRow("lost middle frame") << false << 1 << -1 << 0 << true;
        QTest::newRow("frames further apart than a time-out") << false << -1 << -1 << 800 << true;
        QTest::newRow("lost end marker") << false << 2 << -1 << 0 << false;
        QTest::newRow("corrupt end marker") << true << -1 << 2 << 0 << false;
    }
    void eraseProgressFaults()
    {
        QFETCH(bool, fromApp);
        QFETCH(int, dropFrame);
        QFETCH(int, corruptFrame);
        QFETCH(int, frameGapMs);
        QFETCH(bool, completes);
        Rig rig(!fromApp);
        if (frameGapMs > 0) {
            // Silent for longer than one wait for a frame (three answer
            // time-outs), not longer than two and the pause between them.
            rig.engine->setAnswerTimeoutMs(200);
            rig.kb->modify([frameGapMs](VirtualKeyboard::State &s) { s.eraseStepUs = frameGapMs * 1000; });
        }
        // Armed just before the (last) erase, whose answer is the only series.
        rig.atProgress(fromApp ? 10 : 30, [&rig, dropFrame, corruptFrame] {
            rig.setFaults([&](VirtualKeyboard::Faults &f) {
                f.dropFrameOfSeries = dropFrame;
                f.corruptFrameOfSeries = corruptFrame;
            });
        });
        const QByteArray image = testImage(2000, 3);
        QVERIFY(rig.run(image));
        QCOMPARE(int(rig.framesWithCommand(0x09).size()), completes && fromApp ? 2 : 1);
        QCOMPARE(rig.success, completes);
        if (!completes) {
            QCOMPARE(rig.lastMessage(), QString(FwMessage::FailedInBootLoader));
            return;
        }
        QCOMPARE(rig.lastMessage(), QString(FwMessage::Complete));
        QVERIFY(rig.kb->waitForPlugged(true, 20000));
        const VirtualKeyboard::State s = rig.kb->state();
        const QByteArray padded = fw_pad_image(image);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.runningImage.data()), int(s.runningImage.size())), padded);
    }

    // An update that fails after the erase leaves the keyboard in its boot
    // loader, and says so; running it again brings the keyboard back.
    void failureAfterEraseRecovers()
    {
        Rig rig;
        rig.atProgress(35, [&rig] { rig.setFaults([](auto &f) { f.refuseBlocks = -1; }); });
        const QByteArray image = testImage(3000, 5);
        QVERIFY(rig.run(image));
        QVERIFY(!rig.success);
        QCOMPARE(rig.lastMessage(), QString(FwMessage::FailedInBootLoader));
        QVERIFY(rig.kb->state().bootLoader);

        rig.kb->setFaults(VirtualKeyboard::Faults());
        rig.finished = false;
        QVERIFY(rig.run(image));
        QVERIFY(rig.success);
        QCOMPARE(rig.lastMessage(), QString(FwMessage::Complete));
        const VirtualKeyboard::State s = rig.kb->state();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.runningImage.data()), int(s.runningImage.size())),
                 fw_pad_image(image));
    }

    // Neither an empty image nor one larger than any firmware is written:
    // the keyboard would be erased for nothing.
    void emptyImageIsRefused()
    {
        Rig rig;
        QVERIFY(!rig.engine->startUpdate(QByteArray()));
        QVERIFY(!rig.engine->startUpdate(QByteArray(int(FwMaxImageSize) + 1, '\x5A')));
        QCOMPARE(rig.messages, QStringList({FwMessage::UpdateFailed, FwMessage::UpdateFailed}));
        QVERIFY(rig.kb->frameLog().empty());
        QVERIFY(!rig.engine->isUpdating());
    }

    void cancelIsPrompt()
    {
        Rig rig;
        rig.engine->setPauseMs(500); // the real pauses: the cancel lands inside one
        QVERIFY(rig.engine->startUpdate(testImage(2000)));
        QVERIFY(!rig.engine->startUpdate(testImage(100))); // busy
        QTRY_VERIFY_WITH_TIMEOUT(rig.lastProgress() == 5, 5000);
        rig.engine->cancel();
        QVERIFY(rig.waitFinished(2000)); // within the pause it landed in
        QVERIFY(!rig.success);
        QCOMPARE(rig.lastMessage(), QString(FwMessage::UpdateFailed));
        QCOMPARE(rig.backend.openHandleCount(), 0);

        // The same engine takes the next update.
        rig.engine->setPauseMs(2);
        rig.finished = false;
        QVERIFY(rig.run(testImage(2000)));
        QCOMPARE(rig.lastMessage(), QString(FwMessage::Complete));
    }

    void destructionIsPrompt()
    {
        Rig rig(true);
        rig.kb->modify([](VirtualKeyboard::State &s) { s.latencyUs = 1000; });
        QVERIFY(rig.engine->startUpdate(testImage(64 * 1024)));
        QTRY_VERIFY_WITH_TIMEOUT(rig.lastProgress() > 40, 10000);
        const int blocksBefore = int(rig.framesWithCommand(0x0C).size());
        rig.engine.reset();
        // It stopped in the block it was writing, well before the end.
        QVERIFY(int(rig.framesWithCommand(0x0C).size()) <= blocksBefore + 1);
        QVERIFY(rig.finished && !rig.success);
        QCOMPARE(rig.lastMessage(), QString(FwMessage::FailedInBootLoader));
        QCOMPARE(rig.backend.openHandleCount(), 0);
        QVERIFY(!rig.commands().contains(char(0x0B)));
    }
};

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
