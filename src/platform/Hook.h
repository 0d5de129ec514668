#pragma once

#include <QObject>
#include <QString>

// The keyboard hook: reports every key pressed and released while it is
// installed, in its own key numbering (Type). On Windows it is a low-level
// keyboard hook; on Linux an application-wide event filter, so it hears keys
// while Corvane has the focus. It never swallows a key.
class Hook : public QObject {
    Q_OBJECT
public:
    // Letters come before digits; the keypad digits run 1..9, then 0.
    enum Type {
        KEY_ESC = 0,
        KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12,
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
        KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9,
        KEY_PSCR, KEY_SCRL, KEY_PAUSE, KEY_INS, KEY_HOME, KEY_PGUP, KEY_DEL, KEY_END, KEY_PGDN,
        KEY_GRV, KEY_MINS, KEY_EQL, KEY_BSPC, KEY_TAB, KEY_LBRC, KEY_RBRC, KEY_BSLC, KEY_CAPS,
        KEY_SCLN, KEY_QUOT, KEY_ENT, KEY_LSHIFT, KEY_COMM, KEY_DOT, KEY_SLSH, KEY_RSHIFT, KEY_UP,
        KEY_LCTRL, KEY_LWIN, KEY_LALT, KEY_SPACE, KEY_RALT, KEY_FN, KEY_APP, KEY_RCTRL,
        KEY_LEFT, KEY_DOWN, KEY_RIGHT, KEY_NUM, KEY_PSLS, KEY_PAST, KEY_PMNS, KEY_PPLS, KEY_PENT, KEY_PDOT,
        KEY_P1, KEY_P2, KEY_P3, KEY_P4, KEY_P5, KEY_P6, KEY_P7, KEY_P8, KEY_P9, KEY_P0,
    };
    Q_ENUM(Type)

    // The window messages the hook procedure sees.
    static constexpr int MsgKeyDown = 256;
    static constexpr int MsgKeyUp = 257;
    static constexpr int MsgSysKeyDown = 260;
    static constexpr int MsgSysKeyUp = 261;

    explicit Hook(QObject *parent = nullptr);
    ~Hook() override;

    // Starts listening; once installed the hook stays for the life of the
    // object. False when the platform refused it.
    bool install();
    bool isInstalled() const { return m_installed; }

    // One key message: a key down emits sendPressKeyType, a key up
    // sendUpKeyType; system key messages (keys with Alt held) and keys
    // outside the virtual-key table emit nothing.
    void handleKeyMessage(int message, int virtualKey);

    // The enumerator for a name without the "KEY_" prefix ("ESC", "PENT");
    // -1 when no enumerator has that name.
    static int typeFromName(const QString &name);
    // The name without the prefix; empty for a value outside the enum.
    static QString nameOfType(int type);

signals:
    void sendPressKeyType(Hook::Type type);
    void sendUpKeyType(Hook::Type type);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool installPlatformHook();
    void removePlatformHook();

    bool m_installed = false;
};
