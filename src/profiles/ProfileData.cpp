#include "ProfileData.h"

#include "AdvancedKeyKinds.h"
#include "KeyTypeTable.h"
#include "ProfileDocument.h"

#include <QJsonArray>

#include <climits>
#include <cmath>

using namespace ProfileMembers;

namespace {

int kindOfItem(const QString &item)
{
    return advancedKindOfItem(item);
}

QString itemOfKind(int kind)
{
    const AdvancedKindTraits *t = advancedKindTraits(kind);
    return t ? QLatin1String(t->profileItem) : QString();
}

// A number rounded to an int; false for anything else or out of range.
bool roundedInt(const QJsonValue &v, int *out)
{
    if (!v.isDouble())
        return false;
    const double r = std::round(v.toDouble());
    if (!(r >= double(INT_MIN) && r <= double(INT_MAX)))
        return false;
    *out = int(r);
    return true;
}

int intOr(const QJsonValue &v, int fallback)
{
    int out = fallback;
    return roundedInt(v, &out) ? out : fallback;
}

quint16 u16Or(const QJsonValue &v, quint16 fallback)
{
    int out = 0;
    return roundedInt(v, &out) && out >= 0 && out <= 0xFFFF ? quint16(out) : fallback;
}

// A number rounded and held to lo..hi (the range the keyboard can hold);
// fallback for anything else or beyond an int.
int boundedOr(const QJsonValue &v, int lo, int hi, int fallback)
{
    int out = 0;
    return roundedInt(v, &out) ? qBound(lo, out, hi) : fallback;
}

// What the keyboard's fields hold. Values outside are held to the nearest
// end, which is what the keyboard was given for them anyway.
constexpr int MaxLightingMode = 0x100; // 0 off, n: effect n - 1 in a byte
constexpr int MaxByte = 0xFF;
constexpr int MaxU16 = 0xFFFF;         // micrometres, slider positions, MPT points
constexpr int MaxDelayMs = 2550;       // 255 steps of 10 ms
constexpr double MaxTravelMm = 65.535; // micrometres in 16 bits

// A DKS travel in millimetres: finite and within what the keyboard holds;
// 0 for anything that is not a number.
double travelMmOf(const QJsonValue &v)
{
    const double mm = v.toDouble();
    if (!std::isfinite(mm))
        return 0.0;
    return qBound(0.0, mm, MaxTravelMm);
}

bool boolOr(const QJsonValue &v, bool fallback)
{
    return v.isBool() ? v.toBool() : fallback;
}

// A number that is exactly an int: map values are kept as they stand
// rather than rounded.
bool exactInt(const QJsonValue &v, int *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!(d >= double(INT_MIN) && d <= double(INT_MAX)) || d != std::trunc(d))
        return false;
    *out = int(d);
    return true;
}

// A member name that is a key index as writeProfile writes it ("17", not
// "017" or " 17"), so that writing it back gives the same name.
bool keyIndexOf(const QString &name, int *key)
{
    bool ok = false;
    const int k = name.toInt(&ok);
    if (!ok || QString::number(k) != name)
        return false;
    *key = k;
    return true;
}

template <typename T, typename Read>
QList<T> listOf(const QJsonValue &v, Read read)
{
    QList<T> out;
    for (const QJsonValue &item : v.toArray())
        out.append(read(item));
    return out;
}

template <typename List>
QJsonArray arrayOf(const List &list)
{
    QJsonArray array;
    for (const auto &item : list)
        array.append(item);
    return array;
}

void keepIfNotEmpty(QJsonObject *extra, const QString &name, const QJsonObject &rest)
{
    if (!rest.isEmpty())
        extra->insert(name, rest);
}

// --- Reading the groups; each returns its unread members in *rest ---------

