#include "ProfileVerify.h"

#include "KeyTravelEdit.h"
#include "KeyboardConfig.h"
#include "KeyTypeTable.h"
#include "ProfileDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

QString keyLabel(int key)
{
    const QString name = keyTypeName(key);
    return name.isEmpty() ? QStringLiteral("key %1").arg(key) : QStringLiteral("key %1 (%2)").arg(key).arg(name);
}

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// The work mode applying a record gives a key: own travel and rapid trigger
// are kept, anything else puts the key on the global travel.
int appliedWorkMode(int workMode)
{
    return workMode == WorkOwnTravel || workMode == WorkRapid ? workMode : WorkGlobal;
}

// A binding as compared: as the keyboard keeps it (DKS in four slots, delays
// in its units, so a value it rounds is not a difference), a macro by its
// kind alone (the keyboard holds steps, not the file's name).
QString bindingText(const AdvancedBinding *binding)
{
    if (!binding || binding->kind() == Bind_None)
        return QStringLiteral("none");
    QJsonObject entry = bindingEntry(bindingAsKept(*binding));
    if (binding->kind() == Bind_MACRO)
        entry.remove(ProfileMembers::MacroName);
    return QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact));
}

// The bindings applying the profile leaves on the board's keys: SOCD and RS
// bind a pair, so the partner key gets the reverse binding unless the profile
// binds it itself.
QMap<int, AdvancedBinding> expectedBindings(const QMap<int, AdvancedBinding> &profile, const QSet<int> &onBoard)
{
    QMap<int, AdvancedBinding> out;
    for (auto it = profile.cbegin(); it != profile.cend(); ++it)
        if (it.value().kind() != Bind_None && onBoard.contains(it.key()))
            out.insert(it.key(), it.value());
    for (auto it = profile.cbegin(); it != profile.cend(); ++it) {
        const AdvancedBinding &b = it.value();
        const SOCDInfo *socd = b.as<SOCDInfo>();
        const RSInfo *rs = b.as<RSInfo>();
        if ((!socd && !rs) || !onBoard.contains(it.key()))
            continue;
        const int partner = socd ? socd->switchType : rs->switchType;
        if (!onBoard.contains(partner) || profile.contains(partner))
            continue;
        AdvancedRecord reverse = *b.value;
        std::visit(
            [&](auto &r) {
                if constexpr (std::is_same_v<std::decay_t<decltype(r)>, SOCDInfo>
                              || std::is_same_v<std::decay_t<decltype(r)>, RSInfo>) {
                    r.keyIndex = partner;
                    r.switchType = it.key();
                }
            },
            reverse);
        out.insert(partner, AdvancedBinding(reverse));
    }
    return out;
}

class Differ {
public:
    QList<ProfileDifference> out;

    template <typename T>
    void compare(const QString &group, const QString &key, const T &profileValue, const T &keyboardValue)
    {
        if (!(profileValue == keyboardValue))
            out.append({group, key, text(profileValue), text(keyboardValue)});
    }

private:
    static QString text(int v) { return QString::number(v); }
    static QString text(bool v) { return boolText(v); }
    static QString text(const QString &v) { return v; }
};

} // namespace

