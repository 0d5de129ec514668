// The frames the host writes for the read-back, each kind of page action and
// a profile application, compared with logs recorded from a known-good
// build. Any change of order, content or count on the wire shows up here.
//
// CORVANE_RECORD_WIRE=1 rewrites the logs in the source tree instead of
// comparing; do that only when a change of the wire is intended.

#include "KeyTravelEdit.h"
#include "KeyboardSession.h"
#include "MacroFile.h"
#include "ProfileDocument.h"
#include "ProfilePlan.h"
#include "QueuedSpy.h"
#include "SimRig.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeH = 56, TypeJ = 57, TypeQ = 34, TypeW = 35, TypeY = 39,
              TypeZ = 64, TypeX = 65;
// The live polls' table query: its rounds repeat as often as time allows.
constexpr uint8_t TableQueryCommand = 0x12;
// The board-information query carries a nonce drawn per session.
constexpr uint8_t BoardInfoCommand = 0x01;
constexpr int NonceOffset = 4, NonceSize = 4;

bool recording() { return qEnvironmentVariableIntValue("CORVANE_RECORD_WIRE") == 1; }

// Host-to-keyboard frames on every interface, one hex line each, prefixed
// with the interface. Between two other frames, a poll's table queries are
// kept once each, in the order they first went out.
QStringList hostFrames(const VirtualKeyboard &kb)
{
    QStringList out;
    QSet<QByteArray> polls;
    for (const auto &f : kb.frameLog()) {
        if (f.direction != VirtualKeyboard::Direction::ToKeyboard)
            continue;
        QByteArray bytes(reinterpret_cast<const char *>(f.bytes.data()), int(f.bytes.size()));
        if (bytes.size() >= NonceOffset + NonceSize && uint8_t(bytes.at(2)) == BoardInfoCommand && bytes.at(1) > 2)
            bytes.replace(NonceOffset, NonceSize, QByteArray(NonceSize, char(0)));
        if (bytes.size() > 2 && uint8_t(bytes.at(2)) == TableQueryCommand) {
            if (polls.contains(bytes))
                continue;
            polls.insert(bytes);
        } else {
            polls.clear(); // a new poll may follow
        }
        out << QStringLiteral("%1 %2").arg(f.interfaceNumber).arg(QString::fromLatin1(bytes.toHex()));
    }
    return out;
}

// Compares with (or records) tests/device/wire/<name>.txt.
void checkLog(const QString &name, const QStringList &frames)
{
    const QString path = QStringLiteral(CORVANE_WIRE_DATA "/%1.txt").arg(name);
    if (recording()) {
        QDir().mkpath(QStringLiteral(CORVANE_WIRE_DATA));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(frames.join('\n').toLatin1() + '\n');
        return;
    }
    QFile in(path);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(path));
    const QStringList expected = QString::fromLatin1(in.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!frames.isEmpty());
    for (int i = 0; i < qMin(frames.size(), expected.size()); ++i)
        QVERIFY2(frames[i] == expected[i], qPrintable(QStringLiteral("%1: frame %2 is\n%3\nnot\n%4")
                                                          .arg(name).arg(i).arg(frames[i], expected[i])));
    QCOMPARE(frames.size(), expected.size());
}

// A rig with a distinctive keyboard, read back; its frame log cleared.
struct WireRig : SimRig {
    WireRig()
    {
        kb.fillDistinctive();
        session = std::make_unique<KeyboardSession>(worker.get());
        session->setQuerySystemMode(true);
    }
    bool start()
    {
        if (!readBack(*session) || !waitIdle())
            return false;
        readBackFrames = hostFrames(kb);
        kb.clearFrameLog();
        return true;
    }
    std::unique_ptr<KeyboardSession> session;
    QStringList readBackFrames;
};

MACROInfo macroOn(int key, int steps)
{
    MACROInfo m;
    m.keyIndex = key;
    m.macroName = QStringLiteral("M%1").arg(key);
    for (int i = 0; i < steps; ++i)
        m.steps.append(MACRO_Key{i % 2 == 0, keyTypeName(TypeA + (i / 2) % 5), 10 * i});
    return m;
}

} // namespace

class TestWireLog : public QObject {
    Q_OBJECT
private slots:
    void readBack();
    void travelAndDeadZones();
    void lighting();
    void layers();
    void advancedKeys();
    void systemAndStore();
    void livePolls();
    void profileApplication();
};

void TestWireLog::readBack()
{
    WireRig rig;
    QVERIFY(rig.start());
    checkLog("readback", rig.readBackFrames);
}

void TestWireLog::travelAndDeadZones()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    w.setGlobalTravel(1750);
    w.setPressDeadZone(120);
    w.setReleaseDeadZone(130);
    w.setPerformanceValues(1800, 40, 50, true);
    w.setLowLatency(false);

    // The per-key edits of the travel page: own travel, rapid trigger on
    // and off, and a reset, as the page builds them.
    QList<KeyParam> entries;
    KeyTravelState key;
    key.firstType = TypeA;
    key.travel = 2.35;
    key.ownTravel = true;
    key.press = 0.2;
    key.release = 0.3;
    travelChangeEntries(key, &entries);
    key.rapid = true;
    rapidOnEntries(key, &entries);
    key.firstType = TypeS;
    key.bindKind = Bind_MT;
    rapidOffEntries(key, &entries);
    key.firstType = TypeD;
    resetEntries(key, &entries);
    key.firstType = TypeH;
    fullStateEntries(key, &entries);
    w.sendSingleKeyData(entries);
    QVERIFY(rig.waitIdle());
    checkLog("travel", hostFrames(rig.kb));
}

