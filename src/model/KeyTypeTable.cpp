#include "KeyTypeTable.h"

namespace {

struct KeyTypeRow {
    int type;
    const char *name; // UTF-8; \n breaks the legend on the key
    bool hasCode;
    quint16 code;
};

// Types 104..109, 111 and 136 have neither name nor code and are absent.
const KeyTypeRow kKeyTypes[] = {
    {-1, "△", false, 0x0000},
    {0, "Esc", true, 0x0029},
    {1, "F1", true, 0x003A},
    {2, "F2", true, 0x003B},
    {3, "F3", true, 0x003C},
    {4, "F4", true, 0x003D},
    {5, "F5", true, 0x003E},
    {6, "F6", true, 0x003F},
    {7, "F7", true, 0x0040},
    {8, "F8", true, 0x0041},
    {9, "F9", true, 0x0042},
    {10, "F10", true, 0x0043},
    {11, "F11", true, 0x0044},
    {12, "F12", true, 0x0045},
    {13, "Print", true, 0x0046},
    {14, "Scroll", true, 0x0047},
    {15, "Pause", true, 0x0048},
    {16, "`~", true, 0x0035},
    {17, "1", true, 0x001E},
    {18, "2", true, 0x001F},
    {19, "3", true, 0x0020},
    {20, "4", true, 0x0021},
    {21, "5", true, 0x0022},
    {22, "6", true, 0x0023},
    {23, "7", true, 0x0024},
    {24, "8", true, 0x0025},
    {25, "9", true, 0x0026},
    {26, "0", true, 0x0027},
    {27, "-_", true, 0x002D},
    {28, "=+", true, 0x002E},
    {29, "Backspace", true, 0x002A},
    {30, "Ins", true, 0x0049},
    {31, "Home", true, 0x004A},
    {32, "PgUp", true, 0x004B},
    {33, "Tab", true, 0x002B},
    {34, "Q", true, 0x0014},
    {35, "W", true, 0x001A},
    {36, "E", true, 0x0008},
    {37, "R", true, 0x0015},
    {38, "T", true, 0x0017},
    {39, "Y", true, 0x001C},
    {40, "U", true, 0x0018},
    {41, "I", true, 0x000C},
    {42, "O", true, 0x0012},
    {43, "P", true, 0x0013},
    {44, "[", true, 0x002F},
    {45, "]", true, 0x0030},
    {46, "\\", true, 0x0031},
    {47, "Del", true, 0x004C},
    {48, "End", true, 0x004D},
    {49, "PgDn", true, 0x004E},
    {50, "Caps", true, 0x0039},
    {51, "A", true, 0x0004},
    {52, "S", true, 0x0016},
    {53, "D", true, 0x0007},
    {54, "F", true, 0x0009},
    {55, "G", true, 0x000A},
    {56, "H", true, 0x000B},
    {57, "J", true, 0x000D},
    {58, "K", true, 0x000E},
    {59, "L", true, 0x000F},
    {60, ";", true, 0x0033},
    {61, "'", true, 0x0034},
    {62, "Enter", true, 0x0028},
    {63, "L-Shift", true, 0x00E1},
    {64, "Z", true, 0x001D},
    {65, "X", true, 0x001B},
    {66, "C", true, 0x0006},
    {67, "V", true, 0x0019},
    {68, "B", true, 0x0005},
    {69, "N", true, 0x0011},
    {70, "M", true, 0x0010},
    {71, ",", true, 0x0036},
    {72, ".", true, 0x0037},
    {73, "/", true, 0x0038},
    {74, "R-Shift", true, 0x00E5},
    {75, "↑", true, 0x0052},
    {76, "L-Ctrl", true, 0x00E0},
    {77, "L-Win", true, 0x00E3},
    {78, "L-Alt", true, 0x00E2},
    {79, "SpaceBar", true, 0x002C},
    {80, "R-Alt", true, 0x00E6},
    {81, "Fn", false, 0x0000},
    {82, "Menu", true, 0x0076},
    {83, "R-Ctrl", true, 0x00E4},
    {84, "←", true, 0x0050},
    {85, "↓", true, 0x0051},
    {86, "→", true, 0x004F},
    {87, "Num", true, 0x0053},
    {88, "Num/", true, 0x0054},
    {89, "Num*", true, 0x0055},
    {90, "Num-", true, 0x0056},
    {91, "Num7", true, 0x005F},
    {92, "Num8", true, 0x0060},
    {93, "Num9", true, 0x0061},
    {94, "Num4", true, 0x005C},
    {95, "Num5", true, 0x005D},
    {96, "Num6", true, 0x005E},
    {97, "Num1", true, 0x0059},
    {98, "Num2", true, 0x005A},
    {99, "Num3", true, 0x005B},
    {100, "Num0", true, 0x0062},
    {101, "Num.", true, 0x0063},
    {102, "Num+", true, 0x0057},
    {103, "R-Enter", true, 0x0058},
    {110, "KNOB", false, 0x0000},
    {112, "APP", true, 0x0065},
    {113, "►►", true, 0x10B5},
    {114, "◄◄", true, 0x10B6},
    {115, "Play", true, 0x10CD},
    {116, "Stop", true, 0x10B7},
    {117, "Mute", true, 0x10E2},
    {118, "Vol+", true, 0x10E9},
    {119, "Vol-", true, 0x10EA},
    {120, "SCLight+", true, 0x106F},
    {121, "SCLight-", true, 0x1070},
    {122, "Media", true, 0x1183},
    {123, "Email", true, 0x118A},
    {124, "Calc", true, 0x1192},
    {125, "File", true, 0x1194},
    {126, "Search", true, 0x1221},
    {127, "3W", true, 0x1223},
    {128, "Back", true, 0x1224},
    {129, "Forward", true, 0x1225},
    {130, "Desktop", true, 0x129F},
    {131, "Lauachpad", true, 0x12A0},
    {132, "Refresh", true, 0x1227},
    {133, "Marks", true, 0x122A},
    {134, "Power", true, 0x5081},
    {135, "Sleep", true, 0x5082},
    {137, "Fn1", true, 0xF001},
    {138, "Fn2", true, 0xF002},
    {139, "Fn3", true, 0xF003},
    {140, "Reset", true, 0xF300},
    {141, "RGB\nON/OFF", true, 0xF317},
    {142, "Dir", true, 0xF311},
    {143, "RGB\nM+", true, 0xF310},
    {144, "Light+", true, 0xF312},
    {145, "Light-", true, 0xF313},
    {146, "Spd+", true, 0xF314},
    {147, "Spd-", true, 0xF315},
    {148, "△", true, 0x0000},
    {149, "LockWin", true, 0xF309},
    {150, "WIN", true, 0xF101},
    {151, "MAC", true, 0xF102},
    {152, "RESET", true, 0xF100},
    {153, "ADJ", true, 0xF103},
    {154, "FN", true, 0x00E8},
    {155, "F13", true, 0x0068},
    {156, "R-Win", true, 0x00E7},
    {157, "Contral", true, 0x1152},
    {158, "MAC Search", true, 0x182C},
    {159, "Siri", true, 0x10CF},
    {160, "Scrshot", true, 0x1A21},
    {161, "LOGO\nON", true, 0xF326},
    {162, "LOGO\nM+", true, 0xF32C},
    {163, "LOGO\nM-", true, 0xF325},
    {164, "LOGO\nB+", true, 0xF32A},
    {165, "LOGO\nB-", true, 0xF32B},
    {166, "LOGO\nS+", true, 0xF328},
    {167, "LOGO\nS-", true, 0xF329},
    {168, "RGB\nM-", true, 0xF32F},
};

const KeyTypeRow *findRow(int type)
{
    for (const KeyTypeRow &row : kKeyTypes) {
        if (row.type == type)
            return &row;
    }
    return nullptr;
}

} // namespace

QString keyTypeName(int type)
{
    const KeyTypeRow *row = findRow(type);
    return row ? QString::fromUtf8(row->name) : QString();
}

int keyTypeFromName(const QString &name)
{
    if (name.isEmpty())
        return 0;
    // The rows are in key order, -1 first.
    for (const KeyTypeRow &row : kKeyTypes) {
        if (name == QString::fromUtf8(row.name))
            return row.type;
    }
    return 0;
}

bool keyTypeHasCode(int type)
{
    const KeyTypeRow *row = findRow(type);
    return row && row->hasCode;
}

quint16 keyTypeCode(int type)
{
    const KeyTypeRow *row = findRow(type);
    return row && row->hasCode ? row->code : 0;
}

int keyTypeFromCode(quint16 code)
{
    for (const KeyTypeRow &row : kKeyTypes) {
        if (row.hasCode && row.code == code)
            return row.type;
    }
    return -1;
}

QMap<int, quint16> defaultKeyCodeMap()
{
    QMap<int, quint16> map;
    for (const KeyTypeRow &row : kKeyTypes) {
        if (row.hasCode)
            map.insert(row.type, row.code);
    }
    return map;
}
