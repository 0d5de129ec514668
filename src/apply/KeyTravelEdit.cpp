#include "KeyTravelEdit.h"

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
    // Not kind + 1: the keyboard leaves type 7 unused, so SOCD and RS sit
    // one higher, and a mode byte of 7 would silently drop a SOCD binding.
    switch (bindKind) {
    case Bind_DKS: return 1;
    case Bind_MPT: return 2;
    case Bind_MT: return 3;
    case Bind_TGL: return 4;
    case Bind_END: return 5;
    case Bind_MACRO: return 6;
    case Bind_SOCD: return 8;
    case Bind_RS: return 9;
    default: return 0;
    }
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
