#include "ProfilePlan.h"

#include "BoardProfile.h"
#include "KB2ActionData.h"
#include "KeyboardConfig.h"
#include "KeyboardFeatures.h"
#include "KeyTravelEdit.h"
#include "KeyboardSession.h"
#include "ProfileDocument.h"

#include <QSet>
#include <QtGlobal>

namespace {

const char *const TextStart = QT_TRANSLATE_NOOP("ProfilePlan", "开始下发配置，请稍等...");
const char *const TextPerformance = QT_TRANSLATE_NOOP("ProfilePlan", "正在下发RGB和性能参数，请稍等...");
const char *const TextLayers = QT_TRANSLATE_NOOP("ProfilePlan", "正在下发按键模式数据，请稍等...");
const char *const TextKeyTravel = QT_TRANSLATE_NOOP("ProfilePlan", "正在下发自定义按键数据，请稍等...");
const char *const TextAdvancedParams = QT_TRANSLATE_NOOP("ProfilePlan", "正在下发高级键参数，请稍等...");
const char *const TextAdvanced = QT_TRANSLATE_NOOP("ProfilePlan", "正在下发高级键数据，请稍等...");
const char *const TextDone = QT_TRANSLATE_NOOP("ProfilePlan", "配置下发完成！");
const char *const ErrorOpen = QT_TRANSLATE_NOOP("ProfilePlan", "open file failure!");
const char *const ErrorParse = QT_TRANSLATE_NOOP("ProfilePlan", "数据解析异常!");

ProfileStep step(const QString &group, int progress, const char *text)
{
    ProfileStep s;
    s.group = group;
    s.progress = progress;
    s.text = text;
    return s;
}

ProfileOp op(ProfileOp::Kind kind)
{
    ProfileOp o;
    o.kind = kind;
    return o;
}

// The key's whole travel state as the record gives it.
KeyTravelState travelStateOf(int key, const KeyTravelRecord &rec, int bindKind)
{
    KeyTravelState s;
    s.firstType = key;
    s.bindKind = bindKind;
    s.travel = rec.keyTouchDis / 1000.0;
    s.ownTravel = rec.workMode == WorkOwnTravel;
    s.rapid = rec.workMode == WorkRapid;
    s.press = rec.quickTouchPressDis / 1000.0;
    s.release = rec.quickTouchUpDis / 1000.0;
    return s;
}

// The op that writes a key's binding; a MACRO binding takes its steps from
// loadMacro. False, with the message in *error, when they cannot be loaded.
bool bindingOp(int key, const AdvancedBinding &b, const MacroLoader &loadMacro, ProfileOp *o, QString *error)
{
    *o = op(ProfileOp::Binding);
    const MACROInfo *named = b.as<MACROInfo>();
    if (!named) {
        o->binding = b.record(key);
        return true;
    }
    const MacroLoadResult macro = loadMacro ? loadMacro(named->macroName) : MacroLoadResult();
    if (macro.status != MacroLoadResult::Ok) {
        *error = QString::fromUtf8(macro.status == MacroLoadResult::BadHeader ? ErrorParse : ErrorOpen);
        return false;
    }
    MACROInfo info;
    info.keyIndex = key;
    info.macroName = named->macroName;
    info.steps = macro.steps;
    o->binding = QVariant::fromValue(info);
    return true;
}

quint16 u16(int value)
{
    return quint16(qBound(0, value, 0xFFFF));
}

quint8 u8(int value)
{
    return quint8(qBound(0, value, 0xFF));
}

} // namespace

BoardKeys boardKeysOf(const BoardControl &board)
{
    BoardKeys b;
    b.keys = board.layoutKeyMap().value(0).keys();
    return b;
}

UnknownParts partsOfProfile(const ProfileData &profile, const QList<int> &boardKeys)
{
    const QSet<int> onBoard(boardKeys.cbegin(), boardKeys.cend());
    UnknownParts u;
    u.lighting = profile.lighting.has_value();
    u.performance = profile.performance.has_value();
    u.layers = profile.layers.has_value();
    if (profile.keyTravel)
        for (auto it = profile.keyTravel->cbegin(); it != profile.keyTravel->cend(); ++it)
            if (onBoard.contains(it.key()))
                u.keyTravel.insert(it.key());
    if (profile.advanced)
        for (auto it = profile.advanced->cbegin(); it != profile.advanced->cend(); ++it)
            if (onBoard.contains(it.key()) && it->kind() != Bind_None)
                u.advanced.insert(it.key());
    return u;
}

