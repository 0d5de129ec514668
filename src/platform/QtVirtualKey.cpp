#include "QtVirtualKey.h"

#include <iterator>

namespace {

// X11 key codes (evdev code + 8) of the right-hand modifiers.
constexpr quint32 XRightShift = 62;
constexpr quint32 XRightCtrl = 105;
constexpr quint32 XRightAlt = 108;
constexpr quint32 XRightSuper = 134;

struct QtVkRow {
    int key;
    int vk;
};

// Keys whose virtual key does not depend on the keypad.
const QtVkRow kMainKeys[] = {
    {Qt::Key_Escape, 0x1B},
    {Qt::Key_F1, 0x70}, {Qt::Key_F2, 0x71}, {Qt::Key_F3, 0x72}, {Qt::Key_F4, 0x73},
    {Qt::Key_F5, 0x74}, {Qt::Key_F6, 0x75}, {Qt::Key_F7, 0x76}, {Qt::Key_F8, 0x77},
    {Qt::Key_F9, 0x78}, {Qt::Key_F10, 0x79}, {Qt::Key_F11, 0x7A}, {Qt::Key_F12, 0x7B},
    // Shifted digits of a US layout.
    {Qt::Key_Exclam, 0x31}, {Qt::Key_At, 0x32}, {Qt::Key_NumberSign, 0x33}, {Qt::Key_Dollar, 0x34},
    {Qt::Key_Percent, 0x35}, {Qt::Key_AsciiCircum, 0x36}, {Qt::Key_Ampersand, 0x37},
    {Qt::Key_ParenLeft, 0x39}, {Qt::Key_ParenRight, 0x30},
    {Qt::Key_Print, 0x2C}, {Qt::Key_ScrollLock, 0x91}, {Qt::Key_Pause, 0x13},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Equal, 0xBB}, {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09},
    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB}, {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC}, {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA}, {Qt::Key_Apostrophe, 0xDE}, {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC},
    {Qt::Key_Greater, 0xBE}, {Qt::Key_Question, 0xBF}, {Qt::Key_Space, 0x20}, {Qt::Key_Menu, 0x5D},
    {Qt::Key_NumLock, 0x90}, {Qt::Key_AltGr, 0xA5},
    {Qt::Key_Insert, 0x2D}, {Qt::Key_Home, 0x24}, {Qt::Key_PageUp, 0x21}, {Qt::Key_Delete, 0x2E},
    {Qt::Key_End, 0x23}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_Up, 0x26}, {Qt::Key_Left, 0x25}, {Qt::Key_Down, 0x28}, {Qt::Key_Right, 0x27},
};

// Keys that read differently on the keypad.
const QtVkRow kKeypadKeys[] = {
    {Qt::Key_0, 0x60}, {Qt::Key_1, 0x61}, {Qt::Key_2, 0x62}, {Qt::Key_3, 0x63}, {Qt::Key_4, 0x64},
    {Qt::Key_5, 0x65}, {Qt::Key_6, 0x66}, {Qt::Key_7, 0x67}, {Qt::Key_8, 0x68}, {Qt::Key_9, 0x69},
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D}, {Qt::Key_Period, 0x6E},
    {Qt::Key_Slash, 0x6F},
};

const QtVkRow kMainOfKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x38}, {Qt::Key_Plus, 0xBB}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF},
};

int lookUp(const QtVkRow *rows, int count, int key)
{
    for (int i = 0; i < count; ++i)
        if (rows[i].key == key)
            return rows[i].vk;
    return 0;
}

} // namespace

int virtualKeyForQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    switch (key) {
    case Qt::Key_Shift: return nativeScanCode == XRightShift ? 0xA1 : 0xA0;
    case Qt::Key_Control: return nativeScanCode == XRightCtrl ? 0xA3 : 0xA2;
    case Qt::Key_Alt: return nativeScanCode == XRightAlt ? 0xA5 : 0xA4;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return nativeScanCode == XRightSuper || key == Qt::Key_Super_R ? 0x5C : 0x5B;
    default: break;
    }
    if (modifiers & Qt::KeypadModifier) {
        if (const int vk = lookUp(kKeypadKeys, int(std::size(kKeypadKeys)), key))
            return vk;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // the virtual keys of letters and digits are their ASCII codes
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    if (const int vk = lookUp(kMainOfKeypadKeys, int(std::size(kMainOfKeypadKeys)), key))
        return vk;
    return lookUp(kMainKeys, int(std::size(kMainKeys)), key);
}
