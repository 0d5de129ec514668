#include "ProcessInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Steam's app ids are 32-bit numbers.
constexpr int MaxAppIdDigits = 10;
// An environment larger than this is not read further: SteamAppId sits among
// the launcher's own variables, well inside it.
constexpr qint64 MaxEnvironmentBytes = 256 * 1024;

bool plainAppId(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > MaxAppIdDigits)
        return false;
    for (char c : digits)
        if (c < '0' || c > '9')
            return false;
    return digits.toULongLong() > 0 && digits.toULongLong() <= 0xffffffffULL;
}

} // namespace

QString steamAppIdFromEnvironment(const QByteArray &environment)
{
    static const QByteArray name("SteamAppId=");
    for (const QByteArray &entry : environment.split('\0'))
        if (entry.startsWith(name)) {
            const QByteArray value = entry.mid(name.size());
            return plainAppId(value) ? QString::fromLatin1(value) : QString();
        }
    return QString();
}

QString steamAppIdFromWindowClass(const QString &windowClass)
{
    static const QRegularExpression pattern(QStringLiteral("^steam_app_(\\d{1,10})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(windowClass);
    return m.hasMatch() && plainAppId(m.captured(1).toLatin1()) ? m.captured(1) : QString();
}

#ifdef Q_OS_LINUX

QString executableOfProcess(qint64 pid)
{
    if (pid <= 0)
        return QString();
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QString target = QFile::symLinkTarget(proc + QLatin1String("exe"));
    if (!target.isEmpty()) {
        if (target.endsWith(QLatin1String(" (deleted)"))) // replaced by an update while running
            target.chop(10);
        return QFileInfo(target).fileName();
    }
    QFile comm(proc + QLatin1String("comm"));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit(comm.read(64)).trimmed();
    return QString();
}

QString steamAppIdOfProcess(qint64 pid, const QString &procRoot)
{
    if (pid <= 0 || pid > 0x7fffffff)
        return QString();
    const QByteArray path = QStringLiteral("%1/%2/environ").arg(procRoot).arg(pid).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QString();
    // Only this user's processes: another user's environment is theirs,
    // even where the system would let it be read.
    struct stat st;
    QString appId;
    if (::fstat(fd, &st) == 0 && st.st_uid == ::getuid() && S_ISREG(st.st_mode)) {
        QByteArray environment; // not "environ": a macro on Windows
        char buffer[8192];
        while (environment.size() < MaxEnvironmentBytes) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            environment.append(buffer, int(n));
        }
        appId = steamAppIdFromEnvironment(environment.left(int(MaxEnvironmentBytes)));
    }
    ::close(fd);
    return appId;
}

#else

QString executableOfProcess(qint64)
{
    return QString();
}

QString steamAppIdOfProcess(qint64, const QString &)
{
    return QString();
}

#endif
