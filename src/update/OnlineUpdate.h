#pragma once

#include "UpdateDocuments.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class DocumentFetch;

// One fetch of the firmware version document. It reports exactly once, with
// finished(), and deletes itself afterwards: whoever started it decides what
// its result means, and no later check calls that handler again.
class FirmwareCheck : public QObject {
    Q_OBJECT
public:
    bool succeeded() const { return m_ok; }
    const FirmwareDocument &document() const { return m_document; }
    // Why there is no document, translated; empty when there is one.
    QString problem() const { return m_problem; }

signals:
    void finished(bool succeeded);

private:
    friend class OnlineUpdate;
    explicit FirmwareCheck(QObject *parent) : QObject(parent) {}
    bool m_ok = false;
    FirmwareDocument m_document;
    QString m_problem;
};

// The configurator's side of the update server: where it is, the firmware
// version document of the connected board and the newest values read from it.
class OnlineUpdate : public QObject {
    Q_OBJECT
public:
    static OnlineUpdate *instance();
    explicit OnlineUpdate(QObject *parent = nullptr);

    // "Kinetra/updateEndpoint" of "sysConfig.ini", read each time; invalid
    // (problem "nokey") in a program without a trusted key, and when empty,
    // not an http(s) address, or a plain http address of another host than
    // this one (see parseUpdateEndpoint). Then no request is made.
    static QUrl endpoint(QString *problem = nullptr);
    // Why there is no endpoint, as one translated sentence; empty when there is one.
    static QString endpointProblemText();
    // The sentence for a problem code of endpoint().
    static QString endpointProblemText(const QString &problem);

    // The board whose firmware is asked for; another board forgets the
    // document of the last one.
    void setBoardId(quint32 boardId);
    QString boardIdText() const { return m_boardIdText; }
    bool hasBoardId() const { return !m_boardIdText.isEmpty(); }

    // Starts fetching "/firmware/<id>/<id>.json" into the cache folder.
    // nullptr (nothing requested) without a board or an endpoint.
    FirmwareCheck *check();

    // The address of a file beside the document, for the firmware download.
    QUrl firmwareFileUrl(const QString &fileName) const;

    bool hasDocument() const { return m_haveDocument; }
    const FirmwareDocument &document() const { return m_document; }
    // Why the last check of this board gave no document (a refused
    // signature, a failed download), translated; empty after a good one.
    QString problem() const { return m_problem; }
    QString lastVersion() const { return m_document.version; }
    QString md5() const { return m_document.md5; }
    QString fileName() const { return m_document.fileName; }
    QString date() const { return m_document.date; }
    QString log() const { return m_document.log; }

    // For tests: a shorter silence before a download gives up.
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    int stallTimeout() const { return m_stallTimeoutMs; }

signals:
    // A check read a document; its values are the newest.
    void haveNewVersionData();
    // A check gave no document; problem() says why.
    void checkFailed();

private:
    void checkFinished(FirmwareCheck *check, DocumentFetch *fetch, const QString &board);

    QString m_boardIdText;
    QString m_problem;
    bool m_haveDocument = false;
    FirmwareDocument m_document;
    int m_stallTimeoutMs;
};
