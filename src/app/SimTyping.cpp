#include "SimTyping.h"

#include "Hook.h"
#include "KeyTypeTable.h"
#include "VirtualKeyTable.h"
#include "VirtualKeyboard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLoggingCategory>

#include <array>

#include "QtVirtualKey.h"

namespace {

Q_LOGGING_CATEGORY(lcSimTyping, "corvane.sim.typing", QtWarningMsg)

constexpr int HookTypeCount = Hook::KEY_P0 + 1;

// The hook's numbering to the key types, by the key types' display names:
// the one link between the two numberings.
struct HookKeyRow {
    Hook::Type hook;
    const char *keyName; // UTF-8, as in the key type table
};
const HookKeyRow kHookKeys[] = {
    {Hook::KEY_ESC, "Esc"},
    {Hook::KEY_F1, "F1"}, {Hook::KEY_F2, "F2"}, {Hook::KEY_F3, "F3"}, {Hook::KEY_F4, "F4"},
    {Hook::KEY_F5, "F5"}, {Hook::KEY_F6, "F6"}, {Hook::KEY_F7, "F7"}, {Hook::KEY_F8, "F8"},
    {Hook::KEY_F9, "F9"}, {Hook::KEY_F10, "F10"}, {Hook::KEY_F11, "F11"}, {Hook::KEY_F12, "F12"},
    {Hook::KEY_A, "A"}, {Hook::KEY_B, "B"}, {Hook::KEY_C, "C"}, {Hook::KEY_D, "D"}, {Hook::KEY_E, "E"},
    {Hook::KEY_F, "F"}, {Hook::KEY_G, "G"}, {Hook::KEY_H, "H"}, {Hook::KEY_I, "I"}, {Hook::KEY_J, "J"},
    {Hook::KEY_K, "K"}, {Hook::KEY_L, "L"}, {Hook::KEY_M, "M"}, {Hook::KEY_N, "N"}, {Hook::KEY_O, "O"},
    {Hook::KEY_P, "P"}, {Hook::KEY_Q, "Q"}, {Hook::KEY_R, "R"}, {Hook::KEY_S, "S"}, {Hook::KEY_T, "T"},
    {Hook::KEY_U, "U"}, {Hook::KEY_V, "V"}, {Hook::KEY_W, "W"}, {Hook::KEY_X, "X"}, {Hook::KEY_Y, "Y"},
    {Hook::KEY_Z, "Z"},
    {Hook::KEY_0, "0"}, {Hook::KEY_1, "1"}, {Hook::KEY_2, "2"}, {Hook::KEY_3, "3"}, {Hook::KEY_4, "4"},
    {Hook::KEY_5, "5"}, {Hook::KEY_6, "6"}, {Hook::KEY_7, "7"}, {Hook::KEY_8, "8"}, {Hook::KEY_9, "9"},
    {Hook::KEY_PSCR, "Print"}, {Hook::KEY_SCRL, "Scroll"}, {Hook::KEY_PAUSE, "Pause"},
    {Hook::KEY_INS, "Ins"}, {Hook::KEY_HOME, "Home"}, {Hook::KEY_PGUP, "PgUp"}, {Hook::KEY_DEL, "Del"},
    {Hook::KEY_END, "End"}, {Hook::KEY_PGDN, "PgDn"},
    {Hook::KEY_GRV, "`~"}, {Hook::KEY_MINS, "-_"}, {Hook::KEY_EQL, "=+"}, {Hook::KEY_BSPC, "Backspace"},
    {Hook::KEY_TAB, "Tab"}, {Hook::KEY_LBRC, "["}, {Hook::KEY_RBRC, "]"}, {Hook::KEY_BSLC, "\\"},
    {Hook::KEY_CAPS, "Caps"}, {Hook::KEY_SCLN, ";"}, {Hook::KEY_QUOT, "'"}, {Hook::KEY_ENT, "Enter"},
    {Hook::KEY_LSHIFT, "L-Shift"}, {Hook::KEY_COMM, ","}, {Hook::KEY_DOT, "."}, {Hook::KEY_SLSH, "/"},
    {Hook::KEY_RSHIFT, "R-Shift"}, {Hook::KEY_UP, "↑"},
    {Hook::KEY_LCTRL, "L-Ctrl"}, {Hook::KEY_LWIN, "L-Win"}, {Hook::KEY_LALT, "L-Alt"},
    {Hook::KEY_SPACE, "SpaceBar"}, {Hook::KEY_RALT, "R-Alt"}, {Hook::KEY_FN, "Fn"},
    // The context-menu key is the HID "Application" key.
    {Hook::KEY_APP, "APP"}, {Hook::KEY_RCTRL, "R-Ctrl"},
    {Hook::KEY_LEFT, "←"}, {Hook::KEY_DOWN, "↓"}, {Hook::KEY_RIGHT, "→"},
    {Hook::KEY_NUM, "Num"}, {Hook::KEY_PSLS, "Num/"}, {Hook::KEY_PAST, "Num*"}, {Hook::KEY_PMNS, "Num-"},
    {Hook::KEY_PPLS, "Num+"}, {Hook::KEY_PENT, "R-Enter"}, {Hook::KEY_PDOT, "Num."},
    {Hook::KEY_P1, "Num1"}, {Hook::KEY_P2, "Num2"}, {Hook::KEY_P3, "Num3"}, {Hook::KEY_P4, "Num4"},
    {Hook::KEY_P5, "Num5"}, {Hook::KEY_P6, "Num6"}, {Hook::KEY_P7, "Num7"}, {Hook::KEY_P8, "Num8"},
    {Hook::KEY_P9, "Num9"}, {Hook::KEY_P0, "Num0"},
};

const std::array<int, HookTypeCount> &hookKeyTypes()
{
    static const std::array<int, HookTypeCount> types = [] {
        std::array<int, HookTypeCount> t;
        t.fill(KeyTypeNone);
        for (const HookKeyRow &row : kHookKeys) {
            const QString name = QString::fromUtf8(row.keyName);
            const int type = keyTypeFromName(name);
            // keyTypeFromName answers 0 (Esc) for a name it lacks.
            if (keyTypeName(type) == name)
                t[row.hook] = type;
        }
        return t;
    }();
    return types;
}

} // namespace