LightingSettings readLighting(const QJsonObject &g, QJsonObject *rest)
{
    LightingSettings l;
    for (auto it = g.begin(); it != g.end(); ++it) {
        const QString &m = it.key();
        if (m == RgbMode)
            l.mode = boundedOr(it.value(), 0, MaxLightingMode, l.mode);
        else if (m == RgbLuminance)
            l.brightness = boundedOr(it.value(), 0, MaxByte, l.brightness);
        else if (m == RgbSpeed)
            l.speed = boundedOr(it.value(), 0, MaxByte, l.speed);
        else if (m == RgbSleep)
            l.sleep = boundedOr(it.value(), 0, MaxByte, l.sleep);
        else if (m == RgbDirection)
            l.direction = boolOr(it.value(), l.direction);
        else
            rest->insert(m, it.value());
    }
    return l;
}

PerformanceSettings readPerformance(const QJsonObject &g, QJsonObject *rest)
{
    PerformanceSettings p;
    for (auto it = g.begin(); it != g.end(); ++it) {
        const QString &m = it.key();
        if (m == GlobalTravel)
            p.globalTravelUm = boundedOr(it.value(), 0, MaxU16, p.globalTravelUm);
        else if (m == SuperLightSpeed)
            p.superLightSpeed = boolOr(it.value(), p.superLightSpeed);
        else if (m != DeadPress && m != DeadRelease && m != QuickPress && m != QuickRelease)
            rest->insert(m, it.value());
    }
    // Members that are only written when present: a value that cannot be
    // read stays as it is.
    int press = 0, release = 0;
    const bool hasPress = roundedInt(g.value(DeadPress), &press);
    const bool hasRelease = roundedInt(g.value(DeadRelease), &release);
    p.hasDeadZones = hasPress || hasRelease;
    if (p.hasDeadZones) {
        if (hasPress)
            p.pressDeadZoneUm = qBound(0, press, MaxU16);
        if (hasRelease)
            p.releaseDeadZoneUm = qBound(0, release, MaxU16);
    } else {
        for (const QString &m : {DeadPress, DeadRelease})
            if (g.contains(m))
                rest->insert(m, g.value(m));
    }
    auto quick = [&](const QString &m, int *out) {
        if (!roundedInt(g.value(m), out) || *out == -1) {
            *out = -1;
            if (g.contains(m))
                rest->insert(m, g.value(m));
            return;
        }
        *out = qBound(0, *out, MaxU16);
    };
    quick(QuickPress, &p.quickPress);
    quick(QuickRelease, &p.quickRelease);
    return p;
}

ProfileLayers readLayers(const QJsonObject &g, QJsonObject *rest)
{
    ProfileLayers layers;
    for (auto it = g.begin(); it != g.end(); ++it) {
        int layer = -1;
        for (int l = 0; l < 4; ++l)
            if (it.key() == layerMemberName(l))
                layer = l;
        if (layer < 0) {
            rest->insert(it.key(), it.value());
            continue;
        }
        // A layer of the wrong type reads as empty: all four are always written.
        QJsonObject unread;
        const QJsonObject keys = it.value().toObject();
        for (auto k = keys.begin(); k != keys.end(); ++k) {
            int key = 0, type = 0;
            if (keyIndexOf(k.key(), &key) && exactInt(k.value(), &type))
                layers[size_t(layer)].insert(key, type);
            else
                unread.insert(k.key(), k.value());
        }
        keepIfNotEmpty(rest, it.key(), unread);
    }
    return layers;
}

QMap<int, KeyTravelRecord> readKeyTravel(const QJsonObject &g, QJsonObject *rest)
{
    QMap<int, KeyTravelRecord> records;
    for (auto it = g.begin(); it != g.end(); ++it) {
        int key = 0;
        if (!keyIndexOf(it.key(), &key) || !it.value().isObject()) {
            rest->insert(it.key(), it.value());
            continue;
        }
        KeyTravelRecord r;
        QJsonObject unread;
        const QJsonObject e = it.value().toObject();
        for (auto m = e.begin(); m != e.end(); ++m) {
            if (m.key() == WorkMode)
                r.workMode = intOr(m.value(), 0);
            else if (m.key() == KeyTouchDis)
                r.keyTouchDis = u16Or(m.value(), 0);
            else if (m.key() == PressDis)
                r.quickTouchPressDis = u16Or(m.value(), 0);
            else if (m.key() == UpDis)
                r.quickTouchUpDis = u16Or(m.value(), 0);
            else
                unread.insert(m.key(), m.value());
        }
        records.insert(key, r);
        keepIfNotEmpty(rest, it.key(), unread);
    }
    return records;
}

