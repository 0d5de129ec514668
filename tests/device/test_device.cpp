// The device link end to end: the transport, the worker and its walks and
// polls against the virtual keyboard, checked on the keyboard's state and
// frame log, with faults injected.

#include "HidBackend.h"
#include "HidUSB.h"
#include "Kb2Errors.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "QueuedSpy.h"
#include "SimRig.h"
#include "VirtualHidBackend.h"
#include "WorkerTransitions.h"

#include <QSemaphore>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// Key types and wire codes of a few keys the virtual keyboard binds.
constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeH = 56, TypeJ = 57, TypeQ = 34, TypeW = 35, TypeY = 39,
              TypeZ = 64, TypeX = 65, TypeEsc = 0, TypeF1 = 1;

using Rig = SimRig;

// Command bytes of frames sent to the keyboard; sub-codes as 0x100 + sub.
QVector<int> commandsOf(const std::vector<std::vector<uint8_t>> &frames)
{
    QVector<int> out;
    for (const auto &f : frames)
        out.append(f[2] == 0x00 ? 0x100 + f[4] : f[2]);
    return out;
}

int keysOnBoard(const VirtualKeyboard::State &st)
{
    return int(std::count_if(st.matrix.begin(), st.matrix.end(), [](uint8_t k) { return k != 0; }));
}

} // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void transportAndProbeOrder();
    void connectFailures();
    void arrivalsOnlyOpenTheKeyboard();
    void readBackCarriesTheKeyboardState();
    void readBackRequestOrder();
    void layoutWalkAndReconnect();
    void writesReachTheKeyboard();
    void advancedBindingsOfEveryKind();
    void macroNumbersAndTheStore();
    void livePolls();
    void requestsGoOutBetweenPollRounds();
    void closingEndsPollsAndWalks();
    void refusedPollEnds();
    void deviceErrorsAreReported();
    void readBackFaultMatrix_data();
    void readBackFaultMatrix();
    void unplugAtEachPhase_data();
    void unplugAtEachPhase();
    void destructionIsPrompt();
    void transitionTable();
    void workerTransitions_data();
    void workerTransitions();
};

void TestDevice::transportAndProbeOrder()
{
    Rig rig;
    HidUSB usb;
    QStringList paths;
    QVERIFY(usb.findDevicePaths(paths, 0x1C4F, 0xEE88));
    // Both interfaces of the keyboard, the one on a vendor-defined usage
    // page first, no foreign device.
    QCOMPARE(paths, QStringList({"sim:kb0:if1", "sim:kb0:if0"}));
    QVERIFY(usb.findDevicePath(0x1C4F, 0xEE88));
    QCOMPARE(usb.devicePath(), QByteArray("sim:kb0:if1")); // the last in enumeration order

    unsigned char frame[256] = {0x5C, 0, 0x01, 0};
    QCOMPARE(usb.write(frame, 4), 0); // closed: nothing sent
    QVERIFY(usb.open());
    frame[3] = quint8(0x5C + 0x01 + 0x35);
    QCOMPARE(usb.write(frame, 4), 64);
    // A 200-byte frame goes out as four reports.
    unsigned char big[256] = {0x5C, 196, 0x7E, 0};
    QCOMPARE(usb.write(big, 200), 256);
    QVERIFY(rig.kb.waitForFramesReceived(2, 20000));
    QCOMPARE(int(rig.sentFrames().back().size()), 200);
    usb.close();
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.devicePath(), QByteArray("sim:kb0:if1")); // the path survives closing

    // Connecting asks the vendor-page interface first: the silent one is
    // never written to (nor waited on), and neither is a foreign device.
    rig.kb.clearFrameLog();
    QCOMPARE(rig.worker->connectDevice(), 0);
    QVERIFY(rig.waitIdle());
    for (const auto &f : rig.kb.frameLog())
        QCOMPARE(f.interfaceNumber, rig.kb.configInterface());
    QCOMPARE(rig.backend.foreignReportsWritten(), 0);
}

