// The travel and rapid-trigger state of the keys on the keyboard view:
// what the page's signals change on the selected keys, what is written to
// the keyboard and stored in the profile for it, and what the keyboard's
// read-back shows on them.

#include "PerformancePageWgt.h"

#include "BoardRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "SignalObject.h"

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
    SignalObject *hub = SignalObject::instance();
    connectTracked(hub, &SignalObject::sigKeyOptional, [this](bool on) { setKeysSelectable(on); });
    connectTracked(hub, &SignalObject::sigModifyChoosedKeyTouch, [this](double mm) { onModifyChoosedKeyTouch(mm); });
    connectTracked(hub, &SignalObject::sigOpenQuickTouchMode, [this] {
        editCheckedKeys([](KeyboardBtn *b) { b->setRapidTrigger(true); }, rapidOnEntries);
    });
    connectTracked(hub, &SignalObject::sigCloseQuickTouchMode, [this] {
        editCheckedKeys(
            [](KeyboardBtn *b) {
                b->setRapidTrigger(false);
                b->setTravel(b->keyData().travel,
                             travelDiffersFromGlobal(b->keyData().travel, AppParams::globalTravel()));
            },
            rapidOffEntries);
    });
    connectTracked(hub, &SignalObject::sigUpdateChooseKeyQuickTouchDis, [this](double press, double release) {
        editCheckedKeys(
            [press, release](KeyboardBtn *b) {
                b->setRapidTrigger(true);
                b->setRapidTriggerDistances(press, release);
            },
            rapidOnEntries);
    });
    connectTracked(hub, &SignalObject::sigUpdateOherKeyTouch, [this] { onUpdateOtherKeyTouch(); });
    connectTracked(hub, &SignalObject::sigResetAllKeyTouchDis, [this] { onResetAllKeyTouchDis(); });
    connectTracked(hub, &SignalObject::sigShowTouchDisKeyBorder, [this](bool on) { onShowTouchDisKeyBorder(on); });
    connectTracked(hub, &SignalObject::sigShowQuickTouchKeyBorder, [this](bool on) { onShowQuickTouchKeyBorder(on); });
    connectTracked(hub, &SignalObject::sigSetQuickTouchKeyChoosed, [this] { onSetQuickTouchKeyChoosed(); });
    connectTracked(hub, &SignalObject::sigSetChoosedKeyQuickTouck, [this] { onSetChoosedKeyQuickTouck(); });
    connectTracked(hub, &SignalObject::sigChooseAllKey, [this](bool on) { onChooseAllKey(on); });
    connectTracked(hub, &SignalObject::sigChooseASDWKey, [this] { onChooseWasd(); });

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
    s.bindKind = k.bindKind;
    s.travel = k.travel;
    s.ownTravel = k.travelDiffers != 0;
    s.rapid = k.rapidTrigger != 0;
    s.press = k.rapidTriggerPress;
    s.release = k.rapidTriggerRelease;
    return s;
}

void PerformancePageWgt::writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records)
{
    if (!entries.isEmpty())
        worker()->sendSingleKeyData(entries);
    if (!records.isEmpty())
        profiles()->UpdateBoardKeyTouch(records);
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
    for (KeyboardBtn *b : keyboards()->keys())
        b->setSelectable(on);
}

void PerformancePageWgt::onModifyChoosedKeyTouch(double mm)
{
    qCDebug(lcKeyboard, "SignalObject::sigModifyChoosedKeyTouch->%02d",
            keyboards()->view(0) ? keyboards()->view(0)->modelId() : -1);
    const double global = AppParams::globalTravel();
    QStringList legends;
    editCheckedKeys(
        [&](KeyboardBtn *b) {
            b->setTravel(mm, travelDiffersFromGlobal(mm, global));
            legends << b->legend();
        },
        travelChangeEntries);
    emit SignalObject::instance()->sigGetTouchDisSetKeyTexts(legends.join(QLatin1Char(',')));
}

void PerformancePageWgt::onResetAllKeyTouchDis()
{
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
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : keyboards()->keys())
        if (!b->keyData().travelDiffers)
            b->setTravel(global, false);
}

void PerformancePageWgt::onShowTouchDisKeyBorder(bool on)
{
    for (KeyboardBtn *b : keyboards()->keys())
        if (b->keyData().travelDiffers && !b->keyData().rapidTrigger)
            b->setHighlight(on);
}

void PerformancePageWgt::onShowQuickTouchKeyBorder(bool on)
{
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setKeyColour(KeyboardBtn::NeutralColour);
        if (b->keyData().rapidTrigger)
            b->setHighlight(on);
    }
}

void PerformancePageWgt::onSetQuickTouchKeyChoosed()
{
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setSelectable(true);
        if (b->keyData().rapidTrigger)
            b->setKeyChecked(true);
    }
}

void PerformancePageWgt::onSetChoosedKeyQuickTouck()
{
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

void PerformancePageWgt::onChooseAllKey(bool on)
{
    for (KeyboardBtn *b : keyboards()->keys())
        b->setKeyChecked(on); // a key that is not selectable stays unchecked
}

void PerformancePageWgt::onChooseWasd()
{
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
    if (isCurrent() && AppParams::performanceSubPage() == SubPageTravel)
        onShowQuickTouchKeyBorder(true);
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
