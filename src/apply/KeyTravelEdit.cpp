#include "KeyTravelEdit.h"

#include "AdvancedKeyKinds.h"
#include "Units.h"

namespace {

void add(QList<KeyParam> *entries, const KeyTravelState &key, quint8 param, quint16 value)
{
    KeyParam e;
    e.keyType = key.firstType;
    e.param = param;
    e.value = value;
    entries->append(e);
}

} // namespace

quint16 advancedTypeOf(int bindKind)
{
    const AdvancedKindTraits *t = advancedKindTraits(bindKind);
    return t ? t->wireNibble : 0;
}

quint16 keyModeByte(int bindKind, bool ownTravel, bool rapid)
{
    quint16 mode = advancedTypeOf(bindKind);
    if (ownTravel)
        mode |= 0x10;
    if (rapid)
        mode |= 0x20;
    return mode;
}

bool travelDiffersFromGlobal(double mm, double globalMm)
{
    return mmToMicrons(mm) != mmToMicrons(globalMm);
}

KeyTravelRecord keyTravelRecord(const KeyTravelState &key, int workMode)
{
    KeyTravelRecord rec;
    rec.workMode = workMode;
    rec.keyTouchDis = mmToMicrons(key.travel);
    // The key's own sensitivities, so that the profile gives them back.
    rec.quickTouchPressDis = mmToMicrons(key.press);
    rec.quickTouchUpDis = mmToMicrons(key.release);
    return rec;
}

int travelChangeEntries(const KeyTravelState &key, QList<KeyParam> *entries)
{
    using namespace KeyTravelParam;
    if (!key.rapid) {
        add(entries, key, Mode, keyModeByte(key.bindKind, key.ownTravel, false));
        add(entries, key, Travel, mmToMicrons(key.travel));
        return key.ownTravel ? WorkOwnTravel : WorkGlobal;
    }
    // With rapid trigger on the mode byte stays; only a travel of its own
    // is written.
    if (key.ownTravel)
        add(entries, key, Travel, mmToMicrons(key.travel));
    return WorkRapid;
}

int rapidOnEntries(const KeyTravelState &key, QList<KeyParam> *entries)
{
    using namespace KeyTravelParam;
    add(entries, key, Mode, keyModeByte(key.bindKind, false, true));
    add(entries, key, Press, mmToMicrons(key.press));
    add(entries, key, Release, mmToMicrons(key.release));
    return WorkRapid;
}

int rapidOffEntries(const KeyTravelState &key, QList<KeyParam> *entries)
{
    using namespace KeyTravelParam;
    add(entries, key, Mode, keyModeByte(key.bindKind, key.ownTravel, false));
    add(entries, key, Travel, mmToMicrons(key.travel));
    return key.ownTravel ? WorkOwnTravel : WorkGlobal;
}

int resetEntries(const KeyTravelState &key, QList<KeyParam> *entries)
{
    using namespace KeyTravelParam;
    add(entries, key, Mode, keyModeByte(key.bindKind, false, false));
    add(entries, key, Travel, mmToMicrons(key.travel));
    return WorkGlobal;
}

int fullStateEntries(const KeyTravelState &key, QList<KeyParam> *entries)
{
    using namespace KeyTravelParam;
    add(entries, key, Mode, keyModeByte(key.bindKind, key.ownTravel && !key.rapid, key.rapid));
    add(entries, key, Travel, mmToMicrons(key.travel));
    if (key.rapid) {
        add(entries, key, Press, mmToMicrons(key.press));
        add(entries, key, Release, mmToMicrons(key.release));
        return WorkRapid;
    }
    return key.ownTravel ? WorkOwnTravel : WorkGlobal;
}