void TestDevice::connectFailures()
{
    {
        Rig rig;
        rig.kb.unplug();
        QVERIFY(rig.kb.waitForPlugged(false, 20000));
        QCOMPARE(rig.worker->connectDevice(), int(KeyboardAction::NoKeyboard));
        QVERIFY(!rig.worker->isDeviceOpen());
    }
    // A corrupted checksum, a failure status or a foreign command in the
    // probe's answer: that interface is not the keyboard's.
    for (int fault = 0; fault < 3; ++fault) {
        Rig rig;
        VirtualKeyboard::Faults f;
        (fault == 0 ? f.corruptChecksum : fault == 1 ? f.failStatus : f.foreignCommand) = 1;
        rig.kb.setFaults(f);
        QCOMPARE(rig.worker->connectDevice(), int(KeyboardAction::NoKeyboard));
        QVERIFY(!rig.worker->isDeviceOpen());
        // The fault was one-shot: the next attempt finds the keyboard.
        QCOMPARE(rig.worker->connectDevice(), 0);
        QVERIFY(rig.worker->isDeviceOpen());
    }
    // Held for the firmware engine: closed, and no connection is made until
    // it is given back, whoever asks.
    Rig rig;
    QCOMPARE(rig.worker->connectDevice(), 0);
    rig.worker->setHeld(true);
    QCOMPARE(rig.worker->connectDevice(), int(KeyboardAction::NoKeyboard));
    QCOMPARE(rig.worker->reconnect(), int(KeyboardAction::NoKeyboard));
    rig.worker->requestArrival(QString::fromStdString(rig.kb.configPath()));
    QVERIFY(rig.waitIdle());
    QVERIFY(!rig.worker->isDeviceOpen());
    rig.worker->setHeld(false);
    QCOMPARE(rig.worker->connectDevice(), 0);
    QVERIFY(rig.worker->isDeviceOpen());
}

void TestDevice::arrivalsOnlyOpenTheKeyboard()
{
    Rig rig;
    QueuedSpy finished(rig.worker->reports(), &KeyboardWorker::sigConnectFinished);
    QueuedSpy arrived(rig.worker->reports(), &KeyboardWorker::sigKeyboardArrived);
    // Unrelated devices arrive while nothing is open: they are neither
    // opened nor written to.
    rig.worker->requestArrival("sim:kb0:other0");
    rig.worker->requestArrival("sim:kb0:other1");
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.backend.foreignReportsWritten(), 0);
    QCOMPARE(finished.size(), 0);
    QVERIFY(!rig.worker->isDeviceOpen());

    // The keyboard's own interface: connect, asking for the board first.
    QueuedSpy info(rig.worker->reports(), &KeyboardWorker::sigKB2DeviceInfo);
    rig.worker->requestArrival(QString::fromStdString(rig.kb.interfacePath(0)));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toInt(), 0);
    QCOMPARE(arrived.size(), 1);
    QVERIFY(info.waitForCount(1)); // it may have come with the connection's end
    QVERIFY(rig.worker->isDeviceOpen());
    QCOMPARE(rig.worker->devicePathString(), QString::fromStdString(rig.kb.configPath()));

    // While it is open, further arrivals are ignored.
    QVERIFY(rig.waitIdle());
    rig.kb.clearFrameLog();
    rig.worker->requestArrival(QString::fromStdString(rig.kb.configPath()));
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.kb.frameLog().empty());
    QCOMPARE(arrived.size(), 1);
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
        QCOMPARE(rb.parameters.fn1[c], st.params[1][c]);
        QCOMPARE(int(rb.parameters.mode[c]), st.params[8][c] & 0x0F);
    }
    QCOMPARE(rb.layers.value(2).value(TypeA), st.params[2][rig.cellOf(TypeA)]);
    // The key's record carries its own travel cell, as the keyboard holds it.
    QCOMPARE(rb.travel.value(TypeA).keyTouchDis, st.params[4][rig.cellOf(TypeA)]);

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
    QCOMPARE(rig.worker->macroNumber(TypeY), 0);

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
    QCOMPARE(rb.colours.size(), keysOnBoard(st));
}

void TestDevice::readBackRequestOrder()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    const auto frames = rig.sentFrames();
    const QVector<int> commands = commandsOf(frames);
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
    QueuedSpy keys(rig.worker.get(), &KeyboardAction::sigKB2LayoutKey);
    rig.worker->switchToWin();
    rig.worker->startLayoutRead();
    QVERIFY(keys.wait(20000));
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
    QVERIFY(rig.kb.waitForPlugged(false, 20000));
    rig.worker->closeDevice();
    QCOMPARE(rig.worker->reconnect(), -1);
    rig.kb.plug();
    QVERIFY(rig.kb.waitForPlugged(true, 20000));
    QueuedSpy info(rig.worker->reports(), &KeyboardWorker::sigKB2DeviceInfo);
    QCOMPARE(rig.worker->reconnect(), 0);
    QVERIFY(info.wait(20000));
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
    // Unchanged values send nothing, and neither does a stop of a poll that
    // is not running (every page change asks for one).
    rig.kb.clearFrameLog();
    w.setGlobalTravel(1750);
    w.setBrightness(2);
    w.setLayerKey(7, TypeA, TypeY); // no such layer
    w.stopCalibration();
    w.stopKeyTest();
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

