#include "SnapshotStore.h"

#include "ProfileBundle.h"
#include "ProfileFile.h"
#include "ProfileLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString SnapshotMember = QStringLiteral("Snapshot");
const QString Suffix = QStringLiteral(".kb");

struct ReasonName {
    SnapshotStore::Reason reason;
    const char *key;
    const char *text;
};
const ReasonName Reasons[] = {
    {SnapshotStore::Reason::FirmwareUpdate, "firmware-update", QT_TRANSLATE_NOOP("Snapshot", "固件升级前")},
    {SnapshotStore::Reason::FactoryReset, "factory-reset", QT_TRANSLATE_NOOP("Snapshot", "恢复出厂设置前")},
    {SnapshotStore::Reason::ProfileImport, "profile-import", QT_TRANSLATE_NOOP("Snapshot", "导入并替换配置前")},
    {SnapshotStore::Reason::SystemModeSwitch, "system-mode", QT_TRANSLATE_NOOP("Snapshot", "切换 Win/Mac 模式前")},
    {SnapshotStore::Reason::OutsideApply, "outside-apply", QT_TRANSLATE_NOOP("Snapshot", "外部应用配置前")},
};

// File names sort as the snapshots were taken: milliseconds since 1970,
// then a counter for two taken in the same millisecond.
QString fileName(qint64 ms, int counter, const QString &reason)
{
    return QStringLiteral("%1-%2-%3").arg(ms, 15, 10, QLatin1Char('0')).arg(counter, 3, 10, QLatin1Char('0')).arg(reason)
           + Suffix;
}

} // namespace

SnapshotStore::SnapshotStore(const QString &root) : m_root(root) {}

QString SnapshotStore::defaultRoot()
{
    return QDir::current().filePath(QStringLiteral("Snapshots"));
}

QString SnapshotStore::folderFor(const QString &serial) const
{
    QString safe;
    for (const QChar c : serial.left(64))
        safe += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char('_')
                    ? c
                    : QLatin1Char('_');
    if (safe.isEmpty() || safe.startsWith(QLatin1Char('.')))
        safe.prepend(QStringLiteral("keyboard"));
    return QDir(m_root).filePath(safe);
}

QString SnapshotStore::reasonKey(Reason reason)
{
    for (const ReasonName &r : Reasons)
        if (r.reason == reason)
            return QLatin1String(r.key);
    return QStringLiteral("unknown");
}

SnapshotStore::Reason SnapshotStore::reasonFromKey(const QString &key)
{
    for (const ReasonName &r : Reasons)
        if (key == QLatin1String(r.key))
            return r.reason;
    return Reason::Unknown;
}

QString SnapshotStore::reasonText(Reason reason)
{
    for (const ReasonName &r : Reasons)
        if (r.reason == reason)
            return QCoreApplication::translate("Snapshot", r.text);
    return QCoreApplication::translate("Snapshot", "快照");
}

