// The profile application plan: its steps, and what running them leaves on
// the virtual keyboard compared with what the keyboard views left there.

#include "BoardProfile.h"
#include "KeyboardConfig.h"
#include "Kb2Request.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"
#include "KeyTravelEdit.h"
#include "KeyboardSession.h"
#include "ProfileDocument.h"
#include "ProfilePlan.h"
#include "ProfileVerify.h"
#include "SimRig.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The full profile applied through the keyboard views and the profile
// manager before this plan existed, and the keyboard state they left.
QJsonObject capturedData()
{
    QFile f(QStringLiteral(CORVANE_APPLY_DATA "/full_profile_applied.json"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(f.fileName()));
    return QJsonDocument::fromJson(f.readAll()).object();
}

// "progress group op-count" per step.
QStringList shapeOf(const QList<ProfileStep> &plan)
{
    QStringList out;
    for (const ProfileStep &s : plan)
        out << QStringLiteral("%1 %2 %3").arg(s.progress).arg(s.group).arg(s.ops.size());
    return out;
}

MacroLoadResult stepsNamed(const QString &name)
{
    MacroLoadResult r;
    r.status = MacroLoadResult::Ok;
    MACRO_Key k;
    k.keyName = name;
    r.steps = {k};
    return r;
}

MacroLoadResult withStatus(MacroLoadResult::Status status)
{
    MacroLoadResult r;
    r.status = status;
    return r;
}

// A keyboard known to hold these bindings (key -> kind) and nothing else.
KeyboardConfig holding(const QMap<int, int> &bindings)
{
    KeyboardConfig c;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it)
        c.advanced.insert(it.key(), AdvancedBinding(*advancedRecordOfKind(it.value(), it.key())));
    return c;
}

// The device layer without a device: keeps what it would send.
class Recorder : public KB2ActionData::Outlet, public KB2ActionData
{
public:
    Recorder() : KB2ActionData(static_cast<KB2ActionData::Outlet &>(*this)) {}
    QList<QVariant> sent;

protected:
    void sendRecord(const QVariant &record) override { sent << record; }
    void emitLayoutDB() override {}
    void emitLayoutKey() override {}
    void emitLayoutDis() override {}
    void emitAdvancedKey(const QVariant &) override {}
};

int keyOf(const QVariant &record)
{
    AdvancedBinding b;
    int key = -1;
    return bindingFromRecord(record, &b, &key) ? key : -1;
}

ProfileOp bindingOp(const QVariant &record)
{
    ProfileOp o;
    o.kind = ProfileOp::Binding;
    o.binding = record;
    return o;
}

// The keyboard's whole configuration, read again as after connecting.
KeyboardConfig readConfig(SimRig &rig, bool *ok)
{
    KeyboardSession check(rig.worker.get());
    QSignalSpy done(&check, &KeyboardSession::readBackFinished);
    KB2Request info;
    info.type = Kb2Req::BoardInfo;
    rig.worker->queueRequest(info);
    *ok = done.wait(20000) && check.isComplete();
    return configFromReadBack(check.readBack());
}

// Where a configuration read back differs from the one sent, as the
// keyboard keeps it; empty when it holds all of it.
QString mismatch(const KeyboardConfig &want, const KeyboardConfig &got)
{
    if (!(want.lighting == got.lighting))
        return QStringLiteral("lighting");
    const PerformanceSettings &w = want.performance, &g = got.performance;
    if (w.globalTravelUm != g.globalTravelUm || w.pressDeadZoneUm != g.pressDeadZoneUm
        || w.releaseDeadZoneUm != g.releaseDeadZoneUm || w.superLightSpeed != g.superLightSpeed)
        return QStringLiteral("performance");
    for (auto it = want.keyColours.cbegin(); it != want.keyColours.cend(); ++it)
        if (got.keyColours.contains(it.key()) && got.keyColours.value(it.key()) != it.value())
            return QStringLiteral("colour of %1").arg(it.key());
    for (size_t l = 0; l < want.layers.size(); ++l)
        for (auto it = want.layers[l].cbegin(); it != want.layers[l].cend(); ++it)
            if (got.layers[l].value(it.key(), it.key()) != it.value())
                return QStringLiteral("layer %1 key %2: %3, %4").arg(l).arg(it.key()).arg(it.value()).arg(got.layers[l].value(it.key()));
    for (auto it = want.keyTravel.cbegin(); it != want.keyTravel.cend(); ++it) {
        const KeyTravelRecord r = got.keyTravel.value(it.key());
        const bool rapid = it->workMode == WorkRapid;
        if (r.workMode != it->workMode || r.keyTouchDis != it->keyTouchDis
            || (rapid && (r.quickTouchPressDis != it->quickTouchPressDis || r.quickTouchUpDis != it->quickTouchUpDis)))
            return QStringLiteral("travel of %1").arg(it.key());
    }
    QSet<int> keys;
    for (int k : want.advanced.keys() + got.advanced.keys())
        keys.insert(k);
    for (int k : keys)
        if (!sameOnKeyboard(want.advanced.value(k), got.advanced.value(k)))
            return QStringLiteral("binding of %1: %2, %3").arg(k).arg(want.bindKindOf(k)).arg(got.bindKindOf(k));
    return QString();
}