// Each kind's members of an "AdvancedKey" entry: read into the record
// (the names read returned), and written from it.
const auto toInt = [](const QJsonValue &v) { return intOr(v, KeyTypeNone); };

QStringList readMembers(DKSInfo &r, const QJsonObject &e)
{
    r.bindKey = listOf<int>(e.value(BindKey), toInt);
    r.triggerValue = listOf<QString>(e.value(TriggerValue), [](const QJsonValue &v) { return v.toString(); });
    r.touchDis = listOf<double>(e.value(TouchDis), travelMmOf);
    return {BindKey, TriggerValue, TouchDis};
}

QStringList readMembers(MTInfo &r, const QJsonObject &e)
{
    r.pressType = intOr(e.value(PressType), r.pressType);
    r.clickType = intOr(e.value(ClickType), r.clickType);
    r.delay = boundedOr(e.value(Delay), 0, MaxDelayMs, r.delay);
    return {PressType, ClickType, Delay};
}

QStringList readMembers(TGLInfo &r, const QJsonObject &e)
{
    r.switchType = intOr(e.value(SwitchType), r.switchType);
    r.delay = boundedOr(e.value(Delay), 0, MaxDelayMs, r.delay);
    return {SwitchType, Delay};
}

QStringList readMembers(MPTInfo &r, const QJsonObject &e)
{
    r.bindKey = listOf<int>(e.value(BindKey), toInt);
    r.triggerValue = listOf<int>(e.value(TriggerValue), [](const QJsonValue &v) { return boundedOr(v, 0, MaxU16, 0); });
    return {BindKey, TriggerValue};
}

// END, SOCD and RS: the one other key.
template <typename Switch>
QStringList readMembers(Switch &r, const QJsonObject &e)
{
    r.switchType = intOr(e.value(SwitchType), r.switchType);
    return {SwitchType};
}

QStringList readMembers(MACROInfo &r, const QJsonObject &e)
{
    r.macroName = e.value(MacroName).toString();
    return {MacroName};
}

QJsonObject membersOf(const DKSInfo &r)
{
    return {{BindKey, arrayOf(r.bindKey)}, {TriggerValue, arrayOf(r.triggerValue)}, {TouchDis, arrayOf(r.touchDis)}};
}

QJsonObject membersOf(const MTInfo &r)
{
    return {{PressType, r.pressType}, {ClickType, r.clickType}, {Delay, r.delay}};
}

QJsonObject membersOf(const TGLInfo &r)
{
    return {{SwitchType, r.switchType}, {Delay, r.delay}};
}

QJsonObject membersOf(const MPTInfo &r)
{
    return {{BindKey, arrayOf(r.bindKey)}, {TriggerValue, arrayOf(r.triggerValue)}};
}

template <typename Switch>
QJsonObject membersOf(const Switch &r)
{
    return {{SwitchType, r.switchType}};
}

QJsonObject membersOf(const MACROInfo &r)
{
    return {{MacroName, r.macroName}};
}

// One entry of a known kind; its unread members go to *rest.
AdvancedBinding readBinding(int key, int kind, const QJsonObject &e, QJsonObject *rest)
{
    AdvancedBinding b;
    b.value = advancedRecordOfKind(kind, key);
    QStringList known;
    if (b.value)
        std::visit([&](auto &r) { known = readMembers(r, e); }, *b.value);
    for (auto m = e.begin(); m != e.end(); ++m)
        if (m.key() != BindItem && !known.contains(m.key()))
            rest->insert(m.key(), m.value());
    return b;
}

