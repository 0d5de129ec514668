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
#else
#include <windows.h>
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

namespace {

// The user a process runs as; empty when it cannot be read.
QByteArray userSidOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return QByteArray();
    QByteArray buffer(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE, Qt::Uninitialized);
    DWORD size = 0;
    QByteArray sid;
    if (::GetTokenInformation(token, TokenUser, buffer.data(), DWORD(buffer.size()), &size)) {
        const PSID user = reinterpret_cast<const TOKEN_USER *>(buffer.constData())->User.Sid;
        if (::IsValidSid(user))
            sid = QByteArray(static_cast<const char *>(user), int(::GetLengthSid(user)));
    }
    ::CloseHandle(token);
    return sid;
}

} // namespace

// The pipe's access list admits this user alone; this checks the process at
// the other end all the same, which also catches a pipe of another user's
// that was there first.
bool peerIsSameUser(qintptr descriptor, qint64 *uid, QString *why)
{
    *uid = -1;
    const HANDLE pipe = reinterpret_cast<HANDLE>(descriptor);
    ULONG client = 0, server = 0;
    if (!::GetNamedPipeClientProcessId(pipe, &client) || !::GetNamedPipeServerProcessId(pipe, &server)) {
        *why = QStringLiteral("the other end's process cannot be read (error %1)").arg(::GetLastError());
        return false;
    }
    // The same call serves the server (the peer is the client) and the
    // client (the peer is the server).
    const DWORD peer = client == ::GetCurrentProcessId() ? server : client;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, peer);
    const QByteArray theirs = process ? userSidOf(process) : QByteArray();
    if (process)
        ::CloseHandle(process);
    const QByteArray ours = userSidOf(::GetCurrentProcess());
    if (theirs.isEmpty() || ours.isEmpty()) {
        *why = QStringLiteral("the user of the other end (process %1) cannot be read").arg(peer);
        return false;
    }
    if (theirs != ours) {
        *why = QStringLiteral("the other end (process %1) runs as another user").arg(peer);
        return false;
    }
    return true;
}

#endif

} // namespace EndpointSecurity
