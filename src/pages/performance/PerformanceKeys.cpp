// The travel and rapid-trigger state of the keys on the keyboard view:
// what the page's controls change on the selected keys, what is written to
// the keyboard and stored in the profile for it, and what the keyboard's
// read-back shows on them.

#include "PerformancePageWgt.h"

#include "BoardRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardFeatures.h"
#include "KeyboardFeeds.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "TravelScale.h"

#include <QSet>

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

// The keyboard's per-key records: every key first back to the global
// travel without rapid trigger, then as its record says. A distance of 0
// carries no setting and leaves the key's shown value as it is.
void PerformancePageWgt::showKeyboardTravel(const QMap<int, KeyTravelRecord> &keys)
{
    qCDebug(lcKeyboard) << "刷新性能数据";
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setRapidTrigger(false);
        b->setTravel(global, false);
        const auto rec = keys.constFind(b->firstType());
        if (rec == keys.cend())
            continue;
        const bool own = rec->workMode == WorkOwnTravel;
        if (rec->keyTouchDis || own)
            b->setTravel(rec->keyTouchDis / 1000.0, own); // micrometres
        b->setRapidTrigger(rec->workMode == WorkRapid);
        if (rec->quickTouchPressDis || rec->quickTouchUpDis)
            b->setRapidTriggerDistances(
                rec->quickTouchPressDis ? rec->quickTouchPressDis / 1000.0 : b->keyData().rapidTriggerPress,
                rec->quickTouchUpDis ? rec->quickTouchUpDis / 1000.0 : b->keyData().rapidTriggerRelease);
    }
    if (isCurrent() && subPage() == SubPageTravel)
        showRapidTriggerBorders(true);
}
