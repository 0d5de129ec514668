#pragma once

#include "UpdateDocuments.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include "Downloader.h"
class OnlineUpdate;

// Where a firmware image comes from before the engine may write it. Both
// ways end with an image that is whole and checked, or with one translated
// sentence saying why there is none; nothing else reaches the keyboard.

// A local image: only a ".bin" file (any case), readable, not empty and not
// larger than a firmware can be.
bool readLocalFirmware(const QString &path, QByteArray *image, QString *problem);

// The online image: the firmware file named by the signed version document,
// downloaded into the cache folder, read back, removed, and compared with
// the document's SHA-256 (and its MD5, when it gives one).
class FirmwareFetch : public QObject {
    Q_OBJECT
public:
    explicit FirmwareFetch(OnlineUpdate *online, QObject *parent = nullptr);

    // False (problem() set, nothing requested) when the document names no
    // file or has no valid SHA-256, or there is no update server or key.
    bool start(const FirmwareDocument &document);
    void abort();
    bool isRunning() const { return m_download != nullptr; }
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }

    QByteArray image() const { return m_image; }
    QString problem() const { return m_problem; }

signals:
    void progress(int percent);
    // Once per start that returned true.
    void finished(bool succeeded);

private:
    void downloaded();

    OnlineUpdate *m_online;
    QPointer<Downloader> m_download;
    FirmwareDocument m_document;
    QByteArray m_image;
    QString m_problem;
    int m_stallTimeoutMs;
};