QStringList lines(const QList<ProfileDifference> &differences)
{
    QStringList out;
    for (const ProfileDifference &d : differences)
        out << differenceLine(d);
    return out;
}

} // namespace

class TestApply : public QObject {
    Q_OBJECT
private slots:
    void planOfAFullProfile();
    void missingGroupsAndBadMacros();
    void refusedOpsAreReported();
    void runningMatchesTheKeyboardViews();
    void differenceSendsOnlyWhatChanged();
    void differenceReachesTheKeyboard();
    void checkAgainstTheBoardCopy();
};

void TestApply::planOfAFullProfile()
{
    const ProfileData profile = readProfile(capturedData().value("profile").toObject());
    BoardKeys board;
    for (int key = 0; key <= 103; ++key)
        board.keys << key;
    // What the keyboard holds: two bindings; the rest is the profile's to set.
    const KeyboardConfig holds = holding({{52, Bind_SOCD}, {54, Bind_MT}});
    QStringList asked;
    const QList<ProfileStep> plan = planWholeProfile(profile, holds, board.keys, [&](const QString &name) {
        asked << name;
        return stepsNamed(name);
    });

    QCOMPARE(shapeOf(plan), (QStringList{"0 KeyboardRGB 1", "15 KeyPerformance 1", "30 KeyCustom 0", "45 KeyCustom 4",
                                         "60 KeyTouchDB 1", "80 AdvancedKey 0", "90 AdvancedKey 9", "100  0"}));
    QCOMPARE(QString::fromUtf8(plan.last().text), QStringLiteral("配置下发完成！"));
    QVERIFY(plan[0].ops[0].lighting == *profile.lighting);
    const PerformanceSettings perf = plan[1].ops[0].performance;
    QVERIFY(perf.globalTravelUm == 1800 && perf.pressDeadZoneUm == 40 && perf.releaseDeadZoneUm == 50
            && perf.superLightSpeed);

    // Layers: every board key as itself, then the profile's keys that the board has.
    for (int layer = 0; layer < 4; ++layer)
        QCOMPARE(plan[3].ops[layer].layerKeys.keys(), board.keys);
    QCOMPARE(plan[3].ops[0].layerKeys.value(51), 39);
    QCOMPARE(plan[3].ops[0].layerKeys.value(52), 52);
    QCOMPARE(plan[3].ops[3].layerKeys.value(36), 0);

    // Per-key travel with the key's current binding in the mode byte; SOCD
    // is the keyboard's type 8, not its BindKeyType + 1.
    QList<QList<int>> entries;
    for (const KeyParam &p : plan[4].ops[0].params)
        entries << QList<int>{p.keyType, p.param, p.value};
    QCOMPARE(entries, (QList<QList<int>>{{52, 8, 0x28}, {52, 4, 1500}, {52, 20, 400}, {52, 21, 600},
                                          {53, 8, 0x10}, {53, 4, 2200}, {54, 8, 0x03}, {54, 4, 1800},
                                          {55, 8, 0x10}, {55, 4, 3100}}));
    QCOMPARE(keyModeByte(Bind_RS, true, false), quint16(0x19));

    // Bindings in key order, key 160 not being on the board; the macro with
    // the steps of its file.
    QList<int> keys;
    for (const ProfileOp &o : plan[6].ops)
        keys << keyOf(o.binding);
    QCOMPARE(keys, (QList<int>{56, 57, 58, 59, 60, 61, 64, 66, 68}));
    const MACROInfo macro = plan[6].ops[1].binding.value<MACROInfo>();
    QCOMPARE(macro.macroName, QStringLiteral("m1"));
    QCOMPARE(macro.steps, stepsNamed("m1").steps);
    QCOMPARE(asked, (QStringList{"m1", "m2"}));
}

