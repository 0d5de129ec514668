#include "AdvancedKeyKinds.h"

#include <QMetaType>

#include <array>

namespace {

const std::array<AdvancedKindTraits, AdvancedKindCount> kTraits = {{
    {Bind_DKS, 1, "TDKS", "DKS"},
    {Bind_MPT, 2, "MPT", "MPT"},
    {Bind_MT, 3, "MT", "MT"},
    {Bind_TGL, 4, "TGL", "TGL"},
    {Bind_END, 5, "END", "END"},
    {Bind_MACRO, 6, "MACRO", "MACRO"},
    {Bind_SOCD, 8, "SOCD", "SOCD"},
    {Bind_RS, 9, "RS", "RS"},
}};

template <std::size_t I = 0>
std::optional<AdvancedRecord> fromVariant(const QVariant &value)
{
    if constexpr (I == std::variant_size_v<AdvancedRecord>) {
        return std::nullopt;
    } else {
        using Record = std::variant_alternative_t<I, AdvancedRecord>;
        if (value.userType() == qMetaTypeId<Record>())
            return AdvancedRecord(std::in_place_index<I>, value.value<Record>());
        return fromVariant<I + 1>(value);
    }
}

template <std::size_t I = 0>
std::optional<AdvancedRecord> ofKind(int kind)
{
    if constexpr (I == std::variant_size_v<AdvancedRecord>) {
        return std::nullopt;
    } else {
        if (kind == int(I))
            return AdvancedRecord(std::in_place_index<I>);
        return ofKind<I + 1>(kind);
    }
}

} // namespace

const AdvancedKindTraits *advancedKindTraits(int kind)
{
    return kind >= 0 && kind < AdvancedKindCount ? &kTraits[size_t(kind)] : nullptr;
}

int advancedKindOfNibble(int nibble)
{
    for (const AdvancedKindTraits &t : kTraits)
        if (t.wireNibble == nibble)
            return t.kind;
    return Bind_None;
}

int advancedKindOfItem(const QString &item)
{
    for (const AdvancedKindTraits &t : kTraits)
        if (item == QLatin1String(t.profileItem))
            return t.kind;
    return Bind_None;
}

int advancedKeyOf(const AdvancedRecord &record)
{
    return std::visit([](const auto &r) { return r.keyIndex; }, record);
}

std::optional<AdvancedRecord> advancedRecordOfKind(int kind, int keyIndex)
{
    std::optional<AdvancedRecord> record = ofKind(kind);
    if (record)
        std::visit([keyIndex](auto &r) { r.keyIndex = keyIndex; }, *record);
    return record;
}

std::optional<AdvancedRecord> advancedRecordFromVariant(const QVariant &value)
{
    return fromVariant(value);
}

QVariant advancedRecordToVariant(const AdvancedRecord &record)
{
    return std::visit([](const auto &r) { return QVariant::fromValue(r); }, record);
}

namespace {

template <typename... Records>
QList<int> keysOfAny(const QVariant &map, std::variant<Records...> *)
{
    QList<int> keys;
    (void)((map.userType() == qMetaTypeId<QMap<int, Records>>() ? (keys = map.value<QMap<int, Records>>().keys(), true)
                                                                  : false)
           || ...);
    return keys;
}

} // namespace

QList<int> advancedMapKeys(const QVariant &map)
{
    return keysOfAny(map, static_cast<AdvancedRecord *>(nullptr));
}
