#include "KeyboardLock.h"

#include <QCoreApplication>
#include <QMutex>

namespace {

QMutex g_keyMutex;
QString g_defaultKey = QStringLiteral("1c4f-ee88");

bool shownAsIs(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:      // terminal escapes, new lines
    case QChar::Other_Format:       // direction overrides, zero-width characters
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

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

QString KeyboardLock::folder(QString *why)
{
    QString reason;
    const QString path = KeyboardLockFile::folder(&reason);
    if (why)
        *why = reason;
    return path;
}

QString KeyboardLock::holderText(const QByteArray &written)
{
    const QString line = QString::fromUtf8(written.left(written.indexOf('\n') < 0 ? written.size()
                                                                                   : written.indexOf('\n')));
    QString text;
    for (const QChar c : line)
        if (shownAsIs(c))
            text.append(c);
    text = text.simplified();
    if (text.size() > MaxHolderLength) {
        text.truncate(MaxHolderLength);
        if (text.at(text.size() - 1).isHighSurrogate())
            text.chop(1);
    }
    return text;
}

KeyboardLock::Result KeyboardLock::tryAcquire()
{
    if (isHeld())
        return Result::Acquired;
    m_otherHolder.clear();
    m_failure.clear();
    const QString dir = folder(&m_failure);
    if (dir.isEmpty())
        return Result::Unavailable;
    const QString fileName = m_key + QStringLiteral(".lock");
    bool held = false;
    m_handle = KeyboardLockFile::lock(dir, fileName, &held, &m_failure);
    if (m_handle != InvalidHandle) {
        KeyboardLockFile::writeHolder(
            m_handle, QStringLiteral("%1\n%2\n").arg(m_holder).arg(QCoreApplication::applicationPid()).toUtf8());
        return Result::Acquired;
    }
    if (!held)
        return Result::Unavailable;
    m_failure.clear();
    m_otherHolder = holderText(KeyboardLockFile::readHolder(dir, fileName));
    return Result::Held;
}

void KeyboardLock::release()
{
    if (!isHeld())
        return;
    KeyboardLockFile::unlock(m_handle);
    m_handle = InvalidHandle;
}
