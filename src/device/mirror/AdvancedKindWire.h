#pragma once

// How the keyboard's records carry each advanced kind: the device side of
// advancedKindTraits(). Row k is BindKeyType k, as in the model's table;
// the model library stays free of the wire records, so the two tables are
// kept apart and line up by kind.

#include "AdvancedKeyKinds.h"

#include <QList>
#include <QVariant>

#include <functional>
#include <optional>

// The key lookups an encoder or decoder needs; the board mirror fills them
// from its key map.
struct AdvancedWireKeys {
    std::function<quint8(int)> wireOf;  // key type -> wire code, WireKeyTable::NoKey when none
    std::function<int(quint8)> typeOf;  // wire code -> key type, KeyTypeNone when none
    std::function<quint16(int)> codeOf; // key type -> model key code, kb2param::NoCode when none
};

// One key's binding as its per-key parameters hold it (the walk reads
// those, not the kinds' records).
struct AdvancedCellParams {
    quint8 bound[4] = {};     // parameters 9..12: bound keys' wire codes
    quint8 actions[4] = {};   // 13..16: DKS action bytes
    quint16 points[3] = {};   // 5..7: travel points, micrometres (DKS: its travel)
    quint8 delay = 0;         // 19: in 10 ms units
    quint16 macroOffset = 0;  // 17: the macro's first step offset
};

struct AdvancedKindWire {
    BindKeyType kind;
    int request;     // the Kb2Req type that writes the kind
    int wireRecord;  // meta-type id of the kind's wire record (a macro's: its step piece)
    int entries;     // keys one wire record carries
    // The records that bind record's key, in sending order. macroNumber is
    // the macro's store number (macros only). Empty when the key has no
    // wire code.
    QList<QVariant> (*encode)(const AdvancedRecord &record, const AdvancedWireKeys &keys, int macroNumber);
    // The record at entry `entry` of what encode gives (or the keyboard
    // answers); nullopt when the entry is empty or not of the kind. A
    // macro's name does not travel and comes back empty.
    std::optional<AdvancedRecord> (*decode)(const QList<QVariant> &records, int entry, const AdvancedWireKeys &keys);
    // The record of keyType from its per-key parameters. A macro's comes
    // back without name or steps: the parameters hold neither.
    AdvancedRecord (*fromParams)(int keyType, const AdvancedCellParams &params, const AdvancedWireKeys &keys);
};

// Rows in BindKeyType order; nullptr for anything else.
const AdvancedKindWire *advancedKindWire(int kind);
// The kind whose wire record a variant holds; Bind_None for none.
int advancedKindOfWireRecord(const QVariant &record);
// One macro step as the keyboard stores it; an unknown key name stores no key.
quint32 macroStepWord(const MACRO_Key &step, const AdvancedWireKeys &keys);
