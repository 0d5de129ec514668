#pragma once

#include <array>
#include <cstdint>

// The built-in 6 x 21 key matrices of the keyboard families, row-major, as
// 16-bit key codes (0 = empty cell, 0xF001 = the Fn key). Family numbers
// without a table of their own use family 0's.
const std::array<uint16_t, 126> &simFamilyMatrix(int family);

// The one-byte wire code of a matrix key code: Fn 0xF001..0xF003 travel as
// 0x01..0x03, the HID usages as themselves.
uint8_t simWireCodeOf(uint16_t keyCode);
// The reverse, for the keyboard's default layer assignments.
uint16_t simKeyCodeOfWire(uint8_t wire);