void TestDevice::macroNumbersAndTheStore()
{
    Rig rig;
    rig.kb.fillDistinctive(); // the keyboard already holds macro 0, on Y
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    KeyboardAction &w = *rig.worker;
    auto macro = [](int key, int steps) {
        MACROInfo m;
        m.keyIndex = key;
        m.macroName = QStringLiteral("M%1").arg(key);
        for (int i = 0; i < steps; ++i)
            m.steps.append(MACRO_Key{i % 2 == 0, keyTypeName(TypeA + (i / 2) % 5), 10 * i});
        return m;
    };

    // 30 steps go out as 14 + 14 + 2 under the next free number.
    rig.kb.clearFrameLog();
    QVERIFY(w.writeAdvancedBinding(macro(TypeJ, 30)));
    QVERIFY(rig.waitIdle());
    QCOMPARE(int(commandsOf(rig.sentFrames()).count(0x20)), 3);
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

    // Rewriting a key's macro keeps its number, however often.
    for (int i = 0; i < 6; ++i)
        QVERIFY(w.writeAdvancedBinding(macro(TypeJ, 4 + i)));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(17, TypeJ), quint16(256));
    QCOMPARE(w.macroCount(), 2);

    // Two more fill the store of four; a fifth is refused and sends nothing.
    QVERIFY(w.writeAdvancedBinding(macro(TypeH, 2)));
    QVERIFY(w.writeAdvancedBinding(macro(TypeZ, 2)));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(17, TypeZ), quint16(3 * 256));
    rig.kb.clearFrameLog();
    QVERIFY(!w.writeAdvancedBinding(macro(TypeX, 2)));
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.sentFrames().empty());

    // A removed macro frees its number for the next one.
    w.removeAdvancedBinding(TypeJ, Bind_MACRO);
    QVERIFY(w.writeAdvancedBinding(macro(TypeX, 2)));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(17, TypeX), quint16(256));
    QCOMPARE(w.macroCount(), 4);
}

void TestDevice::livePolls()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    rig.kb.pressKey(3, 2, 2.5);

    QueuedSpy calibration(rig.worker->reports(), &KeyboardWorker::sigUpdateAdjustingData);
    rig.worker->startCalibration();
    QVERIFY(calibration.wait(20000));
    QVERIFY(rig.kb.state().calibrating);
    const auto table6 = calibration.first().at(0).value<QList<QList<quint16>>>();
    QCOMPARE(table6.size(), 6);
    QCOMPARE(table6[3][2], quint16(2500));
    rig.worker->stopCalibration();
    QVERIFY(rig.waitIdle());
    QVERIFY(!rig.kb.state().calibrating);

    QueuedSpy keyTest(rig.worker->reports(), &KeyboardWorker::sigUpdateMMData);
    rig.worker->startKeyTest();
    QVERIFY(keyTest.wait(20000));
    const auto travel = keyTest.first().at(0).value<QList<QList<quint16>>>();
    const auto pressed = keyTest.first().at(1).value<QList<QList<quint8>>>();
    QCOMPARE(travel[3][2], quint16(2500));
    QCOMPARE(pressed[3][2], quint8(1));
    QCOMPARE(pressed[3][3], quint8(0));
    rig.worker->stopKeyTest();
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
    QVERIFY(rig.waitIdle());

    // A poll or read the worker has just taken up, and not yet begun, is
    // still asked for: a stop then wins, the key test ends once, and the
    // read shows as running.
    QSemaphore taken, go;
    rig.worker->reports()->setTakeUpHook([&](WorkerState) {
        taken.release();
        go.tryAcquire(1, 20000);
    });
    QueuedSpy ended(rig.worker->reports(), &KeyboardWorker::sigKeyTestEnded);
    rig.worker->startKeyTest();
    QVERIFY(taken.tryAcquire(1, 20000));
    rig.worker->stopKeyTest();
    go.release();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
    QCOMPARE(ended.size(), 1);
    rig.worker->startInitialRead();
    QVERIFY(taken.tryAcquire(1, 20000));
    QVERIFY(rig.worker->isInitialising());
    go.release();
    QVERIFY(rig.waitIdle());
    rig.worker->reports()->setTakeUpHook({});
}

