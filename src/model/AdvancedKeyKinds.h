#pragma once

// The eight advanced-key kinds as one type. A record's index in the variant
// is its BindKeyType; the traits table says, per kind, what the keyboard and
// the profile documents call it. Libraries this one must not depend on keep
// their own rows, in the same order: the device's request type, encoder and
// decoders (advancedKindWire), the advanced page's editor
// (advancedEditorFactory) and the key badge. Adding a kind is a record type,
// a row in each, the profile members' reader and writer, and an editor.

#include "AdvancedKeyInfo.h"

#include <QString>
#include <QVariant>

#include <QList>
#include <QMap>

#include <array>
#include <optional>
#include <tuple>
#include <variant>

using AdvancedRecord = std::variant<DKSInfo, MPTInfo, MTInfo, TGLInfo, ENDInfo, MACROInfo, SOCDInfo, RSInfo>;

constexpr int AdvancedKindCount = int(std::variant_size_v<AdvancedRecord>);

// The order in which the keyboard's bindings are reported, listed and
// marked, kind by kind: each kind's map (key -> record) in this order.
constexpr std::array<int, AdvancedKindCount> AdvancedMapOrder = {Bind_DKS, Bind_MT,   Bind_TGL, Bind_MPT,
                                                                 Bind_END, Bind_SOCD, Bind_RS,  Bind_MACRO};

// One map per kind, in the variant's order: QMap<int, DKSInfo>, ...
template <typename Variant>
struct AdvancedMapsOf;
template <typename... Records>
struct AdvancedMapsOf<std::variant<Records...>> {
    using type = std::tuple<QMap<int, Records>...>;
};
using AdvancedMaps = AdvancedMapsOf<AdvancedRecord>::type;

// The keys of a kind's map carried in a QVariant; empty for anything else.
QList<int> advancedMapKeys(const QVariant &map);

struct AdvancedKindTraits {
    BindKeyType kind;
    // The low nibble of per-key parameter 8. Not kind + 1: the keyboard
    // leaves 7 unused, so SOCD and RS sit one higher.
    quint8 wireNibble;
    const char *profileItem; // "BindItem" of a profile's "AdvancedKey" entry
    const char *label;       // what the key shows
};

// Rows in BindKeyType order; nullptr for anything else.
const AdvancedKindTraits *advancedKindTraits(int kind);
// The kind whose wire nibble or profile item this is; Bind_None when none.
int advancedKindOfNibble(int nibble);
int advancedKindOfItem(const QString &item);

inline int advancedKindOf(const AdvancedRecord &record) { return int(record.index()); }
int advancedKeyOf(const AdvancedRecord &record);
// The record of a kind with its defaults and keyIndex set; nullopt for an unknown kind.
std::optional<AdvancedRecord> advancedRecordOfKind(int kind, int keyIndex);

// A record carried in a QVariant (DKSInfo ... RSInfo, MACROInfo) as the
// variant, and back; nullopt for anything else.
std::optional<AdvancedRecord> advancedRecordFromVariant(const QVariant &value);
QVariant advancedRecordToVariant(const AdvancedRecord &record);
