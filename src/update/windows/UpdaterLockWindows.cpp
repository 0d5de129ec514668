#include "UpdaterLock.h"

#include <windows.h>

namespace {

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
    const std::wstring name = mutexName(key).toStdWString();
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) {
        *problem = QStringLiteral("cannot make the mutex %1 (error %2)").arg(mutexName(key)).arg(::GetLastError());
        return -1;
    }
    // Owned, not merely open: a holder that died leaves it abandoned, which
    // is ours to take.
    const DWORD wait = ::WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        return reinterpret_cast<intptr_t>(mutex);
    if (wait == WAIT_TIMEOUT)
        *held = true;
    else
        *problem = QStringLiteral("cannot take the mutex %1 (error %2)").arg(mutexName(key)).arg(::GetLastError());
    ::CloseHandle(mutex);
    return -1;
}

void release(intptr_t handle)
{
    HANDLE mutex = reinterpret_cast<HANDLE>(handle);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

} // namespace UpdaterLockSystem