void TestDevice::requestsGoOutBetweenPollRounds()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QueuedSpy rounds(rig.worker->reports(), &KeyboardWorker::sigUpdateMMData);
    rig.worker->startKeyTest();
    QVERIFY(rounds.wait(20000));

    // A travel change during the key test reaches the keyboard while the
    // test goes on, not when it ends.
    rig.kb.clearFrameLog();
    rig.worker->setGlobalTravel(1750);
    rig.worker->setPressDeadZone(150);
    QVERIFY(rounds.waitForCount(rounds.size() + 3));
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::KeyTest));
    const QVector<int> commands = commandsOf(rig.sentFrames());
    const int first = commands.indexOf(0x29);
    QVERIFY(first >= 0);
    QCOMPARE(commands.count(0x29), 2);
    QVERIFY(commands.mid(commands.lastIndexOf(0x29)).count(0x12) >= 3); // polling went on after them
    QCOMPARE(rig.kb.state().deadBand.gdBi, quint16(1750));
    QCOMPARE(rig.kb.state().deadBand.dtDB, quint16(150));

    // A GUI thread held up gets the newest round once, not a backlog.
    rounds.flush();
    const int before = rounds.size();
    const KeyboardAction::LiveStats start = rig.worker->liveStats();
    // Rounds go by while this thread waits without taking events.
    auto roundsPass = [&](quint64 count) {
        const quint64 target = rig.worker->liveStats().rounds + count;
        for (int i = 0; i < 400 && rig.worker->liveStats().rounds < target; ++i)
            rig.kb.waitForFramesReceived(rig.kb.framesReceived() + 1, 50);
        return rig.worker->liveStats().rounds >= target;
    };
    QVERIFY(roundsPass(3));
    rig.kb.pressKey(2, 5, 1.25);
    QVERIFY(roundsPass(2));
    QVERIFY(rounds.waitForCount(before + 1));
    const KeyboardAction::LiveStats held = rig.worker->liveStats();
    QVERIFY(held.rounds - start.rounds > held.delivered - start.delivered); // rounds were coalesced
    QCOMPARE(held.mostQueued, 1);
    QCOMPARE(rounds.at(before).at(0).value<QList<QList<quint16>>>()[2][5], quint16(1250));
    rig.worker->stopKeyTest();
    QVERIFY(rig.waitIdle());
}

void TestDevice::closingEndsPollsAndWalks()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QueuedSpy ended(rig.worker->reports(), &KeyboardWorker::sigKeyTestEnded);
    QueuedSpy lost(rig.worker->reports(), &KeyboardWorker::sigDeviceLost);
    QueuedSpy rounds(rig.worker->reports(), &KeyboardWorker::sigUpdateMMData);

    // Unplugged during the key test: the worker loses the device, the test
    // ends, and the worker is idle.
    rig.worker->startKeyTest();
    QVERIFY(rounds.wait(20000));
    rig.kb.unplug();
    QVERIFY(lost.wait(20000));
    QVERIFY(ended.waitForCount(1));
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
    QVERIFY(!rig.worker->isDeviceOpen());

    // Plugged back: a whole new connection, starting with the board query.
    rig.kb.plug();
    QVERIFY(rig.kb.waitForPlugged(true, 20000));
    rig.kb.clearFrameLog();
    KeyboardSession again(rig.worker.get());
    QVERIFY(rig.readBack(again));
    QCOMPARE(commandsOf(rig.sentFrames()).mid(0, 3), QVector<int>({0x01, 0x01, 0x100 + 38}));

    // Closed on purpose during calibration or the initial walk: both end,
    // and a deliberate close is not a loss.
    QueuedSpy calibrationEnded(rig.worker->reports(), &KeyboardWorker::sigCalibrationEnded);
    QueuedSpy calibration(rig.worker->reports(), &KeyboardWorker::sigUpdateAdjustingData);
    rig.worker->startCalibration();
    QVERIFY(calibration.wait(20000));
    rig.worker->closeDevice();
    QVERIFY(calibrationEnded.wait(20000));
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
    QCOMPARE(rig.worker->connectDevice(), 0);
    VirtualKeyboard::Faults slow; // so the walk cannot end before the close
    slow.delayAnswersMs = 150;
    rig.kb.setFaults(slow);
    rig.worker->startInitialRead();
    QVERIFY(rig.worker->isInitialising());
    rig.worker->closeDevice();
    QVERIFY(!rig.worker->isInitialising());
    rig.kb.setFaults({});
    QVERIFY(rig.waitIdle());
    QCOMPARE(lost.size(), 1);
}

