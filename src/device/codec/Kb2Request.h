#pragma once

#include "Kb2Frame.h"

#include <QVariant>

// The worker's request types: each builds one frame.
namespace Kb2Req {
enum Type : int {
    None = 0,
    BoardInfo = 1,        // 0x01 with the session nonce
    Key = 2,              // 0x23 STU_BoardFromKey
    MT = 3,               // 0x24
    TGL = 4,              // 0x25
    TDKS = 5,             // 0x26 (DKS)
    DDKS = 6,             // 0x27 (MPT)
    END = 7,              // 0x28
    SOCD = 8,             // 0x2C
    RS = 9,               // 0x2D
    Macro = 10,           // 0x20
    DB = 11,              // 0x29 dead bands and sensitivity
    PRGB = 12,            // 0x18 lighting
    Save = 13,            // 0x00 sub-code 2
    FactoryReset = 14,    // 0x00 sub-code 17
    QueryWinMode = 15,    // 0x00 sub-code 33
    QueryMacMode = 16,    // 0x00 sub-code 34
    QueryName = 17,       // 0x00 sub-code 38
    QueryPrecision = 18,  // 0x00 sub-code 37
    SwitchToWin = 19,     // 0x00 sub-code 48
    SwitchToMac = 20,     // 0x00 sub-code 49
    KeyMatrix = 21,       // 0x2B with two row numbers
    StartCalibration = 22, // 0x00 sub-code 12
    StopCalibration = 23, // 0x00 sub-code 13
    KRGB = 24,            // 0x2A per-key colours
    TableQuery = 25,      // 0x12 with the table of STU_BoardFromKeyMATRIX
    Nothing = 26,         // queues nothing
    PollingRate = 27,     // 0x00 sub-code 80 with the rate index
};
} // namespace Kb2Req

// One unit of the worker's queue: a request type, the access selector
// (1 write, 0 read) and what the request carries: a board record, or the
// argument of a sub-code request (rate index, table number, row numbers).
struct KB2Request {
    int type = Kb2Req::None;
    quint8 selector = 1;
    QVariant record;
    int arg1 = -1;
    int arg2 = -1;
};

// Builds the frame of a request; false for the types that send nothing.
bool kb2BuildRequestFrame(const KB2Request &request, Kb2Frame &frame);
// The request type that carries a record held in a variant; 0 for none.
int kb2RequestTypeForRecord(const QVariant &record);
