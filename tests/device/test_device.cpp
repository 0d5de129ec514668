// The device link end to end: the transport, the worker and its walks
// against the virtual keyboard, checked on the keyboard's state and frame log.

#include "HidBackend.h"
#include "HidUSB.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "SoftwareConfig.h"
#include "SimRig.h"
#include "VirtualHidBackend.h"

#include <QSignalSpy>
#include <QtTest>

#include <QSet>

#include <memory>

namespace {

// Key types and wire codes of a few keys the virtual keyboard binds.
constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeH = 56, TypeJ = 57, TypeQ = 34, TypeW = 35, TypeY = 39,
              TypeZ = 64, TypeX = 65, TypeEsc = 0, TypeF1 = 1;

using Rig = SimRig;

} // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void transportReportsAndPaths();
    void connectProbesEveryInterface();
    void connectFailures();
    void readBackCarriesTheKeyboardState();
    void readBackRequestOrder();
    void layoutWalkAndReconnect();
    void writesReachTheKeyboard();
    void advancedBindingsOfEveryKind();
    void longMacroIsSentInPieces();
    void livePolls();
    void faultsEndWalksCleanly();
    void destructionIsPrompt();
};

void TestDevice::transportReportsAndPaths()
{
    Rig rig;
    HidUSB usb;
    QStringList paths;
    QVERIFY(usb.findDevicePaths(paths, 0x1C4F, 0xEE88));
    // Both interfaces of the keyboard in enumeration order, no foreign device.
    QCOMPARE(paths, QStringList({"sim:kb0:if0", "sim:kb0:if1"}));
    QVERIFY(usb.findDevicePath(0x1C4F, 0xEE88));
    QCOMPARE(usb.devicePath(), QByteArray("sim:kb0:if1"));

    unsigned char frame[256] = {0x5C, 0, 0x01, 0};
    QCOMPARE(usb.write(frame, 4), 0); // closed: nothing sent
    QVERIFY(usb.open());
    frame[3] = quint8(0x5C + 0x01 + 0x35);
    QCOMPARE(usb.write(frame, 4), 64);
    // A 200-byte frame goes out as four reports.
    unsigned char big[256] = {0x5C, 196, 0x7E, 0};
    QCOMPARE(usb.write(big, 200), 256);
    QVERIFY(rig.kb.waitForFramesReceived(2, 1000));
    QCOMPARE(int(rig.sentFrames().back().size()), 200);
    usb.close();
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.devicePath(), QByteArray("sim:kb0:if1")); // the path survives closing
}

void TestDevice::connectProbesEveryInterface()
{
    Rig rig; // interface 0 never answers
    QSignalSpy started(rig.worker.get(), &QThread::started);
    QSignalSpy info(rig.worker.get(), &KeyboardAction::sigKB2DeviceInfo);
    QCOMPARE(rig.worker->connectDevice(), 0);
    QCOMPARE(rig.worker->devicePathString(), QString::fromStdString(rig.kb.configPath()));
    QVERIFY(rig.worker->isDeviceOpen());
    QVERIFY(info.wait(2000)); // the queued basic-information query
    const auto board = info.first().first().value<STU_BoardInfo2>();
    QCOMPARE(board.boardId, rig.kb.state().boardId);
    QCOMPARE(QByteArray(board.serial), QByteArray("SIM0000000000001"));

    // A second connect does not start a second thread.
    QCOMPARE(rig.worker->connectDevice(), 0);
    QVERIFY(rig.waitIdle());
    QCOMPARE(started.count(), 1);
    QVERIFY(rig.worker->isRunning());

    // probePath answers for the configuration interface only, and leaves the
    // handle closed.
    QVERIFY(!rig.worker->probePath("sim:kb0:if0"));
    QVERIFY(rig.worker->probePath(QString::fromStdString(rig.kb.configPath())));
    QVERIFY(!rig.worker->isDeviceOpen());
}