void TestDevice::refusedPollEnds()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    VirtualKeyboard::Faults f;
    f.onlyCommand = 0x12;
    f.failStatus = -1; // every table query refused
    rig.kb.setFaults(f);

    // A refused calibration poll ends it, tells the keyboard to stop, and
    // does not ask again.
    QueuedSpy calibrationEnded(rig.worker->reports(), &KeyboardWorker::sigCalibrationEnded);
    rig.kb.clearFrameLog();
    rig.worker->startCalibration();
    QVERIFY(calibrationEnded.wait(20000));
    QVERIFY(rig.waitIdle());
    QCOMPARE(commandsOf(rig.sentFrames()), QVector<int>({0x100 + 12, 0x12, 0x100 + 13}));
    QVERIFY(!rig.kb.state().calibrating);

    // So does a refused key test.
    QueuedSpy keyTestEnded(rig.worker->reports(), &KeyboardWorker::sigKeyTestEnded);
    rig.kb.clearFrameLog();
    rig.worker->startKeyTest();
    QVERIFY(keyTestEnded.wait(20000));
    QVERIFY(rig.waitIdle());
    QCOMPARE(commandsOf(rig.sentFrames()), QVector<int>({0x12}));
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));

    // A poll still waiting behind other work when the session closes ends
    // too: whoever started it hears that it is over.
    rig.kb.setFaults(VirtualKeyboard::Faults());
    for (int i = 0; i < 30; ++i)
        rig.worker->queryPrecision();
    rig.worker->startCalibration();
    rig.worker->closeDevice();
    QVERIFY(calibrationEnded.waitForCount(2));
    QVERIFY(rig.waitIdle());
    QCOMPARE(calibrationEnded.size(), 2);
}

void TestDevice::deviceErrorsAreReported()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QueuedSpy lost(rig.worker->reports(), &KeyboardWorker::sigDeviceLost);
    QueuedSpy failed(rig.worker->reports(), &KeyboardWorker::sigKB2RequestFailed);

    // The keyboard vanishes unnoticed; the next write fails once, is not
    // tried again on a closed handle, and closes the session as lost.
    rig.kb.unplug();
    QVERIFY(rig.kb.waitForPlugged(false, 20000));
    rig.worker->setGlobalTravel(1999);
    rig.worker->queryKeyboardName();
    QVERIFY(lost.wait(20000));
    QCOMPARE(lost.first().first().toInt(), int(Kb2Error::WriteFailed));
    QVERIFY(rig.waitIdle());
    QVERIFY(!rig.worker->isDeviceOpen());
    QCOMPARE(rig.worker->queuedCount(), 0);
    QCOMPARE(failed.size(), 0); // a lost device is one report, not one per request

    // Requests made while it is gone are dropped quietly.
    rig.worker->setPressDeadZone(77);
    QVERIFY(rig.waitIdle());
    QCOMPARE(lost.size(), 1);
    QCOMPARE(failed.size(), 0);

    // A refused write is reported as such, once, after no retry.
    rig.kb.plug();
    QVERIFY(rig.kb.waitForPlugged(true, 20000));
    KeyboardSession again(rig.worker.get());
    QVERIFY(rig.readBack(again));
    VirtualKeyboard::Faults f;
    f.onlyCommand = 0x29;
    f.failStatus = -1;
    rig.kb.setFaults(f);
    rig.kb.clearFrameLog();
    rig.worker->setGlobalTravel(1888);
    QVERIFY(failed.wait(20000));
    QCOMPARE(failed.first().at(0).toInt(), int(Kb2Req::DB));
    QCOMPARE(failed.first().at(1).toBool(), false);
    QCOMPARE(failed.first().at(2).toInt(), int(Kb2Error::Refused));
    QCOMPARE(int(rig.sentFrames().size()), 1);

    // A keyboard that keeps sending frames nobody asked for, three reports
    // each, and never the answer: every one of them used to restart the
    // wait. The request now ends unanswered, and the worker goes on.
    f = VirtualKeyboard::Faults();
    f.onlyCommand = 0x29;
    f.dropAnswers = -1;
    f.foreignStreamMs = 2;
    rig.kb.setFaults(f);
    failed.clear();
    rig.worker->setGlobalTravel(1777);
    QVERIFY(failed.wait(30000));
    QCOMPARE(failed.first().at(2).toInt(), int(Kb2Error::NoAnswer));
    QCOMPARE(int(rig.sentFrames().size()), 1 + 1 + KeyboardAction::Retries);
    rig.kb.setFaults(VirtualKeyboard::Faults());
    rig.worker->setGlobalTravel(1666);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.kb.state().deadBand.gdBi, quint16(1666));
    QCOMPARE(failed.size(), 1);
    QVERIFY(rig.worker->isDeviceOpen());
}

