#pragma once

#include "BoardRecords.h"
#include "MacroFile.h"
#include "ProfileData.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>

class BoardControl;
class KB2ActionData;
struct KeyboardConfig;

// Applying a profile to a keyboard, as a list of steps that the configurator
// (with its progress box) and corvane-cli both run. Planning is pure; only
// runProfileStep talks to the device layer.

// What the plan needs to know of the connected board.
struct BoardKeys {
    QList<int> keys; // key types the board has (its layer-0 read-back), ascending
};

// From layoutKeyMap()[0].
BoardKeys boardKeysOf(const BoardControl &board);

// One call on the device layer's record operations.
struct ProfileOp {
    enum Kind {
        Lighting,    // setLightingValues
        Performance, // setPerformanceValues, then setLowLatency
        Layer,       // setLayer(layer, layerKeys); one key: setLayerKey
        KeyParams,   // sendSingleKeyData
        Binding,     // writeAdvancedBinding of the record
        // Only in a difference:
        DeadBands,   // setPerformanceValues alone (the low-latency bit is only stored)
        LowLatency,  // setLowLatency(performance.superLightSpeed)
        Colours,     // setKeyColours(colours); one key: setKeyColour
        Unbind,      // removeAdvancedBinding(unbindKey, unbindKind)
        PollingRate, // setPollingRate(value)
        SystemMode,  // switchSystemMode(value): the keyboard then has its own layers of that mode
    } kind = Lighting;
    LightingSettings lighting;
    PerformanceSettings performance; // with the dead zones to send
    int layer = 0;
    QMap<int, int> layerKeys;
    QList<KeyParam> params;
    QVariant binding;                // DKSInfo ... RSInfo, or MACROInfo with its steps
    QMap<int, QColor> colours;
    int unbindKey = -1, unbindKind = -1;
    int value = -1; // PollingRate, SystemMode
};

struct ProfileStep {
    // The profile group the step sends: "KeyboardRGB" (the start step, when
    // the profile has lighting), "KeyPerformance", "KeyCustom", "KeyTouchDB",
    // "AdvancedKey" (80 and 90); "" for the start without lighting, 80 and
    // 90 without advanced keys, and the end.
    QString group;
    int progress = 0;           // the progress box value
    const char *text = nullptr; // the progress box text: tr() source in context "ProfilePlan"
    QList<ProfileOp> ops;
    // Non-empty: application stops after this step's ops with this message
    // (tr() source in context "ProfilePlan").
    QString error;
};

using MacroLoader = std::function<MacroLoadResult(const QString &macroName)>;

// The parts of a keyboard's configuration whose state is not known: a plan
// sends them whole, as to a keyboard that may hold anything there.
struct UnknownParts {
    bool lighting = false;
    bool performance = false;
    bool layers = false;
    QSet<int> keyTravel; // keys whose travel state is unknown
    QSet<int> advanced;  // keys whose binding is unknown
};
// What applying a profile whole sets on a keyboard with these keys: every
// group the profile has, and in the per-key groups its keys the board has.
UnknownParts partsOfProfile(const ProfileData &profile, const QList<int> &boardKeys);

// The steps that take a keyboard holding `from` to `to`: progress 0 (the
// system mode, the polling rate, lighting, key colours), 15 (performance), 30 and 45 (layers), 60 (per-key
// travel), 80 (bindings that go), 90 (bindings that come), 100, each holding
// only what differs: equal configurations give steps without ops. A pair
// (SOCD, RS) is written once, from the key whose record names its partner. A
// MACRO binding's steps come from loadMacro; one that cannot be loaded ends
// the plan with that step, its error set.
//
// What `unknown` names is sent whole whatever `from` says: the lighting
// record, the dead zones with the low-latency bit, every key of every layer,
// each named key's whole travel state (with the binding `from` gives it) and
// each named key's binding, both halves of a pair. Applying a profile whole
// is the difference to it from a configuration unknown in the profile's
// parts: planChange(holds, configWithProfile(holds, p, keys), loader,
// partsOfProfile(p, keys)).
QList<ProfileStep> planChange(const KeyboardConfig &from, const KeyboardConfig &to, const MacroLoader &loadMacro,
                              const UnknownParts &unknown = UnknownParts());
// Applying a profile whole to a keyboard that holds `holds` (the --full of
// corvane-cli, and a keyboard whose read-back is not there): the difference
// from a configuration unknown in the profile's parts.
QList<ProfileStep> planWholeProfile(const ProfileData &profile, const KeyboardConfig &holds,
                                    const QList<int> &boardKeys, const MacroLoader &loadMacro);
// The same for a keyboard known only by its board copy (no read-back).
QList<ProfileStep> planWholeProfileOn(const KB2ActionData &board, const ProfileData &profile,
                                      const MacroLoader &loadMacro);
// Whether a plan sends anything.
bool planSends(const QList<ProfileStep> &plan);

// Hands one op to the device layer; false when the device layer refused it
// (a macro the store cannot take).
bool runProfileOp(const ProfileOp &op, BoardControl &device);
// Hands a step's ops to the device layer in order. Returns false when the
// device layer refused one (a macro the store cannot take); the other ops
// are still handed over.
bool runProfileStep(const ProfileStep &step, BoardControl &device);