SimTyping::SimTyping(VirtualKeyboard &keyboard, QObject *parent) : QObject(parent), m_keyboard(keyboard)
{
}

int SimTyping::keyTypeForHookType(int hookType)
{
    return hookType >= 0 && hookType < HookTypeCount ? hookKeyTypes()[size_t(hookType)] : KeyTypeNone;
}

uint8_t SimTyping::wireCodeOf(const QKeyEvent &event)
{
    int vk = 0;
#ifdef Q_OS_WIN
    // The system's own key where it said it; an event made by a program
    // (a test, an accessibility tool) carries none.
    vk = int(event.nativeVirtualKey());
#endif
    if (vk == 0)
        vk = virtualKeyForQtKey(event.key(), event.modifiers(), event.nativeScanCode());
    const int type = keyTypeForHookType(hookTypeForVirtualKey(vk));
    if (type == KeyTypeNone || !keyTypeHasCode(type))
        return 0;
    const quint16 code = keyTypeCode(type);
    return code < 0x100 ? uint8_t(code) : 0;
}

bool SimTyping::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    // A key event reaches its window first and is then passed on to widgets;
    // the window alone sees each key once.
    if ((t == QEvent::KeyPress || t == QEvent::KeyRelease) && watched->isWindowType()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat()) {
            const bool down = t == QEvent::KeyPress;
            if (const uint8_t wire = wireCodeOf(*key)) {
                qCDebug(lcSimTyping) << (down ? "down" : "up") << Qt::hex << key->key() << "-> wire" << wire;
                if (down)
                    m_held.insert(wire);
                else
                    m_held.erase(wire);
                m_keyboard.typeKey(wire, down);
            } else {
                qCDebug(lcSimTyping) << "no keyboard key for" << Qt::hex << key->key();
            }
        }
    } else if (t == QEvent::ApplicationDeactivate
               || (t == QEvent::ApplicationStateChange
                   && static_cast<QApplicationStateChangeEvent *>(event)->applicationState()
                          != Qt::ApplicationActive)) {
        // Keys let go of in another program's window never reach us: lift
        // them now rather than leave them down.
        releaseHeld();
    }
    return QObject::eventFilter(watched, event);
}

void SimTyping::releaseHeld()
{
    for (uint8_t wire : m_held)
        m_keyboard.typeKey(wire, false);
    m_held.clear();
}
