// The travel and rapid-trigger state of the keys on the keyboard view:
// what the page's controls change on the selected keys, what is written to
// the keyboard and stored in the profile for it, and what the keyboard's
// read-back shows on them.

#include "PerformancePageWgt.h"

#include "BoardRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "TravelScale.h"

#include <QSet>

namespace {

// A cell of a 6 x 21 table, or false when the table does not reach it.
template <typename T>
bool cellOf(const QList<QList<T>> &table, int row, int column, T *value)
{
    if (row < 0 || column < 0 || row >= table.size() || column >= table.at(row).size())
        return false;
    *value = table.at(row).at(column);
    return true;
}

} // namespace

void PerformancePageWgt::connectKeyEdits()
{
    connectTracked(worker(), &KeyboardAction::sigKB2LayoutDB, [this](const QVariant &map) { onLayoutDB(map); });
    connectTracked(worker(), &KeyboardAction::sigKB2LayoutDis,
                   [this](const QList<QList<quint16>> &t, const QList<QList<quint16>> &p,
                          const QList<QList<quint16>> &r) { onLayoutDis(t, p, r); });
}

KeyTravelState PerformancePageWgt::travelState(const KeyboardBtn *key) const
{
    const KeyInfo &k = key->keyData();
    KeyTravelState s;
    s.firstType = int(k.firstType);
    s.bindKind = k.bindKind();
    s.travel = k.travel;
    s.ownTravel = k.travelDiffers != 0;
    s.rapid = k.rapidTrigger != 0;
    s.press = k.rapidTriggerPress;
    s.release = k.rapidTriggerRelease;
    return s;
}

// The keys' new travel states as one step of the history; the difference
// goes to the keyboard and into the profile. The entries the page's rules
// give are what that difference holds for the keys the user edited.
void PerformancePageWgt::writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records)
{
    (void)entries;
    if (records.isEmpty())
        return;
    const KeyboardConfig &now = config()->config();
    bool rapidChanges = false;
    QSet<int> from, to;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const KeyTravelRecord was = now.keyTravel.value(it.key());
        rapidChanges = rapidChanges || (was.workMode == WorkRapid) != (it->workMode == WorkRapid)
            || was.quickTouchPressDis != it->quickTouchPressDis || was.quickTouchUpDis != it->quickTouchUpDis;
        from.insert(was.keyTouchDis);
        to.insert(it->keyTouchDis);
    }
    const QString keys = records.size() == 1 ? keyLegend(records.firstKey()) : tr("%1 个按键").arg(records.size());
    KeyboardConfigModel::EditText text;
    if (rapidChanges) {
        text.what = tr("%1 的快速触发").arg(keys);
    } else {
        text.what = tr("%1 的触发行程").arg(keys);
        const int decimals = AppParams::decimals();
        if (from.size() == 1 && to.size() == 1) {
            text.from = travelText(*from.cbegin() / 1000.0, decimals) + QStringLiteral(" mm");
            text.to = travelText(*to.cbegin() / 1000.0, decimals) + QStringLiteral(" mm");
        }
    }
    config()->edit(text, rapidChanges ? KeyboardConfigModel::MergeRapidTrigger : KeyboardConfigModel::MergeKeyTravel,
                   [&records](KeyboardConfig &c) {
                       for (auto it = records.cbegin(); it != records.cend(); ++it)
                           c.setKeyTravel(it.key(), *it);
                   });
}

template <typename Change>
void PerformancePageWgt::editKeys(const QList<KeyboardBtn *> &keys, Change change, EntriesOf entriesOf)
{
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : keys) {
        change(b);
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, entriesOf(s, &entries)));
    }
    writeTravel(entries, records);
}

template <typename Change>
void PerformancePageWgt::editCheckedKeys(Change change, EntriesOf entriesOf)
{
    editKeys(keyboards()->checkedKeys(), change, entriesOf);
}

void PerformancePageWgt::setKeysTravel(const QMap<KeyboardBtn *, double> &travelMm)
{
    // In the view's order, as an edit of the same keys by the slider goes.
    QList<KeyboardBtn *> keys;
    for (KeyboardBtn *b : keyboards()->keys())
        if (travelMm.contains(b))
            keys << b;
    const double global = AppParams::globalTravel();
    editKeys(
        keys,
        [&](KeyboardBtn *b) {
            const double mm = travelMm.value(b);
            b->setTravel(mm, travelDiffersFromGlobal(mm, global));
        },
        travelChangeEntries);
}

void PerformancePageWgt::setKeysSelectable(bool on)
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys())
        b->setSelectable(on);
}

void PerformancePageWgt::setCheckedKeysTravel(double mm)
{
    if (!isActive())
        return;
    qCDebug(lcKeyboard, "SignalObject::sigModifyChoosedKeyTouch->%02d",
            keyboards()->view(0) ? keyboards()->view(0)->modelId() : -1);
    const double global = AppParams::globalTravel();
    editCheckedKeys([&](KeyboardBtn *b) { b->setTravel(mm, travelDiffersFromGlobal(mm, global)); },
                    travelChangeEntries);
}