namespace {

// The entries that take one key's travel state from `from` to `to`, as the
// performance page's own edits write them: with rapid trigger off, the mode
// byte and the travel; turning it on, the mode byte and both
// sensitivities; while it stays on, only what changed.
void keyTravelChange(int key, const KeyTravelRecord &from, const KeyTravelRecord &to, int bindKind,
                     QList<KeyParam> *params)
{
    const KeyTravelState s = travelStateOf(key, to, bindKind);
    auto add = [&](quint8 param, quint16 value) {
        KeyParam e;
        e.keyType = key;
        e.param = param;
        e.value = value;
        params->append(e);
    };
    using namespace KeyTravelParam;
    const bool wasRapid = from.workMode == WorkRapid;
    // Parameter 8 of a macro key carries the macro: its mode is not sent.
    const bool modeIsMacro = bindKind == Bind_MACRO;
    if (!s.rapid) {
        if (!modeIsMacro)
            add(Mode, keyModeByte(bindKind, s.ownTravel, false));
        add(Travel, to.keyTouchDis);
        return;
    }
    if (!wasRapid && !modeIsMacro)
        add(Mode, keyModeByte(bindKind, false, true));
    if (from.keyTouchDis != to.keyTouchDis)
        add(Travel, to.keyTouchDis);
    if (!wasRapid || from.quickTouchPressDis != to.quickTouchPressDis)
        add(Press, to.quickTouchPressDis);
    if (!wasRapid || from.quickTouchUpDis != to.quickTouchUpDis)
        add(Release, to.quickTouchUpDis);
}

// Whether a key holding `from` needs nothing sent to hold `to`: the
// sensitivities of a key without rapid trigger are never sent.
bool sameSentTravel(const KeyTravelRecord &from, const KeyTravelRecord &to)
{
    return from.workMode == to.workMode && from.keyTouchDis == to.keyTouchDis
        && (to.workMode != WorkRapid
            || (from.quickTouchPressDis == to.quickTouchPressDis && from.quickTouchUpDis == to.quickTouchUpDis));
}

// The partner a pair binding names, -1 for other kinds.
int partnerOf(const AdvancedBinding &b)
{
    if (const SOCDInfo *socd = b.as<SOCDInfo>())
        return socd->switchType;
    if (const RSInfo *rs = b.as<RSInfo>())
        return rs->switchType;
    return -1;
}

} // namespace

