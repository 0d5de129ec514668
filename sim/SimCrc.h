#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/KERMIT as the keyboard's boot loader computes it over its flash:
// reflected polynomial 0x8408, initial value 0, no final xor.
// "123456789" gives 0x2189. Pass a previous result as crc to continue a run.
uint16_t simCrc16Kermit(const uint8_t *data, size_t size, uint16_t crc = 0);
