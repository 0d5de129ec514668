#include "InterruptWatch.h"

#include <QMetaObject>
#include <QPointer>

#include <csignal>
#include <windows.h>

namespace {

QPointer<InterruptWatch> g_watch;

// Runs on a thread of the console; the watch hears of it on its own.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int number = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    InterruptWatch *watch = g_watch.data();
    if (!watch)
        return FALSE;
    QMetaObject::invokeMethod(watch, [watch, number] { watch->deliver(number); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

struct InterruptWatch::Private {};

InterruptWatch::InterruptWatch(QObject *parent) : QObject(parent), d(new Private)
{
    g_watch = this;
    s_current = this;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    if (s_current == this)
        s_current = nullptr;
    g_watch = nullptr;
    delete d;
}
