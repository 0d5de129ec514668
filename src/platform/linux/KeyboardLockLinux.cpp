#include "KeyboardLock.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KeyboardLockFile {

namespace {

constexpr mode_t PrivateFolderMode = 0700;
constexpr mode_t PrivateFileMode = 0600;

struct User {
    uid_t uid;
    gid_t gid;
    bool sudo; // running as root for that user: hand what we make to the user
};

// Under sudo the keyboard is still the invoking user's: take the lock where
// that user's own programs take it.
User lockUser()
{
    if (::geteuid() == 0) {
        bool uidOk = false, gidOk = false;
        const uint uid = qEnvironmentVariable("SUDO_UID").toUInt(&uidOk);
        const uint gid = qEnvironmentVariable("SUDO_GID").toUInt(&gidOk);
        if (uidOk && uid != 0 && uid < uint(INT_MAX))
            return {uid_t(uid), gidOk && gid < uint(INT_MAX) ? gid_t(gid) : gid_t(uid), true};
    }
    return {::geteuid(), ::getegid(), false};
}

QString modeText(mode_t mode)
{
    return QStringLiteral("%1").arg(uint(mode & 07777), 4, 8, QLatin1Char('0'));
}

// A folder only this user (or root) can write, reached without a link.
bool isPrivateFolder(const QString &path, const User &user, bool ownerMayBeRoot, QString *why)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        *why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = QStringLiteral("%1 is not a folder (a link or a file in its place)").arg(path);
        return false;
    }
    if (st.st_uid != user.uid && !(ownerMayBeRoot && st.st_uid == 0)) {
        *why = QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(st.st_uid);
        return false;
    }
    if (st.st_mode & 077) {
        *why = QStringLiteral("%1 is open to other users (mode %2)").arg(path, modeText(st.st_mode));
        return false;
    }
    return true;
}

// Makes the folder for the user alone when it is missing, then checks it,
// whoever made it.
bool makePrivateFolder(const QString &path, const User &user, bool ownerMayBeRoot, QString *why)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), PrivateFolderMode) == 0) {
        if (user.sudo && ::lchown(name.constData(), user.uid, user.gid) != 0) {
            *why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    } else if (errno != EEXIST) {
        *why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return isPrivateFolder(path, user, ownerMayBeRoot, why);
}

// Where the user's per-session runtime folders live; tests point it at a
// temporary root.
QString sessionRoot()
{
    const QString root = qEnvironmentVariable("CORVANE_RUNTIME_ROOT");
    return root.isEmpty() ? QStringLiteral("/run/user") : root;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString folder(QString *why)
{
    const User user = lockUser();
    QString base;
    QString unused;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!user.sudo && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime, user, false, &unused))
        base = runtime;
    if (base.isEmpty()) {
        const QString session = QDir(sessionRoot()).filePath(QString::number(user.uid));
        if (isPrivateFolder(session, user, false, &unused))
            base = session;
    }
    if (base.isEmpty()) {
        // No session folder (no login session, a container): one of our own in
        // the temporary folder, refused if someone else made it first.
        base = QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-%1").arg(user.uid));
        if (!makePrivateFolder(base, user, false, why))
            return QString();
    }
    // Inside a folder of the user's alone, so only the user (or root, under
    // sudo) can have made it; earlier versions made it with the default mode,
    // which is put right rather than refused.
    const QString path = QDir(base).filePath(QStringLiteral("corvane"));
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == user.uid && (st.st_mode & 077))
        ::chmod(name.constData(), PrivateFolderMode);
    if (!makePrivateFolder(path, user, true, why))
        return QString();
    return path;
}

intptr_t lock(const QString &folder, const QString &fileName, bool *held, QString *why)
{
    *held = false;
    const User user = lockUser();
    const QString path = QDir(folder).filePath(fileName);
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        *why = QStringLiteral("%1: %2").arg(folder, errnoText());
        return -1;
    }
    const QByteArray name = QFile::encodeName(fileName);
    // Close-on-exec: a program started from here must not inherit the lock.
    int fd = ::openat(dir, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, PrivateFileMode);
    if (fd < 0 && errno == EACCES) // made by root for this user: a lock needs no write access
        fd = ::openat(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    const int openErrno = errno;
    ::close(dir);
    if (fd < 0) {
        *why = openErrno == ELOOP ? QStringLiteral("%1 is a link, not a lock file").arg(path)
                                  : QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(openErrno)));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1
        || (st.st_uid != user.uid && st.st_uid != 0)) {
        *why = QStringLiteral("%1 is not a lock file of this user's").arg(path);
        ::close(fd);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *held = errno == EWOULDBLOCK;
        if (!*held)
            *why = QStringLiteral("%1: %2").arg(path, errnoText());
        ::close(fd);
        return -1;
    }
    if (user.sudo && st.st_uid == 0) {
        [[maybe_unused]] const int owned = ::fchown(fd, user.uid, user.gid);
    }
    return fd;
}

void writeHolder(intptr_t handle, const QByteArray &text)
{
    // The handle is a plain file of ours (checked when it was locked), so
    // emptying it cannot reach anything else.
    const int fd = int(handle);
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDWR)
        return;
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
    }
}

void unlock(intptr_t handle)
{
    const int fd = int(handle);
    // Emptied first: a holder's name is never read after it let go.
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR) {
        [[maybe_unused]] const int truncated = ::ftruncate(fd, 0);
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

QByteArray readHolder(const QString &folder, const QString &fileName)
{
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(fileName));
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return QByteArray();
    QByteArray text;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.resize(256);
        const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
        text.resize(n > 0 ? int(n) : 0);
    }
    ::close(fd);
    return text;
}

} // namespace KeyboardLockFile
