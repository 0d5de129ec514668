#include "KeyTypeTable.h"

namespace {

struct KeyTypeRow {
    int type;
    const char *name; // UTF-8; \n breaks the legend on the key
    bool hasCode;
    quint16 code;
    KeyCategory category;
};

// Types 104..109, 111 and 136 have neither name nor code and are absent.
const KeyTypeRow kKeyTypes[] = {
    {-1, "△", false, 0x0000, KeyCategory::Other},
    {0, "Esc", true, 0x0029, KeyCategory::Basic},
    {1, "F1", true, 0x003A, KeyCategory::Basic},
    {2, "F2", true, 0x003B, KeyCategory::Basic},
    {3, "F3", true, 0x003C, KeyCategory::Basic},
    {4, "F4", true, 0x003D, KeyCategory::Basic},
    {5, "F5", true, 0x003E, KeyCategory::Basic},
    {6, "F6", true, 0x003F, KeyCategory::Basic},
    {7, "F7", true, 0x0040, KeyCategory::Basic},
    {8, "F8", true, 0x0041, KeyCategory::Basic},
    {9, "F9", true, 0x0042, KeyCategory::Basic},
    {10, "F10", true, 0x0043, KeyCategory::Basic},
    {11, "F11", true, 0x0044, KeyCategory::Basic},
    {12, "F12", true, 0x0045, KeyCategory::Basic},
    {13, "Print", true, 0x0046, KeyCategory::Basic},
    {14, "Scroll", true, 0x0047, KeyCategory::Basic},
    {15, "Pause", true, 0x0048, KeyCategory::Basic},
    {16, "`~", true, 0x0035, KeyCategory::Basic},
    {17, "1", true, 0x001E, KeyCategory::Basic},
    {18, "2", true, 0x001F, KeyCategory::Basic},
    {19, "3", true, 0x0020, KeyCategory::Basic},
    {20, "4", true, 0x0021, KeyCategory::Basic},
    {21, "5", true, 0x0022, KeyCategory::Basic},
    {22, "6", true, 0x0023, KeyCategory::Basic},
    {23, "7", true, 0x0024, KeyCategory::Basic},
    {24, "8", true, 0x0025, KeyCategory::Basic},
    {25, "9", true, 0x0026, KeyCategory::Basic},
    {26, "0", true, 0x0027, KeyCategory::Basic},
    {27, "-_", true, 0x002D, KeyCategory::Basic},
    {28, "=+", true, 0x002E, KeyCategory::Basic},
    {29, "Backspace", true, 0x002A, KeyCategory::Basic},
    {30, "Ins", true, 0x0049, KeyCategory::Basic},
    {31, "Home", true, 0x004A, KeyCategory::Basic},
    {32, "PgUp", true, 0x004B, KeyCategory::Basic},
    {33, "Tab", true, 0x002B, KeyCategory::Basic},
    {34, "Q", true, 0x0014, KeyCategory::Basic},
    {35, "W", true, 0x001A, KeyCategory::Basic},
    {36, "E", true, 0x0008, KeyCategory::Basic},
    {37, "R", true, 0x0015, KeyCategory::Basic},
    {38, "T", true, 0x0017, KeyCategory::Basic},
    {39, "Y", true, 0x001C, KeyCategory::Basic},
    {40, "U", true, 0x0018, KeyCategory::Basic},
    {41, "I", true, 0x000C, KeyCategory::Basic},
    {42, "O", true, 0x0012, KeyCategory::Basic},
    {43, "P", true, 0x0013, KeyCategory::Basic},
    {44, "[", true, 0x002F, KeyCategory::Basic},
    {45, "]", true, 0x0030, KeyCategory::Basic},
    {46, "\\", true, 0x0031, KeyCategory::Basic},
    {47, "Del", true, 0x004C, KeyCategory::Basic},
    {48, "End", true, 0x004D, KeyCategory::Basic},
    {49, "PgDn", true, 0x004E, KeyCategory::Basic},
    {50, "Caps", true, 0x0039, KeyCategory::Basic},
    {51, "A", true, 0x0004, KeyCategory::Basic},
    {52, "S", true, 0x0016, KeyCategory::Basic},
    {53, "D", true, 0x0007, KeyCategory::Basic},
    {54, "F", true, 0x0009, KeyCategory::Basic},
    {55, "G", true, 0x000A, KeyCategory::Basic},
    {56, "H", true, 0x000B, KeyCategory::Basic},
    {57, "J", true, 0x000D, KeyCategory::Basic},
    {58, "K", true, 0x000E, KeyCategory::Basic},
    {59, "L", true, 0x000F, KeyCategory::Basic},
    {60, ";", true, 0x0033, KeyCategory::Basic},
    {61, "'", true, 0x0034, KeyCategory::Basic},
    {62, "Enter", true, 0x0028, KeyCategory::Basic},
    {63, "L-Shift", true, 0x00E1, KeyCategory::Basic},
    {64, "Z", true, 0x001D, KeyCategory::Basic},
    {65, "X", true, 0x001B, KeyCategory::Basic},
    {66, "C", true, 0x0006, KeyCategory::Basic},
    {67, "V", true, 0x0019, KeyCategory::Basic},
    {68, "B", true, 0x0005, KeyCategory::Basic},
    {69, "N", true, 0x0011, KeyCategory::Basic},
    {70, "M", true, 0x0010, KeyCategory::Basic},
    {71, ",", true, 0x0036, KeyCategory::Basic},
    {72, ".", true, 0x0037, KeyCategory::Basic},
    {73, "/", true, 0x0038, KeyCategory::Basic},
    {74, "R-Shift", true, 0x00E5, KeyCategory::Basic},
    {75, "↑", true, 0x0052, KeyCategory::Basic},
    {76, "L-Ctrl", true, 0x00E0, KeyCategory::Basic},
    {77, "L-Win", true, 0x00E3, KeyCategory::Basic},
    {78, "L-Alt", true, 0x00E2, KeyCategory::Basic},
    {79, "SpaceBar", true, 0x002C, KeyCategory::Basic},
    {80, "R-Alt", true, 0x00E6, KeyCategory::Basic},
    {81, "Fn", false, 0x0000, KeyCategory::Basic},
    {82, "Menu", true, 0x0076, KeyCategory::Basic},
    {83, "R-Ctrl", true, 0x00E4, KeyCategory::Basic},
    {84, "←", true, 0x0050, KeyCategory::Basic},
    {85, "↓", true, 0x0051, KeyCategory::Basic},
    {86, "→", true, 0x004F, KeyCategory::Basic},
    {87, "Num", true, 0x0053, KeyCategory::Basic},
    {88, "Num/", true, 0x0054, KeyCategory::Basic},
    {89, "Num*", true, 0x0055, KeyCategory::Basic},
    {90, "Num-", true, 0x0056, KeyCategory::Basic},
    {91, "Num7", true, 0x005F, KeyCategory::Basic},
    {92, "Num8", true, 0x0060, KeyCategory::Basic},
    {93, "Num9", true, 0x0061, KeyCategory::Basic},
    {94, "Num4", true, 0x005C, KeyCategory::Basic},
    {95, "Num5", true, 0x005D, KeyCategory::Basic},
    {96, "Num6", true, 0x005E, KeyCategory::Basic},
    {97, "Num1", true, 0x0059, KeyCategory::Basic},
    {98, "Num2", true, 0x005A, KeyCategory::Basic},
    {99, "Num3", true, 0x005B, KeyCategory::Basic},
    {100, "Num0", true, 0x0062, KeyCategory::Basic},
    {101, "Num.", true, 0x0063, KeyCategory::Basic},
    {102, "Num+", true, 0x0057, KeyCategory::Basic},
    {103, "R-Enter", true, 0x0058, KeyCategory::Basic},
    {110, "KNOB", false, 0x0000, KeyCategory::Other},
    {112, "APP", true, 0x0065, KeyCategory::Application},
    {113, "►►", true, 0x10B5, KeyCategory::Application},
    {114, "◄◄", true, 0x10B6, KeyCategory::Application},
    {115, "Play", true, 0x10CD, KeyCategory::Application},
    {116, "Stop", true, 0x10B7, KeyCategory::Application},
    {117, "Mute", true, 0x10E2, KeyCategory::Application},
    {118, "Vol+", true, 0x10E9, KeyCategory::Application},
    {119, "Vol-", true, 0x10EA, KeyCategory::Application},
    {120, "SCLight+", true, 0x106F, KeyCategory::Application},
    {121, "SCLight-", true, 0x1070, KeyCategory::Application},
    {122, "Media", true, 0x1183, KeyCategory::Application},
    {123, "Email", true, 0x118A, KeyCategory::Application},
    {124, "Calc", true, 0x1192, KeyCategory::Application},
    {125, "File", true, 0x1194, KeyCategory::Application},
    {126, "Search", true, 0x1221, KeyCategory::Application},
    {127, "3W", true, 0x1223, KeyCategory::Application},
    {128, "Back", true, 0x1224, KeyCategory::Application},
    {129, "Forward", true, 0x1225, KeyCategory::Application},
    {130, "Desktop", true, 0x129F, KeyCategory::Application},
    {131, "Lauachpad", true, 0x12A0, KeyCategory::Application},
    {132, "Refresh", true, 0x1227, KeyCategory::Other},
    {133, "Marks", true, 0x122A, KeyCategory::Other},
    {134, "Power", true, 0x5081, KeyCategory::Other},
    {135, "Sleep", true, 0x5082, KeyCategory::Other},
    {137, "Fn1", true, 0xF001, KeyCategory::FnLayer},
    {138, "Fn2", true, 0xF002, KeyCategory::FnLayer},
    {139, "Fn3", true, 0xF003, KeyCategory::FnLayer},
    {140, "Reset", true, 0xF300, KeyCategory::Other},
    {141, "RGB\nON/OFF", true, 0xF317, KeyCategory::Lighting},
    {142, "Dir", true, 0xF311, KeyCategory::Lighting},
    {143, "RGB\nM+", true, 0xF310, KeyCategory::Lighting},
    {144, "Light+", true, 0xF312, KeyCategory::Lighting},
    {145, "Light-", true, 0xF313, KeyCategory::Lighting},
    {146, "Spd+", true, 0xF314, KeyCategory::Lighting},
    {147, "Spd-", true, 0xF315, KeyCategory::Lighting},
    {148, "△", true, 0x0000, KeyCategory::Other},
    {149, "LockWin", true, 0xF309, KeyCategory::System},
    {150, "WIN", true, 0xF101, KeyCategory::System},
    {151, "MAC", true, 0xF102, KeyCategory::System},
    {152, "RESET", true, 0xF100, KeyCategory::System},
    {153, "ADJ", true, 0xF103, KeyCategory::System},
    {154, "FN", true, 0x00E8, KeyCategory::Other},
    {155, "F13", true, 0x0068, KeyCategory::MacFunction},
    {156, "R-Win", true, 0x00E7, KeyCategory::MacFunction},
    {157, "Contral", true, 0x1152, KeyCategory::MacFunction},
    {158, "MAC Search", true, 0x182C, KeyCategory::MacFunction},
    {159, "Siri", true, 0x10CF, KeyCategory::MacFunction},
    {160, "Scrshot", true, 0x1A21, KeyCategory::MacFunction},
    {161, "LOGO\nON", true, 0xF326, KeyCategory::Lighting},
    {162, "LOGO\nM+", true, 0xF32C, KeyCategory::Lighting},
    {163, "LOGO\nM-", true, 0xF325, KeyCategory::Lighting},
    {164, "LOGO\nB+", true, 0xF32A, KeyCategory::Lighting},
    {165, "LOGO\nB-", true, 0xF32B, KeyCategory::Lighting},
    {166, "LOGO\nS+", true, 0xF328, KeyCategory::Lighting},
    {167, "LOGO\nS-", true, 0xF329, KeyCategory::Lighting},
    {168, "RGB\nM-", true, 0xF32F, KeyCategory::Lighting},
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

KeyCategory keyTypeCategory(int type)
{
    const KeyTypeRow *row = findRow(type);
    return row ? row->category : KeyCategory::Other;
}

QList<int> keyTypesOf(KeyCategory category)
{
    QList<int> out;
    for (const KeyTypeRow &row : kKeyTypes)
        if (row.category == category)
            out.append(row.type);
    return out;
}

bool isWasdKey(int type)
{
    return type == KeyTypeW || type == KeyTypeA || type == KeyTypeS || type == KeyTypeD;
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
