#include "DeviceLifecycle.h"

#include "BoardRecords.h"
#include "DeviceNotifier.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "SystemConfig.h"
#include "UiLog.h"

namespace {

const char *const AppTitle = "Corvane";

// The part of an arriving interface's name that tells whether it is HID.
bool mayBeKeyboard(const QString &path)
{
#ifdef Q_OS_WIN
    return path.section(QLatin1Char('#'), 0, 0).contains(QLatin1String("HID"));
#else
    // The notifier only reports HID nodes here.
    return !path.isEmpty();
#endif
}

} // namespace

DeviceLifecycle::DeviceLifecycle(KeyboardAction *worker, DeviceNotifier *notifier, QObject *parent)
    : QObject(parent), m_worker(worker), m_notifier(notifier)
{
    m_status = tr("未连接");
    m_title = QLatin1String(AppTitle);
    connect(notifier, &DeviceNotifier::deviceArrived, this, &DeviceLifecycle::onArrived);
    connect(notifier, &DeviceNotifier::deviceRemoved, this, &DeviceLifecycle::onRemoved);
    connect(worker, &KeyboardAction::sigKB2DeviceInfo, this, &DeviceLifecycle::onDeviceInfo, Qt::QueuedConnection);
    connect(worker, &KeyboardAction::sigKB2InitDevice, this, &DeviceLifecycle::onInitDevice, Qt::QueuedConnection);
}

void DeviceLifecycle::start()
{
    if (!m_notifier->start())
        qCWarning(lcUi) << "hot-plug notifications are not available";
    // -1 (no keyboard) and -2 (it did not open) show nothing: the status
    // stays "not connected" until a keyboard arrives.
    const int rc = m_worker->connectDevice();
    qCDebug(lcUi) << "connectDevice:" << rc;
}

void DeviceLifecycle::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void DeviceLifecycle::setStatus(const QString &status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(status);
}

void DeviceLifecycle::onRemoved(const QString &path)
{
    if (path.compare(m_worker->devicePathString(), Qt::CaseInsensitive) != 0 || !m_worker->isDeviceOpen())
        return; // another device, or another interface of the keyboard
    setStatus(tr("未连接"));
    setTitle(tr("键盘设备已被移除!"));
    qCDebug(lcUi) << "设备已经成功移出";
    m_worker->closeDevice();
    m_reading = false;
    emit keyboardRemoved();
}

void DeviceLifecycle::onArrived(const QString &path)
{
    if (!mayBeKeyboard(path) || m_worker->isDeviceOpen())
        return; // a second keyboard is never probed
    const QString remembered = m_worker->devicePathString();
    qCDebug(lcUi) << "获取设备路径sHidOld：" << remembered;
    if (!remembered.isEmpty())
        qCDebug(lcUi) << "strHidPath:" << path << "sHidOld:" << remembered << "结果为0";
    else
        qCDebug(lcUi) << "键盘验证**************" << remembered;
    if (!m_worker->probePath(path))
        return;
    qCDebug(lcUi) << (remembered.isEmpty() ? "验证通过1" : "验证通过2");
    emit keyboardArrived();
    m_worker->reconnect();
}

QString DeviceLifecycle::titleForBoard(const QVariant &v, bool reading) const
{
    QStringList parts;
    if (v.canConvert<STU_BoardInfo2>()) {
        const auto info = v.value<STU_BoardInfo2>();
        parts << tr("板子ID:%1").arg(info.boardId) << tr("序列号:%1").arg(QString::fromUtf8(info.serial))
              << tr("版本号:%1").arg(QString::fromUtf8(info.version));
        if (reading)
            parts << tr("正在读取数据...");
    }
    return QStringLiteral("%1---%2").arg(QLatin1String(AppTitle), parts.join(QLatin1Char('|')));
}

void DeviceLifecycle::onDeviceInfo(const QVariant &v)
{
    if (!v.canConvert<STU_BoardInfo2>()) {
        setTitle(titleForBoard(v, false));
        return;
    }
    const auto info = v.value<STU_BoardInfo2>();
    const QString version = QString::fromUtf8(info.version);
    m_boardVersion = version.mid(version.indexOf(QLatin1Char('V')) + 1).trimmed();

    bool reading = true;
    if (version.contains(QLatin1String("Boot"))) {
        reading = false;
        if (!m_firmwareUpdateRunning) {
            setStatus(tr("请升级固件"));
            if (!m_askBootLoader || !m_askBootLoader(m_boardVersion))
                return;
        }
    } else {
        setStatus(tr("已连接"));
    }
    const QString title = titleForBoard(v, reading);
    qCDebug(lcUi) << title;
    setTitle(title);
    selectModel(info.boardId);
    m_reading = true;
    KeyboardSession::startReadBack(m_worker);
}

void DeviceLifecycle::onInitDevice(bool initialising)
{
    if (initialising || !m_reading)
        return;
    m_reading = false;
    const int bar = m_title.lastIndexOf(QLatin1Char('|'));
    if (bar >= 0 && m_title.endsWith(tr("正在读取数据...")))
        setTitle(m_title.left(bar));
    m_worker->queryWinMode();
    m_worker->queryMacMode();
    emit initialReadFinished();
}

void DeviceLifecycle::selectModel(quint32 boardWord)
{
    qCDebug(lcUi) << "更新键位界面";
    if (m_haveBoardWord && boardWord == m_boardWord)
        return;
    const int model = int(boardWord >> 24);
    if (m_modelAvailable && !m_modelAvailable(model))
        return;
    m_haveBoardWord = true;
    m_boardWord = boardWord;
    m_model = model;
    emit modelSelected(model);
    SystemConfig config;
    if (config.keyboardModel() != model)
        config.setKeyboardModel(model);
}