void PerformancePageWgt::setCheckedKeysRapidTrigger(bool on)
{
    if (!isActive())
        return;
    if (on) {
        editCheckedKeys([](KeyboardBtn *b) { b->setRapidTrigger(true); }, rapidOnEntries);
        return;
    }
    editCheckedKeys(
        [](KeyboardBtn *b) {
            b->setRapidTrigger(false);
            b->setTravel(b->keyData().travel, travelDiffersFromGlobal(b->keyData().travel, AppParams::globalTravel()));
        },
        rapidOffEntries);
}

void PerformancePageWgt::setCheckedKeysRapidDistances(double press, double release)
{
    if (!isActive())
        return;
    editCheckedKeys(
        [press, release](KeyboardBtn *b) {
            b->setRapidTrigger(true);
            b->setRapidTriggerDistances(press, release);
        },
        rapidOnEntries);
}

void PerformancePageWgt::resetCheckedKeysToGlobal()
{
    if (!isActive())
        return;
    const double global = AppParams::globalTravel();
    editCheckedKeys(
        [global](KeyboardBtn *b) {
            b->setTravel(global, false);
            // The mode byte written carries no rapid-trigger flag, so the key
            // shows it off as the keyboard has it.
            b->setRapidTrigger(false);
        },
        resetEntries);
}

void PerformancePageWgt::onUpdateOtherKeyTouch()
{
    if (!isActive())
        return;
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : keyboards()->keys())
        if (!b->keyData().travelDiffers)
            b->setTravel(global, false);
}

void PerformancePageWgt::showRapidTriggerBorders(bool on)
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setKeyColour(KeyboardBtn::NeutralColour);
        if (b->keyData().rapidTrigger)
            b->setHighlight(on);
    }
}

void PerformancePageWgt::checkRapidTriggerKeys()
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setSelectable(true);
        if (b->keyData().rapidTrigger)
            b->setKeyChecked(true);
    }
}

void PerformancePageWgt::applyRapidTriggerToCheckedKeys()
{
    if (!isActive())
        return;
    const double global = AppParams::globalTravel();
    const double press = AppParams::rapidTriggerPressDefault();
    const double release = AppParams::rapidTriggerReleaseDefault();
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : keyboards()->keys()) {
        const bool hadRapid = b->keyData().rapidTrigger;
        b->setRapidTrigger(false);
        if (b->isKeyChecked()) {
            b->setTravel(global, false);
            b->setRapidTrigger(true);
            if (!hadRapid)
                b->setRapidTriggerDistances(press, release);
            const KeyTravelState s = travelState(b);
            records.insert(s.firstType, keyTravelRecord(s, rapidOnEntries(s, &entries)));
        } else if (hadRapid) {
            // A key taken out of rapid trigger is told so, or the keyboard
            // would keep it on while the view shows it off.
            const KeyTravelState s = travelState(b);
            records.insert(s.firstType, keyTravelRecord(s, rapidOffEntries(s, &entries)));
        }
    }
    writeTravel(entries, records);
}

void PerformancePageWgt::checkAllKeys(bool on)
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys())
        b->setKeyChecked(on); // a key that is not selectable stays unchecked
}

void PerformancePageWgt::checkWasdKeys()
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys())
        if (isWasdKey(b->currentType()))
            b->setKeyChecked(true);
}

// The keyboard's per-key work records: every key first back to the global
// travel without rapid trigger or binding, then as its record says.
void PerformancePageWgt::onLayoutDB(const QVariant &map)
{
    qCDebug(lcKeyboard) << "刷新性能数据";
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setAdvancedRecord(KeyInfo());
        b->setRapidTrigger(false);
        b->setTravel(global, false);
        b->setKeyColour(KeyboardBtn::NeutralColour);
    }
    const MapKB2DockerDB records = map.value<MapKB2DockerDB>();
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        KeyboardBtn *b = keyboards()->key(it.key());
        if (!b)
            continue;
        if (it->workMode == WorkOwnTravel)
            b->setTravel(it->keyTouchDis / 1000.0, true); // micrometres
        else if (it->workMode == WorkRapid)
            b->setRapidTrigger(true);
    }
    if (isCurrent() && subPage() == SubPageTravel)
        showRapidTriggerBorders(true);
}

void PerformancePageWgt::onLayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                                     const QList<QList<quint16>> &release)
{
    qCDebug(lcKeyboard) << "初始化形成数据";
    for (KeyboardBtn *b : keyboards()->keys()) {
        const int r = b->matrixRow(), c = b->matrixColumn();
        quint16 t = 0, p = 0, u = 0;
        // An empty cell (0) carries no setting and leaves the key as it is.
        if (cellOf(travel, r, c, &t) && t)
            b->setTravel(t / 1000.0, b->keyData().travelDiffers);
        const bool hasP = cellOf(press, r, c, &p) && p;
        const bool hasU = cellOf(release, r, c, &u) && u;
        if (hasP || hasU)
            b->setRapidTriggerDistances(hasP ? p / 1000.0 : b->keyData().rapidTriggerPress,
                                        hasU ? u / 1000.0 : b->keyData().rapidTriggerRelease);
    }
}
