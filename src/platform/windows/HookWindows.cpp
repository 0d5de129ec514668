#include "Hook.h"

#ifdef Q_OS_WIN
#include <QPointer>

#include <windows.h>

namespace {

// The low-level hook procedure has no context argument, so the handle and
// the receiving instance are process-wide.
HHOOK g_hook = nullptr;
QPointer<Hook> g_instance;

LRESULT CALLBACK lowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_instance) {
        const auto *info = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        g_instance->handleKeyMessage(int(wParam), int(info->vkCode));
    }
    // The hook only listens: every key goes on to its window.
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

bool Hook::installPlatformHook()
{
    if (g_hook)
        return g_instance == this;
    // A low-level hook runs in this process, but some Windows versions
    // still want the module that holds the procedure.
    g_hook = SetWindowsHookExW(WH_KEYBOARD_LL, lowLevelKeyboardProc, GetModuleHandleW(nullptr), 0);
    if (!g_hook)
        return false;
    g_instance = this;
    return true;
}

void Hook::removePlatformHook()
{
    if (g_hook && g_instance == this) {
        UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        g_instance = nullptr;
    }
}

bool Hook::eventFilter(QObject *watched, QEvent *event)
{
    return QObject::eventFilter(watched, event);
}
#endif