void TestDevice::connectFailures()
{
    {
        Rig rig;
        rig.kb.unplug();
        QVERIFY(rig.kb.waitForPlugged(false, 1000));
        QCOMPARE(rig.worker->connectDevice(), -1);
        QVERIFY(!rig.worker->isRunning());
    }
    // A corrupted checksum, a failure status or a foreign command in the
    // probe's answer: that interface is not the keyboard's.
    for (int fault = 0; fault < 3; ++fault) {
        Rig rig;
        VirtualKeyboard::Faults f;
        (fault == 0 ? f.corruptChecksum : fault == 1 ? f.failStatus : f.foreignCommand) = 1;
        rig.kb.setFaults(f);
        QCOMPARE(rig.worker->connectDevice(), -1);
        QVERIFY(!rig.worker->isRunning());
        // The fault was one-shot: the next attempt finds the keyboard.
        QCOMPARE(rig.worker->connectDevice(), 0);
    }
}

void TestDevice::readBackCarriesTheKeyboardState()
{
    Rig rig;
    rig.kb.fillDistinctive();
    KeyboardSession session(rig.worker.get());
    session.setQuerySystemMode(true);
    QVERIFY(rig.readBack(session));
    const KeyboardReadBack &rb = session.readBack();
    const VirtualKeyboard::State st = rig.kb.state();
    QCOMPARE(rb.readError, 0);

    QCOMPARE(rb.info.boardId, st.boardId);
    QCOMPARE(QString::fromUtf8(rb.info.version), QString::fromStdString(st.appVersion));
    QCOMPARE(rb.name, QString::fromUtf8("Distinct \xCE\xA9 Board"));
    QCOMPARE(rb.precisionStep, 0.005);
    QCOMPARE(rb.pollingRate, 2);
    QCOMPARE(rb.systemMode, 1);
    QVERIFY(!rig.worker->isInitialising());

    // Key identities by row, as key types in column order.
    QCOMPARE(rb.originalKeys.size(), 6);
    QCOMPARE(rb.originalKeys[0].first(), TypeEsc);
    QCOMPARE(rb.originalKeys[0].at(1), TypeF1);
    QVERIFY(rb.originalKeys[5].contains(137)); // the Fn key

    // Per-key tables, cell by cell.
    for (int c = 0; c < 126; ++c) {
        const int r = c / 21, col = c % 21;
        if (!st.matrix[c])
            continue;
        QCOMPARE(rb.travelRows[r][col], st.params[4][c]);
        QCOMPARE(rb.pressRows[r][col], st.params[20][c]);
        QCOMPARE(rb.releaseRows[r][col], st.params[21][c]);
        QCOMPARE(rb.parameters.fn1[c], st.matrix[c] ? st.params[1][c] : 0);
        QCOMPARE(int(rb.parameters.mode[c]), st.params[8][c] & 0x0F);
    }
    QCOMPARE(rb.layers.value(2).value(TypeA), st.params[2][rig.cellOf(TypeA)]);
    QCOMPARE(rb.travel.value(TypeA).keyTouchDis, quint16(1500)); // the application's default travel

    // The eight advanced-key maps, each with the keyboard's bindings.
    QCOMPARE(rb.advanced.size(), 8);
    MapKB2DockerMT mt;
    MapKB2DockerTDKS dks;
    MapKB2DockerSOCD socd;
    MapKB2DockerMACRO macros;
    MapKB2DockerTGL tgl;
    MapKB2DockerMPT mpt;
    for (const QVariant &v : rb.advanced) {
        if (v.userType() == qMetaTypeId<MapKB2DockerMT>()) mt = v.value<MapKB2DockerMT>();
        if (v.userType() == qMetaTypeId<MapKB2DockerTDKS>()) dks = v.value<MapKB2DockerTDKS>();
        if (v.userType() == qMetaTypeId<MapKB2DockerSOCD>()) socd = v.value<MapKB2DockerSOCD>();
        if (v.userType() == qMetaTypeId<MapKB2DockerMACRO>()) macros = v.value<MapKB2DockerMACRO>();
        if (v.userType() == qMetaTypeId<MapKB2DockerTGL>()) tgl = v.value<MapKB2DockerTGL>();
        if (v.userType() == qMetaTypeId<MapKB2DockerMPT>()) mpt = v.value<MapKB2DockerMPT>();
    }
    QCOMPARE(mt.value(TypeA).pressType, keyTypeFromCode(0x05));
    QCOMPARE(mt.value(TypeA).clickType, keyTypeFromCode(0x06));
    QCOMPARE(mt.value(TypeA).delay, 200);
    QCOMPARE(dks.value(TypeD).bindKey.size(), 4);
    QCOMPARE(dks.value(TypeD).triggerValue.value(3), QString("0001000"));
    QCOMPARE(tgl.value(TypeS).delay, 300);
    QCOMPARE(mpt.value(TypeH).triggerValue, QList<int>({800, 1600, 2400}));
    QCOMPARE(socd.value(TypeQ).switchType, TypeW);
    QCOMPARE(socd.value(TypeW).switchType, TypeQ);
    QVERIFY(macros.contains(TypeY));

    // Lighting, dead bands and per-key colours.
    QCOMPARE(rb.lighting.background, st.lighting.background);
    QCOMPARE(rb.lighting.colours[7], st.lighting.colours[7]);
    QCOMPARE(rb.lighting.rgb_mode, st.lighting.rgbMode);
    QCOMPARE(rb.lighting.grayscale, st.lighting.grayscale);
    QVERIFY(rb.lowLatency);
    QCOMPARE(rb.deadBands.gdBi, quint16(1234));
    QCOMPARE(rb.deadBands.dt_RdB, quint16(222));
    QCOMPARE(rb.deadBands.db3, quint16(33));
    const auto rgb = st.keyColours[rig.cellOf(TypeH)];
    QCOMPARE(rb.colours.value(TypeH), QColor(rgb.red, rgb.green, rgb.blue));
    QCOMPARE(rb.colours.size(), rig.kb.state().matrix.size() - std::count(st.matrix.begin(), st.matrix.end(), 0));
}

