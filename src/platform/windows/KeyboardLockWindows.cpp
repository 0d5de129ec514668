#include "KeyboardLock.h"

#include <QByteArray>
#include <QDir>
#include <QStandardPaths>

#include <windows.h>

namespace KeyboardLockFile {

namespace {
// The lock covers one byte far past the holder's text, so the text stays
// readable while the lock is held.
constexpr DWORD LockOffsetHigh = 0x7FFFFFFF;

const wchar_t *wide(const QString &s)
{
    return reinterpret_cast<const wchar_t *>(s.utf16());
}

QString lastErrorText()
{
    return QStringLiteral("error %1").arg(::GetLastError());
}

// A folder reached without a junction or symbolic link.
bool isPlainFolder(const QString &path, QString *why)
{
    const DWORD attributes = ::GetFileAttributesW(wide(QDir::toNativeSeparators(path)));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), lastErrorText());
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        *why = QStringLiteral("%1 is not a folder (a link or a file in its place)").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}
} // namespace

// The user's local application-data folder is the user's alone (its access
// list admits the user, the system and administrators). CORVANE_RUNTIME_DIR
// names another (as XDG_RUNTIME_DIR does on Linux): tests run side by side,
// each with its own.
QString folder(QString *why)
{
    const QString chosen = qEnvironmentVariable("CORVANE_RUNTIME_DIR");
    if (!chosen.isEmpty()) {
        if (!QDir::isAbsolutePath(chosen)) {
            *why = QStringLiteral("CORVANE_RUNTIME_DIR (%1) is not an absolute path").arg(chosen);
            return QString();
        }
        if (!::CreateDirectoryW(wide(QDir::toNativeSeparators(chosen)), nullptr)
            && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            *why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(chosen), lastErrorText());
            return QString();
        }
        return isPlainFolder(chosen, why) ? QDir::cleanPath(chosen) : QString();
    }
    const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (local.isEmpty()) {
        *why = QStringLiteral("the local application-data folder is unknown");
        return QString();
    }
    QString path = local;
    for (const QString &part : {QStringLiteral("Corvane"), QStringLiteral("lock")}) {
        path = QDir(path).filePath(part);
        if (!::CreateDirectoryW(wide(QDir::toNativeSeparators(path)), nullptr)
            && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            *why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), lastErrorText());
            return QString();
        }
        if (!isPlainFolder(path, why))
            return QString();
    }
    return path;
}

intptr_t lock(const QString &folder, const QString &fileName, bool *held, QString *why)
{
    *held = false;
    const QString path = QDir::toNativeSeparators(QDir(folder).filePath(fileName));
    // FILE_FLAG_OPEN_REPARSE_POINT: a link planted in its place is opened as
    // itself, then refused below, never followed.
    HANDLE h = ::CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // Another holder opened it without sharing (an older copy): held.
        *held = ::GetLastError() == ERROR_SHARING_VIOLATION;
        if (!*held)
            *why = QStringLiteral("%1: %2").arg(path, lastErrorText());
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nNumberOfLinks != 1) {
        *why = QStringLiteral("%1 is not a lock file of this user's").arg(path);
        ::CloseHandle(h);
        return -1;
    }
    OVERLAPPED at = {};
    at.OffsetHigh = LockOffsetHigh;
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        *held = ::GetLastError() == ERROR_LOCK_VIOLATION;
        if (!*held)
            *why = QStringLiteral("%1: %2").arg(path, lastErrorText());
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

QByteArray readHolder(const QString &folder, const QString &fileName)
{
    const QString path = QDir::toNativeSeparators(QDir(folder).filePath(fileName));
    HANDLE h = ::CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return QByteArray();
    QByteArray text(256, Qt::Uninitialized);
    DWORD read = 0;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || !::ReadFile(h, text.data(), DWORD(text.size()), &read, nullptr))
        read = 0;
    ::CloseHandle(h);
    text.resize(int(read));
    return text;
}

} // namespace KeyboardLockFile
