#include "WireKeyTable.h"

#include <array>

namespace {

struct Special {
    quint8 wire;
    quint16 model;
};

// Wire codes outside the HID keyboard usages (media, system, Fn layers).
constexpr Special kSpecials[] = {
    {0x01, 0xF001}, {0x02, 0xF002}, {0x03, 0xF003}, {0xA5, 0x5081}, {0xA6, 0x5082},
    {0xAD, 0x10CD}, {0xAE, 0x10B5}, {0xAF, 0x10B6}, {0xB0, 0x10B7}, {0xB1, 0x10E2},
    {0xB2, 0x10E9}, {0xB3, 0x10EA}, {0xB4, 0x1183}, {0xB5, 0x118A}, {0xB6, 0x1192},
    {0xB7, 0x1194}, {0xB8, 0x1223}, {0xB9, 0x1221}, {0xBA, 0x1224}, {0xBB, 0x1225},
    {0xBC, 0x1227}, {0xBD, 0x122A}, {0xBE, 0x129F}, {0xBF, 0x12A0}, {0xC0, 0x1070},
    {0xC1, 0x106F}, {0xC7, 0xF312}, {0xC8, 0xF313}, {0xD2, 0x1152}, {0xD3, 0x182C},
    {0xD4, 0x10CF}, {0xD5, 0x1A21},
};

// Wire codes with no key.
constexpr struct { quint8 first, last; } kEmpty[] = {
    {0x00, 0x00}, {0xA7, 0xAC}, {0xC2, 0xC6}, {0xC9, 0xD1}, {0xD6, 0xDF}, {0xE9, 0xFF},
};

constexpr std::array<quint16, 256> buildTable()
{
    std::array<quint16, 256> table = {};
    for (int i = 0; i < 256; ++i)
        table[i] = quint16(i); // HID keyboard usages map to themselves
    for (const auto &range : kEmpty) {
        for (int i = range.first; i <= range.last; ++i)
            table[i] = 0;
    }
    for (const Special &s : kSpecials)
        table[s.wire] = s.model;
    return table;
}

} // namespace

const std::array<quint16, 256> WireKeyTable::entries = buildTable();

quint16 kb2_wire_to_model(quint8 wire)
{
    return WireKeyTable::entries[wire];
}

quint8 kb2_model_to_wire(quint16 code)
{
    for (int i = 0; i < 256; ++i) {
        if (WireKeyTable::entries[i] == code)
            return quint8(i);
    }
    return WireKeyTable::NoKey;
}
