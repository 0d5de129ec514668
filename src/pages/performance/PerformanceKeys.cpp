// The travel and rapid-trigger state of the keys on the keyboard view:
// what the page's controls change on the selected keys, what is written to
// the keyboard and stored in the profile for it, and what the keyboard's
// read-back shows on them.

#include "PerformancePageWgt.h"

#include "KeyTypeTable.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "TravelScale.h"
#include "Units.h"

#include <QSet>

double PerformancePageWgt::globalTravelMm() const
{
    return globalTravelUm() / 1000.0;
}

int PerformancePageWgt::globalTravelUm() const
{
    return config()->hasConfig() ? config()->config().performance.globalTravelUm : mmToMicrons(DefaultGlobalTravelMm);
}

// A key's travel state as the configuration holds it. A key on the global
// travel follows it; a distance of 0 carries no setting and gives the
// default in its place.
KeyTravelState PerformancePageWgt::travelState(int keyType) const
{
    const KeyboardConfig &c = config()->config();
    const double global = globalTravelMm();
    KeyTravelState s;
    s.firstType = keyType;
    s.bindKind = c.bindKindOf(keyType);
    s.travel = global;
    s.press = RapidTriggerDefaultMm;
    s.release = RapidTriggerDefaultMm;
    const auto rec = c.keyTravel.constFind(keyType);
    if (rec == c.keyTravel.cend())
        return s;
    if (rec->workMode == WorkOwnTravel || (rec->workMode == WorkRapid && rec->keyTouchDis))
        s.travel = rec->keyTouchDis / 1000.0; // micrometres
    s.ownTravel = rec->workMode == WorkOwnTravel;
    s.rapid = rec->workMode == WorkRapid;
    if (rec->quickTouchPressDis)
        s.press = rec->quickTouchPressDis / 1000.0;
    if (rec->quickTouchUpDis)
        s.release = rec->quickTouchUpDis / 1000.0;
    return s;
}

KeyTravelState PerformancePageWgt::travelState(const KeyboardBtn *key) const
{
    return travelState(key->firstType());
}

void PerformancePageWgt::showKeyTravel(KeyboardBtn *key) const
{
    const KeyTravelState s = travelState(key);
    key->setTravel(s.travel, s.ownTravel);
    key->setRapidTrigger(s.rapid);
    key->setRapidTriggerDistances(s.press, s.release);
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
    // A key that follows the global travel is named so, not by the travel
    // its unused cell holds.
    constexpr int FollowsGlobal = -1;
    QSet<int> from, to;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const KeyTravelRecord was = now.keyTravel.value(it.key());
        rapidChanges = rapidChanges || (was.workMode == WorkRapid) != (it->workMode == WorkRapid)
            || was.quickTouchPressDis != it->quickTouchPressDis || was.quickTouchUpDis != it->quickTouchUpDis;
        from.insert(was.workMode == WorkGlobal ? FollowsGlobal : was.keyTouchDis);
        to.insert(it->workMode == WorkGlobal ? FollowsGlobal : it->keyTouchDis);
    }
    const QString keys = records.size() == 1 ? keyLegend(records.firstKey()) : tr("%1 个按键").arg(records.size());
    KeyboardConfigModel::EditText text;
    if (rapidChanges) {
        text.what = tr("%1 的快速触发").arg(keys);
    } else {
        text.what = tr("%1 的触发行程").arg(keys);
        const int decimals = m_decimals;
        auto named = [this, decimals](int um) {
            return um == FollowsGlobal ? tr("跟随全局") : travelText(um / 1000.0, decimals) + QStringLiteral(" mm");
        };
        if (from.size() == 1 && to.size() == 1) {
            text.from = named(*from.cbegin());
            text.to = named(*to.cbegin());
        }
    }
    config()->edit(text, rapidChanges ? KeyboardConfigModel::MergeRapidTrigger : KeyboardConfigModel::MergeKeyTravel,
                   [&records](KeyboardConfig &c) {
                       for (auto it = records.cbegin(); it != records.cend(); ++it)
                           c.setKeyTravel(it.key(), *it);
                   });
    // The keys show what the configuration now holds. While a keyboard is
    // being read there is none; its read-back's end draws every key.
    if (!config()->hasConfig())
        return;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        for (KeyboardBaseWgt *view : keyboards()->views())
            if (KeyboardBtn *b = view->buttonForType(it.key()))
                showKeyTravel(b);
}

