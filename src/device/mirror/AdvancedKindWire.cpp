#include "AdvancedKindWire.h"

#include "BoardRecords.h"
#include "KB2ActionDataParams.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "Kb2Request.h"
#include "KeyTypeTable.h"
#include "Units.h"
#include "WireKeyTable.h"

#include <array>

using namespace kb2param;

namespace {

// The single wire record of a kind, or nullptr.
template <typename Wire>
const Wire *wireIn(const QList<QVariant> &records)
{
    for (const QVariant &v : records)
        if (v.userType() == qMetaTypeId<Wire>())
            return static_cast<const Wire *>(v.constData());
    return nullptr;
}

template <typename Wire>
QList<QVariant> one(const Wire &rec)
{
    return {QVariant::fromValue(rec)};
}

template <typename Info>
const Info *as(const AdvancedRecord &record)
{
    return std::get_if<Info>(&record);
}

// SOCD and RS bind a pair: each key names the other, so the keyboard holds
// both directions from one record.
template <typename Wire, typename Info>
QList<QVariant> encodePair(const AdvancedRecord &record, const AdvancedWireKeys &keys)
{
    const Info *info = as<Info>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    const quint8 pair = keys.wireOf(info->switchType);
    Wire rec;
    rec.key[0] = key;
    rec.DKS1[0] = pair;
    rec.key[1] = pair;
    rec.DKS1[1] = key;
    return one(rec);
}

// --- encoders: the records the keyboard takes for one key

QList<QVariant> encodeDks(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    const DKSInfo *info = as<DKSInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    STU_BoardFromTDKS rec;
    rec.key[0] = key;
    for (int i = 0; i < 4; ++i) {
        rec.b[i][0] = i < info->bindKey.size() ? keys.wireOf(info->bindKey.at(i)) : WireKeyTable::NoKey;
        rec.b[4 + i][0] = i < info->triggerValue.size() ? kb2_dks_action_byte(info->triggerValue.at(i)) : 0;
    }
    rec.value[0] = info->touchDis.isEmpty() ? 0 : mmToMicrons(info->touchDis.first());
    return one(rec);
}

QList<QVariant> encodeMpt(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    const MPTInfo *info = as<MPTInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    auto bound = [&](int i) {
        return i < info->bindKey.size() ? keys.wireOf(info->bindKey.at(i)) : WireKeyTable::NoKey;
    };
    auto point = [&](int i) {
        return i < info->triggerValue.size() ? quint16(qBound(0, info->triggerValue.at(i), 0xFFFF)) : quint16(0);
    };
    STU_BoardFromDDKS rec;
    rec.key[0] = key;
    rec.DKS1[0] = bound(0);
    rec.DKS2[0] = bound(1);
    rec.DKS3[0] = bound(2);
    rec.dB1[0] = point(0);
    rec.dB2[0] = point(1);
    rec.dB3[0] = point(2);
    return one(rec);
}

QList<QVariant> encodeMt(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    const MTInfo *info = as<MTInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    STU_BoardFromMT rec;
    rec.key[0] = key;
    rec.DKS1[0] = keys.wireOf(info->pressType);
    rec.DKS2[0] = keys.wireOf(info->clickType);
    rec.delay[0] = kb2_delay_units(info->delay);
    return one(rec);
}

QList<QVariant> encodeTgl(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    const TGLInfo *info = as<TGLInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    STU_BoardFromTGL rec;
    rec.key[0] = key;
    rec.DKS1[0] = keys.wireOf(info->switchType);
    rec.delay[0] = kb2_delay_units(info->delay);
    return one(rec);
}

QList<QVariant> encodeEnd(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    const ENDInfo *info = as<ENDInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey)
        return {};
    STU_BoardFromEND rec;
    rec.key[0] = key;
    rec.DKS1[0] = keys.wireOf(info->switchType);
    return one(rec);
}

QList<QVariant> encodeSocd(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    return encodePair<STU_BoardFromSOCD, SOCDInfo>(record, keys);
}

QList<QVariant> encodeRs(const AdvancedRecord &record, const AdvancedWireKeys &keys, int)
{
    return encodePair<STU_BoardFromRS, RSInfo>(record, keys);
}

} // namespace

quint32 macroStepWord(const MACRO_Key &step, const AdvancedWireKeys &keys)
{
    int type = keyTypeFromName(step.keyName);
    // An unknown name would otherwise read as type 0 (Esc).
    if (type == 0 && step.keyName != keyTypeName(0))
        type = KeyTypeNone;
    return kb2_macro_step_word(step.down, step.delay, keys.codeOf(type));
}