QMap<int, AdvancedBinding> readAdvanced(const QJsonObject &g, QJsonObject *rest)
{
    QMap<int, AdvancedBinding> bindings;
    for (auto it = g.begin(); it != g.end(); ++it) {
        int key = 0;
        const QJsonObject e = it.value().toObject();
        const int kind = kindOfItem(e.value(BindItem).toString());
        if (!keyIndexOf(it.key(), &key) || !it.value().isObject() || kind == Bind_None) {
            rest->insert(it.key(), it.value());
            continue;
        }
        QJsonObject unread;
        bindings.insert(key, readBinding(key, kind, e, &unread));
        keepIfNotEmpty(rest, it.key(), unread);
    }
    return bindings;
}

// --- Writing ----------------------------------------------------------------

// Adds what *into lacks from extra, descending into objects both hold.
void mergeMissing(QJsonObject *into, const QJsonObject &extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        auto there = into->find(it.key());
        if (there == into->end()) {
            into->insert(it.key(), it.value());
        } else if (there.value().isObject() && it.value().isObject()) {
            QJsonObject merged = there.value().toObject();
            mergeMissing(&merged, it.value().toObject());
            there.value() = merged;
        }
    }
}

bool isGroupName(const QString &name)
{
    return name == ProfileKeys::KeyboardRGB || name == ProfileKeys::KeyPerformance || name == ProfileKeys::KeyCustom
        || name == ProfileKeys::AdvancedKey || name == ProfileKeys::KeyTouchDB;
}

} // namespace

QVariant AdvancedBinding::record(int keyIndex) const
{
    if (!value)
        return QVariant();
    AdvancedRecord r = *value;
    std::visit([keyIndex](auto &x) { x.keyIndex = keyIndex; }, r);
    return advancedRecordToVariant(r);
}

bool ProfileData::isEmpty() const
{
    return name.isEmpty() && !lighting && !performance && !layers && !keyTravel && !advanced && extra.isEmpty();
}

bool operator==(const LightingSettings &a, const LightingSettings &b)
{
    return a.mode == b.mode && a.brightness == b.brightness && a.speed == b.speed && a.sleep == b.sleep
        && a.direction == b.direction;
}

bool operator==(const PerformanceSettings &a, const PerformanceSettings &b)
{
    return a.globalTravelUm == b.globalTravelUm && a.pressDeadZoneUm == b.pressDeadZoneUm
        && a.releaseDeadZoneUm == b.releaseDeadZoneUm && a.superLightSpeed == b.superLightSpeed
        && a.hasDeadZones == b.hasDeadZones && a.quickPress == b.quickPress && a.quickRelease == b.quickRelease;
}

bool operator==(const AdvancedBinding &a, const AdvancedBinding &b)
{
    return a.value == b.value;
}

bool operator==(const ProfileData &a, const ProfileData &b)
{
    return a.name == b.name && a.lighting == b.lighting && a.performance == b.performance && a.layers == b.layers
        && a.keyTravel == b.keyTravel && a.advanced == b.advanced && a.extra == b.extra;
}

ProfileData readProfile(const QJsonObject &document)
{
    ProfileData p;
    for (auto it = document.begin(); it != document.end(); ++it) {
        const QString &name = it.key();
        const QJsonValue v = it.value();
        QJsonObject rest;
        if (name == ProfileKeys::ProfileName && !v.toString().isEmpty()) {
            p.name = v.toString();
            continue;
        }
        if (!isGroupName(name) || !v.isObject()) {
            p.extra.insert(name, v);
            continue;
        }
        const QJsonObject g = v.toObject();
        if (name == ProfileKeys::KeyboardRGB)
            p.lighting = readLighting(g, &rest);
        else if (name == ProfileKeys::KeyPerformance)
            p.performance = readPerformance(g, &rest);
        else if (name == ProfileKeys::KeyCustom)
            p.layers = readLayers(g, &rest);
        else if (name == ProfileKeys::KeyTouchDB)
            p.keyTravel = readKeyTravel(g, &rest);
        else
            p.advanced = readAdvanced(g, &rest);
        keepIfNotEmpty(&p.extra, name, rest);
    }
    return p;
}