void TestApply::missingGroupsAndBadMacros()
{
    const BoardKeys board{{51, 56, 57, 58}};
    auto plan = [&](const QJsonObject &doc, const MacroLoader &loader = MacroLoader()) {
        return planWholeProfile(readProfile(doc), KeyboardConfig(), board.keys, loader);
    };
    // Without advanced keys the box still passes through "sending advanced
    // keys" before it says done; a group the profile does not have sends nothing.
    const QList<ProfileStep> bare = plan({{"ProfileName", "x"}});
    QCOMPARE(shapeOf(bare), (QStringList{"0  0", "15  0", "30  0", "45  0", "60  0", "80  0", "90  0", "100  0"}));
    QCOMPARE(QString::fromUtf8(bare[6].text), QStringLiteral("正在下发高级键数据，请稍等..."));
    QCOMPARE(shapeOf(plan({{"KeyCustom", QJsonObject()}})),
             (QStringList{"0  0", "15  0", "30 KeyCustom 0", "45 KeyCustom 4", "60  0", "80  0", "90  0", "100  0"}));

    // Without stored dead zones the plan sends 0 for both.
    const PerformanceSettings perf = plan({{"KeyPerformance", QJsonObject{{"global-key-touch", 1500}}}})[1].ops[0].performance;
    QVERIFY(perf.globalTravelUm == 1500 && perf.pressDeadZoneUm == 0 && perf.releaseDeadZoneUm == 0);

    // A macro that cannot be read ends the plan at its step, after the
    // bindings before it.
    const QJsonObject advanced{
        {"AdvancedKey", QJsonObject{{"56", QJsonObject{{"bindItem", "MT"}}},
                                    {"57", QJsonObject{{"bindItem", "MACRO"}, {"macroName", "m"}}},
                                    {"58", QJsonObject{{"bindItem", "END"}, {"switchType", 3}}}}}};
    for (const auto &c : {std::make_pair(MacroLoadResult::FileMissing, "open file failure!"),
                          std::make_pair(MacroLoadResult::BadHeader, "数据解析异常!")}) {
        const QList<ProfileStep> p = plan(advanced, [&](const QString &) { return withStatus(c.first); });
        QCOMPARE(shapeOf(p), (QStringList{"0  0", "15  0", "30  0", "45  0", "60  0", "80 AdvancedKey 0",
                                          "90 AdvancedKey 1"}));
        QCOMPARE(p.last().error, QString::fromUtf8(c.second));
        QCOMPARE(keyOf(p.last().ops[0].binding), 56);
    }
    QCOMPARE(plan(advanced).last().error, QStringLiteral("open file failure!")); // no loader at all
}

void TestApply::refusedOpsAreReported()
{
    // The store holds four macros: the fifth is refused, the op after it still goes out.
    Recorder device;
    ProfileStep step;
    for (int key = 51; key <= 56; ++key) {
        MACROInfo m;
        m.keyIndex = key;
        m.steps = stepsNamed("A").steps;
        step.ops << bindingOp(key < 56 ? QVariant::fromValue(m) : QVariant::fromValue(MTInfo{key, 1, 2, 200}));
    }
    QVERIFY(!runProfileStep(step, device));
    QCOMPARE(device.macroCount(), KB2ActionData::MaxMacros);
    QCOMPARE(device.sent.last().userType(), qMetaTypeId<STU_BoardFromMT>());

    // Out-of-range values are clamped, not wrapped.
    ProfileOp perf;
    perf.kind = ProfileOp::Performance;
    perf.performance.globalTravelUm = 70000;
    step.ops = {perf};
    QVERIFY(runProfileStep(step, device));
    QCOMPARE(device.boardDB().gdBi, quint16(0xFFFF));
}

