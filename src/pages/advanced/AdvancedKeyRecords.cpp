#include "AdvancedKeyRecords.h"

#include "Hook.h"
#include "KeyboardController.h"
#include "KeyTypeTable.h"

#include <QHash>

namespace {

void appendBound(QList<int> &out, int type)
{
    if (type >= 0)
        out << type;
}

// What each kind sends, in the record's order.
void appendBound(QList<int> &out, const DKSInfo &r)
{
    for (int t : r.bindKey)
        appendBound(out, t);
}

void appendBound(QList<int> &out, const MPTInfo &r)
{
    for (int t : r.bindKey)
        appendBound(out, t);
}

void appendBound(QList<int> &out, const MTInfo &r)
{
    appendBound(out, r.pressType);
    appendBound(out, r.clickType);
}

void appendBound(QList<int> &out, const MACROInfo &)
{
    Q_UNUSED(out)
}

// TGL, END, SOCD and RS: the one other key.
template <typename Switch>
void appendBound(QList<int> &out, const Switch &r)
{
    appendBound(out, r.switchType);
}

} // namespace

QVariant keyBindingRecord(const KeyInfo &info)
{
    if (!info.binding)
        return QVariant();
    AdvancedRecord r = *info.binding;
    const int key = int(info.firstType);
    std::visit([key](auto &x) { x.keyIndex = key; }, r);
    return advancedRecordToVariant(r);
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
    const std::optional<AdvancedRecord> r = advancedRecordFromVariant(record);
    if (!r)
        return false;
    info->binding = r;
    return true;
}

QList<int> boundKeyTypes(const KeyInfo &info)
{
    QList<int> out;
    if (info.binding)
        std::visit([&out](const auto &r) { appendBound(out, r); }, *info.binding);
    return out;
}

int pairedKeyType(const KeyInfo &info)
{
    if (const SOCDInfo *socd = info.bound<SOCDInfo>())
        return socd->switchType >= 0 ? socd->switchType : -1;
    if (const RSInfo *rs = info.bound<RSInfo>())
        return rs->switchType >= 0 ? rs->switchType : -1;
    return -1;
}

bool isBindableKeyType(int type)
{
    return KeyboardController::isBindableKeyType(type);
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