void TestWireLog::lighting()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    w.setLightingMode(0);
    w.setLightingMode(5);
    w.setLightingDirection(true);
    w.setBrightness(3);
    w.setSpeed(2);
    w.setSleep(7);
    w.setLightingValues(4, 2, 1, false, 9);
    w.setKeyColour(TypeH, 10, 20, 30);
    QMap<int, QColor> colours;
    for (int k = TypeQ; k < TypeQ + 20; ++k)
        colours.insert(k, QColor(k, 255 - k, k * 2 % 256));
    w.setKeyColours(colours);
    QVERIFY(rig.waitIdle());
    checkLog("lighting", hostFrames(rig.kb));
}

void TestWireLog::layers()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    w.setLayerKey(1, TypeA, TypeY);
    w.setLayerKey(3, TypeS, 137);
    QMap<int, int> keys;
    for (int k = TypeQ; k < TypeQ + 17; ++k)
        keys.insert(k, k + 1);
    w.setLayer(2, keys);
    QVERIFY(rig.waitIdle());
    checkLog("layers", hostFrames(rig.kb));
}

void TestWireLog::advancedKeys()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    DKSInfo dks;
    dks.keyIndex = TypeD;
    dks.touchDis = {1.2345, 2.5};
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
    mt.delay = 201;
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
    QVERIFY(w.writeAdvancedBinding(macroOn(TypeX, 30)));
    QVERIFY(w.writeAdvancedBinding(macroOn(TypeX, 3)));
    QVERIFY(rig.waitIdle());

    w.removeAdvancedBinding(TypeD, Bind_DKS);
    w.removeAdvancedBinding(TypeH, Bind_MPT);
    w.removeAdvancedBinding(TypeA, Bind_MT);
    w.removeAdvancedBinding(TypeS, Bind_TGL);
    w.removeAdvancedBinding(TypeJ, Bind_END);
    w.removeAdvancedBinding(TypeZ, Bind_SOCD);
    w.removeAdvancedBinding(TypeQ, Bind_RS);
    w.removeAdvancedBinding(TypeX, Bind_MACRO);
    w.removeAdvancedBinding(TypeY, Bind_MACRO);
    QVERIFY(rig.waitIdle());
    checkLog("advanced", hostFrames(rig.kb));
}

void TestWireLog::systemAndStore()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    QueuedSpy keys(rig.worker.get(), &KeyboardAction::sigKB2LayoutKey);
    w.switchToMac();
    w.queryMacMode();
    w.switchToWin();
    w.queryWinMode();
    w.startLayoutRead();
    QVERIFY(keys.wait());
    w.queryKeyboardName();
    w.queryPrecision();
    w.setPollingRate(3);
    w.setPollingRate(7);
    w.queryKeyMatrix(0, 1);
    w.saveToKeyboard();
    w.restoreFactory();
    QVERIFY(rig.waitIdle());
    checkLog("system", hostFrames(rig.kb));
}

void TestWireLog::livePolls()
{
    WireRig rig;
    QVERIFY(rig.start());
    KeyboardAction &w = *rig.worker;
    QueuedSpy calibration(rig.worker->reports(), &KeyboardWorker::sigUpdateAdjustingData);
    QueuedSpy calibrationEnded(rig.worker->reports(), &KeyboardWorker::sigCalibrationEnded);
    w.startCalibration();
    QVERIFY(calibration.wait());
    w.stopCalibration();
    QVERIFY(calibrationEnded.waitForCount(1));
    QVERIFY(rig.waitIdle());

    QueuedSpy keyTest(rig.worker->reports(), &KeyboardWorker::sigUpdateMMData);
    QueuedSpy keyTestEnded(rig.worker->reports(), &KeyboardWorker::sigKeyTestEnded);
    w.startKeyTest();
    QVERIFY(keyTest.wait());
    w.stopKeyTest();
    QVERIFY(keyTestEnded.waitForCount(1));
    QVERIFY(rig.waitIdle());
    checkLog("polls", hostFrames(rig.kb));
}

void TestWireLog::profileApplication()
{
    QFile f(QStringLiteral(CORVANE_APPLY_DATA "/full_profile_applied.json"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject data = QJsonDocument::fromJson(f.readAll()).object();
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Macro";
    QDir().mkpath(folder);
    const QJsonObject macros = data.value("macros").toObject();
    for (auto it = macros.begin(); it != macros.end(); ++it) {
        QFile m(folder + "/" + it.key() + ".csv");
        QVERIFY(m.open(QIODevice::WriteOnly));
        m.write(it.value().toString().toUtf8());
    }

    WireRig rig;
    for (const QJsonValue &v : data.value("boardBefore").toArray()) {
        const int cell = rig.cellOf(v["key"].toInt());
        rig.kb.setParam(v["param"].toInt(), cell / 21, cell % 21, quint16(v["value"].toInt()));
    }
    QVERIFY(rig.start());
    const ProfileData profile = readProfile(data.value("profile").toObject());
    for (const ProfileStep &step : planWholeProfileOn(rig.worker->board(), profile, [&](const QString &name) {
             return loadMacroFile(folder, name);
         }))
        QVERIFY(runProfileStep(step, *rig.worker));
    QVERIFY(rig.waitIdle());
    checkLog("profile", hostFrames(rig.kb));
}

QTEST_GUILESS_MAIN(TestWireLog)
#include "test_wire_log.moc"
