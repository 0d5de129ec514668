#pragma once

// The virtual keyboard's own reading and writing of KB2 frames, shared by its
// halves. Written apart from the device layer's code on purpose: the two
// sides check each other.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace simwire {

using Frame = std::vector<uint8_t>;

constexpr uint8_t StartByte = 0x5C;
constexpr int MaxPayload = 252;
constexpr uint8_t StatusOk = 0;
constexpr uint8_t StatusRefused = 1;
// The first payload byte of a record request: read it or write it.
constexpr uint8_t SelectorRead = 0;
constexpr uint8_t SelectorWrite = 1;
// Entries of a per-key, colour or macro-step record.
constexpr int EntriesPerRecord = 14;

// Request command bytes; an answer carries its request's with the top bit set.
namespace cmd {
constexpr uint8_t SubCode = 0x00;
constexpr uint8_t Info = 0x01;
constexpr uint8_t FlashErase = 0x09;
constexpr uint8_t EnterBootLoader = 0x0A;
constexpr uint8_t FlashCheckAndRun = 0x0B;
constexpr uint8_t FlashWrite = 0x0C;
constexpr uint8_t FlashCrc = 0x0E;
constexpr uint8_t Table = 0x12;
constexpr uint8_t Lighting = 0x18;
constexpr uint8_t MacroSteps = 0x20;
constexpr uint8_t PerKey = 0x23;
constexpr uint8_t MT = 0x24;
constexpr uint8_t TGL = 0x25;
constexpr uint8_t DKS = 0x26;
constexpr uint8_t MPT = 0x27;
constexpr uint8_t END = 0x28;
constexpr uint8_t DeadBand = 0x29;
constexpr uint8_t KeyColour = 0x2A;
constexpr uint8_t Matrix = 0x2B;
constexpr uint8_t SOCD = 0x2C;
constexpr uint8_t RS = 0x2D;
constexpr uint8_t answer(uint8_t request) { return static_cast<uint8_t>(request | 0x80); }
} // namespace cmd

// Sub-codes of command 0x00.
namespace sub {
constexpr uint8_t Save = 2;
constexpr uint8_t CalibrationOn = 12;
constexpr uint8_t CalibrationOff = 13;
constexpr uint8_t FactoryReset = 17;
constexpr uint8_t WindowsMode = 33;
constexpr uint8_t MacMode = 34;
constexpr uint8_t Precision = 37;
constexpr uint8_t Name = 38;
constexpr uint8_t ToWindows = 48;
constexpr uint8_t ToMac = 49;
constexpr uint8_t PollingRate = 80;
} // namespace sub

// The live tables of command 0x12, and the halves of the 16-bit ones.
namespace table {
constexpr uint8_t Travel = 2;
constexpr uint8_t KeyState = 3;
constexpr uint8_t Calibration = 6;
constexpr uint8_t FirstHalf = 1;
constexpr uint8_t SecondHalf = 2;
} // namespace table

// Per-key parameters the keyboard itself gives a meaning.
namespace param {
constexpr int Travel = 4;
constexpr int Mode = 8; // low nibble: advanced-key type; high nibble: trigger mode
constexpr uint16_t TriggerModeMask = 0xF0;
} // namespace param

inline uint8_t frameChecksum(const Frame &f)
{
    const int length = f[1];
    unsigned sum = f[0] + f[1] + f[2] + 0x35u + (length >= 1 ? f[3 + length] : 0u);
    return static_cast<uint8_t>(sum & 0xFF);
}

// Reads a request's payload; bytes past its length read as 0 so that a short
// request can never reach beyond what the host sent.
class Payload {
public:
    explicit Payload(const Frame &f) : m_f(f), m_length(f[1]) {}
    int length() const { return m_length; }
    uint8_t u8(int off) const { return off >= 0 && off < m_length ? m_f[4 + off] : 0; }
    uint16_t u16(int off) const { return static_cast<uint16_t>(u8(off) | (u8(off + 1) << 8)); }
    uint32_t u32(int off) const { return uint32_t(u16(off)) | (uint32_t(u16(off + 2)) << 16); }
    bool has(int off, int size) const { return off + size <= m_length; }

private:
    const Frame &m_f;
    int m_length;
};

class Writer {
public:
    Writer &u8(unsigned v) { m_p.push_back(static_cast<uint8_t>(v)); return *this; }
    Writer &u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Writer &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Writer &raw(const uint8_t *p, size_t n) { m_p.insert(m_p.end(), p, p + n); return *this; }
    Frame frame(uint8_t command) const
    {
        Frame f(4 + m_p.size(), 0);
        f[0] = StartByte;
        f[1] = static_cast<uint8_t>(m_p.size());
        f[2] = command;
        std::copy(m_p.begin(), m_p.end(), f.begin() + 4);
        f[3] = frameChecksum(f);
        return f;
    }

private:
    std::vector<uint8_t> m_p;
};

inline Frame statusOnly(uint8_t command, uint8_t status)
{
    return Writer().u8(status).frame(cmd::answer(command));
}

inline bool takeFault(int &counter)
{
    if (counter == 0)
        return false;
    if (counter > 0)
        --counter;
    return true;
}

// Length-prefixed string field of the information answer: one length byte and
// a 16-byte area.
inline void putString16(Writer &w, const std::string &s)
{
    const size_t n = std::min<size_t>(s.size(), 16);
    w.u8(static_cast<unsigned>(n));
    for (size_t i = 0; i < 16; ++i)
        w.u8(i < n ? static_cast<uint8_t>(s[i]) : 0);
}

// Advanced-key records: entry size, count, and where each entry byte goes.
// Slot -1 is the key itself; 0..21 a per-key parameter; a u16 field is
// marked by the flag and takes two bytes.
struct AdvancedField {
    int parameter;
    bool wide;
};
struct AdvancedRecord {
    uint8_t command;
    int entries;
    uint8_t type; // low nibble of parameter 8
    std::vector<AdvancedField> fields;
};

inline const std::vector<AdvancedRecord> &advancedRecords()
{
    static const std::vector<AdvancedRecord> records = {
        {cmd::MT, 14, 3, {{9, false}, {10, false}, {19, false}}},                        // MT
        {cmd::TGL, 19, 4, {{9, false}, {19, false}}},                                     // TGL
        {cmd::DKS, 5, 1, {{9, false}, {10, false}, {11, false}, {12, false}, {13, false},
                      {14, false}, {15, false}, {16, false}, {5, true}}},            // DKS
        {cmd::MPT, 5, 2, {{9, false}, {10, false}, {11, false}, {5, true}, {6, true}, {7, true}}}, // MPT
        {cmd::END, 29, 5, {{9, false}}},                                                  // END
        {cmd::SOCD, 29, 8, {{9, false}}},                                                  // SOCD
        {cmd::RS, 29, 9, {{9, false}}},                                                  // RS
    };
    return records;
}

inline int entrySize(const AdvancedRecord &r)
{
    int size = 1;
    for (const AdvancedField &f : r.fields)
        size += f.wide ? 2 : 1;
    return size;
}

} // namespace simwire