namespace {

// The steps in pieces at the macro's offsets, then the key's mode, store
// offset and step count. The caller bounds the steps to a macro's share
// of the store.
QList<QVariant> encodeMacro(const AdvancedRecord &record, const AdvancedWireKeys &keys, int number)
{
    const MACROInfo *info = as<MACROInfo>(record);
    const quint8 key = info ? keys.wireOf(info->keyIndex) : WireKeyTable::NoKey;
    if (key == WireKeyTable::NoKey || number < 0)
        return {};
    QList<QVariant> out;
    const QList<MACRO_Key> &steps = info->steps;
    STU_BoardFromMACRO piece;
    for (int i = 0; i < steps.size(); ++i) {
        const int slot = i % STU_BoardFromMACRO::MaxSteps;
        if (slot == 0) {
            piece = STU_BoardFromMACRO();
            piece.offset = quint16(number * MacroStride + i);
        }
        piece.step[slot] = macroStepWord(steps.at(i), keys);
        piece.count = quint8(slot + 1);
        if (piece.count == STU_BoardFromMACRO::MaxSteps || i == steps.size() - 1)
            out << QVariant::fromValue(piece);
    }
    STU_BoardFromKey rec;
    rec.key[0] = rec.key[1] = rec.key[2] = key;
    rec.param[0] = Mode;
    rec.value[0] = AdvancedMacro;
    rec.param[1] = MacroNumber;
    rec.value[1] = quint16(number * MacroStride);
    rec.param[2] = MacroSteps;
    rec.value[2] = quint16(steps.size());
    out << QVariant::fromValue(rec);
    return out;
}

// --- decoders: one entry of a wire record

template <typename Wire>
const Wire *entryOf(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys, int &type)
{
    const Wire *rec = wireIn<Wire>(records);
    if (!rec || entry < 0 || entry >= Wire::Entries)
        return nullptr;
    type = keys.typeOf(rec->key[entry]);
    return type < 0 ? nullptr : rec;
}

std::optional<AdvancedRecord> decodeDks(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    int type = KeyTypeNone;
    const STU_BoardFromTDKS *rec = entryOf<STU_BoardFromTDKS>(records, entry, keys, type);
    if (!rec)
        return std::nullopt;
    DKSInfo info;
    info.keyIndex = type;
    info.touchDis << rec->value[entry] / MicronsPerMm;
    for (int k = 0; k < 4; ++k) {
        info.bindKey << keys.typeOf(rec->b[k][entry]);
        info.triggerValue << kb2_dks_action_string(rec->b[4 + k][entry]);
    }
    return info;
}

std::optional<AdvancedRecord> decodeMpt(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    int type = KeyTypeNone;
    const STU_BoardFromDDKS *rec = entryOf<STU_BoardFromDDKS>(records, entry, keys, type);
    if (!rec)
        return std::nullopt;
    MPTInfo info;
    info.keyIndex = type;
    info.bindKey << keys.typeOf(rec->DKS1[entry]) << keys.typeOf(rec->DKS2[entry]) << keys.typeOf(rec->DKS3[entry]);
    info.triggerValue << rec->dB1[entry] << rec->dB2[entry] << rec->dB3[entry];
    return info;
}

std::optional<AdvancedRecord> decodeMt(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    int type = KeyTypeNone;
    const STU_BoardFromMT *rec = entryOf<STU_BoardFromMT>(records, entry, keys, type);
    if (!rec)
        return std::nullopt;
    MTInfo info;
    info.keyIndex = type;
    info.pressType = keys.typeOf(rec->DKS1[entry]);
    info.clickType = keys.typeOf(rec->DKS2[entry]);
    info.delay = rec->delay[entry] * DelayUnitMs;
    return info;
}

std::optional<AdvancedRecord> decodeTgl(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    int type = KeyTypeNone;
    const STU_BoardFromTGL *rec = entryOf<STU_BoardFromTGL>(records, entry, keys, type);
    if (!rec)
        return std::nullopt;
    TGLInfo info;
    info.keyIndex = type;
    info.switchType = keys.typeOf(rec->DKS1[entry]);
    info.delay = rec->delay[entry] * DelayUnitMs;
    return info;
}

template <typename Wire, typename Info>
std::optional<AdvancedRecord> decodeSwitch(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    int type = KeyTypeNone;
    const Wire *rec = entryOf<Wire>(records, entry, keys, type);
    if (!rec)
        return std::nullopt;
    Info info;
    info.keyIndex = type;
    info.switchType = keys.typeOf(rec->DKS1[entry]);
    return info;
}

// A macro is one entry: its key record and its step pieces.
std::optional<AdvancedRecord> decodeMacro(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys)
{
    if (entry != 0)
        return std::nullopt;
    const STU_BoardFromKey *rec = wireIn<STU_BoardFromKey>(records);
    if (!rec || rec->param[0] != Mode || (rec->value[0] & AdvancedMask) != AdvancedMacro)
        return std::nullopt;
    MACROInfo info;
    info.keyIndex = keys.typeOf(rec->key[0]);
    if (info.keyIndex < 0)
        return std::nullopt;
    const int count = rec->param[2] == MacroSteps ? rec->value[2] : 0;
    for (const QVariant &v : records) {
        if (v.userType() != qMetaTypeId<STU_BoardFromMACRO>())
            continue;
        const auto *piece = static_cast<const STU_BoardFromMACRO *>(v.constData());
        for (int slot = 0; slot < piece->count && info.steps.size() < count; ++slot) {
            MACRO_Key step;
            quint16 code = 0;
            kb2_macro_step_fields(piece->step[slot], step.down, step.delay, code);
            step.keyName = keyTypeName(keys.typeOf(kb2_model_to_wire(code)));
            info.steps << step;
        }
    }
    return info;
}

// --- from the per-key parameters

AdvancedRecord dksFromParams(int type, const AdvancedCellParams &p, const AdvancedWireKeys &keys)
{
    DKSInfo info;
    info.keyIndex = type;
    info.touchDis << p.points[0] / MicronsPerMm;
    for (int k = 0; k < 4; ++k) {
        info.bindKey << keys.typeOf(p.bound[k]);
        info.triggerValue << kb2_dks_action_string(p.actions[k]);
    }
    return info;
}

AdvancedRecord mptFromParams(int type, const AdvancedCellParams &p, const AdvancedWireKeys &keys)
{
    MPTInfo info;
    info.keyIndex = type;
    info.bindKey << keys.typeOf(p.bound[0]) << keys.typeOf(p.bound[1]) << keys.typeOf(p.bound[2]);
    info.triggerValue << p.points[0] << p.points[1] << p.points[2];
    return info;
}

AdvancedRecord mtFromParams(int type, const AdvancedCellParams &p, const AdvancedWireKeys &keys)
{
    MTInfo info;
    info.keyIndex = type;
    info.pressType = keys.typeOf(p.bound[0]);
    info.clickType = keys.typeOf(p.bound[1]);
    info.delay = p.delay * DelayUnitMs;
    return info;
}

AdvancedRecord tglFromParams(int type, const AdvancedCellParams &p, const AdvancedWireKeys &keys)
{
    TGLInfo info;
    info.keyIndex = type;
    info.switchType = keys.typeOf(p.bound[0]);
    info.delay = p.delay * DelayUnitMs;
    return info;
}

template <typename Info>
AdvancedRecord switchFromParams(int type, const AdvancedCellParams &p, const AdvancedWireKeys &keys)
{
    Info info;
    info.keyIndex = type;
    info.switchType = keys.typeOf(p.bound[0]);
    return info;
}

AdvancedRecord macroFromParams(int type, const AdvancedCellParams &, const AdvancedWireKeys &)
{
    MACROInfo info;
    info.keyIndex = type;
    return info;
}

std::array<AdvancedKindWire, AdvancedKindCount> makeTable()
{
    return {{
        {Bind_DKS, Kb2Req::TDKS, qMetaTypeId<STU_BoardFromTDKS>(), STU_BoardFromTDKS::Entries, encodeDks, decodeDks, dksFromParams},
        {Bind_MPT, Kb2Req::DDKS, qMetaTypeId<STU_BoardFromDDKS>(), STU_BoardFromDDKS::Entries, encodeMpt, decodeMpt, mptFromParams},
        {Bind_MT, Kb2Req::MT, qMetaTypeId<STU_BoardFromMT>(), STU_BoardFromMT::Entries, encodeMt, decodeMt, mtFromParams},
        {Bind_TGL, Kb2Req::TGL, qMetaTypeId<STU_BoardFromTGL>(), STU_BoardFromTGL::Entries, encodeTgl, decodeTgl, tglFromParams},
        {Bind_END, Kb2Req::END, qMetaTypeId<STU_BoardFromEND>(), STU_BoardFromEND::Entries, encodeEnd,
         decodeSwitch<STU_BoardFromEND, ENDInfo>, switchFromParams<ENDInfo>},
        {Bind_MACRO, Kb2Req::Macro, qMetaTypeId<STU_BoardFromMACRO>(), 1, encodeMacro, decodeMacro, macroFromParams},
        {Bind_SOCD, Kb2Req::SOCD, qMetaTypeId<STU_BoardFromSOCD>(), STU_BoardFromSOCD::Entries, encodeSocd,
         decodeSwitch<STU_BoardFromSOCD, SOCDInfo>, switchFromParams<SOCDInfo>},
        {Bind_RS, Kb2Req::RS, qMetaTypeId<STU_BoardFromRS>(), STU_BoardFromRS::Entries, encodeRs,
         decodeSwitch<STU_BoardFromRS, RSInfo>, switchFromParams<RSInfo>},
    }};
}

const std::array<AdvancedKindWire, AdvancedKindCount> &table()
{
    static const std::array<AdvancedKindWire, AdvancedKindCount> rows = makeTable();
    return rows;
}

} // namespace

const AdvancedKindWire *advancedKindWire(int kind)
{
    return kind >= 0 && kind < AdvancedKindCount ? &table()[size_t(kind)] : nullptr;
}

int advancedKindOfWireRecord(const QVariant &record)
{
    for (const AdvancedKindWire &row : table())
        if (row.wireRecord == record.userType())
            return row.kind;
    return Bind_None;
}
