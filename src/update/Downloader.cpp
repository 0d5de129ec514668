#include "Downloader.h"

#include "UpdateLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

namespace {

constexpr int MaxRedirects = 5;

} // namespace

Downloader::Downloader(const QUrl &url, const QString &targetPath, qint64 maxBytes, QObject *parent)
    : QObject(parent), m_url(url), m_targetPath(targetPath), m_maxBytes(maxBytes),
      m_manager(new QNetworkAccessManager(this)), m_stallTimer(new QTimer(this)), m_deadline(new QTimer(this))
{
    m_stallTimer->setSingleShot(true);
    connect(m_stallTimer, &QTimer::timeout, this, &Downloader::stalled);
    m_deadline->setSingleShot(true);
    m_deadline->setInterval(maxBytes <= DocumentLimit ? DocumentDeadlineMs : FileDeadlineMs);
    connect(m_deadline, &QTimer::timeout, this, &Downloader::deadlinePassed);
}

Downloader::~Downloader()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
        m_reply = nullptr;
    }
    // An unfinished QSaveFile discards its temporary file.
}

void Downloader::setStallTimeout(int ms)
{
    m_stallMs = qMax(1, ms);
}

void Downloader::setDeadline(int ms)
{
    m_deadline->setInterval(qMax(1, ms));
}

void Downloader::start()
{
    if (m_started)
        return;
    m_started = true;
    qCDebug(lcUpdate) << "请求链接：" << m_url.toString();

    // Whatever an earlier run left there must not pass for this download.
    if (QFileInfo::exists(m_targetPath) && !QFile::remove(m_targetPath))
        qCWarning(lcUpdate) << "cannot remove the old file" << m_targetPath;
    QDir().mkpath(QFileInfo(m_targetPath).absolutePath());
    m_file = std::make_unique<QSaveFile>(m_targetPath);
    if (!m_file->open(QIODevice::WriteOnly)) {
        qCWarning(lcUpdate) << "cannot write" << m_targetPath << m_file->errorString();
        m_file.reset();
        m_failure = Failure::CannotWrite;
        m_finished = true;
        // Callers connect after start(): tell them from the event loop.
        QTimer::singleShot(0, this, &Downloader::downloadFinish);
        return;
    }

    QNetworkRequest request(m_url);
    // A plain-HTTP address (the loopback one) may not send us on to another
    // host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         m_url.scheme() == QLatin1String("https") ? QNetworkRequest::NoLessSafeRedirectPolicy
                                                                  : QNetworkRequest::SameOriginRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    // The body exactly as sent, so that Content-Length counts the bytes we get.
    request.setRawHeader("Accept-Encoding", "identity");
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Downloader::httpMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &Downloader::httpReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &Downloader::downloadProgress);
    connect(m_reply, &QNetworkReply::finished, this, &Downloader::httpFinished);
    m_stallTimer->start(m_stallMs);
    m_deadline->start();
}

void Downloader::abort()
{
    if (m_reply && !m_finished)
        fail(Failure::Aborted);
}

void Downloader::fail(Failure failure)
{
    if (m_failure == Failure::None)
        m_failure = failure;
    // abort() delivers finished() at once; httpFinished ends the download.
    // A reply that already holds an error finishes by itself.
    if (m_reply && m_reply->isRunning() && m_reply->error() == QNetworkReply::NoError)
        m_reply->abort();
}

