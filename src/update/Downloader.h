#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;
class QTimer;

// One HTTP GET into one file, shared by the configurator and the updater.
//
// A download succeeds only with HTTP 200, no network error, the whole body
// (as long as Content-Length says, when the server gives it), no more bytes
// than the limit for its kind, and no silence longer than the stall time-out.
// The body is written to a temporary file beside the target, which becomes
// the target only on success; on failure nothing is left behind (an older
// target file is removed at the start), and downloadFinish() still comes,
// exactly once, with succeeded() false.
//
// Every download also has an overall deadline (a document 30 s, a firmware
// image or a program 10 minutes), so that a server that trickles bytes
// cannot keep it going for ever. A body without Content-Length is accepted
// as it ends: every caller checks what it got (a signature or a hash) before
// using it.
class Downloader : public QObject {
    Q_OBJECT
public:
    enum class Failure { None, CannotWrite, Network, HttpStatus, TooLarge, Truncated, Stalled, Aborted, Deadline };

    // Size limits by kind.
    static constexpr qint64 DocumentLimit = 1 << 20;
    static constexpr qint64 FirmwareLimit = 8 << 20;
    static constexpr qint64 ProgramLimit = qint64(512) << 20;
    static constexpr int DefaultStallTimeoutMs = 15000;
    static constexpr int DocumentDeadlineMs = 30 * 1000;
    static constexpr int FileDeadlineMs = 10 * 60 * 1000;

    Downloader(const QUrl &url, const QString &targetPath, qint64 maxBytes, QObject *parent = nullptr);
    ~Downloader() override;

    // Longest time without a byte (or the answer's start) before giving up.
    void setStallTimeout(int ms);
    // Longest time for the whole download; by default by its size limit.
    void setDeadline(int ms);

    // Issues the GET; from here on downloadFinish() comes exactly once.
    void start();
    // Ends a running download as failed (Aborted); no effect otherwise.
    void abort();

    bool isRunning() const { return m_reply != nullptr; }
    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_finished && m_failure == Failure::None; }
    Failure failure() const { return m_failure; }
    int httpStatus() const { return m_httpStatus; }
    qint64 bytesReceived() const { return m_received; }
    QUrl url() const { return m_url; }
    QString targetPath() const { return m_targetPath; }
    // What went wrong, as one translated sentence for the user.
    QString failureText() const;
    static QString failureText(Failure failure, int httpStatus);

signals:
    void downloadFinish();
    void updateProgressBarValue(int percent);

private:
    void httpMetaData();
    void httpReadyRead();
    void httpFinished();
    void downloadProgress(qint64 received, qint64 total);
    void stalled();
    void deadlinePassed();
    // Records the first failure and stops the transfer.
    void fail(Failure failure);

    QUrl m_url;
    QString m_targetPath;
    qint64 m_maxBytes;
    int m_stallMs = DefaultStallTimeoutMs;
    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QSaveFile> m_file;
    QTimer *m_stallTimer;
    QTimer *m_deadline;
    qint64 m_received = 0;
    qint64 m_discarded = 0; // body bytes of a failed answer
    qint64 m_expected = -1; // Content-Length, -1 when not given
    int m_httpStatus = 0;
    int m_lastPercent = -1;
    bool m_started = false;
    bool m_finished = false;
    Failure m_failure = Failure::None;
};
