#include "FirmwareNotice.h"

#include "FirmwareLog.h"
#include "OnlineUpdate.h"

FirmwareNotice::FirmwareNotice(OnlineUpdate *online, QObject *parent) : QObject(parent), m_online(online) {}

void FirmwareNotice::boardReported(quint32 boardId, const QString &boardVersion, bool bootLoader)
{
    const quint64 report = ++m_report;
    m_boardVersion = boardVersion;
    m_online->setBoardId(boardId);
    FirmwareCheck *check = m_online->check();
    if (!check)
        return;
    connect(check, &FirmwareCheck::finished, this, [this, check, boardVersion, bootLoader, report](bool ok) {
        if (!ok || !isVersionNewer(check->document().version, boardVersion))
            return;
        qCDebug(lcFirmware) << "键盘软件有最新版本！";
        // A later board report has its own check; this one's answer is old.
        if (!bootLoader && report == m_report)
            emit sigOfferFirmwareDialog(boardVersion);
    });
}

void FirmwareNotice::initialReadFinished()
{
    FirmwareCheck *check = m_online->check();
    if (!check)
        return;
    const QString boardVersion = m_boardVersion;
    connect(check, &FirmwareCheck::finished, this, [check, boardVersion](bool ok) {
        if (ok && isVersionNewer(check->document().version, boardVersion))
            qCDebug(lcFirmware) << "键盘软件有最新版本！";
    });
}
