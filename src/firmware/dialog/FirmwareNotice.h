#pragma once

#include <QObject>
#include <QString>

class OnlineUpdate;

// Tells the user, once per board report, that newer firmware exists. The
// check after the board information may offer the settings dialog; the
// check after the initial read only refreshes the document and logs. Each
// check's result goes to the handler chosen when it started.
class FirmwareNotice : public QObject {
    Q_OBJECT
public:
    explicit FirmwareNotice(OnlineUpdate *online, QObject *parent = nullptr);

    // The board information arrived. A keyboard in its boot loader is asked
    // about elsewhere: its check only fetches the document.
    void boardReported(quint32 boardId, const QString &boardVersion, bool bootLoader);
    void initialReadFinished();

signals:
    // Newer firmware than boardVersion exists: offer the settings dialog.
    void sigOfferFirmwareDialog(const QString &boardVersion);

private:
    OnlineUpdate *m_online;
    QString m_boardVersion;
    quint64 m_report = 0; // board reports so far
};