QJsonObject bindingEntry(const AdvancedBinding &b)
{
    if (!b.value)
        return QJsonObject();
    QJsonObject e = std::visit([](const auto &r) { return membersOf(r); }, *b.value);
    e.insert(BindItem, itemOfKind(b.kind()));
    return e;
}

QJsonObject writeProfile(const ProfileData &p)
{
    QJsonObject doc;
    if (p.lighting) {
        const LightingSettings &l = *p.lighting;
        doc.insert(ProfileKeys::KeyboardRGB, QJsonObject{{RgbMode, l.mode},
                                                          {RgbLuminance, l.brightness},
                                                          {RgbSpeed, l.speed},
                                                          {RgbSleep, l.sleep},
                                                          {RgbDirection, l.direction}});
    }
    if (p.performance) {
        const PerformanceSettings &s = *p.performance;
        QJsonObject g{{GlobalTravel, s.globalTravelUm}, {SuperLightSpeed, s.superLightSpeed}};
        if (s.hasDeadZones) {
            g.insert(DeadPress, s.pressDeadZoneUm);
            g.insert(DeadRelease, s.releaseDeadZoneUm);
        }
        if (s.quickPress != -1)
            g.insert(QuickPress, s.quickPress);
        if (s.quickRelease != -1)
            g.insert(QuickRelease, s.quickRelease);
        doc.insert(ProfileKeys::KeyPerformance, g);
    }
    if (p.layers) {
        QJsonObject custom;
        for (int layer = 0; layer < 4; ++layer) {
            QJsonObject keys;
            const QMap<int, int> &map = (*p.layers)[size_t(layer)];
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                keys.insert(QString::number(it.key()), it.value());
            custom.insert(layerMemberName(layer), keys);
        }
        doc.insert(ProfileKeys::KeyCustom, custom);
    }
    if (p.advanced) {
        QJsonObject group;
        for (auto it = p.advanced->cbegin(); it != p.advanced->cend(); ++it) {
            const QJsonObject e = bindingEntry(it.value());
            if (!e.isEmpty())
                group.insert(QString::number(it.key()), e);
        }
        doc.insert(ProfileKeys::AdvancedKey, group);
    }
    if (p.keyTravel) {
        QJsonObject group;
        for (auto it = p.keyTravel->cbegin(); it != p.keyTravel->cend(); ++it)
            group.insert(QString::number(it.key()), keyTravelEntry(it.value()));
        doc.insert(ProfileKeys::KeyTouchDB, group);
    }
    if (!p.name.isEmpty())
        doc.insert(ProfileKeys::ProfileName, p.name);

    for (auto it = p.extra.begin(); it != p.extra.end(); ++it) {
        // The rest of a group belongs to it: a dropped group stays dropped.
        if (isGroupName(it.key()) && it.value().isObject() && !doc.contains(it.key()))
            continue;
        mergeMissing(&doc, QJsonObject{{it.key(), it.value()}});
    }
    return doc;
}

ProfileData defaultProfile()
{
    ProfileData p;
    p.name = QStringLiteral("Default Profile");
    p.lighting = LightingSettings();
    p.performance = PerformanceSettings();
    p.layers = ProfileLayers();
    p.keyTravel = QMap<int, KeyTravelRecord>();
    p.advanced = QMap<int, AdvancedBinding>();
    return p;
}

bool bindingFromRecord(const QVariant &record, AdvancedBinding *binding, int *keyIndex)
{
    std::optional<AdvancedRecord> r = advancedRecordFromVariant(record);
    if (!r)
        return false;
    // A profile names a macro; its steps live in the macro's own file.
    if (MACROInfo *macro = std::get_if<MACROInfo>(&*r))
        macro->steps.clear();
    *keyIndex = advancedKeyOf(*r);
    binding->value = r;
    return true;
}
