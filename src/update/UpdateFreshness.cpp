#include "UpdateFreshness.h"

#include "UpdateDocuments.h"
#include "UpdateLog.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// Eleven digits and a newline; a longer file is not ours.
constexpr qint64 FileLimit = 32;

} // namespace

UpdateFreshness::UpdateFreshness(const QString &folder) : m_folder(folder) {}

QString UpdateFreshness::filePath(const QString &document) const
{
    return QDir(m_folder).filePath(QLatin1String(FolderName) + QLatin1Char('/') + document);
}

qint64 UpdateFreshness::newest(const QString &document) const
{
    if (!isPlainFileName(document))
        return 0;
    QFile file(filePath(document));
    if (!file.exists())
        return 0;
    QByteArray text;
    if (file.open(QIODevice::ReadOnly))
        text = file.read(FileLimit + 1).trimmed();
    bool ok = text.size() <= 11 && !text.isEmpty();
    for (char c : qAsConst(text))
        ok = ok && c >= '0' && c <= '9';
    if (!ok) {
        qCWarning(lcUpdate) << "ignoring an unreadable record of update document times:" << file.fileName();
        return 0;
    }
    return text.toLongLong();
}

bool UpdateFreshness::accept(const QString &document, qint64 timestamp)
{
    if (!isPlainFileName(document) || timestamp <= 0)
        return false;
    if (newest(document) >= timestamp)
        return true;
    const QString path = filePath(document);
    QDir().mkpath(QDir(m_folder).filePath(QLatin1String(FolderName)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(timestamp) + '\n') < 0 || !file.commit()) {
        qCWarning(lcUpdate) << "cannot record the time of an update document:" << path << file.errorString();
        return false;
    }
    return true;
}
