#include "UpdaterLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

UpdaterLock::UpdaterLock(const QString &programPath) : m_key(keyFor(programPath)) {}

UpdaterLock::~UpdaterLock()
{
    release();
}

QString UpdaterLock::keyFor(const QString &programPath)
{
    const QFileInfo info(programPath);
    QString path = info.canonicalFilePath();
    if (path.isEmpty()) // not there (yet): as written, made absolute
        path = QDir::cleanPath(info.absoluteFilePath());
#ifdef Q_OS_WIN
    path = path.toLower(); // one file, however its name is spelt
#endif
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QLatin1String("update-") + QString::fromLatin1(hash.left(16));
}

UpdaterLock::Result UpdaterLock::tryAcquire()
{
    if (isHeld())
        return Result::Acquired;
    m_problem.clear();
    bool held = false;
    m_handle = UpdaterLockSystem::acquire(m_key, &held, &m_problem);
    if (isHeld())
        return Result::Acquired;
    return held ? Result::Held : Result::Unavailable;
}

void UpdaterLock::release()
{
    if (!isHeld())
        return;
    UpdaterLockSystem::release(m_handle);
    m_handle = InvalidHandle;
}

QString UpdaterLock::location() const
{
    return UpdaterLockSystem::location(m_key);
}

bool UpdaterLock::isHeldElsewhere(const QString &programPath)
{
    UpdaterLock probe(programPath);
    return probe.tryAcquire() == Result::Held;
}
