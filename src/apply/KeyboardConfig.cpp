#include "KeyboardConfig.h"

#include "BoardProfile.h"
#include "KB2ActionDataParams.h"
#include "KeyTypeTable.h"
#include "Kb2Builders.h"
#include "WireKeyTable.h"
#include "KeyboardSession.h"
#include "Units.h"

#include <QSet>

int KeyboardConfig::bindKindOf(int keyType) const
{
    const auto it = advanced.constFind(keyType);
    return it == advanced.cend() ? int(Bind_None) : it->kind();
}

void KeyboardConfig::setKeyTravel(int keyType, const KeyTravelRecord &record)
{
    KeyTravelRecord &rec = keyTravel[keyType];
    rec.workMode = record.workMode;
    rec.keyTouchDis = record.keyTouchDis;
    rec.quickTouchPressDis = record.quickTouchPressDis;
    rec.quickTouchUpDis = record.quickTouchUpDis;
}

bool operator==(const KeyboardConfig &a, const KeyboardConfig &b)
{
    return a.lighting == b.lighting && a.keyColours == b.keyColours && a.performance == b.performance
        && a.layers == b.layers && a.keyTravel == b.keyTravel && a.advanced == b.advanced
        && a.systemMode == b.systemMode && a.pollingRate == b.pollingRate;
}

KeyboardConfig configFromReadBack(const KeyboardReadBack &rb)
{
    const ProfileData p = boardProfile(rb);
    KeyboardConfig c;
    c.lighting = p.lighting.value_or(LightingSettings());
    c.performance = p.performance.value_or(PerformanceSettings());
    c.performance.hasDeadZones = true;
    c.performance.quickPress = c.performance.quickRelease = -1;
    c.layers = p.layers.value_or(ProfileLayers());
    c.keyTravel = p.keyTravel.value_or(QMap<int, KeyTravelRecord>());
    // Every binding, RS too (a profile entry is not made for those).
    for (const QVariant &record : advancedRecordsOf(rb.advanced)) {
        AdvancedBinding binding;
        int key = 0;
        if (bindingFromRecord(record, &binding, &key) && binding.kind() != Bind_None)
            c.advanced.insert(key, binding);
    }
    c.keyColours = rb.colours;
    c.systemMode = rb.systemMode;
    c.pollingRate = rb.pollingRate;
    return c;
}

KeyboardConfig configWithProfile(const KeyboardConfig &base, const ProfileData &profile, const QList<int> &boardKeys)
{
    const QSet<int> onBoard(boardKeys.cbegin(), boardKeys.cend());
    KeyboardConfig c = base;
    if (profile.lighting)
        c.lighting = *profile.lighting;
    if (profile.performance) {
        c.performance = *profile.performance;
        if (!c.performance.hasDeadZones)
            c.performance.pressDeadZoneUm = c.performance.releaseDeadZoneUm = 0;
        c.performance.hasDeadZones = true;
    }
    if (profile.layers) {
        for (size_t layer = 0; layer < c.layers.size(); ++layer) {
            QMap<int, int> keys;
            for (int key : boardKeys)
                keys.insert(key, key);
            const QMap<int, int> &given = (*profile.layers)[layer];
            for (auto it = given.cbegin(); it != given.cend(); ++it)
                if (onBoard.contains(it.key()))
                    keys.insert(it.key(), it.value());
            c.layers[layer] = keys;
        }
    }
    if (profile.keyTravel) {
        for (auto it = profile.keyTravel->cbegin(); it != profile.keyTravel->cend(); ++it) {
            if (onBoard.contains(it.key()))
                c.setKeyTravel(it.key(), *it);
        }
    }
    // The board's other bindings stay, as applying the whole profile leaves them.
    if (profile.advanced)
        for (auto it = profile.advanced->cbegin(); it != profile.advanced->cend(); ++it)
            if (onBoard.contains(it.key()) && it->kind() != Bind_None)
                c.advanced.insert(it.key(), *it);
    // A key bound to a macro has no trigger mode to set: parameter 8 carries
    // the macro. It keeps the one the keyboard holds, so that nothing is
    // planned, or found missing afterwards, that no write could give it.
    for (auto it = c.keyTravel.begin(); it != c.keyTravel.end(); ++it)
        if (c.bindKindOf(it.key()) == Bind_MACRO)
            it->workMode = base.keyTravel.value(it.key(), *it).workMode;
    return c;
}

namespace {

// A key a binding sends, or -1 when the keyboard would be given no key.
int keptKey(int type)
{
    if (type < 0 || !keyTypeHasCode(type) || keyTypeCode(type) == 0)
        return -1;
    return kb2_model_to_wire(keyTypeCode(type)) == WireKeyTable::NoKey ? -1 : type;
}

int keptDelay(int ms)
{
    return kb2_delay_units(ms) * kb2param::DelayUnitMs;
}


// Each kind as the keyboard keeps it; SOCD, RS and MACRO as they are.
void keep(DKSInfo &r)
{
    DKSInfo k;
    k.keyIndex = r.keyIndex;
    // Whole micrometres in 16 bits, as the record is encoded: any double
    // (huge, negative, NaN) gives what the keyboard would hold.
    k.touchDis << (r.touchDis.isEmpty() ? 0.0 : mmToMicrons(r.touchDis.first()) / 1000.0);
    for (int i = 0; i < 4; ++i) {
        k.bindKey << keptKey(r.bindKey.value(i, -1));
        k.triggerValue << kb2_dks_action_string(kb2_dks_action_byte(r.triggerValue.value(i)));
    }
    r = k;
}

void keep(MPTInfo &r)
{
    MPTInfo k;
    k.keyIndex = r.keyIndex;
    for (int i = 0; i < 3; ++i) {
        k.bindKey << keptKey(r.bindKey.value(i, -1));
        k.triggerValue << qBound(0, r.triggerValue.value(i, 0), 0xFFFF);
    }
    r = k;
}

void keep(MTInfo &r)
{
    r.pressType = keptKey(r.pressType);
    r.clickType = keptKey(r.clickType);
    r.delay = keptDelay(r.delay);
}

void keep(TGLInfo &r)
{
    r.switchType = keptKey(r.switchType);
    r.delay = keptDelay(r.delay);
}

void keep(ENDInfo &r)
{
    r.switchType = keptKey(r.switchType);
}

template <typename Record>
void keep(Record &)
{
}

} // namespace

AdvancedBinding bindingAsKept(const AdvancedBinding &b)
{
    AdvancedBinding k = b;
    if (k.value)
        std::visit([](auto &r) { keep(r); }, *k.value);
    return k;
}

bool sameOnKeyboard(const AdvancedBinding &a, const AdvancedBinding &b)
{
    return bindingAsKept(a) == bindingAsKept(b);
}

ProfileData profileOfConfig(const KeyboardConfig &config)
{
    ProfileData p;
    p.lighting = config.lighting;
    p.performance = config.performance;
    p.layers = config.layers;
    p.keyTravel = config.keyTravel;
    p.advanced = config.advanced;
    return p;
}
