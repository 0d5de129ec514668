#include "UpdaterLock.h"

#include <QHash>
#include <QMutex>

#include <windows.h>

namespace {

// A mutex is its owning thread's however often that thread takes it again,
// where a lock file on Linux is refused to a second taker in the same
// process too. The locks this process holds, so that both refuse alike.
QMutex heldGuard;
QHash<intptr_t, QString> heldHere; // handle -> key

QString mutexName(const QString &key)
{
    // "Local\": this session's namespace, which only this user's programs share.
    return QLatin1String("Local\\Corvane-") + key;
}

} // namespace

namespace UpdaterLockSystem {

QString location(const QString &key)
{
    return mutexName(key);
}

intptr_t acquire(const QString &key, bool *held, QString *problem)
{
    *held = false;
    const QMutexLocker guard(&heldGuard);
    if (heldHere.values().contains(key)) {
        *held = true;
        return -1;
    }
    const std::wstring name = mutexName(key).toStdWString();
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) {
        *problem = QStringLiteral("cannot make the mutex %1 (error %2)").arg(mutexName(key)).arg(::GetLastError());
        return -1;
    }
    // Owned, not merely open: a holder that died leaves it abandoned, which
    // is ours to take.
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        heldHere.insert(reinterpret_cast<intptr_t>(mutex), key);
        return reinterpret_cast<intptr_t>(mutex);
    }
    if (wait == WAIT_TIMEOUT)
        *held = true;
    else
        *problem = QStringLiteral("cannot take the mutex %1 (error %2)").arg(mutexName(key)).arg(::GetLastError());
    ::CloseHandle(mutex);
    return -1;
}

void release(intptr_t handle)
{
    {
        const QMutexLocker guard(&heldGuard);
        heldHere.remove(handle);
    }
    HANDLE mutex = reinterpret_cast<HANDLE>(handle);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

} // namespace UpdaterLockSystem
