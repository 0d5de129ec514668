#pragma once

#include "BoardRecords.h"
#include "MacroFile.h"
#include "ProfileData.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>

class BoardControl;
struct KeyboardConfig;

// Applying a profile to a keyboard, as a list of steps that the configurator
// (with its progress box) and corvane-cli both run. Planning is pure; only
// runProfileStep talks to the device layer.

// What the plan needs to know of the connected board.
struct BoardKeys {
    QList<int> keys;         // key types the board has (its layer-0 read-back), ascending
    QMap<int, int> bindKinds; // key type -> BindKeyType of the binding it holds now
};

// From layoutKeyMap()[0] and the eight advanced-key maps.
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
    } kind = Lighting;
    LightingSettings lighting;
    PerformanceSettings performance; // with the dead zones to send
    int layer = 0;
    QMap<int, int> layerKeys;
    QList<KeyParam> params;
    QVariant binding;                // DKSInfo ... RSInfo, or MACROInfo with its steps
    QMap<int, QColor> colours;
    int unbindKey = -1, unbindKind = -1;
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

// Progress 0 (lighting), 15 (performance), 30 and 45 (layers), 60 (per-key
// travel), 80, 90 (advanced keys), 100. A missing group skips its steps but
// 0, 80, 90 and 100 are always there; keys the board does not have are skipped.
// A MACRO binding whose file is missing or unreadable ends the plan with
// that step, its error set.
QList<ProfileStep> planProfile(const ProfileData &profile, const BoardKeys &board, const MacroLoader &loadMacro);

// The steps that take a keyboard holding `from` to `to`, in the same order
// and with the same progress as planProfile, each holding only what
// differs: equal configurations give steps without ops. Bindings that go
// are removed before those that come are written; a pair (SOCD, RS) is
// written once, from the key whose record names its partner. A MACRO
// binding's steps come from loadMacro; one that cannot be loaded ends the
// plan with its error, as in planProfile.
QList<ProfileStep> planChange(const KeyboardConfig &from, const KeyboardConfig &to, const MacroLoader &loadMacro);
// Whether a plan sends anything.
bool planSends(const QList<ProfileStep> &plan);

// Hands one op to the device layer; false when the device layer refused it
// (a macro the store cannot take).
bool runProfileOp(const ProfileOp &op, BoardControl &device);
// Hands a step's ops to the device layer in order. Returns false when the
// device layer refused one (a macro the store cannot take); the other ops
// are still handed over.
bool runProfileStep(const ProfileStep &step, BoardControl &device);
