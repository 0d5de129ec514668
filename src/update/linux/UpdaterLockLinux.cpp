#include "UpdaterLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The user's runtime folder, or the temporary folder when there is none; our
// own folder inside it.
QString lockFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("corvane-update"));
    const QString run = QStringLiteral("/run/user/%1").arg(::geteuid());
    if (QFileInfo(run).isDir())
        return QDir(run).filePath(QStringLiteral("corvane-update"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-update-%1").arg(::geteuid()));
}

// Opens the folder, made owner-only if it is new, and refuses one that is a
// link, another user's, or open to others: whoever could write there could
// put a link in place of the lock file or hold the lock for us.
int openFolder(const QString &folder, QString *problem)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        *problem = QStringLiteral("cannot make %1: %2").arg(folder, systemError());
        return -1;
    }
    const int dir = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        *problem = QStringLiteral("cannot open %1 (a link is not used): %2").arg(folder, systemError());
        return -1;
    }
    struct stat st;
    if (::fstat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        *problem = QStringLiteral("%1 is not a folder of this user closed to others").arg(folder);
        ::close(dir);
        return -1;
    }
    return dir;
}

} // namespace

namespace UpdaterLockSystem {

QString location(const QString &key)
{
    return QDir(lockFolder()).filePath(key + QLatin1String(".lock"));
}

intptr_t acquire(const QString &key, bool *held, QString *problem)
{
    *held = false;
    const QString folder = lockFolder();
    const int dir = openFolder(folder, problem);
    if (dir < 0)
        return -1;
    const QByteArray file = QFile::encodeName(key + QLatin1String(".lock"));
    const int fd = ::openat(dir, file.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int openError = errno;
    ::close(dir);
    if (fd < 0) {
        errno = openError;
        *problem = QStringLiteral("cannot open %1: %2").arg(location(key), systemError());
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        *problem = QStringLiteral("%1 is not a plain file of this user").arg(location(key));
        ::close(fd);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            *held = true;
        else
            *problem = QStringLiteral("cannot lock %1: %2").arg(location(key), systemError());
        ::close(fd);
        return -1;
    }
    // Who holds it, for a person looking; nobody relies on it.
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    }
    return fd;
}

void release(intptr_t handle)
{
    const int fd = int(handle);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace UpdaterLockSystem
