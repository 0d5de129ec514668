#include "DocumentFetch.h"

#include "Downloader.h"
#include "UpdateFreshness.h"
#include "UpdateLog.h"
#include "UpdateTrust.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

DocumentFetch::DocumentFetch(const QUrl &url, const QString &targetPath, QObject *parent)
    : QObject(parent), m_url(url), m_targetPath(targetPath), m_stateFolder(QDir::currentPath()),
      m_stallMs(Downloader::DefaultStallTimeoutMs)
{
}

void DocumentFetch::start()
{
    abort();
    m_bytes.clear();
    m_problem.clear();
    m_failure = Failure::None;
    m_signedAt = 0;
    m_done = false;
    // Read once per fetch: the document and its signature are judged alike.
    m_keys = trustedUpdateKeys();
    if (m_keys.isEmpty()) {
        // Callers connect after start(): tell them from the event loop.
        const quint64 run = m_run;
        QTimer::singleShot(0, this, [this, run] {
            if (run == m_run)
                finish(Failure::NoKey, noUpdateKeyText());
        });
        return;
    }
    m_download = new Downloader(m_url, m_targetPath, Downloader::DocumentLimit, this);
    m_download->setStallTimeout(m_stallMs);
    connect(m_download, &Downloader::downloadFinish, this, &DocumentFetch::documentArrived);
    m_download->start();
}

void DocumentFetch::abort()
{
    ++m_run;
    if (!m_download)
        return;
    Downloader *d = m_download;
    m_download = nullptr;
    d->disconnect(this);
    d->abort();
    d->deleteLater();
}

QByteArray DocumentFetch::take(Downloader *download)
{
    QFile file(download->targetPath());
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    file.close();
    file.remove();
    return bytes;
}

void DocumentFetch::documentArrived()
{
    Downloader *d = m_download;
    m_download = nullptr;
    if (!d)
        return;
    d->deleteLater();
    if (!d->succeeded()) {
        finish(Failure::Download, d->failureText());
        return;
    }
    m_bytes = take(d);
    QUrl signatureUrl = m_url;
    signatureUrl.setPath(m_url.path() + QLatin1String(".minisig"));
    m_download = new Downloader(signatureUrl, m_targetPath + QLatin1String(".minisig"), SignatureLimit, this);
    m_download->setStallTimeout(m_stallMs);
    connect(m_download, &Downloader::downloadFinish, this, &DocumentFetch::signatureArrived);
    m_download->start();
}

void DocumentFetch::signatureArrived()
{
    Downloader *d = m_download;
    m_download = nullptr;
    if (!d)
        return;
    d->deleteLater();
    if (!d->succeeded()) {
        if (d->failure() == Downloader::Failure::HttpStatus && (d->httpStatus() == 404 || d->httpStatus() == 410))
            finish(Failure::Unsigned, tr("更新服务器上的版本信息没有签名，为安全起见没有使用。"));
        else
            finish(Failure::Download, d->failureText());
        return;
    }
    const QByteArray signature = take(d);
    switch (verifyMinisign(m_bytes, signature, m_keys)) {
    case MinisignResult::Valid: {
        MinisignSignature parsed;
        parseMinisignSignature(signature, &parsed);
        if (acceptComment(parsed.trustedComment))
            finish(Failure::None);
        return;
    }
    case MinisignResult::UnknownKey:
        qCWarning(lcUpdate) << "document signed by an unknown key:" << m_url.toString();
        finish(Failure::UntrustedKey, tr("版本信息不是用受信任的密钥签名的，为安全起见没有使用。"));
        return;
    case MinisignResult::Malformed:
    case MinisignResult::BadSignature:
        qCWarning(lcUpdate) << "bad signature on" << m_url.toString();
        finish(Failure::BadSignature, tr("版本信息的签名不正确，内容可能被篡改，为安全起见没有使用。"));
        return;
    }
}

bool DocumentFetch::acceptComment(const QByteArray &trustedComment)
{
    TrustedComment comment;
    if (!parseTrustedComment(trustedComment, &comment)) {
        qCWarning(lcUpdate) << "signature of" << m_url.toString() << "without a usable trusted comment:" << trustedComment;
        finish(Failure::NoTime, tr("版本信息的签名没有有效的签名时间，为安全起见没有使用。"));
        return false;
    }
    const QString file = QFileInfo(m_url.path()).fileName();
    if (comment.file != file) {
        qCWarning(lcUpdate) << "signature is for" << comment.file << ", not" << m_url.toString();
        finish(Failure::OtherFile, tr("版本信息的签名属于另一个文件，为安全起见没有使用。"));
        return false;
    }
    if (comment.expires != 0 && comment.expires <= QDateTime::currentSecsSinceEpoch()) {
        qCWarning(lcUpdate) << "the signature of" << m_url.toString() << "expired at" << comment.expires;
        finish(Failure::Expired, tr("更新服务器返回的版本信息已过期，已忽略。"));
        return false;
    }
    UpdateFreshness freshness(m_stateFolder);
    const qint64 newest = freshness.newest(file);
    if (comment.timestamp < newest) {
        qCWarning(lcUpdate) << m_url.toString() << "was signed at" << comment.timestamp << ", before the one accepted at"
                            << newest;
        finish(Failure::Stale, tr("更新服务器返回的版本信息比上次的旧，已忽略。"));
        return false;
    }
    freshness.accept(file, comment.timestamp);
    m_signedAt = comment.timestamp;
    return true;
}

void DocumentFetch::finish(Failure failure, const QString &problem)
{
    m_failure = failure;
    m_problem = problem;
    m_done = true;
    if (failure != Failure::None)
        m_bytes.clear(); // nothing unverified leaves this class
    emit finished(failure == Failure::None);
}