void TestDevice::readBackRequestOrder()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    const auto frames = rig.sentFrames();
    QVector<int> commands;
    for (const auto &f : frames)
        commands.append(f[2] == 0x00 ? 0x100 + f[4] : f[2]);
    // Probe, the queued 0x01, then name, rate, precision, the matrix...
    const QVector<int> head = {0x01, 0x01, 0x100 + 38, 0x100 + 80, 0x100 + 37, 0x2B, 0x2B, 0x2B};
    QCOMPARE(commands.mid(0, head.size()), head);
    QCOMPARE(int(frames[3][5]), 7); // the polling-rate query carries index 7
    // ...then 22 parameters x 8 batches for the 106 keys, the colour walk,
    // and last the lighting and sensitivity reads.
    QCOMPARE(commands.count(0x23), 22 * 8);
    QCOMPARE(commands.count(0x2A), 8);
    QCOMPARE(commands.mid(commands.size() - 2), QVector<int>({0x18, 0x29}));
    QCOMPARE(int(frames[frames.size() - 1][4]), 0); // read selector
    const int firstWalk = commands.indexOf(0x23);
    QCOMPARE(firstWalk, head.size());
    QCOMPARE(commands.indexOf(0x2A), firstWalk + 22 * 8);
}

void TestDevice::layoutWalkAndReconnect()
{
    Rig rig;
    rig.kb.fillDistinctive();
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));

    // The keyboard's layer 2 changes behind our back; the layout walk (run
    // after a Win/Mac switch) reads parameters 0..4 only.
    rig.kb.setParam(2, 4, 2, 0x1E);
    rig.kb.clearFrameLog();
    QSignalSpy keys(rig.worker.get(), &KeyboardAction::sigKB2LayoutKey);
    rig.worker->switchToWin();
    rig.worker->startLayoutRead();
    QVERIFY(keys.wait(5000));
    QVERIFY(rig.waitIdle());
    const auto layers = keys.first().first().value<MapKB2DockerKey>();
    QCOMPARE(layers.value(2).value(TypeZ), quint16(0x1E));
    QSet<int> params;
    const auto frames = rig.sentFrames();
    QCOMPARE(int(frames.front()[4]), 48); // the switch went out first
    for (const auto &f : frames)
        if (f[2] == 0x23)
            params.insert(f[6]);
    QCOMPARE(params, QSet<int>({0, 1, 2, 3, 4}));
    QCOMPARE(rig.kb.state().systemMode, 0);

    // Unplug and plug again: reconnect reopens the remembered interface and
    // asks for the board information.
    rig.kb.unplug();
    QVERIFY(rig.kb.waitForPlugged(false, 1000));
    rig.worker->closeDevice();
    QCOMPARE(rig.worker->reconnect(), -1);
    rig.kb.plug();
    QVERIFY(rig.kb.waitForPlugged(true, 1000));
    QSignalSpy info(rig.worker.get(), &KeyboardAction::sigKB2DeviceInfo);
    QCOMPARE(rig.worker->reconnect(), 0);
    QVERIFY(info.wait(2000));
}

