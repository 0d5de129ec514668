#pragma once

#include "AdvancedKeyInfo.h"

#include <QList>
#include <QMap>
#include <QVariant>
#include <QMetaType>
#include <QtGlobal>

// Fixed-size records carried in the protocol payloads. Arrays are indexed by
// entry number; keys are wire key codes (0xFF = empty entry). Per-key tables
// are over the 126 matrix cells, row-major (6 rows x 21 columns).

constexpr int KB2MatrixRows = 6;
constexpr int KB2MatrixCols = 21;
constexpr int KB2MatrixCells = KB2MatrixRows * KB2MatrixCols;

// Response 0x81.
struct STU_BoardInfo2 {
    quint32 boardId = 0;  // top byte: keyboard family
    quint16 value2 = 0;   // passed on unread
    quint8 bootState = 0; // 0xFF: boot loader running
    char serial[32] = {};
    char version[32] = {};
    char third[32] = {};

    int family() const { return int(boardId >> 24); }
};

// The per-key parameter table (command 0x23 parameters).
struct STU_BoardFromLayout {
    quint16 fn0[KB2MatrixCells] = {}; // parameter 0..3: model key code per Fn layer
    quint16 fn1[KB2MatrixCells] = {};
    quint16 fn2[KB2MatrixCells] = {};
    quint16 fn3[KB2MatrixCells] = {};
    quint16 param17[KB2MatrixCells] = {}; // macro number * 256
    quint8 mode[KB2MatrixCells] = {};     // low nibble of parameter 8
    quint8 param9[KB2MatrixCells] = {};
    quint8 param10[KB2MatrixCells] = {};
    quint8 param11[KB2MatrixCells] = {};
    quint8 param12[KB2MatrixCells] = {};
    quint8 param13[KB2MatrixCells] = {};
    quint8 param14[KB2MatrixCells] = {};
    quint8 param15[KB2MatrixCells] = {};
    quint8 param16[KB2MatrixCells] = {};
    quint8 param19[KB2MatrixCells] = {};
    quint8 param18[KB2MatrixCells] = {};
    quint16 travel[KB2MatrixCells] = {};  // parameter 4, micrometres
    quint16 param20[KB2MatrixCells] = {}; // rapid-trigger press, micrometres
    quint16 param21[KB2MatrixCells] = {}; // rapid-trigger release, micrometres
};

// Sensitivity and dead bands (command 0x29 carries ticks, gdBi, dt_dB,
// dt_RdB, db1, db2, db3; the per-key arrays come from parameters 4..7).
struct STU_BoardFromDB {
    STU_BoardFromDB();

    quint16 ticks = 0;
    quint16 perKey1[KB2MatrixCells];
    quint16 perKey2[KB2MatrixCells]; // parameter 4
    quint16 perKey3[KB2MatrixCells]; // parameter 5
    quint16 perKey4[KB2MatrixCells]; // parameter 6
    quint16 perKey5[KB2MatrixCells]; // parameter 7
    quint16 db1 = 10;
    quint16 db2 = 20;
    quint16 db3 = 30;
    quint16 gdBi = 5;   // global actuation travel, micrometres
    quint16 dt_dB = 10; // press dead zone, micrometres
    quint16 dt_RdB = 3; // release dead zone, micrometres
};

// The bits of the lighting record's bitmap.
namespace Kb2LightingBits {
enum : quint8 {
    On = 0x01,         // lighting on (off: every effect dark)
    Reversed = 0x02,   // the effect runs in the other direction
    LowLatency = 0x10, // super light speed: lighting off for the fastest scan
};
} // namespace Kb2LightingBits

// The keyboard's operating-system mode, as the Windows and Mac mode queries
// report it: the mode it is in, or that it has no such mode at all.
enum Kb2SystemMode : int { SystemWindows = 0, SystemMac = 1, SystemNoWindows = 2, SystemNoMac = 3 };

// Global lighting (command 0x18). Colours are 0xAARRGGBB.
struct STU_BoardFromPRGB {
    quint32 background = 0;
    quint8 bitmap = 5; // Kb2LightingBits
    quint8 rgb_mode = 3;
    quint8 rgb_speed = 2;
    quint8 grayscale = 3; // brightness
    quint8 spare = 1;     // not carried on the wire
    quint32 colours[8] = {0x00000000, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                          0xFF0000FF, 0xFF7F007F, 0xFF007F7F, 0xFFFFFFFF};
    quint8 rgb_sleep = 0;
};

// New records of the entry kinds start neutral: keys 0xFF and every other
// byte 0xFF, every u16 0x00FF.
struct STU_BoardFromKRGB {
    STU_BoardFromKRGB();
    static constexpr int Entries = 14;
    quint8 key[Entries], red[Entries], green[Entries], blue[Entries];
};