QList<ProfileStep> planChange(const KeyboardConfig &from, const KeyboardConfig &to, const MacroLoader &loadMacro,
                              const UnknownParts &unknown)
{
    QList<ProfileStep> plan;

    const bool lightingDiffers = unknown.lighting || !(from.lighting == to.lighting);
    ProfileStep start = step(lightingDiffers ? ProfileKeys::KeyboardRGB : QString(), 0, TextStart);
    // The mode first: the keyboard changes its layers with it.
    const bool modeChanges = to.systemMode >= 0 && from.systemMode != to.systemMode;
    if (modeChanges) {
        ProfileOp o = op(ProfileOp::SystemMode);
        o.value = to.systemMode;
        start.ops << o;
    }
    if (to.pollingRate >= 0 && from.pollingRate != to.pollingRate) {
        ProfileOp o = op(ProfileOp::PollingRate);
        o.value = to.pollingRate;
        start.ops << o;
    }
    if (lightingDiffers) {
        ProfileOp o = op(ProfileOp::Lighting);
        o.lighting = to.lighting;
        start.ops << o;
    }
    QMap<int, QColor> colours;
    for (auto it = to.keyColours.cbegin(); it != to.keyColours.cend(); ++it)
        if (from.keyColours.value(it.key()) != it.value())
            colours.insert(it.key(), it.value());
    if (!colours.isEmpty()) {
        ProfileOp o = op(ProfileOp::Colours);
        o.colours = colours;
        start.ops << o;
    }
    plan << start;

    const PerformanceSettings &fp = from.performance, &tp = to.performance;
    const bool bandsDiffer = fp.globalTravelUm != tp.globalTravelUm || fp.pressDeadZoneUm != tp.pressDeadZoneUm
        || fp.releaseDeadZoneUm != tp.releaseDeadZoneUm;
    const bool latencyDiffers = fp.superLightSpeed != tp.superLightSpeed;
    ProfileStep performance = step(bandsDiffer || latencyDiffers || unknown.performance ? ProfileKeys::KeyPerformance
                                                                                        : QString(),
                                   15, TextPerformance);
    if (unknown.performance) {
        // The dead zones, then the low-latency bit, which travels in the
        // lighting record: without the second the keyboard would get it with
        // some later lighting change, if ever.
        ProfileOp o = op(ProfileOp::Performance);
        o.performance = tp;
        performance.ops << o;
    } else if (bandsDiffer) {
        ProfileOp o = op(ProfileOp::DeadBands);
        o.performance = tp;
        performance.ops << o;
    }
    if (latencyDiffers && !unknown.performance) {
        ProfileOp o = op(ProfileOp::LowLatency);
        o.performance = tp;
        performance.ops << o;
    }
    plan << performance;

    ProfileStep layers = step(QString(), 45, TextLayers);
    // After a mode switch the keyboard holds the layers of that mode: they
    // are read from it, not sent.
    for (int layer = 0; layer < 4 && !modeChanges; ++layer) {
        const QMap<int, int> &f = from.layers[size_t(layer)], &t = to.layers[size_t(layer)];
        ProfileOp o = op(ProfileOp::Layer);
        o.layer = layer;
        for (auto it = t.cbegin(); it != t.cend(); ++it)
            if (unknown.layers || f.value(it.key(), it.key()) != it.value())
                o.layerKeys.insert(it.key(), it.value());
        if (!o.layerKeys.isEmpty())
            layers.ops << o;
    }
    if (!layers.ops.isEmpty())
        layers.group = ProfileKeys::KeyCustom;
    plan << step(layers.group, 30, TextLayers) << layers;

    ProfileStep travel = step(QString(), 60, TextKeyTravel);
    ProfileOp params = op(ProfileOp::KeyParams);
    for (auto it = to.keyTravel.cbegin(); it != to.keyTravel.cend(); ++it) {
        if (unknown.keyTravel.contains(it.key())) {
            // With the binding the key holds while this step goes out.
            fullStateEntries(travelStateOf(it.key(), *it, from.bindKindOf(it.key())), &params.params);
            continue;
        }
        const auto was = from.keyTravel.constFind(it.key());
        if (was != from.keyTravel.cend() && sameSentTravel(*was, *it))
            continue;
        keyTravelChange(it.key(), was == from.keyTravel.cend() ? KeyTravelRecord() : *was, *it,
                        to.bindKindOf(it.key()), &params.params);
    }
    if (!params.params.isEmpty()) {
        travel.group = ProfileKeys::KeyTouchDB;
        travel.ops << params;
    }
    plan << travel;

    ProfileStep unbind = step(QString(), 80, TextAdvancedParams);
    for (auto it = from.advanced.cbegin(); it != from.advanced.cend(); ++it) {
        if (to.bindKindOf(it.key()) != Bind_None || unknown.advanced.contains(it.key()))
            continue;
        ProfileOp o = op(ProfileOp::Unbind);
        o.unbindKey = it.key();
        o.unbindKind = it->kind();
        unbind.ops << o;
    }
    ProfileStep bind = step(QString(), 90, TextAdvanced);
    QSet<int> written;
    for (auto it = to.advanced.cbegin(); it != to.advanced.cend(); ++it) {
        const int key = it.key();
        const AdvancedBinding &b = it.value();
        const auto was = from.advanced.constFind(key);
        const bool whole = unknown.advanced.contains(key);
        if (b.kind() == Bind_None
            || (!whole && ((was != from.advanced.cend() && sameOnKeyboard(*was, b)) || written.contains(key))))
            continue;
        // The keyboard takes both halves of a pair from one record; a binding
        // whose state is unknown is written as it is, either half.
        const int partner = partnerOf(b);
        if (partner >= 0 && !whole)
            written.insert(partner);
        ProfileOp o;
        if (!bindingOp(key, b, loadMacro, &o, &bind.error))
            break;
        bind.ops << o;
    }
    if (!unbind.ops.isEmpty() || !bind.ops.isEmpty())
        unbind.group = bind.group = ProfileKeys::AdvancedKey;
    plan << unbind << bind;
    if (!bind.error.isEmpty())
        return plan;

    plan << step(QString(), 100, TextDone);
    return plan;
}

