#pragma once

#include "Minisign.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class Downloader;

// One release document from the update server and its minisign signature:
// the document at U, the signature at U + ".minisig". The document is handed
// on only when the signature holds against a trusted key and its trusted
// comment (see parseTrustedComment)
//   - names this document's file, so that a document signed for another
//     board or program is not taken for this one's;
//   - has not expired;
//   - is not older than the newest one accepted before for this document,
//     so that a replayed old document cannot keep the user on an old version.
// The accepted time is recorded beside the settings (UpdateFreshness).
// Without any trusted key nothing is requested at all.
// finished() comes exactly once per start().
class DocumentFetch : public QObject {
    Q_OBJECT
public:
    enum class Failure { None, NoKey, Download, Unsigned, UntrustedKey, BadSignature, OtherFile, NoTime, Expired, Stale };

    // The signature file is small; anything larger is not one.
    static constexpr qint64 SignatureLimit = 16 * 1024;

    DocumentFetch(const QUrl &url, const QString &targetPath, QObject *parent = nullptr);

    void setStallTimeout(int ms) { m_stallMs = ms; }
    // Where the accepted signing times are kept; the working folder unless set.
    void setStateFolder(const QString &folder) { m_stateFolder = folder; }
    void start();
    // Ends a running fetch without finished().
    void abort();

    bool succeeded() const { return m_failure == Failure::None && m_done; }
    Failure failure() const { return m_failure; }
    // When the document that was handed on was signed (unix seconds).
    qint64 signedAt() const { return m_signedAt; }
    QByteArray bytes() const { return m_bytes; }
    // Why the document was not used, as one translated sentence.
    QString problemText() const { return m_problem; }

signals:
    void finished(bool succeeded);

private:
    void documentArrived();
    void signatureArrived();
    // The checks of a valid signature's trusted comment; true when they pass.
    bool acceptComment(const QByteArray &trustedComment);
    void finish(Failure failure, const QString &problem = QString());
    // Reads and removes a finished download's file.
    static QByteArray take(Downloader *download);

    QUrl m_url;
    QString m_targetPath;
    QString m_stateFolder;
    int m_stallMs;
    QPointer<Downloader> m_download;
    QList<MinisignPublicKey> m_keys;
    QByteArray m_bytes;
    QString m_problem;
    Failure m_failure = Failure::None;
    qint64 m_signedAt = 0;
    bool m_done = false;
    quint64 m_run = 0; // start() and abort() end what an earlier start left queued
};