bool SnapshotStore::take(const QString &serial, Reason reason, const Snapshot &snapshot, QString *why,
                         const QDateTime &when)
{
    QString problem;
    const QString folder = folderFor(serial);
    // Snapshots hold what the user set up: theirs alone to read.
    for (const QString &dir : {m_root, folder}) {
        const QFileInfo info(dir);
        if (info.isSymLink() || (info.exists() && !info.isDir()) || !QDir().mkpath(dir)
            || !QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            if (why)
                *why = QStringLiteral("cannot use the folder %1").arg(dir);
            return false;
        }
    }
    // A configuration already kept is not kept twice: a focus rule that
    // switches between two profiles all day would otherwise push the copy
    // taken before a firmware update out within minutes.
    for (const Entry &entry : list(serial)) {
        Snapshot kept;
        if (read(entry.path, &kept) && kept.document == snapshot.document && kept.keyColours == snapshot.keyColours
            && kept.systemMode == snapshot.systemMode && kept.pollingRate == snapshot.pollingRate) {
            qCDebug(lcProfiles) << "snapshot already kept:" << entry.path;
            return true;
        }
    }
    ProfileDocument doc = snapshot.document;
    QJsonObject colours;
    for (auto it = snapshot.keyColours.cbegin(); it != snapshot.keyColours.cend(); ++it)
        colours.insert(QString::number(it.key()), QStringLiteral("#%1").arg(it.value() & 0xFFFFFF, 6, 16, QLatin1Char('0')));
    doc.insert(SnapshotMember, QJsonObject{{QStringLiteral("time"), when.toUTC().toString(Qt::ISODateWithMs)},
                                           {QStringLiteral("reason"), reasonKey(reason)},
                                           {QStringLiteral("serial"), serial},
                                           {QStringLiteral("keyColours"), colours},
                                           {QStringLiteral("systemMode"), snapshot.systemMode},
                                           {QStringLiteral("pollingRate"), snapshot.pollingRate}});
    int counter = 0;
    QString path;
    do {
        path = QDir(folder).filePath(fileName(when.toMSecsSinceEpoch(), counter++, reasonKey(reason)));
    } while (QFileInfo::exists(path) && counter < 1000);
    if (!writeUserFile(path, serialiseProfile(doc), &problem)) {
        if (why)
            *why = problem;
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QStringList names = QDir(folder).entryList({QStringLiteral("*") + Suffix}, QDir::Files, QDir::Name);
    for (int i = 0; i + Keep < names.size(); ++i)
        QFile::remove(QDir(folder).filePath(names.at(i)));
    qCDebug(lcProfiles) << "snapshot taken:" << path;
    return true;
}

QList<SnapshotStore::Entry> SnapshotStore::list(const QString &serial) const
{
    QList<Entry> out;
    const QDir dir(folderFor(serial));
    QStringList names = dir.entryList({QStringLiteral("*") + Suffix}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    std::reverse(names.begin(), names.end());
    for (const QString &name : names) {
        ProfileDocument doc;
        if (!readProfileFile(dir.filePath(name), &doc))
            continue;
        const QJsonObject meta = doc.value(SnapshotMember).toObject();
        const QDateTime time = QDateTime::fromString(meta.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        if (!time.isValid())
            continue;
        out.append({dir.filePath(name), time.toUTC(), reasonFromKey(meta.value(QStringLiteral("reason")).toString()),
                    meta.value(QStringLiteral("serial")).toString()});
    }
    return out;
}

bool SnapshotStore::read(const QString &path, Snapshot *snapshot, QString *why) const
{
    ProfileDocument doc;
    if (QFileInfo(path).isSymLink() || !readProfileFile(path, &doc, why) || !doc.value(SnapshotMember).isObject()) {
        if (why && why->isEmpty())
            *why = QStringLiteral("not a snapshot");
        return false;
    }
    const QJsonObject meta = doc.take(SnapshotMember).toObject();
    const QJsonObject colours = meta.value(QStringLiteral("keyColours")).toObject();
    // Small indices only; anything else is unknown and left alone.
    const auto index = [&meta](const char *name) {
        const int v = meta.value(QLatin1String(name)).toInt(-1);
        return v >= 0 && v <= 15 ? v : -1;
    };
    snapshot->systemMode = index("systemMode");
    snapshot->pollingRate = index("pollingRate");
    snapshot->keyColours.clear();
    for (auto it = colours.begin(); it != colours.end(); ++it) {
        bool keyOk = false, colourOk = false;
        const int key = it.key().toInt(&keyOk);
        const QString text = it.value().toString();
        const quint32 rgb = text.mid(1).toUInt(&colourOk, 16);
        if (keyOk && colourOk && key >= 0 && key <= 255 && text.size() == 7 && text.startsWith(QLatin1Char('#')))
            snapshot->keyColours.insert(key, rgb);
    }
    snapshot->document = doc;
    return true;
}
