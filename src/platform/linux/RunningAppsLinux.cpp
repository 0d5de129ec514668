#include "RunningApps.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

QStringList runningApplicationNames()
{
    QSet<QString> names;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        // Empty for kernel threads and for processes of other users.
        QString target = QFileInfo(proc.filePath(entry + QLatin1String("/exe"))).symLinkTarget();
        if (target.isEmpty())
            continue;
        // A replaced executable reads "path (deleted)".
        if (target.endsWith(QLatin1String(" (deleted)")))
            target.chop(10);
        const QString name = QFileInfo(target).fileName();
        if (!name.isEmpty())
            names.insert(name);
    }
    QStringList out(names.begin(), names.end());
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return out;
}
