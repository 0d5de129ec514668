#include "KeyboardLock.h"

#include <QByteArray>
#include <QFile>

#include <windows.h>

namespace KeyboardLockFile {

namespace {
// The lock covers one byte far past the holder's text, so the text stays
// readable while the lock is held.
constexpr DWORD LockOffsetHigh = 0x7FFFFFFF;
} // namespace

intptr_t lock(const QString &path, bool *held)
{
    *held = false;
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED at = {};
    at.OffsetHigh = LockOffsetHigh;
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        *held = ::GetLastError() == ERROR_LOCK_VIOLATION;
        ::CloseHandle(h);
        return -1;
    }
    return reinterpret_cast<intptr_t>(h);
}

void writeHolder(intptr_t handle, const QByteArray &text)
{
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    ::SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(h);
    DWORD written = 0;
    ::WriteFile(h, text.constData(), DWORD(text.size()), &written, nullptr);
}

void unlock(intptr_t handle)
{
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    ::SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(h);
    OVERLAPPED at = {};
    at.OffsetHigh = LockOffsetHigh;
    ::UnlockFileEx(h, 0, 1, 0, &at);
    ::CloseHandle(h);
}

QByteArray readHolder(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(256);
}

} // namespace KeyboardLockFile
