#pragma once

#include <QtGlobal>

#include <array>

// One-byte wire key codes <-> 16-bit model key codes. Wire 0xFF is "no key".
struct WireKeyTable {
    static constexpr quint8 NoKey = 0xFF;
    // Entry i is the model code of wire code i (0 for no key).
    static const std::array<quint16, 256> entries;
};

quint16 kb2_wire_to_model(quint8 wire);
// First wire code whose entry equals code (so 0 gives 0); 0xFF when none.
quint8 kb2_model_to_wire(quint16 code);