void TestDevice::writesReachTheKeyboard()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    KeyboardAction &w = *rig.worker;

    w.setGlobalTravel(1750);
    w.setPressDeadZone(120);
    w.setReleaseDeadZone(130);
    w.setLightingValues(4, 2, 1, true, 9);
    w.setKeyColour(TypeH, 10, 20, 30);
    w.setLayerKey(1, TypeA, TypeY);
    w.setLayerKey(3, TypeS, 137);
    // 20 per-key values: two records, the second partly filled.
    QList<KeyParam> entries;
    const int keys[] = {TypeA, TypeS, TypeD, TypeH, TypeJ, TypeQ, TypeW, TypeY, TypeZ, TypeX};
    for (int k : keys) {
        entries.append({k, 8, 0x10});
        entries.append({k, 4, quint16(1234 + k)});
    }
    w.sendSingleKeyData(entries);
    QVERIFY(rig.waitIdle());

    const VirtualKeyboard::State st = rig.kb.state();
    QCOMPARE(st.deadBand.gdBi, quint16(1750));
    QCOMPARE(st.deadBand.dtDB, quint16(120));
    QCOMPARE(st.deadBand.dtRdB, quint16(130));
    QCOMPARE(st.lighting.rgbMode, quint8(3));
    QCOMPARE(st.lighting.grayscale, quint8(2));
    QCOMPARE(st.lighting.rgbSpeed, quint8(1));
    QCOMPARE(st.lighting.rgbSleep, quint8(9));
    QCOMPARE(st.lighting.bitmap & 0x03, 0x03); // on, direction set
    QVERIFY(st.keyColours[rig.cellOf(TypeH)] == (VirtualKeyboard::Rgb{10, 20, 30}));
    QCOMPARE(rig.param(1, TypeA), keyTypeCode(TypeY));
    QCOMPARE(rig.param(3, TypeS), quint16(0xF001));
    for (int k : keys) {
        QCOMPARE(rig.param(4, k), quint16(1234 + k));
        QCOMPARE(rig.param(8, k) & 0xF0, 0x10);
    }
    // Unchanged values send nothing.
    rig.kb.clearFrameLog();
    w.setGlobalTravel(1750);
    w.setBrightness(2);
    w.setLayerKey(7, TypeA, TypeY); // no such layer
    w.queryWinMode();
    QVERIFY(rig.waitIdle());
    QCOMPARE(int(rig.sentFrames().size()), 1);
}

