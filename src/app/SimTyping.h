#pragma once

#include <QObject>

#include <cstdint>
#include <set>

class QKeyEvent;
class VirtualKeyboard;

// With --simulate, the virtual keyboard follows the user's own typing while
// Corvane has the focus, so the live key pages respond without the hardware.
// Installed as an application event filter; it never swallows a key.
class SimTyping : public QObject {
    Q_OBJECT
public:
    explicit SimTyping(VirtualKeyboard &keyboard, QObject *parent = nullptr);

    // The keyboard's one-byte code of the key a key event stands for: the
    // 16-bit key code of its key type when that is below 0x100 (a HID
    // keyboard usage); 0 for a key the keyboard cannot have.
    static uint8_t wireCodeOf(const QKeyEvent &event);
    // The key type of a hook key (Hook::Type); -1 for none.
    static int keyTypeForHookType(int hookType);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void releaseHeld();

    VirtualKeyboard &m_keyboard;
    std::set<uint8_t> m_held; // down on the virtual keyboard, release not seen yet
};
