#pragma once

#include "AdvancedKeyInfo.h"
#include "AdvancedKeyKinds.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>
#include <type_traits>

// A profile document in typed form. readProfile and writeProfile convert
// between it and the JSON document of a profile file; whatever the typed
// members cannot hold stays in ProfileData::extra, so a document read and
// written again keeps every member it had.

// "KeyboardRGB"
struct LightingSettings {
    int mode = 0;           // "rgb-mode": 0 off, n > 0 effect n - 1
    int brightness = 4;     // "rgb-luminance"
    int speed = 4;          // "rgb-speed"
    int sleep = 1;          // "rgb-sleep"
    bool direction = false; // "rgb-direction"
};

// "KeyPerformance"; travels and dead zones in micrometres.
struct PerformanceSettings {
    int globalTravelUm = 5;        // "global-key-touch"
    int pressDeadZoneUm = 20;      // "deadSpacePress"
    int releaseDeadZoneUm = 3;     // "deadSpaceRelease"
    bool superLightSpeed = false;  // "super-light-speed"
    // False when the stored group has neither dead zone; they are then not
    // written, and applying the profile sends 0 for both.
    bool hasDeadZones = true;
    // "quick-key-press" and "quick-key-release" slider positions, -1 when absent.
    int quickPress = -1, quickRelease = -1;
};

// One "AdvancedKey" entry: the record of its kind, the others left default.
struct AdvancedBinding {
    // The entry's record; its index is the BindKeyType ("TDKS" Bind_DKS,
    // "MT", "TGL", "MPT", "END", "SOCD", "RS", "MACRO"). A macro's record
    // carries its name, no steps. nullopt: no binding.
    std::optional<AdvancedRecord> value;

    AdvancedBinding() = default;
    // From a record of any kind, or the variant.
    template <typename Record, typename = std::enable_if_t<std::is_constructible_v<AdvancedRecord, const Record &>>>
    AdvancedBinding(const Record &record) : value(AdvancedRecord(record))
    {
    }

    int kind() const { return value ? advancedKindOf(*value) : int(Bind_None); }
    // The record when it is of type Record; nullptr otherwise.
    template <typename Record>
    const Record *as() const { return value ? std::get_if<Record>(&*value) : nullptr; }
    // The record with keyIndex set, in a QVariant; an invalid variant for none.
    QVariant record(int keyIndex) const;
};

// The four "KeyCustom" layers: key index -> key type.
using ProfileLayers = std::array<QMap<int, int>, 4>;

struct ProfileData {
    QString name; // "ProfileName"; empty when the document has no non-empty name
    std::optional<LightingSettings> lighting;
    std::optional<PerformanceSettings> performance;
    std::optional<ProfileLayers> layers;
    std::optional<QMap<int, KeyTravelRecord>> keyTravel; // "KeyTouchDB"
    std::optional<QMap<int, AdvancedBinding>> advanced;  // "AdvancedKey"
    // What the members above do not hold, in the document's own shape:
    // unknown members at any level, entries whose key is not a decimal key
    // index or whose value cannot be read, a group or name of the wrong JSON
    // type. writeProfile merges it back without overriding typed values; the
    // parts under a group are written only while that group is present.
    QJsonObject extra;

    bool isEmpty() const;
};

bool operator==(const LightingSettings &a, const LightingSettings &b);
bool operator==(const PerformanceSettings &a, const PerformanceSettings &b);
bool operator==(const AdvancedBinding &a, const AdvancedBinding &b);
bool operator==(const ProfileData &a, const ProfileData &b);
inline bool operator!=(const ProfileData &a, const ProfileData &b) { return !(a == b); }

// Pure and lenient: a known member of the wrong JSON type reads as its
// default (numbers are rounded to integers where integers are stored). Any
// input gives a result. Numbers the keyboard is given are held to what it
// can hold (lighting mode 0..256 and levels 0..255; travels, dead zones,
// slider positions and MPT points 0..65535; delays 0..2550 ms; DKS travel
// 0..65.535 mm, finite), so nothing read reaches arithmetic out of range.
ProfileData readProfile(const QJsonObject &document);
// The profile file's document, member for member as the profile manager
// writes it.
QJsonObject writeProfile(const ProfileData &profile);
// What a fresh profile manager starts from.
ProfileData defaultProfile();

// The binding held by an advanced-key record variant (DKSInfo ... MACROInfo,
// RSInfo) and its key index; false for any other variant.
bool bindingFromRecord(const QVariant &record, AdvancedBinding *binding, int *keyIndex);
// The "AdvancedKey" entry of a binding; empty for Bind_None.
QJsonObject bindingEntry(const AdvancedBinding &binding);

Q_DECLARE_METATYPE(ProfileData)
