#include "MacroKeyNames.h"

#include "KeyTypeTable.h"

#include <QPair>

#include <iterator>

namespace {

struct QtKeyRow {
    int qtKey;
    int keyType;
};

// Keys outside the keypad. The key types are those of the key-name table;
// letters and digits are looked up by their names.
const QtKeyRow kMainKeys[] = {
    {Qt::Key_Escape, 0},
    {Qt::Key_F1, 1}, {Qt::Key_F2, 2}, {Qt::Key_F3, 3}, {Qt::Key_F4, 4}, {Qt::Key_F5, 5}, {Qt::Key_F6, 6},
    {Qt::Key_F7, 7}, {Qt::Key_F8, 8}, {Qt::Key_F9, 9}, {Qt::Key_F10, 10}, {Qt::Key_F11, 11}, {Qt::Key_F12, 12},
    {Qt::Key_F13, 155},
    {Qt::Key_Print, 13}, {Qt::Key_ScrollLock, 14}, {Qt::Key_Pause, 15},
    {Qt::Key_QuoteLeft, 16}, {Qt::Key_AsciiTilde, 16},
    // The shifted digits of a US layout.
    {Qt::Key_Exclam, 17}, {Qt::Key_At, 18}, {Qt::Key_NumberSign, 19}, {Qt::Key_Dollar, 20},
    {Qt::Key_Percent, 21}, {Qt::Key_AsciiCircum, 22}, {Qt::Key_Ampersand, 23}, {Qt::Key_Asterisk, 24},
    {Qt::Key_ParenLeft, 25}, {Qt::Key_ParenRight, 26},
    {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27}, {Qt::Key_Equal, 28}, {Qt::Key_Plus, 28},
    {Qt::Key_Backspace, 29}, {Qt::Key_Insert, 30}, {Qt::Key_Home, 31}, {Qt::Key_PageUp, 32},
    {Qt::Key_Tab, 33}, {Qt::Key_Backtab, 33},
    {Qt::Key_BracketLeft, 44}, {Qt::Key_BraceLeft, 44}, {Qt::Key_BracketRight, 45}, {Qt::Key_BraceRight, 45},
    {Qt::Key_Backslash, 46}, {Qt::Key_Bar, 46},
    {Qt::Key_Delete, 47}, {Qt::Key_End, 48}, {Qt::Key_PageDown, 49}, {Qt::Key_CapsLock, 50},
    {Qt::Key_Semicolon, 60}, {Qt::Key_Colon, 60}, {Qt::Key_Apostrophe, 61}, {Qt::Key_QuoteDbl, 61},
    {Qt::Key_Return, 62},
    {Qt::Key_Comma, 71}, {Qt::Key_Less, 71}, {Qt::Key_Period, 72}, {Qt::Key_Greater, 72},
    {Qt::Key_Slash, 73}, {Qt::Key_Question, 73},
    {Qt::Key_Up, 75}, {Qt::Key_Space, 79}, {Qt::Key_AltGr, 80},
    // The context-menu key sends the Application usage, the "APP" key.
    {Qt::Key_Menu, 112},
    {Qt::Key_Left, 84}, {Qt::Key_Down, 85}, {Qt::Key_Right, 86}, {Qt::Key_NumLock, 87},
    // Some platforms report the keypad Enter without the keypad modifier.
    {Qt::Key_Enter, 103},
    {Qt::Key_Super_L, 77}, {Qt::Key_Super_R, 156},
    {Qt::Key_MediaNext, 113}, {Qt::Key_MediaPrevious, 114}, {Qt::Key_MediaPlay, 115},
    {Qt::Key_MediaTogglePlayPause, 115}, {Qt::Key_MediaPause, 115}, {Qt::Key_MediaStop, 116},
    {Qt::Key_VolumeMute, 117}, {Qt::Key_VolumeUp, 118}, {Qt::Key_VolumeDown, 119},
    {Qt::Key_MonBrightnessUp, 120}, {Qt::Key_MonBrightnessDown, 121}, {Qt::Key_LaunchMedia, 122},
    {Qt::Key_LaunchMail, 123}, {Qt::Key_Calculator, 124}, {Qt::Key_Search, 126}, {Qt::Key_HomePage, 127},
    {Qt::Key_Back, 128}, {Qt::Key_Forward, 129}, {Qt::Key_Refresh, 132}, {Qt::Key_Favorites, 133},
};

// Keys with the keypad modifier: the digits, and the same keys with Num
// Lock off, where they report as the navigation keys.
const QtKeyRow kKeypadKeys[] = {
    {Qt::Key_0, 100}, {Qt::Key_1, 97}, {Qt::Key_2, 98}, {Qt::Key_3, 99}, {Qt::Key_4, 94},
    {Qt::Key_5, 95}, {Qt::Key_6, 96}, {Qt::Key_7, 91}, {Qt::Key_8, 92}, {Qt::Key_9, 93},
    {Qt::Key_Insert, 100}, {Qt::Key_End, 97}, {Qt::Key_Down, 98}, {Qt::Key_PageDown, 99},
    {Qt::Key_Left, 94}, {Qt::Key_Clear, 95}, {Qt::Key_Right, 96}, {Qt::Key_Home, 91},
    {Qt::Key_Up, 92}, {Qt::Key_PageUp, 93},
    {Qt::Key_Slash, 88}, {Qt::Key_Asterisk, 89}, {Qt::Key_Minus, 90}, {Qt::Key_Plus, 102},
    {Qt::Key_Period, 101}, {Qt::Key_Comma, 101}, {Qt::Key_Delete, 101},
    {Qt::Key_Enter, 103}, {Qt::Key_Return, 103},
};

// Modifiers: left, right.
struct ModifierRow {
    int qtKey;
    int left;
    int right;
};
const ModifierRow kModifiers[] = {
    {Qt::Key_Shift, 63, 74},
    {Qt::Key_Control, 76, 83},
    {Qt::Key_Alt, 78, 80},
    {Qt::Key_Meta, 77, 156},
};

int lookUp(const QtKeyRow *rows, int count, int key)
{
    for (int i = 0; i < count; ++i)
        if (rows[i].qtKey == key)
            return rows[i].keyType;
    return -1;
}

} // namespace

