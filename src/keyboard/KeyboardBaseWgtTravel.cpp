// Travel and rapid-trigger editing of the checked keys.

#include "KeyboardBaseWgt.h"

#include "AppParams.h"
#include "KeyboardAction.h"
#include "KeyboardBtn.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "SignalObject.h"

KeyTravelState KeyboardBaseWgt::travelState(const KeyboardBtn *button) const
{
    const KeyInfo &k = button->keyData();
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

void KeyboardBaseWgt::writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records)
{
    if (!entries.isEmpty())
        action()->sendSingleKeyData(entries);
    if (!records.isEmpty())
        profiles()->UpdateBoardKeyTouch(records);
}

void KeyboardBaseWgt::onKeyOptional(bool on)
{
    if (m_layer != 0)
        return;
    for (KeyboardBtn *b : buttons())
        b->setSelectable(on);
}

void KeyboardBaseWgt::onModifyChoosedKeyTouch(double mm)
{
    if (m_layer != 0)
        return;
    qCDebug(lcKeyboard, "SignalObject::sigModifyChoosedKeyTouch->%02d", m_modelId);
    const double global = AppParams::globalTravel();
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    QStringList legends;
    for (KeyboardBtn *b : buttons()) {
        if (!b->isKeyChecked())
            continue;
        b->setTravel(mm, travelDiffersFromGlobal(mm, global));
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, travelChangeEntries(s, &entries)));
        legends << b->legend();
    }
    writeTravel(entries, records);
    emit SignalObject::instance()->sigGetTouchDisSetKeyTexts(legends.join(QLatin1Char(',')));
}

void KeyboardBaseWgt::onOpenQuickTouchMode()
{
    if (m_layer != 0)
        return;
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : buttons()) {
        if (!b->isKeyChecked())
            continue;
        b->setRapidTrigger(true);
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, rapidOnEntries(s, &entries)));
    }
    writeTravel(entries, records);
}

void KeyboardBaseWgt::onCloseQuickTouchMode()
{
    if (m_layer != 0)
        return;
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : buttons()) {
        if (!b->isKeyChecked())
            continue;
        b->setRapidTrigger(false);
        b->setTravel(b->keyData().travel, travelDiffersFromGlobal(b->keyData().travel, AppParams::globalTravel()));
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, rapidOffEntries(s, &entries)));
    }
    writeTravel(entries, records);
}

void KeyboardBaseWgt::onUpdateChooseKeyQuickTouchDis(double press, double release)
{
    if (m_layer != 0)
        return;
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : buttons()) {
        if (!b->isKeyChecked())
            continue;
        b->setRapidTrigger(true);
        b->setRapidTriggerDistances(press, release);
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, rapidOnEntries(s, &entries)));
    }
    writeTravel(entries, records);
}

void KeyboardBaseWgt::onUpdateOtherKeyTouch()
{
    if (m_layer != 0)
        return;
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : buttons())
        if (!b->keyData().travelDiffers)
            b->setTravel(global, false);
}

void KeyboardBaseWgt::onResetAllKeyTouchDis()
{
    if (m_layer != 0)
        return;
    const double global = AppParams::globalTravel();
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : buttons()) {
        if (!b->isKeyChecked())
            continue;
        b->setTravel(global, false);
        // The mode byte written carries no rapid-trigger flag, so the key
        // shows it off as the keyboard has it.
        b->setRapidTrigger(false);
        const KeyTravelState s = travelState(b);
        records.insert(s.firstType, keyTravelRecord(s, resetEntries(s, &entries)));
    }
    writeTravel(entries, records);
}

void KeyboardBaseWgt::onShowTouchDisKeyBorder(bool on)
{
    for (KeyboardBtn *b : buttons())
        if (b->keyData().travelDiffers && !b->keyData().rapidTrigger)
            b->setHighlight(on);
}

void KeyboardBaseWgt::onShowQuickTouchKeyBorder(bool on)
{
    for (KeyboardBtn *b : buttons()) {
        b->setKeyColour(KeyboardBtn::NeutralColour);
        if (b->keyData().rapidTrigger)
            b->setHighlight(on);
    }
}

void KeyboardBaseWgt::onSetQuickTouchKeyChoosed()
{
    for (KeyboardBtn *b : buttons()) {
        b->setSelectable(true);
        if (b->keyData().rapidTrigger)
            b->setKeyChecked(true);
    }
}

void KeyboardBaseWgt::onSetChoosedKeyQuickTouck()
{
    if (!isCurrentLayer())
        return;
    const double global = AppParams::globalTravel();
    const double press = AppParams::rapidTriggerPressDefault();
    const double release = AppParams::rapidTriggerReleaseDefault();
    QList<KeyParam> entries;
    QMap<int, KeyTravelRecord> records;
    for (KeyboardBtn *b : buttons()) {
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
