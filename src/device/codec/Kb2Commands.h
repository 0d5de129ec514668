#pragma once

#include <QtGlobal>

// Command codes of the configuration protocol and of the firmware update.
// A response carries the request's code + 0x80 (or 0xFF).
namespace Kb2Cmd {
enum : quint8 {
    SubCode = 0x00,     // sub-code, [argument], 0xFF, 0xFF
    BoardInfo = 0x01,   // basic information (nonce, or 0xFF 0xFF)
    TableQuery = 0x12,  // live tables 2, 3, 6
    PRGB = 0x18,        // global lighting
    Macro = 0x20,       // macro steps
    Key = 0x23,         // per-key parameters
    MT = 0x24,
    TGL = 0x25,
    TDKS = 0x26,        // DKS
    DDKS = 0x27,        // MPT
    END = 0x28,
    DB = 0x29,          // sensitivity and dead bands
    KRGB = 0x2A,        // per-key colour
    KeyMatrix = 0x2B,
    SOCD = 0x2C,
    RS = 0x2D,

    // Firmware update
    FwInfo = 0x01,
    FwErase = 0x09,
    FwRebootToBoot = 0x0A,
    FwFinish = 0x0B,
    FwWriteBlock = 0x0C,
    FwFlashCrc = 0x0E,

    ResponseFlag = 0x80,
    AnyResponse = 0xFF,
};
} // namespace Kb2Cmd

// The command code of the answer to a request's command.
constexpr quint8 kb2Answer(quint8 requestCommand)
{
    return quint8(requestCommand + Kb2Cmd::ResponseFlag);
}

// Sub-codes of command 0x00.
namespace Kb2Sub {
enum : quint8 {
    SaveToKeyboard = 2,
    StartCalibration = 12,
    StopCalibration = 13,
    RestoreFactory = 17,
    QueryWinMode = 33,
    QueryMacMode = 34,
    QueryPrecision = 37,
    QueryName = 38,
    SwitchToWin = 48,
    SwitchToMac = 49,
    PollingRate = 80, // argument: rate index 0 = 8 kHz .. 6 = 125 Hz
};
} // namespace Kb2Sub

// Access selector, payload byte 0 of the selector-shaped requests.
namespace Kb2Access {
enum : quint8 {
    Read = 0,
    Write = 1,
};
} // namespace Kb2Access

// Live tables read with 0x12.
namespace Kb2Table {
enum : quint8 {
    TravelRaw = 2,   // u16 per key, two parts of 3 rows
    KeyState = 3,    // u8 per key, one part of 6 rows
    Calibration = 6, // u16 per key, two parts of 3 rows
};
} // namespace Kb2Table
