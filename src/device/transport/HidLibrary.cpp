#include "HidLibrary.h"

#include "DeviceLog.h"
#include "HidBackend.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_lock;
HidBackend *g_initialised = nullptr; // the backend hid_init ran on
int g_openHandles = 0;

} // namespace

void HidLibrary::ensureInitialised()
{
    QMutexLocker lock(&g_lock);
    HidBackend *backend = HidBackend::instance();
    if (g_initialised == backend)
        return;
    // Not a warning of its own: no keyboard can then be found, and that is
    // the one message the user gets.
    if (backend->init() != 0)
        qCDebug(lcDevice) << "hid_init failed";
    g_initialised = backend;
}

void HidLibrary::handleOpened()
{
    QMutexLocker lock(&g_lock);
    ++g_openHandles;
}

void HidLibrary::handleClosed()
{
    QMutexLocker lock(&g_lock);
    if (g_openHandles > 0)
        --g_openHandles;
}

int HidLibrary::openHandles()
{
    QMutexLocker lock(&g_lock);
    return g_openHandles;
}

bool HidLibrary::shutdown()
{
    QMutexLocker lock(&g_lock);
    if (g_openHandles > 0) {
        qCWarning(lcDevice) << "hid_exit skipped:" << g_openHandles << "handles still open";
        return false;
    }
    // A backend that has been swapped out since (tests do) may be gone.
    if (g_initialised && g_initialised == HidBackend::instance())
        g_initialised->exit();
    g_initialised = nullptr;
    return true;
}