QList<ProfileDifference> profileDifferences(const ProfileData &profile, const ProfileData &keyboard,
                                            const QList<int> &boardKeys)
{
    Differ d;
    const QSet<int> onBoard(boardKeys.cbegin(), boardKeys.cend());

    if (profile.lighting) {
        const QString g = ProfileKeys::KeyboardRGB;
        const LightingSettings &p = *profile.lighting;
        const LightingSettings k = keyboard.lighting.value_or(LightingSettings());
        d.compare(g, ProfileMembers::RgbMode, p.mode, k.mode);
        d.compare(g, ProfileMembers::RgbLuminance, p.brightness, k.brightness);
        d.compare(g, ProfileMembers::RgbSpeed, p.speed, k.speed);
        d.compare(g, ProfileMembers::RgbSleep, p.sleep, k.sleep);
        d.compare(g, ProfileMembers::RgbDirection, p.direction, k.direction);
    }

    if (profile.performance) {
        const QString g = ProfileKeys::KeyPerformance;
        const PerformanceSettings &p = *profile.performance;
        const PerformanceSettings k = keyboard.performance.value_or(PerformanceSettings());
        d.compare(g, ProfileMembers::GlobalTravel, p.globalTravelUm, k.globalTravelUm);
        // A profile without dead zones applies 0 for both.
        d.compare(g, ProfileMembers::DeadPress, p.hasDeadZones ? p.pressDeadZoneUm : 0, k.pressDeadZoneUm);
        d.compare(g, ProfileMembers::DeadRelease, p.hasDeadZones ? p.releaseDeadZoneUm : 0, k.releaseDeadZoneUm);
        d.compare(g, ProfileMembers::SuperLightSpeed, p.superLightSpeed, k.superLightSpeed);
    }

    if (profile.layers) {
        const ProfileLayers none;
        const ProfileLayers &k = keyboard.layers ? *keyboard.layers : none;
        for (int layer = 0; layer < 4; ++layer) {
            const QMap<int, int> &p = (*profile.layers)[size_t(layer)];
            for (int key : boardKeys) {
                // Keys the profile leaves out are set to themselves.
                const int want = p.value(key, key);
                const int have = k[size_t(layer)].value(key, -1);
                if (want != have)
                    d.out.append({ProfileKeys::KeyCustom, layerMemberName(layer) + QLatin1Char(' ') + keyLabel(key),
                                  QString::number(want), have < 0 ? QStringLiteral("none") : QString::number(have)});
            }
        }
    }

    if (profile.keyTravel) {
        const QString g = ProfileKeys::KeyTouchDB;
        for (auto it = profile.keyTravel->cbegin(); it != profile.keyTravel->cend(); ++it) {
            if (!onBoard.contains(it.key()))
                continue;
            const QString key = keyLabel(it.key());
            if (!keyboard.keyTravel || !keyboard.keyTravel->contains(it.key())) {
                d.out.append({g, key, QStringLiteral("set"), QStringLiteral("none")});
                continue;
            }
            const KeyTravelRecord &p = it.value();
            const KeyTravelRecord k = keyboard.keyTravel->value(it.key());
            const int mode = appliedWorkMode(p.workMode);
            d.compare(g, key + QLatin1Char(' ') + ProfileMembers::WorkMode, mode, int(k.workMode));
            d.compare(g, key + QLatin1Char(' ') + ProfileMembers::KeyTouchDis, int(p.keyTouchDis), int(k.keyTouchDis));
            // The sensitivities are sent only with rapid trigger on.
            if (mode == WorkRapid) {
                d.compare(g, key + QLatin1Char(' ') + ProfileMembers::PressDis, int(p.quickTouchPressDis),
                          int(k.quickTouchPressDis));
                d.compare(g, key + QLatin1Char(' ') + ProfileMembers::UpDis, int(p.quickTouchUpDis),
                          int(k.quickTouchUpDis));
            }
        }
    }

    if (profile.advanced) {
        const QMap<int, AdvancedBinding> none;
        const QMap<int, AdvancedBinding> &k = keyboard.advanced ? *keyboard.advanced : none;
        const QMap<int, AdvancedBinding> want = expectedBindings(*profile.advanced, onBoard);
        QList<int> keys = want.keys() + k.keys();
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        for (int key : keys) {
            if (!onBoard.contains(key))
                continue;
            const auto p = want.constFind(key);
            const auto b = k.constFind(key);
            d.compare(ProfileKeys::AdvancedKey, keyLabel(key), bindingText(p == want.cend() ? nullptr : &p.value()),
                      bindingText(b == k.cend() ? nullptr : &b.value()));
        }
    }
    return d.out;
}

QString differenceLine(const ProfileDifference &x)
{
    return QStringLiteral("%1 %2: profile %3, keyboard %4").arg(x.group, x.key, x.profileValue, x.keyboardValue);
}

namespace {

ProfileData comparedProfile(const KeyboardConfig &config)
{
    ProfileData p = profileOfConfig(config);
    p.performance->quickPress = p.performance->quickRelease = -1;
    return p;
}

} // namespace

QList<ProfileDifference> configDifferences(const KeyboardConfig &expected, const KeyboardConfig &held,
                                           const QList<int> &boardKeys)
{
    QList<ProfileDifference> out = profileDifferences(comparedProfile(expected), comparedProfile(held), boardKeys);
    // The keyboard keeps red, green and blue only; the colours go with the
    // rest of its lighting.
    int at = 0;
    while (at < out.size() && out.at(at).group == ProfileKeys::KeyboardRGB)
        ++at;
    for (int key : boardKeys) {
        const auto want = expected.keyColours.constFind(key);
        if (want == expected.keyColours.cend() || !want->isValid())
            continue; // nothing the keyboard was given
        const auto have = held.keyColours.constFind(key);
        const QString wantText = want->name(QColor::HexRgb);
        const QString haveText = have == held.keyColours.cend() ? QStringLiteral("none") : have->name(QColor::HexRgb);
        if (wantText != haveText)
            out.insert(at++, {ProfileKeys::KeyboardRGB, keyLabel(key) + QStringLiteral(" colour"), wantText, haveText});
    }
    return out;
}