template <typename Change>
void PerformancePageWgt::editKeys(const QList<KeyboardBtn *> &keys, Change change, EntriesOf entriesOf)
{
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : keys) {
        KeyTravelState s = travelState(b);
        change(b, s);
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
    const double global = globalTravelMm();
    editKeys(
        keys,
        [&](KeyboardBtn *b, KeyTravelState &s) {
            s.travel = travelMm.value(b);
            s.ownTravel = travelDiffersFromGlobal(s.travel, global);
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
    const double global = globalTravelMm();
    editCheckedKeys(
        [&](KeyboardBtn *, KeyTravelState &s) {
            s.travel = mm;
            s.ownTravel = travelDiffersFromGlobal(mm, global);
        },
        travelChangeEntries);
}

void PerformancePageWgt::setCheckedKeysRapidTrigger(bool on)
{
    if (!isActive())
        return;
    if (on) {
        editCheckedKeys([](KeyboardBtn *, KeyTravelState &s) { s.rapid = true; }, rapidOnEntries);
        return;
    }
    const double global = globalTravelMm();
    editCheckedKeys(
        [global](KeyboardBtn *, KeyTravelState &s) {
            s.rapid = false;
            s.ownTravel = travelDiffersFromGlobal(s.travel, global);
        },
        rapidOffEntries);
}

void PerformancePageWgt::setCheckedKeysRapidDistances(double press, double release)
{
    if (!isActive())
        return;
    editCheckedKeys(
        [press, release](KeyboardBtn *, KeyTravelState &s) {
            s.rapid = true;
            s.press = press;
            s.release = release;
        },
        rapidOnEntries);
}

void PerformancePageWgt::resetCheckedKeysToGlobal()
{
    if (!isActive())
        return;
    const double global = globalTravelMm();
    editCheckedKeys(
        [global](KeyboardBtn *, KeyTravelState &s) {
            s.travel = global;
            s.ownTravel = false;
            // The mode byte written carries no rapid-trigger flag, so the key
            // shows it off as the keyboard has it.
            s.rapid = false;
        },
        resetEntries);
}

// Keys without a travel of their own follow a new global travel.
void PerformancePageWgt::onUpdateOtherKeyTouch()
{
    if (!isActive())
        return;
    for (KeyboardBtn *b : keyboards()->keys())
        showKeyTravel(b);
}

void PerformancePageWgt::showRapidTriggerBorders(bool on)
{
    if (!isActive())
        return;
    const KeyboardConfig &c = config()->config();
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setKeyColour(KeyboardBtn::NeutralColour);
        if (c.keyTravel.value(b->firstType()).workMode == WorkRapid)
            b->setHighlight(on);
    }
}

void PerformancePageWgt::checkRapidTriggerKeys()
{
    if (!isActive())
        return;
    const KeyboardConfig &c = config()->config();
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setSelectable(true);
        if (c.keyTravel.value(b->firstType()).workMode == WorkRapid)
            b->setKeyChecked(true);
    }
}

void PerformancePageWgt::applyRapidTriggerToCheckedKeys()
{
    if (!isActive())
        return;
    const double global = globalTravelMm();
    const double press = RapidTriggerDefaultMm;
    const double release = RapidTriggerDefaultMm;
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : keyboards()->keys()) {
        KeyTravelState s = travelState(b);
        const bool hadRapid = s.rapid;
        if (b->isKeyChecked()) {
            s.travel = global;
            s.ownTravel = false;
            s.rapid = true;
            if (!hadRapid) {
                s.press = press;
                s.release = release;
            }
            records.insert(s.firstType, keyTravelRecord(s, rapidOnEntries(s, &entries)));
        } else if (hadRapid) {
            // A key taken out of rapid trigger is told so, or the keyboard
            // would keep it on while the view shows it off.
            s.rapid = false;
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

// Every key as the configuration holds it.
void PerformancePageWgt::showKeyboardTravel()
{
    qCDebug(lcKeyboard) << "刷新性能数据";
    for (KeyboardBtn *b : keyboards()->keys())
        showKeyTravel(b);
    if (isCurrent() && subPage() == SubPageTravel)
        showRapidTriggerBorders(true);
}
