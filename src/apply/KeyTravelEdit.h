#pragma once

#include "AdvancedKeyInfo.h"
#include "BoardRecords.h"

#include <QList>

// What the per-key travel and rapid-trigger edits write to the keyboard and
// store in the profile, as functions of one key's state, so the rules can be
// checked without a widget.

// The travel state of one key, in millimetres.
struct KeyTravelState {
    int firstType = 0;
    int bindKind = Bind_None;
    double travel = 1.5;
    bool ownTravel = false; // travel differs from the global travel
    bool rapid = false;
    double press = 0.3;
    double release = 0.3;
};

namespace KeyTravelParam {
constexpr quint8 Travel = 4;
constexpr quint8 Mode = 8;
constexpr quint8 Press = 20;
constexpr quint8 Release = 21;
} // namespace KeyTravelParam

// Work modes of a KeyTravelRecord.
enum KeyWorkMode { WorkGlobal = 0, WorkOwnTravel = 1, WorkRapid = 2 };

// The keyboard's advanced-key type of a BindKeyType (the low nibble of
// parameter 8): 0 none, 1 DKS, 2 MPT, 3 MT, 4 TGL, 5 END, 6 MACRO, 8 SOCD,
// 9 RS. Unknown kinds give 0.
quint16 advancedTypeOf(int bindKind);
// Low nibble: advancedTypeOf(bindKind); 0x10 own travel; 0x20 rapid trigger.
quint16 keyModeByte(int bindKind, bool ownTravel, bool rapid);
// Whether a travel differs from the global travel, compared in micrometres.
bool travelDiffersFromGlobal(double mm, double globalMm);
// The profile record of a key in a work mode; travels in micrometres.
KeyTravelRecord keyTravelRecord(const KeyTravelState &key, int workMode);

// Entries for one key after a change of its travel, with rapid trigger as it
// is. Returns the work mode to store.
int travelChangeEntries(const KeyTravelState &key, QList<KeyParam> *entries);
// Entries for one key whose rapid trigger has been turned on.
int rapidOnEntries(const KeyTravelState &key, QList<KeyParam> *entries);
// Entries for one key whose rapid trigger has been turned off.
int rapidOffEntries(const KeyTravelState &key, QList<KeyParam> *entries);
// Entries that put one key back on the global travel without rapid trigger.
int resetEntries(const KeyTravelState &key, QList<KeyParam> *entries);
// Entries that give the keyboard one key's whole travel state, as a profile
// sets it.
int fullStateEntries(const KeyTravelState &key, QList<KeyParam> *entries);
