#include "OnlineUpdate.h"

#include "DocumentFetch.h"
#include "Downloader.h"
#include "SystemConfig.h"
#include "UpdateLog.h"
#include "UpdateTrust.h"

#include <QDir>

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
    if (!haveTrustedUpdateKey()) {
        if (problem)
            *problem = QStringLiteral("nokey");
        return QUrl();
    }
    return parseUpdateEndpoint(SystemConfig().updateEndpoint(), problem);
}

QString OnlineUpdate::endpointProblemText()
{
    QString problem;
    if (endpoint(&problem).isValid())
        return QString();
    return endpointProblemText(problem);
}

QString OnlineUpdate::endpointProblemText(const QString &problem)
{
    if (problem.isEmpty())
        return QString();
    if (problem == QLatin1String("nokey"))
        return noUpdateKeyText();
    if (problem == QLatin1String("empty"))
        return tr("未配置更新服务器，无法在线更新。");
    if (problem == QLatin1String("insecure"))
        return tr("更新服务器使用不加密的 http:// 地址，不能使用。请改用 https:// 地址。");
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
    m_problem.clear();
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
    auto *fetch = new DocumentFetch(url, path, check);
    fetch->setStallTimeout(m_stallTimeoutMs);
    const QString board = m_boardIdText;
    connect(fetch, &DocumentFetch::finished, this, [this, check, fetch, board] { checkFinished(check, fetch, board); });
    fetch->start();
    return check;
}

void OnlineUpdate::checkFinished(FirmwareCheck *check, DocumentFetch *fetch, const QString &board)
{
    const QByteArray bytes = fetch->bytes();
    if (fetch->succeeded()) {
        qCDebug(lcUpdate) << "json文件保存完成，开始读取数据";
        qCDebug(lcUpdate) << "输出获取到的json数据" << bytes;
    }
    FirmwareDocument doc;
    QString problem;
    if (!fetch->succeeded()) {
        check->m_problem = fetch->failure() == DocumentFetch::Failure::Download
                               ? tr("无法获取固件版本信息：%1").arg(fetch->problemText())
                               : fetch->problemText();
    } else if (!parseFirmwareDocument(bytes, &doc, &problem)) {
        qCDebug(lcUpdate) << problem;
        check->m_problem = tr("无法获取固件版本信息：服务器返回的内容无效。");
    } else if (!isSha256Hex(doc.sha256)) {
        // A signed document vouches for the image only through its hash.
        check->m_problem = tr("固件版本信息没有有效的 SHA-256 校验值，为安全起见没有使用。");
    } else {
        check->m_ok = true;
        check->m_document = doc;
        // A check for a board that has gone since tells only its starter.
        if (board == m_boardIdText) {
            m_document = doc;
            m_haveDocument = true;
            m_problem.clear();
        }
        qCDebug(lcUpdate) << "latestBinFileVersion:" << doc.version << "latestBinFileMD5:" << doc.md5
                          << "latestBinFileName:" << doc.fileName << "latestBinFileDate:" << doc.date
                          << "latestBinFileLog:" << doc.log;
        if (board == m_boardIdText)
            emit haveNewVersionData();
    }
    if (!check->m_ok) {
        qCWarning(lcUpdate) << "firmware version document not used:" << check->m_problem;
        if (board == m_boardIdText) {
            // A refused document says the server is not to be trusted now:
            // an earlier one is not offered beside it. A failed download
            // says nothing about the server and keeps it.
            if (fetch->failure() != DocumentFetch::Failure::Download) {
                m_haveDocument = false;
                m_document = FirmwareDocument();
            }
            m_problem = check->m_problem;
            emit checkFailed();
        }
    }
    emit check->finished(check->m_ok);
    check->deleteLater();
}
