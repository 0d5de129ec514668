#include "StopRequests.h"

#include "ProcessControl.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

#include <utility>

#include <windows.h>

namespace {

// How long the system lets a console handler run before it ends the
// process: 5 s for a closed console, 20 s at logoff and shutdown. A little
// is kept back so that the handler returns by itself.
constexpr DWORD CloseWaitMs = 4500;
constexpr DWORD SessionEndWaitMs = 19000;

QPointer<StopRequests> g_requests;
HANDLE g_settled = nullptr; // manual-reset event, set by settled()

// Runs on a thread of the console's; the request is handled on the
// object's own thread, and this thread waits for it where the system would
// otherwise end the process at once.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    StopRequests *requests = g_requests.data();
    if (!requests)
        return FALSE;
    QMetaObject::invokeMethod(requests, [requests] { requests->deliver(); }, Qt::QueuedConnection);
    switch (event) {
    case CTRL_CLOSE_EVENT:
        ::WaitForSingleObject(g_settled, CloseWaitMs);
        break;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        ::WaitForSingleObject(g_settled, SessionEndWaitMs);
        break;
    default: // Ctrl-C, Ctrl-Break: the program ends itself once settled
        break;
    }
    return TRUE;
}

BOOL CALLBACK closeWindowOf(HWND window, LPARAM parameter)
{
    auto *target = reinterpret_cast<std::pair<DWORD, bool> *>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == target->first && ::IsWindowVisible(window)) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        target->second = true;
    }
    return TRUE;
}

} // namespace

struct StopRequests::Private {
    QPointer<QEventLoop> waiting; // the session's end, waiting for settled()
};

StopRequests::StopRequests(QObject *parent) : QObject(parent), d(new Private)
{
    g_requests = this;
    g_settled = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    // Another program's request to end (requestProgramEnd), as SIGTERM is on
    // Linux: it reaches Update whatever its window is doing.
    installTerminationHandler(this, [this] { deliver(); });
    // A program with windows hears of the session's end from its window
    // procedure, not from the console: Qt asks for the data to be saved
    // and the process ends soon after. Settle before answering.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
            deliver();
            if (::WaitForSingleObject(g_settled, 0) == WAIT_OBJECT_0)
                return;
            QEventLoop loop;
            d->waiting = &loop;
            QTimer::singleShot(int(SessionEndWaitMs), &loop, &QEventLoop::quit);
            loop.exec();
        }, Qt::DirectConnection);
    }
}

StopRequests::~StopRequests()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_requests = nullptr;
    if (g_settled)
        ::CloseHandle(g_settled);
    g_settled = nullptr;
    delete d;
}

void StopRequests::settled()
{
    if (g_settled)
        ::SetEvent(g_settled);
    if (d->waiting)
        d->waiting->quit();
}

bool askProgramToEnd(qint64 pid)
{
    // The request reaches a Corvane hidden in the tray; WM_CLOSE one that
    // listens for no request (an older version).
    if (requestProgramEnd(pid))
        return true;
    std::pair<DWORD, bool> target(DWORD(pid), false);
    ::EnumWindows(closeWindowOf, reinterpret_cast<LPARAM>(&target));
    return target.second;
}
