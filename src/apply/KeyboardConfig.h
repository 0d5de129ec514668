#pragma once

#include "ProfileData.h"

#include <QColor>
#include <QMap>
#include <QMetaType>

struct KeyboardReadBack;

// Everything a user can change on a connected keyboard, in one value. It
// is built from the read-back, changed by edits, undo, redo and profiles,
// and turned into frames only as the difference between two of them
// (planChange), so that every writer sends exactly what changed.
struct KeyboardConfig {
    LightingSettings lighting;
    QMap<int, QColor> keyColours; // key type -> colour, as the keyboard reported or was sent
    PerformanceSettings performance; // dead zones always present here
    ProfileLayers layers;            // key type -> key type, per Fn layer
    QMap<int, KeyTravelRecord> keyTravel; // work mode, travel and sensitivities in micrometres
    QMap<int, AdvancedBinding> advanced;  // key type -> binding; never Bind_None
    int systemMode = -1;  // SystemWindows or SystemMac, -1 unknown
    int pollingRate = -1; // the polling-rate index, -1 unknown

    // The binding kind a key has, Bind_None when it has none.
    int bindKindOf(int keyType) const;
    // Gives a key the work mode, travel and sensitivities of a record (the
    // members a profile entry holds); the key's other members stay.
    void setKeyTravel(int keyType, const KeyTravelRecord &record);
};

bool operator==(const KeyboardConfig &a, const KeyboardConfig &b);
inline bool operator!=(const KeyboardConfig &a, const KeyboardConfig &b) { return !(a == b); }

// What the keyboard holds after a read-back: its lighting, colours,
// travel, dead zones, layers, per-key travel, every advanced binding and
// its system mode.
KeyboardConfig configFromReadBack(const KeyboardReadBack &rb);

// The configuration a profile gives a keyboard that holds `base`: each
// group the profile has replaces the board's, as applying the whole profile
// sets it (layers: the board's keys on themselves, then the profile's keys;
// per-key travel and bindings: the profile's keys; a group without dead
// zones: both zero). Keys the board does not have are left out.
KeyboardConfig configWithProfile(const KeyboardConfig &base, const ProfileData &profile, const QList<int> &boardKeys);

// A binding as the keyboard keeps it: what a read-back of it gives back
// (one DKS travel in whole micrometres, four DKS slots and three MPT ones,
// delays in the keyboard's units, keys without a wire code as none). Two
// bindings the keyboard cannot tell apart compare equal this way. A macro
// is its name: one read from a keyboard is named by its store number until
// its steps are found to be those of a named macro (corvane-cli apply).
AdvancedBinding bindingAsKept(const AdvancedBinding &binding);
bool sameOnKeyboard(const AdvancedBinding &a, const AdvancedBinding &b);

// The profile groups of a configuration, for documents and comparisons.
ProfileData profileOfConfig(const KeyboardConfig &config);

Q_DECLARE_METATYPE(KeyboardConfig)