QList<ProfileStep> planWholeProfile(const ProfileData &profile, const KeyboardConfig &holds,
                                    const QList<int> &boardKeys, const MacroLoader &loadMacro)
{
    return planChange(holds, configWithProfile(holds, profile, boardKeys), loadMacro,
                      partsOfProfile(profile, boardKeys));
}

QList<ProfileStep> planWholeProfileOn(const KB2ActionData &board, const ProfileData &profile,
                                      const MacroLoader &loadMacro)
{
    return planWholeProfile(profile, configFromReadBack(mirrorReadBack(board)), boardKeysOf(board).keys, loadMacro);
}

bool planSends(const QList<ProfileStep> &plan)
{
    for (const ProfileStep &s : plan)
        if (!s.ops.isEmpty())
            return true;
    return false;
}

bool runProfileOp(const ProfileOp &o, BoardControl &device)
{
    switch (o.kind) {
    case ProfileOp::Lighting: {
        const LightingSettings &l = o.lighting;
        device.setLightingValues(qBound(0, l.mode, 0x100), u8(l.brightness), u8(l.speed), l.direction, u8(l.sleep));
        return true;
    }
    case ProfileOp::Performance:
        // The low-latency bit travels in the lighting record, which
        // setPerformanceValues only stores; without the second call it
        // would reach the keyboard with some later lighting change, if ever.
        device.setPerformanceValues(u16(o.performance.globalTravelUm), u16(o.performance.pressDeadZoneUm),
                                    u16(o.performance.releaseDeadZoneUm), o.performance.superLightSpeed);
        device.setLowLatency(o.performance.superLightSpeed);
        return true;
    case ProfileOp::DeadBands: {
        const PerformanceSettings &p = o.performance;
        device.setPerformanceValues(u16(p.globalTravelUm), u16(p.pressDeadZoneUm), u16(p.releaseDeadZoneUm),
                                    p.superLightSpeed);
        return true;
    }
    case ProfileOp::LowLatency:
        device.setLowLatency(o.performance.superLightSpeed);
        return true;
    case ProfileOp::Layer:
        if (o.layerKeys.size() == 1)
            device.setLayerKey(o.layer, o.layerKeys.firstKey(), o.layerKeys.first());
        else
            device.setLayer(o.layer, o.layerKeys);
        return true;
    case ProfileOp::KeyParams:
        if (!o.params.isEmpty())
            device.sendSingleKeyData(o.params);
        return true;
    case ProfileOp::Colours:
        if (o.colours.size() == 1) {
            const QColor c = o.colours.first();
            device.setKeyColour(o.colours.firstKey(), quint8(c.red()), quint8(c.green()), quint8(c.blue()));
        } else {
            device.setKeyColours(o.colours);
        }
        return true;
    case ProfileOp::Unbind:
        device.removeAdvancedBinding(o.unbindKey, o.unbindKind);
        return true;
    case ProfileOp::PollingRate:
        device.setPollingRate(o.value);
        return true;
    case ProfileOp::SystemMode:
        device.switchSystemMode(o.value);
        return true;
    case ProfileOp::Binding: {
        // Anything but a record of one of the kinds is nothing the device layer could take.
        const std::optional<AdvancedRecord> record = advancedRecordFromVariant(o.binding);
        return record && device.writeAdvancedBinding(*record);
    }
    }
    return true;
}

bool runProfileStep(const ProfileStep &step, BoardControl &device)
{
    bool accepted = true;
    for (const ProfileOp &o : step.ops)
        accepted = runProfileOp(o, device) && accepted;
    return accepted;
}
