#include "InterruptWatch.h"

#include <QMetaObject>
#include <QPointer>

#include <csignal>
#include <windows.h>

namespace {

QPointer<InterruptWatch> g_watch;
// Set when the watch goes, at the end of the program's orderly end.
HANDLE g_finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

// How long the system lets a handler run before it ends the process: 5 s for
// a closed console, 20 s at logoff and shutdown; a little is kept back.
constexpr DWORD CloseWaitMs = 4500;
constexpr DWORD SessionEndWaitMs = 19000;

// Runs on a thread of the console; the watch hears of it on its own.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int number = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    InterruptWatch *watch = g_watch.data();
    if (!watch)
        return FALSE;
    QMetaObject::invokeMethod(watch, [watch, number] { watch->deliver(number); }, Qt::QueuedConnection);
    // After a close, logoff or shutdown event the system ends the process as
    // soon as the handler returns: it waits here, bounded, while the program
    // ends its work in order (as after SIGTERM).
    if (event == CTRL_CLOSE_EVENT)
        ::WaitForSingleObject(g_finished, CloseWaitMs);
    else if (event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::WaitForSingleObject(g_finished, SessionEndWaitMs);
    return TRUE;
}

} // namespace

struct InterruptWatch::Private {};

InterruptWatch::InterruptWatch(QObject *parent) : QObject(parent), d(new Private)
{
    ::ResetEvent(g_finished);
    g_watch = this;
    s_current = this;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    ::SetEvent(g_finished);
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    if (s_current == this)
        s_current = nullptr;
    g_watch = nullptr;
    delete d;
}