void Downloader::httpMetaData()
{
    if (!m_reply)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    m_httpStatus = status.toInt();
    // A redirect's headers pass through here too; its target answers later.
    if (m_httpStatus >= 300 && m_httpStatus < 400)
        return;
    if (m_httpStatus != 200) {
        // The reply reports its own error in a moment; an abort now would
        // race with it. Its body is read and dropped meanwhile.
        m_failure = Failure::HttpStatus;
        return;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_expected = length.isValid() ? length.toLongLong() : -1;
    if (m_expected > m_maxBytes)
        fail(Failure::TooLarge);
}

void Downloader::httpReadyRead()
{
    if (!m_reply)
        return;
    m_stallTimer->start(m_stallMs);
    const QByteArray chunk = m_reply->readAll();
    if (m_failure != Failure::None) {
        // An error page is not kept, nor allowed to grow without end.
        m_discarded += chunk.size();
        if (m_discarded > DocumentLimit)
            m_reply->abort();
        return;
    }
    if (m_received + chunk.size() > m_maxBytes) {
        fail(Failure::TooLarge);
        return;
    }
    m_received += chunk.size();
    if (m_file && m_file->write(chunk) != chunk.size())
        fail(Failure::CannotWrite);
}

void Downloader::downloadProgress(qint64 received, qint64 total)
{
    if (m_failure != Failure::None)
        return;
    m_stallTimer->start(m_stallMs);
    if (total <= 0)
        return;
    const int percent = int(qBound<qint64>(0, received * 100 / total, 100));
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    emit updateProgressBarValue(percent);
}

void Downloader::stalled()
{
    qCDebug(lcUpdate) << "download stalled:" << m_url.toString();
    fail(Failure::Stalled);
}

void Downloader::deadlinePassed()
{
    qCDebug(lcUpdate) << "download took too long:" << m_url.toString();
    fail(Failure::Deadline);
}

void Downloader::httpFinished()
{
    if (!m_reply || m_finished)
        return;
    m_stallTimer->stop();
    m_deadline->stop();
    if (m_failure == Failure::None) {
        // What is left (the reply may finish without a last readyRead).
        httpReadyRead();
    }
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        m_httpStatus = status.toInt();
    if (m_failure == Failure::None) {
        if (m_httpStatus == 200 && m_expected >= 0 && m_received < m_expected)
            m_failure = Failure::Truncated; // the connection ended early, whatever Qt calls it
        else if (m_reply->error() != QNetworkReply::NoError)
            m_failure = m_httpStatus != 0 && m_httpStatus != 200 ? Failure::HttpStatus : Failure::Network;
        else if (m_httpStatus != 200)
            m_failure = Failure::HttpStatus;
        else if (m_expected >= 0 && m_received != m_expected)
            m_failure = Failure::Truncated;
    }
    if (m_reply->error() != QNetworkReply::NoError)
        qCDebug(lcUpdate) << "network error:" << m_reply->errorString();

    if (m_failure == Failure::None && m_file && !m_file->commit())
        m_failure = Failure::CannotWrite;
    m_file.reset(); // uncommitted: the temporary file goes with it

    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    m_finished = true;
    if (m_failure == Failure::None)
        qCDebug(lcUpdate) << "downloaded" << m_received << "bytes to" << m_targetPath;
    else
        qCDebug(lcUpdate) << "download failed:" << int(m_failure) << "HTTP" << m_httpStatus << m_url.toString();
    emit downloadFinish();
}

QString Downloader::failureText() const
{
    return failureText(m_failure, m_httpStatus);
}

QString Downloader::failureText(Failure failure, int httpStatus)
{
    switch (failure) {
    case Failure::None:
        return QString();
    case Failure::CannotWrite:
        return tr("无法写入下载文件。");
    case Failure::Network:
        return tr("无法连接更新服务器，请检查网络。");
    case Failure::HttpStatus:
        return tr("更新服务器拒绝了请求（HTTP %1）。").arg(httpStatus);
    case Failure::TooLarge:
        return tr("下载的文件超出允许的大小。");
    case Failure::Truncated:
        return tr("下载不完整，连接中断。");
    case Failure::Stalled:
        return tr("下载超时，服务器没有响应。");
    case Failure::Aborted:
        return tr("下载已取消。");
    case Failure::Deadline:
        return tr("下载用时过长，已停止。");
    }
    return QString();
}
