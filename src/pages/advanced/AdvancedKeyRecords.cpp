#include "AdvancedKeyRecords.h"

#include "Hook.h"
#include "KB2ActionData.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"

#include <QHash>

namespace {

template <typename Record>
QVariant keyed(Record record, int key)
{
    record.keyIndex = key;
    return QVariant::fromValue(record);
}

void appendBound(QList<int> &out, int type)
{
    if (type >= 0)
        out << type;
}

} // namespace

QVariant keyBindingRecord(const KeyInfo &info)
{
    const int key = int(info.firstType);
    switch (info.bindKind) {
    case Bind_DKS: return keyed(info.dks, key);
    case Bind_MPT: return keyed(info.mpt, key);
    case Bind_MT: return keyed(info.mt, key);
    case Bind_TGL: return keyed(info.tgl, key);
    case Bind_END: return keyed(info.end, key);
    case Bind_MACRO: return keyed(info.macro, key);
    case Bind_SOCD: return keyed(info.socd, key);
    case Bind_RS: return keyed(info.rs, key);
    default: return QVariant();
    }
}

int recordKind(const QVariant &record)
{
    const std::optional<AdvancedRecord> r = advancedRecordFromVariant(record);
    return r ? advancedKindOf(*r) : Bind_None;
}

int recordKey(const QVariant &record)
{
    const std::optional<AdvancedRecord> r = advancedRecordFromVariant(record);
    return r ? advancedKeyOf(*r) : -1;
}

bool applyBindingRecord(KeyInfo *info, const QVariant &record)
{
    const int kind = recordKind(record);
    switch (kind) {
    case Bind_DKS: info->dks = record.value<DKSInfo>(); break;
    case Bind_MPT: info->mpt = record.value<MPTInfo>(); break;
    case Bind_MT: info->mt = record.value<MTInfo>(); break;
    case Bind_TGL: info->tgl = record.value<TGLInfo>(); break;
    case Bind_END: info->end = record.value<ENDInfo>(); break;
    case Bind_MACRO: info->macro = record.value<MACROInfo>(); break;
    case Bind_SOCD: info->socd = record.value<SOCDInfo>(); break;
    case Bind_RS: info->rs = record.value<RSInfo>(); break;
    default: return false;
    }
    info->bindKind = kind;
    return true;
}

QList<int> boundKeyTypes(const KeyInfo &info)
{
    QList<int> out;
    switch (info.bindKind) {
    case Bind_DKS:
        for (int t : info.dks.bindKey)
            appendBound(out, t);
        break;
    case Bind_MPT:
        for (int t : info.mpt.bindKey)
            appendBound(out, t);
        break;
    case Bind_MT:
        appendBound(out, info.mt.pressType);
        appendBound(out, info.mt.clickType);
        break;
    case Bind_TGL: appendBound(out, info.tgl.switchType); break;
    case Bind_END: appendBound(out, info.end.switchType); break;
    case Bind_SOCD: appendBound(out, info.socd.switchType); break;
    case Bind_RS: appendBound(out, info.rs.switchType); break;
    default: break;
    }
    return out;
}

int pairedKeyType(const KeyInfo &info)
{
    if (info.bindKind == Bind_SOCD)
        return info.socd.switchType >= 0 ? info.socd.switchType : -1;
    if (info.bindKind == Bind_RS)
        return info.rs.switchType >= 0 ? info.rs.switchType : -1;
    return -1;
}

bool writeBindingRecord(AdvancedKeyControl *device, const QVariant &record)
{
    const std::optional<AdvancedRecord> r = advancedRecordFromVariant(record);
    return r && device->writeAdvancedBinding(*r);
}

bool isBindableKeyType(int type)
{
    return keyTypeHasCode(type) && keyTypeCode(type) != 0
        && kb2_model_to_wire(keyTypeCode(type)) != WireKeyTable::NoKey;
}

int keyTypeOfHookType(int hookType)
{
    // The hook numbers letters A..Z and digits 0..9 in order; the key types
    // follow the keyboard's rows.
    static const QHash<int, int> table = [] {
        QHash<int, int> t;
        t.insert(Hook::KEY_ESC, 0);
        for (int i = 0; i < 12; ++i)
            t.insert(Hook::KEY_F1 + i, 1 + i);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        for (int i = 0; i < letters.size(); ++i)
            t.insert(Hook::KEY_A + i, keyTypeFromName(letters.mid(i, 1)));
        t.insert(Hook::KEY_0, 26);
        for (int i = 1; i <= 9; ++i)
            t.insert(Hook::KEY_0 + i, 16 + i);
        const QPair<int, int> others[] = {
            {Hook::KEY_PSCR, 13},   {Hook::KEY_SCRL, 14},   {Hook::KEY_PAUSE, 15},  {Hook::KEY_INS, 30},
            {Hook::KEY_HOME, 31},   {Hook::KEY_PGUP, 32},   {Hook::KEY_DEL, 47},    {Hook::KEY_END, 48},
            {Hook::KEY_PGDN, 49},   {Hook::KEY_GRV, 16},    {Hook::KEY_MINS, 27},   {Hook::KEY_EQL, 28},
            {Hook::KEY_BSPC, 29},   {Hook::KEY_TAB, 33},    {Hook::KEY_LBRC, 44},   {Hook::KEY_RBRC, 45},
            {Hook::KEY_BSLC, 46},   {Hook::KEY_CAPS, 50},   {Hook::KEY_SCLN, 60},   {Hook::KEY_QUOT, 61},
            {Hook::KEY_ENT, 62},    {Hook::KEY_LSHIFT, 63}, {Hook::KEY_COMM, 71},   {Hook::KEY_DOT, 72},
            {Hook::KEY_SLSH, 73},   {Hook::KEY_RSHIFT, 74}, {Hook::KEY_UP, 75},     {Hook::KEY_LCTRL, 76},
            {Hook::KEY_LWIN, 77},   {Hook::KEY_LALT, 78},   {Hook::KEY_SPACE, 79},  {Hook::KEY_RALT, 80},
            {Hook::KEY_FN, 81},     {Hook::KEY_APP, 82},    {Hook::KEY_RCTRL, 83},  {Hook::KEY_LEFT, 84},
            {Hook::KEY_DOWN, 85},   {Hook::KEY_RIGHT, 86},  {Hook::KEY_NUM, 87},    {Hook::KEY_PSLS, 88},
            {Hook::KEY_PAST, 89},   {Hook::KEY_PMNS, 90},   {Hook::KEY_PPLS, 102},  {Hook::KEY_PENT, 103},
            {Hook::KEY_PDOT, 101},  {Hook::KEY_P1, 97},     {Hook::KEY_P2, 98},     {Hook::KEY_P3, 99},
            {Hook::KEY_P4, 94},     {Hook::KEY_P5, 95},     {Hook::KEY_P6, 96},     {Hook::KEY_P7, 91},
            {Hook::KEY_P8, 92},     {Hook::KEY_P9, 93},     {Hook::KEY_P0, 100},
        };
        for (const auto &p : others)
            t.insert(p.first, p.second);
        return t;
    }();
    return table.value(hookType, -1);
}