quint32 rightModifierScanCode(int qtKey)
{
    switch (qtKey) {
#ifdef Q_OS_WIN
    // Scan codes with the extended-key bit, as Qt reports them on Windows.
    case Qt::Key_Shift: return 0x36;
    case Qt::Key_Control: return 0x11D;
    case Qt::Key_Alt: return 0x138;
    case Qt::Key_Meta: return 0x15C;
#else
    // X11 key codes (evdev code + 8).
    case Qt::Key_Shift: return 62;
    case Qt::Key_Control: return 105;
    case Qt::Key_Alt: return 108;
    case Qt::Key_Meta: return 134;
#endif
    default: return 0;
    }
}

int macroKeyTypeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    for (const ModifierRow &row : kModifiers)
        if (row.qtKey == qtKey)
            return nativeScanCode != 0 && nativeScanCode == rightModifierScanCode(qtKey) ? row.right : row.left;
    if (modifiers & Qt::KeypadModifier) {
        const int type = lookUp(kKeypadKeys, int(std::size(kKeypadKeys)), qtKey);
        if (type >= 0)
            return type;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return keyTypeFromName(QString(QChar(qtKey)));
    return lookUp(kMainKeys, int(std::size(kMainKeys)), qtKey);
}

QString macroKeyNameForQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    const int type = macroKeyTypeForQtKey(qtKey, modifiers, nativeScanCode);
    return type >= 0 ? keyTypeName(type) : QString();
}

QList<QPair<int, bool>> macroRecorderKeys()
{
    QList<QPair<int, bool>> out;
    for (int k = Qt::Key_A; k <= Qt::Key_Z; ++k)
        out.append({k, false});
    for (int k = Qt::Key_0; k <= Qt::Key_9; ++k)
        out.append({k, false});
    for (const ModifierRow &row : kModifiers)
        out.append({row.qtKey, false});
    for (const QtKeyRow &row : kMainKeys)
        out.append({row.qtKey, false});
    for (const QtKeyRow &row : kKeypadKeys)
        out.append({row.qtKey, true});
    return out;
}
