#include "HidPermission.h"

#include <QMutex>

namespace {

QMutex g_lock;
QStringList g_denied;

} // namespace

void HidPermission::noteOpen(const QByteArray &path, bool denied)
{
    const QString p = QString::fromUtf8(path);
    QMutexLocker l(&g_lock);
    g_denied.removeAll(p);
    if (denied)
        g_denied.append(p);
}

void HidPermission::keepOnly(const QStringList &listedPaths)
{
    QMutexLocker l(&g_lock);
    for (int i = g_denied.size() - 1; i >= 0; --i)
        if (!listedPaths.contains(g_denied.at(i)))
            g_denied.removeAt(i);
}

QStringList HidPermission::deniedPaths()
{
    QMutexLocker l(&g_lock);
    return g_denied;
}

void HidPermission::clear()
{
    QMutexLocker l(&g_lock);
    g_denied.clear();
}