void TestDevice::advancedBindingsOfEveryKind()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    KeyboardAction &w = *rig.worker;

    DKSInfo dks;
    dks.keyIndex = TypeD;
    dks.touchDis = {1.2345};
    dks.bindKey = {TypeA, TypeS, TypeH, TypeJ};
    dks.triggerValue = {"1000000", "0001000", "0000001", "1111111"};
    w.writeAdvancedBinding(dks);
    MPTInfo mpt;
    mpt.keyIndex = TypeH;
    mpt.bindKey = {TypeQ, TypeW, TypeY};
    mpt.triggerValue = {500, 1500, 2500};
    w.writeAdvancedBinding(mpt);
    MTInfo mt;
    mt.keyIndex = TypeA;
    mt.pressType = TypeZ;
    mt.clickType = TypeX;
    mt.delay = 201; // rounds up to 21 x 10 ms
    w.writeAdvancedBinding(mt);
    TGLInfo tgl;
    tgl.keyIndex = TypeS;
    tgl.switchType = TypeQ;
    tgl.delay = 90;
    w.writeAdvancedBinding(tgl);
    ENDInfo end;
    end.keyIndex = TypeJ;
    end.switchType = TypeW;
    w.writeAdvancedBinding(end);
    SOCDInfo socd;
    socd.keyIndex = TypeZ;
    socd.switchType = TypeX;
    w.writeAdvancedBinding(socd);
    RSInfo rs;
    rs.keyIndex = TypeQ;
    rs.switchType = TypeW;
    w.writeAdvancedBinding(rs);
    QVERIFY(rig.waitIdle());

    auto wire = [](int type) { return quint16(keyTypeCode(type)); };
    QCOMPARE(rig.param(8, TypeD) & 0x0F, 1);
    QCOMPARE(rig.param(9, TypeD), wire(TypeA));
    QCOMPARE(rig.param(12, TypeD), wire(TypeJ));
    QCOMPARE(rig.param(13, TypeD), quint16(0x01));
    QCOMPARE(rig.param(14, TypeD), quint16(0x18));
    QCOMPARE(rig.param(15, TypeD), quint16(0x80));
    QCOMPARE(rig.param(16, TypeD), quint16(0xFF));
    QCOMPARE(rig.param(5, TypeD), quint16(1234));
    QCOMPARE(rig.param(8, TypeH) & 0x0F, 2);
    QCOMPARE(rig.param(11, TypeH), wire(TypeY));
    QCOMPARE(rig.param(7, TypeH), quint16(2500));
    QCOMPARE(rig.param(8, TypeA) & 0x0F, 3);
    QCOMPARE(rig.param(9, TypeA), wire(TypeZ));
    QCOMPARE(rig.param(10, TypeA), wire(TypeX));
    QCOMPARE(rig.param(19, TypeA), quint16(21));
    QCOMPARE(rig.param(8, TypeS) & 0x0F, 4);
    QCOMPARE(rig.param(19, TypeS), quint16(9));
    QCOMPARE(rig.param(8, TypeJ) & 0x0F, 5);
    QCOMPARE(rig.param(9, TypeJ), wire(TypeW));
    // The pair kinds bind both keys, each to the other.
    QCOMPARE(rig.param(8, TypeZ) & 0x0F, 8);
    QCOMPARE(rig.param(9, TypeZ), wire(TypeX));
    QCOMPARE(rig.param(8, TypeX) & 0x0F, 8);
    QCOMPARE(rig.param(9, TypeX), wire(TypeZ));
    QCOMPARE(rig.param(8, TypeQ) & 0x0F, 9);
    QCOMPARE(rig.param(9, TypeW), wire(TypeQ));

    // Removing makes the key ordinary again.
    w.removeAdvancedBinding(TypeA, Bind_MT);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0));
}

void TestDevice::longMacroIsSentInPieces()
{
    Rig rig;
    rig.kb.fillDistinctive(); // the keyboard already holds macro 0
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    MACROInfo macro;
    macro.keyIndex = TypeJ;
    macro.macroName = "Macro1";
    for (int i = 0; i < 30; ++i)
        macro.steps.append(MACRO_Key{i % 2 == 0, keyTypeName(TypeA + (i / 2) % 5), 10 * i});
    rig.kb.clearFrameLog();
    rig.worker->writeAdvancedBinding(macro);
    QVERIFY(rig.waitIdle());

    int macroFrames = 0;
    for (const auto &f : rig.sentFrames())
        macroFrames += f[2] == 0x20;
    QCOMPARE(macroFrames, 3); // 14 + 14 + 2
    const VirtualKeyboard::State st = rig.kb.state();
    for (int i = 0; i < 30; ++i) {
        const quint32 word = st.macroSteps.at(quint16(256 + i));
        QCOMPARE(word & 0xF0000000u, i % 2 == 0 ? 0x10000000u : 0x80000000u);
        QCOMPARE((word >> 16) & 0xFFF, quint32(10 * i));
        QCOMPARE(word & 0xFFFF, quint32(keyTypeCode(TypeA + (i / 2) % 5)));
    }
    QCOMPARE(rig.param(8, TypeJ) & 0x0F, 6);
    QCOMPARE(rig.param(17, TypeJ), quint16(256));
    QCOMPARE(rig.param(18, TypeJ), quint16(30));
}

