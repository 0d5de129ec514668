#include "KeyboardLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace {

QMutex g_keyMutex;
QString g_defaultKey = QStringLiteral("1c4f-ee88");

} // namespace

KeyboardLock::KeyboardLock(const QString &holder, const QString &key) : m_holder(holder), m_key(key) {}

KeyboardLock::~KeyboardLock()
{
    release();
}

QString KeyboardLock::defaultKey()
{
    QMutexLocker l(&g_keyMutex);
    return g_defaultKey;
}

void KeyboardLock::setDefaultKey(const QString &key)
{
    QMutexLocker l(&g_keyMutex);
    g_defaultKey = key;
}

QString KeyboardLock::simulatedKey(int family)
{
    return QStringLiteral("simulated-%1").arg(family);
}

QString KeyboardLock::folder()
{
    // Read here rather than through QStandardPaths, which complains about a
    // runtime folder it did not make (tests point it at a temporary one).
    QString base = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (base.isEmpty() || !QDir(base).exists())
        base = QDir::tempPath();
    return QDir(base).filePath(QStringLiteral("corvane"));
}

QString KeyboardLock::filePath() const
{
    return QDir(folder()).filePath(m_key + QStringLiteral(".lock"));
}

KeyboardLock::Result KeyboardLock::tryAcquire()
{
    if (isHeld())
        return Result::Acquired;
    m_otherHolder.clear();
    if (!QDir().mkpath(folder()))
        return Result::Unavailable;
    const QString path = filePath();
    bool held = false;
    m_handle = KeyboardLockFile::lock(path, &held);
    if (m_handle != InvalidHandle) {
        KeyboardLockFile::writeHolder(
            m_handle, QStringLiteral("%1\n%2\n").arg(m_holder).arg(QCoreApplication::applicationPid()).toUtf8());
        return Result::Acquired;
    }
    if (!held)
        return Result::Unavailable;
    m_otherHolder = QString::fromUtf8(KeyboardLockFile::readHolder(path).split('\n').value(0)).trimmed();
    return Result::Held;
}

void KeyboardLock::release()
{
    if (!isHeld())
        return;
    KeyboardLockFile::unlock(m_handle);
    m_handle = InvalidHandle;
}
