#pragma once

// What the board-side copy's writers and readers share: the per-key
// parameters with a meaning of their own.

#include <QtGlobal>

namespace kb2param {

constexpr int Mode = 8;          // low nibble: advanced-key type, high nibble: trigger mode
constexpr int MacroNumber = 17;  // macro number * 256
constexpr int MacroSteps = 18;   // steps of a macro key
constexpr quint8 AdvancedMacro = 6;
constexpr quint16 NoCode = 0xFFFF;

// The trigger mode in the high nibble of parameter 8.
inline int triggerModeOf(quint16 value)
{
    switch (value & 0xF0) {
    case 0x10: return 1;
    case 0x20: return 2;
    default: return 0;
    }
}

} // namespace kb2param