void TestApply::runningMatchesTheKeyboardViews()
{
    const QJsonObject data = capturedData();
    QTemporaryDir dir;
    const QJsonObject macros = data.value("macros").toObject();
    QDir().mkpath(dir.path() + "/Macro");
    for (auto it = macros.begin(); it != macros.end(); ++it) {
        QFile f(dir.path() + "/Macro/" + it.key() + ".csv");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(it.value().toString().toUtf8());
    }

    SimRig rig;
    for (const QJsonValue &v : data.value("boardBefore").toArray()) {
        const int cell = rig.cellOf(v["key"].toInt());
        rig.kb.setParam(v["param"].toInt(), cell / 21, cell % 21, quint16(v["value"].toInt()));
    }
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());

    // The board's own profile before: the binding set up above, nothing lost in writing it.
    const ProfileData before = boardProfile(session.readBack());
    QCOMPARE(before.advanced->value(54).kind(), int(Bind_MT));
    QCOMPARE(before.advanced->value(54).as<MTInfo>()->delay, 200);
    QCOMPARE(readProfile(boardProfileDocument(session.readBack())), before);

    const BoardKeys board = boardKeysOf(*rig.worker);
    QVERIFY(!board.keys.contains(160));
    const ProfileData profile = readProfile(data.value("profile").toObject());
    const QString folder = dir.path() + "/Macro";
    for (const ProfileStep &step : planWholeProfile(profile, configFromReadBack(session.readBack()), board.keys,
                                                    [&](const QString &name) { return loadMacroFile(folder, name); })) {
        QVERIFY(step.error.isEmpty());
        QVERIFY(runProfileStep(step, *rig.worker));
    }
    QVERIFY(rig.waitIdle());

    const VirtualKeyboard::State state = rig.kb.state();
    QStringList differences;
    const QJsonArray params = data.value("params").toArray();
    for (int p = 0; p < VirtualKeyboard::ParamCount; ++p)
        for (int cell = 0; cell < VirtualKeyboard::Cells; ++cell) {
            const int expected = params[p].toArray()[cell].toInt();
            if (state.params[size_t(p)][size_t(cell)] != expected)
                differences << QStringLiteral("param %1 cell %2: %3, was %4")
                                   .arg(p).arg(cell).arg(state.params[size_t(p)][size_t(cell)]).arg(expected);
        }
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join('\n')));
    QJsonObject steps;
    for (const auto &s : state.macroSteps)
        steps.insert(QString::number(s.first), QString::number(s.second, 16));
    QCOMPARE(steps, data.value("macroSteps").toObject());
    QJsonArray colours;
    for (const auto &c : state.keyColours)
        colours.append(QJsonArray{c.red, c.green, c.blue});
    QCOMPARE(colours, data.value("keyColours").toArray());

    // Lighting and performance had no receiver in the views: the profile's
    // values, lighting on, reversed and in low-latency mode.
    const VirtualKeyboard::Lighting &l = state.lighting;
    const VirtualKeyboard::DeadBand &d = state.deadBand;
    QCOMPARE((QList<int>{l.bitmap & 0x13, l.rgbMode, l.grayscale, l.rgbSpeed, l.rgbSleep, d.gdBi, d.dtDB, d.dtRdB}),
             (QList<int>{0x13, 6, 2, 1, 3, 1800, 40, 50}));
}

// Between two configurations only what differs goes out, in the profile's
// order; what the keyboard cannot tell apart is no difference.
void TestApply::differenceSendsOnlyWhatChanged()
{
    KeyboardConfig from;
    from.layers[0] = {{51, 51}, {52, 52}};
    from.keyTravel.insert(51, KeyTravelRecord{0, WorkGlobal, 1500, 300, 300, 0});
    from.advanced.insert(58, DKSInfo{58, {1.2}, {34, 35, -1, -1}, {"1010000", "0101000", "0000000", "0000000"}});
    MTInfo mt;
    mt.keyIndex = 54;
    from.advanced.insert(54, mt);

    // Equal, and equal as kept: a profile's shorter DKS record is the same binding.
    KeyboardConfig to = from;
    to.advanced[58] = DKSInfo{58, {1.2, 2.5}, {34, 35}, {"1010", "0101"}};
    QVERIFY(!planSends(planChange(from, to, {})));
    // A delay the keyboard keeps rounded to its unit is no difference to the
    // check after applying either; one a unit away is.
    KeyboardConfig kept = from;
    auto bindingDifferences = [&] {
        int n = 0;
        for (const ProfileDifference &d : configDifferences(to, kept, {54, 58}))
            n += d.group == ProfileKeys::AdvancedKey ? 1 : 0;
        return n;
    };
    auto delayOf = [](KeyboardConfig &c) -> int & { return std::get<MTInfo>(*c.advanced[54].value).delay; };
    delayOf(to) = 205;
    delayOf(kept) = 210; // as read back
    QCOMPARE(bindingDifferences(), 0);
    delayOf(kept) = 220;
    QCOMPARE(bindingDifferences(), 1);
    to.advanced[54] = from.advanced[54];

    // One key's travel, one remapped key, the MT binding gone, a SOCD pair
    // and a macro whose file is missing.
    to.keyTravel[51].keyTouchDis = 1200;
    to.layers[0][52] = 35;
    to.advanced.remove(54);
    to.advanced.insert(51, SOCDInfo{51, 52});
    to.advanced.insert(52, SOCDInfo{52, 51});
    QList<ProfileStep> plan = planChange(from, to, {});
    QStringList shape = shapeOf(plan);
    QCOMPARE(shape, (QStringList{"0  0", "15  0", "30 KeyCustom 0", "45 KeyCustom 1", "60 KeyTouchDB 1",
                                 "80 AdvancedKey 1", "90 AdvancedKey 1", "100  0"}));
    QCOMPARE(plan[3].ops[0].layerKeys, (QMap<int, int>{{52, 35}}));
    QCOMPARE(plan[4].ops[0].params.size(), 2); // mode byte and travel of 51 only
    QCOMPARE(plan[5].ops[0].kind, ProfileOp::Unbind);
    QCOMPARE(plan[5].ops[0].unbindKey, 54);
    QCOMPARE(keyOf(plan[6].ops[0].binding), 51); // the pair goes out once

    to.advanced.insert(60, MACROInfo{60, "gone", {}});
    plan = planChange(from, to, [](const QString &) { return withStatus(MacroLoadResult::FileMissing); });
    QCOMPARE(plan.last().progress, 90);
    QVERIFY(!plan.last().error.isEmpty());

    // The way back is the mirror image.
    to.advanced.remove(60);
    plan = planChange(to, from, {});
    QCOMPARE(plan[5].ops.size(), 2); // both halves of the pair
    QCOMPARE(keyOf(plan[6].ops[0].binding), 54);
}

