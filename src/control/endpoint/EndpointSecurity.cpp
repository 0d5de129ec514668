#include "EndpointSecurity.h"

#include <QFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace EndpointSecurity {

#ifndef Q_OS_WIN

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString mode(mode_t m)
{
    return QStringLiteral("0%1").arg(uint(m & 07777), 3, 8, QLatin1Char('0'));
}

QString folderProblem(const QString &folder, const struct stat &st)
{
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("the folder %1 belongs to user id %2, not to this user").arg(folder).arg(st.st_uid);
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("others may write into the folder %1 (mode %2)").arg(folder, mode(st.st_mode));
    return QString();
}

} // namespace

QString prepareFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot make the folder %1: %2").arg(folder, systemError(errno));
    // Opened without following a link, then checked and changed through the
    // handle: what is checked is what is changed.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP || errno == ENOTDIR ? QStringLiteral("%1 is not a folder").arg(folder)
                                                  : QStringLiteral("cannot open the folder %1: %2").arg(folder, systemError(errno));
    struct stat st;
    QString problem;
    if (::fstat(fd, &st) != 0)
        problem = QStringLiteral("cannot read the folder %1: %2").arg(folder, systemError(errno));
    else
        problem = folderProblem(folder, st);
    if (problem.isEmpty() && (st.st_mode & 077) && ::fchmod(fd, 0700) != 0)
        problem = QStringLiteral("cannot make the folder %1 private: %2").arg(folder, systemError(errno));
    ::close(fd);
    return problem;
}

QString checkFolder(const QString &folder)
{
    struct stat st;
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QStringLiteral("cannot read the folder %1: %2").arg(folder, systemError(errno));
    return folderProblem(folder, st);
}

bool pathExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString checkSocketFile(const QString &path, bool privateMode)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("cannot read %1: %2").arg(path, systemError(errno));
    if (!S_ISSOCK(st.st_mode))
        return QStringLiteral("%1 is not a socket").arg(path);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to user id %2, not to this user").arg(path).arg(st.st_uid);
    if (privateMode && (st.st_mode & 077))
        return QStringLiteral("others may use %1 (mode %2)").arg(path, mode(st.st_mode));
    return QString();
}

Probe probeSocket(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return Probe::Unknown;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Probe::Unknown;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    const int error = errno;
    ::close(fd);
    if (rc == 0 || error == EAGAIN || error == EINPROGRESS)
        return Probe::Listening;
    return error == ECONNREFUSED ? Probe::Stale : Probe::Unknown;
}

bool peerIsSameUser(qintptr descriptor, qint64 *uid, QString *why)
{
    *uid = -1;
    struct ucred credentials;
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        *why = QStringLiteral("the other end's user cannot be read: %1").arg(systemError(errno));
        return false;
    }
    *uid = credentials.uid;
    if (credentials.uid != ::geteuid()) {
        *why = QStringLiteral("the other end runs as user id %1 (process %2), not as this user")
                   .arg(credentials.uid)
                   .arg(credentials.pid);
        return false;
    }
    return true;
}

#else

QString prepareFolder(const QString &)
{
    return QString();
}

QString checkFolder(const QString &)
{
    return QString();
}

bool pathExists(const QString &)
{
    return true; // a pipe is found by connecting
}

QString checkSocketFile(const QString &, bool)
{
    return QString();
}

Probe probeSocket(const QString &)
{
    return Probe::Unknown;
}

bool peerIsSameUser(qintptr, qint64 *uid, QString *)
{
    *uid = -1;
    return true;
}

#endif

} // namespace EndpointSecurity