void TestDevice::readBackFaultMatrix_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("answerMs");
    QTest::addColumn<QString>("missing"); // the parts not read, in English; empty: complete

    QTest::newRow("drop every 3rd") << "dropEvery=3" << 30 << "";
    QTest::newRow("drop every 50th") << "dropEvery=50" << 30 << "";
    QTest::newRow("corrupt every 3rd") << "corruptEvery=3" << 30 << "";
    QTest::newRow("walk refused") << "only=0x23,fail=1" << 30 << "per-key settings,per-key colours";
    QTest::newRow("refuse every 50th") << "failEvery=50" << 30 << "per-key settings,per-key colours";
    QTest::newRow("colours: drop every 3rd") << "only=0x2A,dropEvery=3" << 30 << "";
    QTest::newRow("colours: corrupt every 2nd") << "only=0x2A,corruptEvery=2" << 30 << "";
    QTest::newRow("colours: one refused") << "only=0x2A,fail=1" << 30 << "per-key colours";
    QTest::newRow("colours: never answered") << "only=0x2A,drop=-1" << 30 << "per-key colours";
    QTest::newRow("lighting refused") << "only=0x18,fail=1" << 30 << "lighting";
    QTest::newRow("five keys") << "keys=5" << 30 << "";
    QTest::newRow("slow keyboard, 50 ms") << "keys=5,latency=50" << 200 << "";
}

// Each read-back ends, and says complete only when it is.
void TestDevice::readBackFaultMatrix()
{
    QFETCH(QString, scenario);
    QFETCH(int, answerMs);
    QFETCH(QString, missing);
    SimScenario s = Rig::scenario(scenario.toStdString());
    s.distinctive = true;
    Rig rig(s);
    rig.worker->setAnswerTimeout(answerMs);
    rig.worker->setProbeTimeout(answerMs);
    KeyboardSession session(rig.worker.get());
    session.setQuerySystemMode(true);
    QSignalSpy done(&session, &KeyboardSession::readBackFinished);
    QCOMPARE(rig.worker->connectDevice(), 0);
    QVERIFY(done.wait(60000));
    const KeyboardReadBack &rb = session.readBack();
    QStringList names;
    for (ReadPart part : rb.missing)
        names << readPartName(part);
    QCOMPARE(names.join(','), missing);
    QCOMPARE(session.isComplete(), missing.isEmpty());

    rig.kb.setFaults(VirtualKeyboard::Faults());
    const VirtualKeyboard::State st = rig.kb.state();
    const int keys = keysOnBoard(st);
    if (!rb.missing.contains(ReadPart::Parameters)) {
        // What the session says it read is what the keyboard holds: no late
        // answer was taken for another request's.
        for (int c = 0; c < 126; ++c)
            if (st.matrix[c])
                QCOMPARE(rb.travelRows[c / 21][c % 21], st.params[4][c]);
        QCOMPARE(rb.systemMode, 1);
        QCOMPARE(rb.deadBands.gdBi, quint16(1234));
    }
    if (missing.isEmpty()) {
        // Every key's colour, however few keys the board has.
        QVERIFY(rb.colours.size() >= keys);
        for (int c = 0; c < 126; ++c) {
            if (!st.matrix[c])
                continue;
            const int type = keyTypeFromCode(st.params[0][c]);
            QCOMPARE(rb.colours.value(type), QColor(st.keyColours[c].red, st.keyColours[c].green, st.keyColours[c].blue));
        }
    } else if (missing == QLatin1String("per-key colours") && scenario.contains("fail=1")) {
        // One refused batch of 14 is missing; every colour read is kept.
        QCOMPARE(rb.colours.size(), keys - 14);
    }
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
}

void TestDevice::unplugAtEachPhase_data()
{
    QTest::addColumn<int>("afterFrames"); // -1: 100 ms after start, in the pause after opening
    QTest::addColumn<bool>("replug");
    for (bool replug : {false, true}) {
        const char *tail = replug ? ", back after 50 ms" : "";
        QTest::addRow("in the settle pause%s", tail) << -1 << replug;
        QTest::addRow("probe%s", tail) << 1 << replug;
        QTest::addRow("board query%s", tail) << 2 << replug;
        QTest::addRow("name%s", tail) << 3 << replug;
        QTest::addRow("key matrix%s", tail) << 7 << replug;
        QTest::addRow("parameter walk%s", tail) << 60 << replug;
        QTest::addRow("colour walk%s", tail) << 190 << replug;
        QTest::addRow("last read%s", tail) << 194 << replug;
    }
}

