#include "OnlineUpdate.h"

#include "Downloader.h"
#include "SystemConfig.h"
#include "UpdateLog.h"

#include <QDir>
#include <QFile>

OnlineUpdate *OnlineUpdate::instance()
{
    static OnlineUpdate *self = new OnlineUpdate;
    return self;
}

OnlineUpdate::OnlineUpdate(QObject *parent)
    : QObject(parent), m_stallTimeoutMs(Downloader::DefaultStallTimeoutMs)
{
}

QUrl OnlineUpdate::endpoint(QString *problem)
{
    return parseUpdateEndpoint(SystemConfig().updateEndpoint(), problem);
}

QString OnlineUpdate::endpointProblemText()
{
    QString problem;
    if (endpoint(&problem).isValid())
        return QString();
    if (problem == QLatin1String("empty"))
        return tr("未配置更新服务器，无法在线更新。");
    return tr("更新服务器地址无效，无法在线更新。");
}

void OnlineUpdate::setBoardId(quint32 boardId)
{
    const QString text = boardIdFileName(boardId);
    if (text == m_boardIdText)
        return;
    m_boardIdText = text;
    m_haveDocument = false;
    m_document = FirmwareDocument();
}

QUrl OnlineUpdate::firmwareFileUrl(const QString &fileName) const
{
    const QUrl base = endpoint();
    if (!base.isValid() || !hasBoardId() || !isPlainFileName(fileName))
        return QUrl();
    return endpointUrl(base, QStringLiteral("/firmware/%1/%2").arg(m_boardIdText, fileName));
}

FirmwareCheck *OnlineUpdate::check()
{
    const QUrl base = endpoint();
    if (!base.isValid() || !hasBoardId()) {
        qCDebug(lcUpdate) << "no firmware check: no update server or no board";
        return nullptr;
    }
    const QUrl url = endpointUrl(base, QStringLiteral("/firmware/%1/%1.json").arg(m_boardIdText));
    const QString path = QDir::current().filePath(QStringLiteral("cache/%1.json").arg(m_boardIdText));
    qCDebug(lcUpdate) << "json文件的保存路径：" << path;
    auto *check = new FirmwareCheck(this);
    auto *download = new Downloader(url, path, Downloader::DocumentLimit, check);
    download->setStallTimeout(m_stallTimeoutMs);
    const QString board = m_boardIdText;
    connect(download, &Downloader::downloadFinish, this,
            [this, check, download, board] { checkFinished(check, download, board); });
    download->start();
    return check;
}

void OnlineUpdate::checkFinished(FirmwareCheck *check, Downloader *download, const QString &board)
{
    QByteArray bytes;
    if (download->succeeded()) {
        qCDebug(lcUpdate) << "json文件保存完成，开始读取数据";
        QFile file(download->targetPath());
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        file.close();
        file.remove();
        qCDebug(lcUpdate) << "输出获取到的json数据" << bytes;
    }
    FirmwareDocument doc;
    QString problem;
    if (download->succeeded() && parseFirmwareDocument(bytes, &doc, &problem)) {
        check->m_ok = true;
        check->m_document = doc;
        // A check for a board that has gone since tells only its starter.
        if (board == m_boardIdText) {
            m_document = doc;
            m_haveDocument = true;
        }
        qCDebug(lcUpdate) << "latestBinFileVersion:" << doc.version << "latestBinFileMD5:" << doc.md5
                          << "latestBinFileName:" << doc.fileName << "latestBinFileDate:" << doc.date
                          << "latestBinFileLog:" << doc.log;
        if (board == m_boardIdText)
            emit haveNewVersionData();
    } else if (!problem.isEmpty()) {
        qCDebug(lcUpdate) << problem;
    }
    emit check->finished(check->m_ok);
    check->deleteLater();
}
