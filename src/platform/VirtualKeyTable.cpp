#include "VirtualKeyTable.h"

#include "Hook.h"

namespace {

struct VkRow {
    int vk;
    Hook::Type type;
};

// KEY_FN and KEY_PENT have no virtual key of their own (keypad Enter reports
// VK_RETURN). VK_SNAPSHOT (0x2C) is what Print Screen reports on almost every
// keyboard, so it is listed beside VK_PRINT (0x2A).
const VkRow kVirtualKeys[] = {
    {0x1B, Hook::KEY_ESC},
    {0x70, Hook::KEY_F1}, {0x71, Hook::KEY_F2}, {0x72, Hook::KEY_F3}, {0x73, Hook::KEY_F4},
    {0x74, Hook::KEY_F5}, {0x75, Hook::KEY_F6}, {0x76, Hook::KEY_F7}, {0x77, Hook::KEY_F8},
    {0x78, Hook::KEY_F9}, {0x79, Hook::KEY_F10}, {0x7A, Hook::KEY_F11}, {0x7B, Hook::KEY_F12},
    {0x41, Hook::KEY_A}, {0x42, Hook::KEY_B}, {0x43, Hook::KEY_C}, {0x44, Hook::KEY_D},
    {0x45, Hook::KEY_E}, {0x46, Hook::KEY_F}, {0x47, Hook::KEY_G}, {0x48, Hook::KEY_H},
    {0x49, Hook::KEY_I}, {0x4A, Hook::KEY_J}, {0x4B, Hook::KEY_K}, {0x4C, Hook::KEY_L},
    {0x4D, Hook::KEY_M}, {0x4E, Hook::KEY_N}, {0x4F, Hook::KEY_O}, {0x50, Hook::KEY_P},
    {0x51, Hook::KEY_Q}, {0x52, Hook::KEY_R}, {0x53, Hook::KEY_S}, {0x54, Hook::KEY_T},
    {0x55, Hook::KEY_U}, {0x56, Hook::KEY_V}, {0x57, Hook::KEY_W}, {0x58, Hook::KEY_X},
    {0x59, Hook::KEY_Y}, {0x5A, Hook::KEY_Z},
    {0x30, Hook::KEY_0}, {0x31, Hook::KEY_1}, {0x32, Hook::KEY_2}, {0x33, Hook::KEY_3},
    {0x34, Hook::KEY_4}, {0x35, Hook::KEY_5}, {0x36, Hook::KEY_6}, {0x37, Hook::KEY_7},
    {0x38, Hook::KEY_8}, {0x39, Hook::KEY_9},
    {0x2A, Hook::KEY_PSCR}, {0x2C, Hook::KEY_PSCR},
    {0x91, Hook::KEY_SCRL}, {0x13, Hook::KEY_PAUSE}, {0x2D, Hook::KEY_INS}, {0x24, Hook::KEY_HOME},
    {0x21, Hook::KEY_PGUP}, {0x2E, Hook::KEY_DEL}, {0x23, Hook::KEY_END}, {0x22, Hook::KEY_PGDN},
    {0xC0, Hook::KEY_GRV}, {0xBD, Hook::KEY_MINS}, {0xBB, Hook::KEY_EQL}, {0x08, Hook::KEY_BSPC},
    {0x09, Hook::KEY_TAB}, {0xDB, Hook::KEY_LBRC}, {0xDD, Hook::KEY_RBRC}, {0xDC, Hook::KEY_BSLC},
    {0x14, Hook::KEY_CAPS}, {0xBA, Hook::KEY_SCLN}, {0xDE, Hook::KEY_QUOT}, {0x0D, Hook::KEY_ENT},
    {0xA0, Hook::KEY_LSHIFT}, {0xBC, Hook::KEY_COMM}, {0xBE, Hook::KEY_DOT}, {0xBF, Hook::KEY_SLSH},
    {0xA1, Hook::KEY_RSHIFT}, {0x26, Hook::KEY_UP}, {0xA2, Hook::KEY_LCTRL}, {0x5B, Hook::KEY_LWIN},
    {0xA4, Hook::KEY_LALT}, {0x20, Hook::KEY_SPACE}, {0xA5, Hook::KEY_RALT}, {0x5D, Hook::KEY_APP},
    {0xA3, Hook::KEY_RCTRL}, {0x25, Hook::KEY_LEFT}, {0x28, Hook::KEY_DOWN}, {0x27, Hook::KEY_RIGHT},
    {0x90, Hook::KEY_NUM}, {0x6F, Hook::KEY_PSLS}, {0x6A, Hook::KEY_PAST}, {0x6D, Hook::KEY_PMNS},
    {0x6B, Hook::KEY_PPLS}, {0x6E, Hook::KEY_PDOT},
    {0x61, Hook::KEY_P1}, {0x62, Hook::KEY_P2}, {0x63, Hook::KEY_P3}, {0x64, Hook::KEY_P4},
    {0x65, Hook::KEY_P5}, {0x66, Hook::KEY_P6}, {0x67, Hook::KEY_P7}, {0x68, Hook::KEY_P8},
    {0x69, Hook::KEY_P9}, {0x60, Hook::KEY_P0},
};

} // namespace

int hookTypeForVirtualKey(int virtualKey)
{
    for (const VkRow &row : kVirtualKeys)
        if (row.vk == virtualKey)
            return row.type;
    return -1;
}

QList<QPair<int, int>> virtualKeyTable()
{
    QList<QPair<int, int>> out;
    for (const VkRow &row : kVirtualKeys)
        out.append({row.vk, int(row.type)});
    return out;
}
