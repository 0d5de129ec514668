#pragma once

#include "Minisign.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class Downloader;

// One release document from the update server, with its signature when this
// build trusts a key: the document at U, its minisign signature at
// U + ".minisig". The document is handed on only when the signature holds
// (or, in a development build without a key, when it arrived whole), and
// the signature's trusted comment names this document's file ("file:<name>",
// as minisign writes it): a document signed for another board or program is
// not taken for this one's.
// finished() comes exactly once per start().
class DocumentFetch : public QObject {
    Q_OBJECT
public:
    enum class Failure { None, Download, Unsigned, UntrustedKey, BadSignature, OtherFile };

    // The signature file is small; anything larger is not one.
    static constexpr qint64 SignatureLimit = 16 * 1024;

    DocumentFetch(const QUrl &url, const QString &targetPath, QObject *parent = nullptr);

    void setStallTimeout(int ms) { m_stallMs = ms; }
    void start();
    // Ends a running fetch without finished().
    void abort();

    bool succeeded() const { return m_failure == Failure::None && m_done; }
    Failure failure() const { return m_failure; }
    // Whether a signature was checked (false in a development build).
    bool signatureChecked() const { return m_signed; }
    QByteArray bytes() const { return m_bytes; }
    // Why the document was not used, as one translated sentence.
    QString problemText() const { return m_problem; }

signals:
    void finished(bool succeeded);

private:
    void documentArrived();
    void signatureArrived();
    void finish(Failure failure, const QString &problem = QString());
    // Reads and removes a finished download's file.
    static QByteArray take(Downloader *download);

    QUrl m_url;
    QString m_targetPath;
    int m_stallMs;
    QPointer<Downloader> m_download;
    QList<MinisignPublicKey> m_keys;
    QByteArray m_bytes;
    QString m_problem;
    Failure m_failure = Failure::None;
    bool m_signed = false;
    bool m_done = false;
};
