#include "DocumentFetch.h"

#include "Downloader.h"
#include "UpdateLog.h"
#include "UpdateTrust.h"

#include <QFile>
#include <QFileInfo>

DocumentFetch::DocumentFetch(const QUrl &url, const QString &targetPath, QObject *parent)
    : QObject(parent), m_url(url), m_targetPath(targetPath), m_stallMs(Downloader::DefaultStallTimeoutMs)
{
}

void DocumentFetch::start()
{
    abort();
    m_bytes.clear();
    m_problem.clear();
    m_failure = Failure::None;
    m_signed = false;
    m_done = false;
    // Read once per fetch: the document and its signature are judged alike.
    m_keys = trustedUpdateKeys();
    m_download = new Downloader(m_url, m_targetPath, Downloader::DocumentLimit, this);
    m_download->setStallTimeout(m_stallMs);
    connect(m_download, &Downloader::downloadFinish, this, &DocumentFetch::documentArrived);
    m_download->start();
}

void DocumentFetch::abort()
{
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
    if (m_keys.isEmpty()) {
        finish(Failure::None);
        return;
    }
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
        const QString named = minisignTrustedFileName(parsed.trustedComment);
        if (named != QFileInfo(m_url.path()).fileName()) {
            qCWarning(lcUpdate) << "signature is for" << named << ", not" << m_url.toString();
            finish(Failure::OtherFile, tr("版本信息的签名属于另一个文件，为安全起见没有使用。"));
            return;
        }
        m_signed = true;
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

void DocumentFetch::finish(Failure failure, const QString &problem)
{
    m_failure = failure;
    m_problem = problem;
    m_done = true;
    if (failure != Failure::None)
        m_bytes.clear(); // nothing unverified leaves this class
    emit finished(failure == Failure::None);
}