struct STU_BoardFromKey {
    STU_BoardFromKey();
    static constexpr int Entries = 14;
    quint8 key[Entries];
    quint8 param[Entries];
    quint16 value[Entries];
};

struct STU_BoardFromKeyMATRIX {
    quint8 table = 2; // 2, 3 or 6
};

struct STU_BoardFromMT {
    STU_BoardFromMT();
    static constexpr int Entries = 14;
    quint8 key[Entries], DKS1[Entries], DKS2[Entries], delay[Entries]; // delay: 10 ms units
};

struct STU_BoardFromTGL {
    STU_BoardFromTGL();
    static constexpr int Entries = 19;
    quint8 key[Entries], DKS1[Entries], delay[Entries];
};

// DKS: b[0..3] the four bound keys, b[4..7] one action byte per bound key,
// value the trigger travel in micrometres.
struct STU_BoardFromTDKS {
    STU_BoardFromTDKS();
    static constexpr int Entries = 5;
    quint8 key[Entries];
    quint8 b[8][Entries];
    quint16 value[Entries];
};

// MPT: three bound keys and their travel points in micrometres.
struct STU_BoardFromDDKS {
    STU_BoardFromDDKS();
    static constexpr int Entries = 5;
    quint8 key[Entries], DKS1[Entries], DKS2[Entries], DKS3[Entries];
    quint16 dB1[Entries], dB2[Entries], dB3[Entries];
};

struct STU_BoardFromEND {
    STU_BoardFromEND();
    static constexpr int Entries = 29;
    quint8 key[Entries], DKS1[Entries];
};

struct STU_BoardFromSOCD {
    STU_BoardFromSOCD();
    static constexpr int Entries = 29;
    quint8 key[Entries], DKS1[Entries];
};

struct STU_BoardFromRS {
    STU_BoardFromRS();
    static constexpr int Entries = 29;
    quint8 key[Entries], DKS1[Entries];
};

// One piece (at most 14 steps) of a macro.
struct STU_BoardFromMACRO {
    static constexpr int MaxSteps = 14;
    quint32 step[MaxSteps] = {};
    quint8 count = 0;
    quint16 offset = 0; // macro number * 256 + index of the first step
};

// One per-key value to write: (key type, parameter number, value).
struct KeyParam {
    int keyType = -1;
    quint8 param = 0;
    quint16 value = 0;
};

// Read-back maps, keyed by KeyType.
// MapKB2DockerKey: Fn layer (0..3) -> key type -> model key code on that layer.
using MapKB2DockerKey = QMap<int, QMap<int, quint16>>;
using MapKB2DockerDB = QMap<int, KeyTravelRecord>;
using MapKB2DockerMT = QMap<int, MTInfo>;
using MapKB2DockerTGL = QMap<int, TGLInfo>;
using MapKB2DockerTDKS = QMap<int, DKSInfo>;
using MapKB2DockerMPT = QMap<int, MPTInfo>;
using MapKB2DockerEND = QMap<int, ENDInfo>;
using MapKB2DockerSOCD = QMap<int, SOCDInfo>;
using MapKB2DockerRS = QMap<int, RSInfo>;
using MapKB2DockerMACRO = QMap<int, MACROInfo>;

Q_DECLARE_METATYPE(STU_BoardInfo2)
Q_DECLARE_METATYPE(STU_BoardFromLayout)
Q_DECLARE_METATYPE(STU_BoardFromDB)
Q_DECLARE_METATYPE(STU_BoardFromPRGB)
Q_DECLARE_METATYPE(STU_BoardFromKRGB)
Q_DECLARE_METATYPE(STU_BoardFromKey)
Q_DECLARE_METATYPE(STU_BoardFromKeyMATRIX)
Q_DECLARE_METATYPE(STU_BoardFromMT)
Q_DECLARE_METATYPE(STU_BoardFromTGL)
Q_DECLARE_METATYPE(STU_BoardFromTDKS)
Q_DECLARE_METATYPE(STU_BoardFromDDKS)
Q_DECLARE_METATYPE(STU_BoardFromEND)
Q_DECLARE_METATYPE(STU_BoardFromSOCD)
Q_DECLARE_METATYPE(STU_BoardFromRS)
Q_DECLARE_METATYPE(STU_BoardFromMACRO)
Q_DECLARE_METATYPE(KeyParam)
// The MapKB2Docker maps are Qt containers of declared types: Qt declares
// them itself, registerBoardMetaTypes() adds their names.

// Registers the fifteen records, KeyParam and the ten maps under their names
// (and the model's records they contain). Safe to call more than once.
void registerBoardMetaTypes();

// The single records (DKSInfo, MTInfo, ...) held by a list of read-back
// maps, each in a variant, in map order.
QList<QVariant> advancedRecordsOf(const QList<QVariant> &maps);
