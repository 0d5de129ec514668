#include "FirmwareFetch.h"

#include "Downloader.h"
#include "FirmwareLog.h"
#include "OnlineUpdate.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("FirmwareFetch", source);
}

} // namespace

bool readLocalFirmware(const QString &path, QByteArray *image, QString *problem)
{
    image->clear();
    if (path.isEmpty()) {
        *problem = text("请先选择固件文件。");
        return false;
    }
    if (QFileInfo(path).suffix().compare(QLatin1String("bin"), Qt::CaseInsensitive) != 0) {
        *problem = text("只能用 .bin 固件文件升级，其他格式的文件不能写入键盘。");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcFirmware) << "open bin flie error!" << path << file.errorString();
        *problem = text("无法读取固件文件。");
        return false;
    }
    if (file.size() > Downloader::FirmwareLimit) {
        *problem = text("固件文件过大，不是本键盘的固件。");
        return false;
    }
    *image = file.readAll();
    if (image->isEmpty()) {
        *problem = text("固件文件是空的，没有写入键盘。");
        return false;
    }
    return true;
}

FirmwareFetch::FirmwareFetch(OnlineUpdate *online, QObject *parent)
    : QObject(parent), m_online(online), m_stallTimeoutMs(Downloader::DefaultStallTimeoutMs)
{
}

bool FirmwareFetch::start(const FirmwareDocument &document)
{
    abort();
    m_image.clear();
    m_problem.clear();
    m_document = document;
    // Without a key (or a server) there is no online firmware; the endpoint says why.
    const QString endpointProblem = OnlineUpdate::endpointProblemText();
    if (!endpointProblem.isEmpty()) {
        m_problem = endpointProblem;
        return false;
    }
    const QUrl url = m_online->firmwareFileUrl(document.fileName);
    if (!url.isValid()) {
        m_problem = text("更新服务器上没有这块键盘的固件文件信息。");
        return false;
    }
    // The signed document vouches for the image through its SHA-256 alone;
    // an MD5 beside it must be well formed and match too.
    if (!isSha256Hex(document.sha256) || (!document.md5.isEmpty() && !isMd5Hex(document.md5))) {
        m_problem = text("固件信息没有有效的校验值，不能在线升级。");
        return false;
    }
    const QString path = QDir::current().filePath(QStringLiteral("cache/") + document.fileName);
    m_download = new Downloader(url, path, Downloader::FirmwareLimit, this);
    m_download->setStallTimeout(m_stallTimeoutMs);
    connect(m_download, &Downloader::updateProgressBarValue, this, &FirmwareFetch::progress);
    connect(m_download, &Downloader::downloadFinish, this, &FirmwareFetch::downloaded);
    m_download->start();
    return true;
}

void FirmwareFetch::abort()
{
    if (!m_download)
        return;
    Downloader *d = m_download;
    m_download = nullptr;
    d->disconnect(this);
    d->abort();
    d->deleteLater();
}

void FirmwareFetch::downloaded()
{
    Downloader *d = m_download;
    m_download = nullptr;
    if (!d)
        return;
    d->deleteLater();
    if (!d->succeeded()) {
        m_problem = text("固件下载失败：%1").arg(d->failureText());
        emit finished(false);
        return;
    }
    QFile file(d->targetPath());
    QByteArray bytes;
    const bool read = file.open(QIODevice::ReadOnly);
    if (read)
        bytes = file.readAll();
    file.close();
    file.remove();
    if (!read) {
        qCDebug(lcFirmware) << "open bin flie error!" << d->targetPath();
        m_problem = text("无法读取下载的固件文件。");
    } else if (bytes.isEmpty()) {
        m_problem = text("下载的固件文件是空的，没有写入键盘。");
    } else if (QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) !=
                   m_document.sha256) {
        qCWarning(lcFirmware) << "firmware SHA-256 mismatch, expected" << m_document.sha256;
        m_problem = text("下载的固件校验失败（SHA-256 不一致），没有写入键盘。");
    } else if (!m_document.md5.isEmpty() &&
               QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()) !=
                   m_document.md5) {
        qCDebug(lcFirmware) << "firmware MD5 mismatch, expected" << m_document.md5;
        m_problem = text("下载的固件校验失败（MD5 不一致），没有写入键盘。");
    } else {
        m_image = bytes;
        emit finished(true);
        return;
    }
    emit finished(false);
}
