#include "RunningApps.h"

#include "ProcessInfo.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// The game's name as Steam's library lists it (steamapps/appmanifest_<id>.acf,
// "name" "..."); empty when it is not there.
QString steamGameName(const QString &appId)
{
    const QString home = QDir::homePath();
    for (const QString &library : {home + QLatin1String("/.steam/steam/steamapps"),
                                   home + QLatin1String("/.local/share/Steam/steamapps")}) {
        QFile manifest(library + QStringLiteral("/appmanifest_%1.acf").arg(appId));
        if (!manifest.open(QIODevice::ReadOnly))
            continue;
        static const QRegularExpression name(QStringLiteral("\"name\"\\s+\"([^\"\\n]{1,200})\""));
        const QRegularExpressionMatch m = name.match(QString::fromUtf8(manifest.read(64 * 1024)));
        if (m.hasMatch())
            return m.captured(1).trimmed();
    }
    return QString();
}

} // namespace

QStringList runningApplicationNames()
{
    QSet<QString> names;
    QSet<QString> games;
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
        // A game started by Steam, whatever executable runs it.
        const QString appId = steamAppIdOfProcess(entry.toLongLong());
        if (!appId.isEmpty())
            games.insert(appId);
    }
    QStringList out(names.begin(), names.end());
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    // Games first, as "steam:<id> — name": a rule keeps the id.
    QStringList steam;
    for (const QString &appId : games) {
        const QString game = steamGameName(appId);
        steam << QStringLiteral("steam:%1").arg(appId) + (game.isEmpty() ? QString() : QStringLiteral(" — ") + game);
    }
    std::sort(steam.begin(), steam.end());
    return steam + out;
}