// Whenever the keyboard goes, the read-back ends at once and says so.
void TestDevice::unplugAtEachPhase()
{
    QFETCH(int, afterFrames);
    QFETCH(bool, replug);
    SimScenario s = Rig::scenario("");
    s.faults.replugAfterMs = replug ? 50 : -1;
    if (afterFrames < 0)
        s.unplugAfterMs = 100;
    else
        s.faults.unplugAfterFrames = afterFrames;
    Rig rig(s);
    if (afterFrames < 0)
        rig.worker->setFirstWriteDelay(300);
    KeyboardSession session(rig.worker.get());
    QSignalSpy done(&session, &KeyboardSession::readBackFinished);
    const int rc = rig.worker->connectDevice();
    if (afterFrames == 1) {
        QCOMPARE(rc, int(KeyboardAction::NoKeyboard)); // gone before it answered the probe
        return;
    }
    QCOMPARE(rc, 0);
    QVERIFY(done.wait(20000));
    QVERIFY(!session.isComplete());
    QVERIFY(session.readBack().missing.contains(ReadPart::Connection));
    QVERIFY(rig.waitIdle());
    QVERIFY(!rig.worker->isDeviceOpen());
    QCOMPARE(rig.worker->mode(), int(KeyboardAction::Idle));
}

void TestDevice::destructionIsPrompt()
{
    Rig rig;
    QCOMPARE(rig.worker->connectDevice(), 0);
    KeyboardSession::startReadBack(rig.worker.get());
    QVERIFY(rig.kb.waitForFramesReceived(12, 5000));
    // From here on the keyboard never answers; the worker is mid-walk with
    // reads that wait out their time-out and retries.
    VirtualKeyboard::Faults f;
    f.dropAnswers = -1;
    rig.kb.setFaults(f);
    rig.worker->setAnswerTimeout(2000);
    for (int i = 0; i < 50; ++i)
        rig.worker->queryKeyboardName();
    const int before = rig.kb.framesReceived();
    rig.worker.reset();
    // It stopped in the middle of its current exchange: nothing queued was
    // worked through.
    QVERIFY(rig.kb.framesReceived() - before <= 1);
}

// The worker's table walked in full: every event in every state, for every
// walk or poll it may be about. What must hold whatever the row order.
void TestDevice::transitionTable()
{
    QSet<int> reached{int(WorkerState::Closed)};
    QList<WorkerState> frontier{WorkerState::Closed};
    while (!frontier.isEmpty()) {
        const WorkerState from = frontier.takeFirst();
        for (WorkerEvent event : AllWorkerEvents) {
            for (WorkerState asked : AllWorkerStates) {
                const std::optional<WorkerState> to = nextWorkerState(from, event, asked);
                const QByteArray where = QByteArray::number(int(from)) + " --" + QByteArray::number(int(event)) +
                                         "(" + QByteArray::number(int(asked)) + ")--> " +
                                         (to ? QByteArray::number(int(*to)) : QByteArray("refused"));
                if (from == WorkerState::Stopped)
                    QVERIFY2(!to || *to == WorkerState::Stopped, where); // the end is the end
                if (to && isSession(*to) && !isSession(from))
                    QVERIFY2(from == WorkerState::Closed && event == WorkerEvent::Opened, where);
                if (from == WorkerState::Held && to && *to != WorkerState::Held)
                    QVERIFY2(event == WorkerEvent::Release || event == WorkerEvent::Shutdown, where);
                if (to && (isWalk(*to) || isPoll(*to)) && *to != from)
                    QVERIFY2(*to == asked || event == WorkerEvent::ColoursFollow, where);
                // Whatever ends or loses a session leaves none open; the end
                // and a hold are always taken (but a hold once ended).
                if (event == WorkerEvent::Lost || event == WorkerEvent::Hold || event == WorkerEvent::Replace ||
                    event == WorkerEvent::Close || event == WorkerEvent::CloseUnstarted)
                    QVERIFY2(!to || !isSession(*to), where);
                if (event == WorkerEvent::Shutdown)
                    QVERIFY2(to == WorkerState::Stopped, where);
                if (event == WorkerEvent::Hold && from != WorkerState::Stopped && from != WorkerState::Held)
                    QVERIFY2(to == WorkerState::Held, where);
                if (event == WorkerEvent::Stop)
                    QVERIFY2(to && !isWalk(*to) && !isPoll(*to), where);
                // Only the worker's own walk or poll can finish.
                if (event == WorkerEvent::Finish)
                    QVERIFY2(!to || from == asked, where);
                if (to && !reached.contains(int(*to))) {
                    reached.insert(int(*to));
                    frontier << *to;
                }
            }
        }
    }
    for (WorkerState s : AllWorkerStates)
        QVERIFY2(reached.contains(int(s)), QByteArray::number(int(s)));
    QCOMPARE(workerQueueEffect(WorkerEvent::Shutdown), WorkerQueue::DropAll);
    QCOMPARE(workerQueueEffect(WorkerEvent::Stop), WorkerQueue::DropSwitches);
    for (WorkerEvent e : {WorkerEvent::Replace, WorkerEvent::Close, WorkerEvent::Lost, WorkerEvent::Hold})
        QCOMPARE(workerQueueEffect(e), WorkerQueue::DropSession);
}