// Random pairs of configurations: the frames of the difference take a
// keyboard holding the first to the second, as reading it back shows.
void TestApply::differenceReachesTheKeyboard()
{
    SimRig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    KeyboardConfig a = configFromReadBack(session.readBack());
    // Keys a binding or a layer can name: those with a wire code.
    QList<int> keys;
    for (int k : a.layers[0].keys())
        if (keyTypeHasCode(k) && keyTypeCode(k) && kb2_model_to_wire(keyTypeCode(k)) != WireKeyTable::NoKey)
            keys << k;
    QVERIFY(keys.size() > 60);
    QRandomGenerator random(20261207); // the same pairs on every run
    auto pick = [&] { return keys.at(int(random.bounded(keys.size()))); };
    auto um = [&](int low, int high) { return 10 * int(random.bounded(low / 10, high / 10 + 1)); };
    int changed = 0;
    for (int round = 0; round < 12; ++round) {
        KeyboardConfig b = a;
        if (random.bounded(2)) {
            b.lighting.mode = int(random.bounded(15));
            b.lighting.brightness = int(random.bounded(5));
            b.lighting.speed = int(random.bounded(5));
            b.lighting.direction = random.bounded(2);
            b.lighting.sleep = int(random.bounded(1, 60));
        }
        if (random.bounded(2)) {
            b.performance.globalTravelUm = um(100, 4000);
            b.performance.pressDeadZoneUm = um(0, 400);
            b.performance.releaseDeadZoneUm = um(0, 400);
        }
        b.performance.superLightSpeed = random.bounded(4) == 0;
        for (int i = int(random.bounded(4)); i > 0; --i)
            b.keyColours.insert(pick(), QColor(int(random.bounded(256)), int(random.bounded(256)), int(random.bounded(256))));
        for (int i = int(random.bounded(6)); i > 0; --i)
            b.layers[size_t(random.bounded(4))].insert(pick(), pick());
        for (int i = int(random.bounded(6)); i > 0; --i) {
            KeyTravelRecord r;
            r.workMode = int(random.bounded(3));
            r.keyTouchDis = quint16(um(100, 4000));
            r.quickTouchPressDis = quint16(um(10, 1000));
            r.quickTouchUpDis = quint16(um(10, 1000));
            b.keyTravel.insert(pick(), r);
        }
        for (int i = int(random.bounded(4)); i > 0; --i) {
            const int key = pick();
            AdvancedBinding binding;
            switch (random.bounded(4)) {
            case 0:
                b.advanced.remove(key);
                continue;
            case 1:
                binding = MTInfo{key, pick(), pick(), 10 * int(random.bounded(1, 100))};
                break;
            case 2:
                binding = TGLInfo{key, pick(), 10 * int(random.bounded(1, 100))};
                break;
            default:
                binding = ENDInfo{key, pick()};
                break;
            }
            b.advanced.insert(key, binding);
        }
        const QList<ProfileStep> plan = planChange(a, b, {});
        changed += !mismatch(b, a).isEmpty();
        for (const ProfileStep &step : plan)
            QVERIFY(runProfileStep(step, *rig.worker));
        QVERIFY(rig.waitIdle());
        bool ok = false;
        const KeyboardConfig got = readConfig(rig, &ok);
        QVERIFY(ok);
        const QString why = mismatch(b, got);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(why)));
        a = got;
    }

    QVERIFY(changed >= 10); // the pairs differ
    // What was read back is what the keyboard holds: nothing more to send.
    QVERIFY(!planSends(planChange(a, a, {})));
}

