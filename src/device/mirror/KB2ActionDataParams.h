#pragma once

// What the board-side copy's writers and readers share: the per-key
// parameters with a meaning of their own.

#include <QtGlobal>

namespace kb2param {

constexpr int LastFnLayer = 3;   // parameters 0..3: the key's code on each Fn layer
constexpr int Travel = 4;        // the key's own travel, micrometres
constexpr int Point1 = 5;        // DKS travel; MPT first point, micrometres
constexpr int Point2 = 6;
constexpr int Point3 = 7;
constexpr int Mode = 8;          // low nibble: advanced-key type, high nibble: trigger mode
constexpr int Bound1 = 9;        // the first bound key's wire code (every kind)
constexpr int Bound2 = 10;
constexpr int Bound3 = 11;
constexpr int Bound4 = 12;
constexpr int DksAction1 = 13;   // DKS: the first bound key's action byte
constexpr int DksAction2 = 14;
constexpr int DksAction3 = 15;
constexpr int DksAction4 = 16;
constexpr int MacroNumber = 17;  // macro number * 256
constexpr int MacroSteps = 18;   // steps of a macro key
constexpr int Delay = 19;        // MT and TGL delay, in DelayUnitMs
constexpr int Press = 20;        // rapid trigger press travel, micrometres
constexpr int Release = 21;      // rapid trigger release travel, micrometres
constexpr int Count = 22;        // parameters 0..21

// The low nibble of parameter 8: the keyboard's numbering of the advanced
// kinds (not BindKeyType's; advancedKindTraits() maps one to the other).
constexpr quint16 AdvancedMask = 0x0F;
constexpr quint8 AdvancedNone = 0;
constexpr quint8 AdvancedDks = 1;
constexpr quint8 AdvancedMpt = 2;
constexpr quint8 AdvancedMt = 3;
constexpr quint8 AdvancedTgl = 4;
constexpr quint8 AdvancedEnd = 5;
constexpr quint8 AdvancedMacro = 6;
constexpr quint8 AdvancedSocd = 8;
constexpr quint8 AdvancedRs = 9;

// The high nibble of parameter 8.
constexpr quint16 TriggerMask = 0xF0;
constexpr quint16 TriggerOwnTravel = 0x10;
constexpr quint16 TriggerRapid = 0x20;

constexpr quint16 NoCode = 0xFFFF;
// A macro's first step offset is its number times this.
constexpr int MacroStride = 256;
// Delays go on the wire in units of 10 ms; travels in micrometres.
constexpr int DelayUnitMs = 10;
constexpr double MicronsPerMm = 1000.0;
// The board addresses its FN key by this wire code in colour records.
constexpr quint8 FnKeyWire = 0xE8;
constexpr quint8 FnLayer1Wire = 1;

// The trigger mode in the high nibble of parameter 8.
inline int triggerModeOf(quint16 value)
{
    switch (value & TriggerMask) {
    case TriggerOwnTravel: return 1;
    case TriggerRapid: return 2;
    default: return 0;
    }
}

} // namespace kb2param
