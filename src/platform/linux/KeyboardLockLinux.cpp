#include "KeyboardLock.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace KeyboardLockFile {

intptr_t lock(const QString &path, bool *held)
{
    *held = false;
    const QByteArray name = QFile::encodeName(path);
    // Close-on-exec: a program started from here must not inherit the lock.
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES)
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC); // another user's file: flock needs no write access
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *held = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

void writeHolder(intptr_t handle, const QByteArray &text)
{
    const int fd = int(handle);
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
    }
}

void unlock(intptr_t handle)
{
    const int fd = int(handle);
    // Emptied first: a holder's name is never read after it let go.
    [[maybe_unused]] const int truncated = ::ftruncate(fd, 0);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

QByteArray readHolder(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(256);
}

} // namespace KeyboardLockFile