void TestDevice::workerTransitions_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("event");
    const char *states[] = {"closed", "idle", "walking", "calibration", "key test"};
    const char *events[] = {"close", "device lost", "shutdown"};
    for (int s = 0; s < 5; ++s)
        for (int e = 0; e < 3; ++e)
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(states[s], events[e]))) << s << e;
}

// From each state, a close, a lost keyboard and the end all leave the
// worker closed, each ended signal said once and the loss only when a
// session was open.
void TestDevice::workerTransitions()
{
    enum { Closed, Idle, Walking, Calibrating, KeyTesting };
    enum { Close, Lost, Shutdown };
    QFETCH(int, from);
    QFETCH(int, event);
    constexpr int Bound = 20000;
    Rig rig;
    KeyboardAction &w = *rig.worker;
    QueuedSpy calibrationEnded(w.reports(), &KeyboardWorker::sigCalibrationEnded);
    QueuedSpy keyTestEnded(w.reports(), &KeyboardWorker::sigKeyTestEnded);
    QueuedSpy lost(w.reports(), &KeyboardWorker::sigDeviceLost);
    QueuedSpy readFailed(w.reports(), &KeyboardWorker::sigKB2ReadFailed);

    if (from != Closed) {
        QCOMPARE(w.connectDevice(), 0);
        QVERIFY(rig.waitIdle());
    }
    if (from == Walking) {
        // The walk's first read never gets its answer, so it stays walking.
        VirtualKeyboard::Faults f;
        f.onlyCommand = 0x23;
        f.dropAnswers = -1;
        rig.kb.setFaults(f);
        w.setAnswerTimeout(Bound);
        KeyboardSession::startReadBack(&w);
        QTRY_COMPARE_WITH_TIMEOUT(w.state(), WorkerState::InitialWalk, Bound);
    } else if (from == Calibrating) {
        QueuedSpy rounds(w.reports(), &KeyboardWorker::sigUpdateAdjustingData);
        w.startCalibration();
        QVERIFY(rounds.wait(Bound));
    } else if (from == KeyTesting) {
        QueuedSpy rounds(w.reports(), &KeyboardWorker::sigUpdateMMData);
        w.startKeyTest();
        QVERIFY(rounds.wait(Bound));
    }
    const WorkerState expected[] = {WorkerState::Closed, WorkerState::Idle, WorkerState::InitialWalk,
                                    WorkerState::Calibration, WorkerState::KeyTest};
    QCOMPARE(w.state(), expected[from]);

    // Without a connection the worker thread never started: nothing to wait for.
    if (event == Close) {
        w.closeDevice();
        QVERIFY(from == Closed || rig.waitIdle(Bound));
        QCOMPARE(w.state(), WorkerState::Closed);
    } else if (event == Lost) {
        rig.kb.unplug();
        if (from != Closed) {
            w.queryKeyboardName(); // an idle worker learns of it on its next exchange
            QVERIFY(lost.wait(Bound));
            QVERIFY(rig.waitIdle(Bound));
        }
        QCOMPARE(w.state(), WorkerState::Closed);
    } else {
        w.shutdown();
        QCOMPARE(w.state(), WorkerState::Stopped);
        QVERIFY(!w.isRunning());
    }
    calibrationEnded.flush();
    QVERIFY(!w.isDeviceOpen());
    QCOMPARE(w.mode(), int(KeyboardAction::Idle));
    QCOMPARE(calibrationEnded.size(), from == Calibrating ? 1 : 0);
    QCOMPARE(keyTestEnded.size(), from == KeyTesting ? 1 : 0);
    QCOMPARE(lost.size(), event == Lost && from != Closed ? 1 : 0);
    // A walk cut short by a lost keyboard says why; a deliberate end does not.
    QCOMPARE(readFailed.size(), event == Lost && from == Walking ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestDevice)
#include "test_device.moc"
