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
            l.mode = intOr(it.value(), l.mode);
        else if (m == RgbLuminance)
            l.brightness = intOr(it.value(), l.brightness);
        else if (m == RgbSpeed)
            l.speed = intOr(it.value(), l.speed);
        else if (m == RgbSleep)
            l.sleep = intOr(it.value(), l.sleep);
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
            p.globalTravelUm = intOr(it.value(), p.globalTravelUm);
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
            p.pressDeadZoneUm = press;
        if (hasRelease)
            p.releaseDeadZoneUm = release;
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
        }
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

// One entry of a known kind; its unread members go to *rest.
AdvancedBinding readBinding(int key, int kind, const QJsonObject &e, QJsonObject *rest)
{
    AdvancedBinding b;
    b.kind = kind;
    auto toInt = [](const QJsonValue &v) { return intOr(v, KeyTypeNone); };
    auto toPoint = [](const QJsonValue &v) { return intOr(v, 0); };
    auto toText = [](const QJsonValue &v) { return v.toString(); };
    auto toDouble = [](const QJsonValue &v) { return v.toDouble(); };
    QStringList known;
    switch (kind) {
    case Bind_DKS:
        known = QStringList{BindKey, TriggerValue, TouchDis};
        b.dks.keyIndex = key;
        b.dks.bindKey = listOf<int>(e.value(BindKey), toInt);
        b.dks.triggerValue = listOf<QString>(e.value(TriggerValue), toText);
        b.dks.touchDis = listOf<double>(e.value(TouchDis), toDouble);
        break;
    case Bind_MT:
        known = QStringList{PressType, ClickType, Delay};
        b.mt.keyIndex = key;
        b.mt.pressType = intOr(e.value(PressType), b.mt.pressType);
        b.mt.clickType = intOr(e.value(ClickType), b.mt.clickType);
        b.mt.delay = intOr(e.value(Delay), b.mt.delay);
        break;
    case Bind_TGL:
        known = QStringList{SwitchType, Delay};
        b.tgl.keyIndex = key;
        b.tgl.switchType = intOr(e.value(SwitchType), b.tgl.switchType);
        b.tgl.delay = intOr(e.value(Delay), b.tgl.delay);
        break;
    case Bind_MPT:
        known = QStringList{BindKey, TriggerValue};
        b.mpt.keyIndex = key;
        b.mpt.bindKey = listOf<int>(e.value(BindKey), toInt);
        b.mpt.triggerValue = listOf<int>(e.value(TriggerValue), toPoint);
        break;
    case Bind_END:
        known = QStringList{SwitchType};
        b.end.keyIndex = key;
        b.end.switchType = intOr(e.value(SwitchType), b.end.switchType);
        break;
    case Bind_SOCD:
        known = QStringList{SwitchType};
        b.socd.keyIndex = key;
        b.socd.switchType = intOr(e.value(SwitchType), b.socd.switchType);
        break;
    case Bind_RS:
        known = QStringList{SwitchType};
        b.rs.keyIndex = key;
        b.rs.switchType = intOr(e.value(SwitchType), b.rs.switchType);
        break;
    case Bind_MACRO:
        known = QStringList{MacroName};
        b.macroName = e.value(MacroName).toString();
        break;
    default:
        break;
    }
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
    auto with = [keyIndex](auto r) {
        r.keyIndex = keyIndex;
        return QVariant::fromValue(r);
    };
    switch (kind) {
    case Bind_DKS: return with(dks);
    case Bind_MT: return with(mt);
    case Bind_TGL: return with(tgl);
    case Bind_MPT: return with(mpt);
    case Bind_END: return with(end);
    case Bind_SOCD: return with(socd);
    case Bind_RS: return with(rs);
    case Bind_MACRO: {
        MACROInfo m;
        m.macroName = macroName;
        return with(m);
    }
    default: return QVariant();
    }
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
    return a.kind == b.kind && a.dks == b.dks && a.mt == b.mt && a.tgl == b.tgl && a.mpt == b.mpt && a.end == b.end
        && a.socd == b.socd && a.rs == b.rs && a.macroName == b.macroName;
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
    QJsonObject e;
    switch (b.kind) {
    case Bind_DKS:
        e = {{BindKey, arrayOf(b.dks.bindKey)}, {TriggerValue, arrayOf(b.dks.triggerValue)},
             {TouchDis, arrayOf(b.dks.touchDis)}};
        break;
    case Bind_MT: e = {{PressType, b.mt.pressType}, {ClickType, b.mt.clickType}, {Delay, b.mt.delay}}; break;
    case Bind_TGL: e = {{SwitchType, b.tgl.switchType}, {Delay, b.tgl.delay}}; break;
    case Bind_MPT: e = {{BindKey, arrayOf(b.mpt.bindKey)}, {TriggerValue, arrayOf(b.mpt.triggerValue)}}; break;
    case Bind_END: e = {{SwitchType, b.end.switchType}}; break;
    case Bind_SOCD: e = {{SwitchType, b.socd.switchType}}; break;
    case Bind_RS: e = {{SwitchType, b.rs.switchType}}; break;
    case Bind_MACRO: e = {{MacroName, b.macroName}}; break;
    default: return QJsonObject();
    }
    e.insert(BindItem, itemOfKind(b.kind));
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
    // Registered here so that the type checks see the records even before
    // anyone has put one in a variant.
    dksInfoMetaTypeId();
    mtInfoMetaTypeId();
    tglInfoMetaTypeId();
    mptInfoMetaTypeId();
    endInfoMetaTypeId();
    socdInfoMetaTypeId();
    macroInfoMetaTypeId();
    rsInfoMetaTypeId();

    auto holds = [&record](int typeId) { return record.userType() == typeId || record.canConvert(typeId); };
    AdvancedBinding b;
    int key = 0;
    if (holds(qMetaTypeId<DKSInfo>())) {
        b.kind = Bind_DKS;
        b.dks = record.value<DKSInfo>();
        key = b.dks.keyIndex;
    } else if (holds(qMetaTypeId<MTInfo>())) {
        b.kind = Bind_MT;
        b.mt = record.value<MTInfo>();
        key = b.mt.keyIndex;
    } else if (holds(qMetaTypeId<TGLInfo>())) {
        b.kind = Bind_TGL;
        b.tgl = record.value<TGLInfo>();
        key = b.tgl.keyIndex;
    } else if (holds(qMetaTypeId<MPTInfo>())) {
        b.kind = Bind_MPT;
        b.mpt = record.value<MPTInfo>();
        key = b.mpt.keyIndex;
    } else if (holds(qMetaTypeId<ENDInfo>())) {
        b.kind = Bind_END;
        b.end = record.value<ENDInfo>();
        key = b.end.keyIndex;
    } else if (holds(qMetaTypeId<SOCDInfo>())) {
        b.kind = Bind_SOCD;
        b.socd = record.value<SOCDInfo>();
        key = b.socd.keyIndex;
    } else if (holds(qMetaTypeId<MACROInfo>())) {
        const MACROInfo m = record.value<MACROInfo>();
        b.kind = Bind_MACRO;
        b.macroName = m.macroName;
        key = m.keyIndex;
    } else if (holds(qMetaTypeId<RSInfo>())) {
        b.kind = Bind_RS;
        b.rs = record.value<RSInfo>();
        key = b.rs.keyIndex;
    } else {
        return false;
    }
    *binding = b;
    *keyIndex = key;
    return true;
}