// The check after applying compares with the board-side copy: per-key
// colours and SOCD / RS pairs are kept there as the keyboard answered them,
// so what it did not keep shows, and what it kept does not.
void TestApply::checkAgainstTheBoardCopy()
{
    SimRig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle(20000));
    const QList<int> boardKeys = boardKeysOf(*rig.worker).keys;
    auto held = [&rig] { return configFromReadBack(mirrorReadBack(rig.worker->board())); };
    auto run = [&rig](const KeyboardConfig &from, const KeyboardConfig &to) {
        for (const ProfileStep &step : planChange(from, to, {}))
            if (!runProfileStep(step, *rig.worker))
                return false;
        return rig.waitIdle(20000);
    };
    auto type = [](quint8 wire) { return keyTypeFromCode(kb2_wire_to_model(wire)); };
    const int a = type(0x04), e = type(0x08), r = type(0x15), t = type(0x17), y = type(0x1C);
    const int c = type(0x06), v = type(0x19);

    // Right after connecting, the copy holds the colours the walk read.
    const KeyboardConfig start = configFromReadBack(session.readBack());
    QVERIFY(start.keyColours.contains(a));
    QCOMPARE(held().keyColours, start.keyColours);
    QCOMPARE(lines(configDifferences(start, held(), boardKeys)), QStringList());

    // Kept: a colour, a SOCD pair and an RS pair, both halves of each
    // as the keyboard answered them.
    KeyboardConfig want = start;
    want.keyColours[a] = QColor(0x12, 0x34, 0x56);
    want.advanced[e] = SOCDInfo{e, r};
    want.advanced[t] = RSInfo{t, y};
    QVERIFY(run(start, want));
    QCOMPARE(lines(configDifferences(want, held(), boardKeys)), QStringList());
    QCOMPARE(held().advanced.value(r), AdvancedBinding(SOCDInfo{r, e}));
    QCOMPARE(held().advanced.value(y), AdvancedBinding(RSInfo{y, t}));
    // A key the configuration has no colour for is not compared.
    KeyboardConfig other = held();
    other.keyColours[a] = Qt::red;
    QCOMPARE(lines(configDifferences(want, other, boardKeys)).size(), 1);
    KeyboardConfig noColour = want;
    noColour.keyColours.remove(a);
    QCOMPARE(lines(configDifferences(noColour, other, boardKeys)), QStringList());

    // The keyboard takes the colour write but keeps its colour.
    VirtualKeyboard::Faults f;
    f.onlyCommand = 0x2A;
    f.ignoreWrites = 1;
    rig.kb.setFaults(f);
    KeyboardConfig ignored = want;
    ignored.keyColours[a] = QColor(0xAB, 0xCD, 0xEF);
    QVERIFY(run(want, ignored));
    const QString label = QStringLiteral("key %1 (%2) colour").arg(a).arg(keyTypeName(a));
    QCOMPARE(lines(configDifferences(ignored, held(), boardKeys)),
             QStringList{QStringLiteral("KeyboardRGB %1: profile #abcdef, keyboard #123456").arg(label)});

    // ... and a SOCD pair: both halves are reported, and no other key.
    f.onlyCommand = 0x2C;
    rig.kb.setFaults(f);
    KeyboardConfig pair = want;
    pair.advanced[c] = SOCDInfo{c, v};
    QVERIFY(run(want, pair));
    QStringList keys;
    for (const ProfileDifference &d : configDifferences(pair, held(), boardKeys)) {
        QCOMPARE(d.group, QString("AdvancedKey"));
        keys << d.key.section(' ', 1, 1);
    }
    QCOMPARE(keys, (QStringList{QString::number(qMin(c, v)), QString::number(qMax(c, v))}));
}

QTEST_GUILESS_MAIN(TestApply)
#include "test_apply.moc"