void TestDevice::livePolls()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    rig.kb.pressKey(3, 2, 2.5);

    QSignalSpy calibration(rig.worker.get(), &KeyboardAction::sigUpdateAdjustingData);
    rig.worker->startCalibration();
    QVERIFY(calibration.wait(3000));
    QVERIFY(rig.kb.state().calibrating);
    const auto table6 = calibration.first().at(0).value<QList<QList<quint16>>>();
    QCOMPARE(table6.size(), 6);
    QCOMPARE(table6[3][2], quint16(2500));
    rig.worker->stopCalibration();
    QVERIFY(rig.waitIdle());
    QVERIFY(!rig.kb.state().calibrating);

    QSignalSpy keyTest(rig.worker.get(), &KeyboardAction::sigUpdateMMData);
    rig.worker->startKeyTest();
    QVERIFY(keyTest.wait(3000));
    const auto travel = keyTest.first().at(0).value<QList<QList<quint16>>>();
    const auto pressed = keyTest.first().at(1).value<QList<QList<quint8>>>();
    QCOMPARE(travel[3][2], quint16(2500));
    QCOMPARE(pressed[3][2], quint8(1));
    QCOMPARE(pressed[3][3], quint8(0));
    rig.worker->stopKeyTest();
    QCOMPARE(rig.worker->mode(), 0);
}

void TestDevice::faultsEndWalksCleanly()
{
    {
        // A failure status in the middle of the walk ends it; the read is
        // still reported finished, with the failure.
        Rig rig;
        KeyboardSession session(rig.worker.get());
        QSignalSpy failed(rig.worker.get(), &KeyboardAction::sigKB2ReadFailed);
        QSignalSpy init(rig.worker.get(), &KeyboardAction::sigKB2InitDevice);
        VirtualKeyboard::Faults f;
        f.unplugAfterFrames = 0;
        rig.kb.setFaults(f);
        QCOMPARE(rig.worker->connectDevice(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(rig.kb.framesReceived() >= 20, 5000); // well into the walk
        f.failStatus = 1;
        rig.kb.setFaults(f);
        QVERIFY(init.wait(5000));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toInt(), -1);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.worker->mode(), 0);
    }
    {
        // Unplugged in the middle of the initial walk: the walk ends, the
        // queued reads are discarded, nothing crashes.
        Rig rig;
        KeyboardSession session(rig.worker.get());
        QSignalSpy init(rig.worker.get(), &KeyboardAction::sigKB2InitDevice);
        VirtualKeyboard::Faults f;
        f.unplugAfterFrames = 40;
        rig.kb.setFaults(f);
        QCOMPARE(rig.worker->connectDevice(), 0);
        QVERIFY(init.wait(5000));
        QVERIFY(rig.waitIdle());
        QVERIFY(!rig.worker->isDeviceOpen());
        QCOMPARE(rig.worker->queuedCount(), 0);
        QVERIFY(session.isComplete());
        QVERIFY(session.readBack().readError != 0);
        // Requests made while it is gone are dropped, not kept for later.
        rig.worker->setGlobalTravel(999);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.worker->queuedCount(), 0);
    }
    {
        // A key matrix that never arrived: the walk reads nothing and ends.
        Rig rig;
        QSignalSpy init(rig.worker.get(), &KeyboardAction::sigKB2InitDevice);
        QCOMPARE(rig.worker->connectDevice(), 0);
        QVERIFY(rig.waitIdle());
        rig.kb.clearFrameLog();
        rig.worker->startInitialRead();
        QVERIFY(init.wait(2000));
        QVERIFY(rig.waitIdle());
        for (const auto &fr : rig.sentFrames())
            QVERIFY(fr[2] != 0x23);
    }
}

void TestDevice::destructionIsPrompt()
{
    Rig rig;
    VirtualKeyboard::Faults f;
    rig.kb.setFaults(f);
    KeyboardSession session(rig.worker.get());
    QCOMPARE(rig.worker->connectDevice(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.kb.framesReceived() >= 12, 5000);
    // From here on the keyboard never answers; the worker is mid-walk or
    // mid-queue with reads that wait for their time-out.
    f.dropAnswers = -1;
    rig.kb.setFaults(f);
    for (int i = 0; i < 50; ++i)
        rig.worker->queryKeyboardName();
    QElapsedTimer timer;
    timer.start();
    rig.worker.reset();
    // Bounded by one read time-out, not by the 50 queued requests.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestDevice)
#include "test_device.moc"
