#include "UpdateDocuments.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringList>

namespace {

bool parseObject(const QByteArray &bytes, QJsonObject *object, QString *problem)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (json.isNull()) {
        if (problem)
            *problem = QStringLiteral("Failed to parse JSON data.");
        return false;
    }
    if (!json.isObject()) {
        if (problem)
            *problem = QStringLiteral("JSON data is not an object.");
        return false;
    }
    *object = json.object();
    return true;
}

QString text(const QJsonObject &object, const char *member)
{
    const QJsonValue v = object.value(QLatin1String(member));
    if (!v.isString())
        return QString();
    const QString s = v.toString();
    return s.size() > DocumentTextLimit ? QString() : s;
}

QString versionText(const QJsonObject &object, const char *member)
{
    QString v = text(object, member).trimmed();
    // Published as dotted numbers; a leading "V" would otherwise count as 0.
    if (v.startsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        v.remove(0, 1);
    return v.size() > 64 ? QString() : v;
}

bool matches(const QString &text, const char *pattern)
{
    return QRegularExpression(QLatin1String(pattern)).match(text).hasMatch();
}

qulonglong part(const QStringList &parts, int i)
{
    if (i >= parts.size())
        return 0;
    bool ok = false;
    const qulonglong n = parts.at(i).trimmed().toULongLong(&ok);
    return ok ? n : 0;
}

} // namespace

bool parseFirmwareDocument(const QByteArray &bytes, FirmwareDocument *doc, QString *problem)
{
    QJsonObject o;
    if (!parseObject(bytes, &o, problem))
        return false;
    FirmwareDocument d;
    d.version = versionText(o, "version");
    d.md5 = text(o, "md5").trimmed().toLower();
    d.sha256 = text(o, "sha256").trimmed().toLower();
    if (d.sha256.isEmpty() && o.contains(QLatin1String("sha256")))
        d.sha256 = QStringLiteral("invalid");
    d.fileName = text(o, "fileName").trimmed();
    if (!isPlainFileName(d.fileName))
        d.fileName.clear();
    d.date = text(o, "date");
    d.log = text(o, "log");
    *doc = d;
    return true;
}

bool parseSoftwareDocument(const QByteArray &bytes, SoftwareDocument *doc, QString *problem)
{
    QJsonObject o;
    if (!parseObject(bytes, &o, problem))
        return false;
    SoftwareDocument d;
    d.lastVersion = versionText(o, "lastVersion");
    d.sha256 = text(o, "sha256").trimmed().toLower();
    // Present but not a string is as bad as malformed: never unchecked.
    if (d.sha256.isEmpty() && o.contains(QLatin1String("sha256")))
        d.sha256 = QStringLiteral("invalid");
    *doc = d;
    return true;
}

bool isVersionNewer(const QString &a, const QString &b)
{
    const QStringList pa = a.split(QLatin1Char('.'));
    const QStringList pb = b.split(QLatin1Char('.'));
    const int count = qMax(pa.size(), pb.size());
    for (int i = 0; i < count; ++i) {
        const qulonglong x = part(pa, i);
        const qulonglong y = part(pb, i);
        if (x != y)
            return x > y;
    }
    return false;
}

QString boardIdFileName(quint32 boardId)
{
    return QString::number(qint32(boardId));
}

bool isPlainFileName(const QString &name)
{
    return name.size() <= 128 && matches(name, "^[A-Za-z0-9_-][A-Za-z0-9._-]*$");
}

bool isMd5Hex(const QString &text)
{
    return matches(text, "^[0-9a-f]{32}$");
}

bool isSha256Hex(const QString &text)
{
    return matches(text, "^[0-9a-f]{64}$");
}

QUrl parseUpdateEndpoint(const QString &configured, QString *problem)
{
    QString text = configured.trimmed();
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    if (text.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("empty");
        return QUrl();
    }
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || url.hasQuery() || url.hasFragment()) {
        if (problem)
            *problem = QStringLiteral("invalid");
        return QUrl();
    }
    if (scheme == QLatin1String("http") && !isLoopbackHost(url.host())) {
        if (problem)
            *problem = QStringLiteral("insecure");
        return QUrl();
    }
    if (problem)
        problem->clear();
    return url;
}

bool isLoopbackHost(const QString &host)
{
    const QString h = host.toLower();
    if (h == QLatin1String("localhost") || h == QLatin1String("::1") || h == QLatin1String("[::1]"))
        return true;
    // 127.0.0.0/8, as four decimal numbers (QUrl has normalised the host).
    const QStringList parts = h.split(QLatin1Char('.'));
    if (parts.size() != 4 || parts.first() != QLatin1String("127"))
        return false;
    for (const QString &p : parts) {
        bool ok = false;
        const int n = p.toInt(&ok);
        if (!ok || n < 0 || n > 255)
            return false;
    }
    return true;
}

bool isPackageManagedFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return false;
#endif
    const auto managed = [](const QString &path) {
        const QString p = QDir::cleanPath(path) + QLatin1Char('/');
        return p.startsWith(QLatin1String("/usr/")) && !p.startsWith(QLatin1String("/usr/local/"));
    };
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return managed(QDir(folder).absolutePath()) || (!canonical.isEmpty() && managed(canonical));
}

QUrl endpointUrl(const QUrl &base, const QString &path)
{
    QUrl url = base;
    url.setPath(base.path() + path);
    return url;
}
