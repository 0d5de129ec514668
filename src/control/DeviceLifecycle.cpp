#include "DeviceLifecycle.h"

#include "BoardRecords.h"
#include "DeviceNotifier.h"
#include "HidPermission.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyboardSession.h"
#include "SystemConfig.h"
#include "UdevRules.h"
#include "ControlLog.h"

#include <QTimer>

namespace {

const char *const AppTitle = "Corvane";
// One notice about unconfirmed settings at most this often.
constexpr int WriteNoticeIntervalMs = 3000;
// The system does not tell when another program lets go of the lock (its
// file does not change when the holder dies): it is tried again this often.
constexpr int LockRetryMs = 1000;

// The part of an arriving interface's name that tells whether it is HID.
bool mayBeKeyboard(const QString &path)
{
#ifdef Q_OS_WIN
    // A device interface ("\\?\HID#VID_...") of another class is not ours;
    // any other name is a backend's own (the virtual keyboard's).
    const QString head = path.section(QLatin1Char('#'), 0, 0);
    return !head.startsWith(QLatin1String("\\\\?\\")) || head.contains(QLatin1String("HID"), Qt::CaseInsensitive);
#else
    // The notifier only reports HID nodes here.
    return !path.isEmpty();
#endif
}

} // namespace

DeviceLifecycle::DeviceLifecycle(KeyboardAction *worker, DeviceNotifier *notifier, QObject *parent)
    : QObject(parent), m_worker(worker), m_notifier(notifier),
      m_session(new KeyboardSession(worker, this, KeyboardSession::Role::Listen)),
      m_lock(std::make_unique<KeyboardLock>(QStringLiteral("Corvane"))), m_lockRetry(new QTimer(this))
{
    m_lockRetry->setInterval(LockRetryMs);
    connect(m_lockRetry, &QTimer::timeout, this, &DeviceLifecycle::retryLock);
    m_shownTitle = title();
    m_shownStatus = status();
    connect(notifier, &DeviceNotifier::deviceArrived, this, &DeviceLifecycle::onArrived);
    connect(notifier, &DeviceNotifier::deviceRemoved, this, &DeviceLifecycle::onRemoved);
    connect(worker->reports(), &KeyboardWorker::sigConnectFinished, this, &DeviceLifecycle::onConnectFinished, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigKeyboardArrived, this, &DeviceLifecycle::onKeyboardArrived, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigDeviceLost, this, &DeviceLifecycle::onDeviceLost, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigKB2DeviceInfo, this, &DeviceLifecycle::onDeviceInfo, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigKB2InitDevice, this, &DeviceLifecycle::onInitDevice, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigKB2RequestFailed, this, &DeviceLifecycle::onRequestFailed, Qt::QueuedConnection);
    connect(worker->reports(), &KeyboardWorker::sigKB2Idle, this, &DeviceLifecycle::onIdle, Qt::QueuedConnection);
    connect(m_session, &KeyboardSession::readBackFinished, this, &DeviceLifecycle::onReadBackFinished);
}

DeviceLifecycle::~DeviceLifecycle() = default;

void DeviceLifecycle::start()
{
    if (!m_notifier->start())
        qCWarning(lcControl) << "hot-plug notifications are not available";
    // The worker finds and opens the keyboard; nothing is shown when there
    // is none: the status stays "not connected" until one arrives.
    connectAgain();
}

void DeviceLifecycle::connectAgain()
{
    if (takeKeyboard())
        m_worker->requestConnect();
    m_lockSerial = m_worker->workSerial();
}

KeyboardLock::Result DeviceLifecycle::setFirmwareUpdateRunning(bool running, QString *holder)
{
    if (!running) {
        // Let go later, once no keyboard is open.
        m_firmwareUpdateRunning = false;
        return KeyboardLock::Result::Acquired;
    }
    const KeyboardLock::Result result = m_lock->tryAcquire();
    if (result != KeyboardLock::Result::Acquired) {
        if (holder)
            *holder = m_lock->otherHolder();
        qCDebug(lcControl) << "no keyboard lock for the firmware update:" << int(result) << m_lock->otherHolder();
        return result;
    }
    // Held through the restarts into and out of the boot loader: nothing
    // waits for the other program any more.
    m_firmwareUpdateRunning = true;
    if (m_lockRetry->isActive()) {
        m_lockRetry->stop();
        m_lockHolder.clear();
        if (m_status == Status::InUse)
            setStatus(Status::NotConnected);
    }
    return result;
}

bool DeviceLifecycle::takeKeyboard()
{
    const KeyboardLock::Result result = m_lock->tryAcquire();
    if (result == KeyboardLock::Result::Acquired) {
        if (m_lockRetry->isActive()) {
            m_lockRetry->stop();
            m_lockHolder.clear();
            m_lockFailure.clear();
            if (m_status == Status::InUse || m_status == Status::NoLock)
                setStatus(Status::NotConnected);
        }
        return true;
    }
    if (result == KeyboardLock::Result::Unavailable) {
        // Nothing is sent without the lock: another program of this user
        // could not tell that the keyboard is taken. Told once per reason;
        // tried again in case the folder is put right.
        qCWarning(lcControl) << "no keyboard lock:" << m_lock->failure();
        if (m_lockFailure != m_lock->failure()) {
            m_lockFailure = m_lock->failure();
            emit notice(tr("无法取得键盘锁，未向键盘发送任何数据：%1").arg(m_lockFailure));
        }
        m_lockHolder.clear();
        setStatus(Status::NoLock);
        m_lockRetry->start();
        return false;
    }
    m_lockFailure.clear();
    m_lockHolder = m_lock->otherHolder();
    qCDebug(lcControl) << "the keyboard is in use by" << m_lockHolder;
    setStatus(Status::InUse);
    m_lockRetry->start();
    return false;
}

void DeviceLifecycle::retryLock()
{
    if (m_worker->isDeviceOpen() || !takeKeyboard())
        return;
    m_worker->requestConnect();
    m_lockSerial = m_worker->workSerial();
}

void DeviceLifecycle::onIdle(quint64 serial)
{
    // The worker has done everything asked of it up to the attempt the lock
    // was taken for: without a keyboard open, the lock is let go.
    if (serial >= m_lockSerial)
        releaseKeyboardIfUnused();
}

void DeviceLifecycle::releaseKeyboardIfUnused()
{
    if (m_lock->isHeld() && !m_firmwareUpdateRunning && !m_worker->isDeviceOpen())
        m_lock->release();
}

QString DeviceLifecycle::title() const
{
    switch (m_title) {
    case Title::Program: return QLatin1String(AppTitle);
    case Title::Removed: return tr("键盘设备已被移除!");
    case Title::Board: return titleForBoard(m_boardInfo, false);
    case Title::Reading: return titleForBoard(m_boardInfo, true);
    case Title::Incomplete: return titleForBoard(m_boardInfo, false) + QLatin1Char('|') + tr("读取不完整");
    }
    return QString();
}

QString DeviceLifecycle::status() const
{
    switch (m_status) {
    case Status::NotConnected: return tr("未连接");
    case Status::Connected: return tr("已连接");
    case Status::UpgradeFirmware: return tr("请升级固件");
    case Status::Incomplete: return tr("读取不完整");
    case Status::NoPermission: return tr("无权访问键盘");
    case Status::InUse:
        return tr("键盘正被 %1 使用").arg(m_lockHolder.isEmpty() ? tr("其他程序") : m_lockHolder);
    case Status::NoLock: return tr("无法取得键盘锁");
    }
    return QString();
}

void DeviceLifecycle::retranslate()
{
    setTitle(m_title);
    setStatus(m_status);
}

void DeviceLifecycle::setTitle(Title which)
{
    m_title = which;
    const QString text = title();
    if (m_shownTitle == text)
        return;
    m_shownTitle = text;
    emit titleChanged(text);
}

void DeviceLifecycle::setStatus(Status which)
{
    m_status = which;
    const QString text = status();
    if (m_shownStatus == text)
        return;
    m_shownStatus = text;
    emit statusChanged(text);
}

QString DeviceLifecycle::readPartText(ReadPart part)
{
    switch (part) {
    case ReadPart::BoardInfo: return tr("键盘信息");
    case ReadPart::Name: return tr("键盘名称");
    case ReadPart::PollingRate: return tr("回报率");
    case ReadPart::Precision: return tr("行程精度");
    case ReadPart::KeyMatrix: return tr("键位布局");
    case ReadPart::Parameters: return tr("按键参数");
    case ReadPart::Colours: return tr("按键颜色");
    case ReadPart::Lighting: return tr("灯光设置");
    case ReadPart::DeadZones: return tr("死区设置");
    case ReadPart::SystemMode: return tr("Win/Mac模式");
    case ReadPart::Connection: return tr("连接中断");
    }
    return QString();
}

void DeviceLifecycle::markRemoved()
{
    setStatus(Status::NotConnected);
    setTitle(Title::Removed);
    qCDebug(lcControl) << "设备已经成功移出";
    m_present = false;
    m_reading = false;
    m_session->abandon();
    releaseKeyboardIfUnused();
    emit keyboardRemoved();
}

void DeviceLifecycle::onRemoved(const QString &path)
{
    if (m_toldDenied.removeAll(path) > 0 && m_toldDenied.isEmpty() && m_status == Status::NoPermission)
        setStatus(Status::NotConnected);
    if (path.compare(m_worker->devicePathString(), Qt::CaseInsensitive) != 0 || !m_worker->isDeviceOpen())
        return; // another device, another interface of the keyboard, or already gone
    m_worker->closeDevice();
    markRemoved();
}

void DeviceLifecycle::onDeviceLost(int code)
{
    // A newer session may already be up by the time this arrives.
    if (!m_present || m_worker->isDeviceOpen())
        return;
    qCDebug(lcControl) << "keyboard lost:" << code;
    markRemoved();
}

void DeviceLifecycle::onArrived(const QString &path)
{
    if (m_firmwareUpdateRunning)
        return; // the firmware engine has the keyboard; its owner connects again after it
    if (!mayBeKeyboard(path) || m_worker->isDeviceOpen())
        return; // a second keyboard is never probed
    // Another program's keyboard (perhaps in the boot loader of its
    // update) is not probed; the retry connects once it lets go.
    if (!takeKeyboard())
        return;
    const QString remembered = m_worker->devicePathString();
    qCDebug(lcControl) << "获取设备路径sHidOld：" << remembered;
    if (!remembered.isEmpty())
        qCDebug(lcControl) << "strHidPath:" << path << "sHidOld:" << remembered << "结果为0";
    else
        qCDebug(lcControl) << "键盘验证**************" << remembered;
    // The worker checks the interface's ids and probes it off this thread.
    m_worker->requestArrival(path);
    m_lockSerial = m_worker->workSerial();
}

void DeviceLifecycle::onKeyboardArrived()
{
    qCDebug(lcControl) << (m_worker->devicePathString().isEmpty() ? "验证通过1" : "验证通过2");
    emit keyboardArrived();
}

void DeviceLifecycle::onConnectFinished(int result)
{
    qCDebug(lcControl) << "connectDevice:" << result;
    if (result == KeyboardAction::Connected) {
        m_present = true;
        m_toldDenied.clear();
        return;
    }
    // The worker noted which interfaces refused it; nothing is opened here.
    const QStringList denied = HidPermission::deniedPaths();
    if (!denied.isEmpty() && !m_worker->isDeviceOpen())
        tellPermissionDenied(denied);
}

void DeviceLifecycle::tellPermissionDenied(const QStringList &paths)
{
    qCDebug(lcControl) << "permission denied:" << paths;
    setStatus(Status::NoPermission);
    // The interfaces of one keyboard arrive one by one: a plug that has been
    // told of through any of them is not told again.
    bool told = false;
    for (const QString &p : paths)
        told = told || m_toldDenied.contains(p);
    for (const QString &p : paths)
        if (!m_toldDenied.contains(p))
            m_toldDenied.append(p);
    if (told)
        return;
    emit permissionDenied(paths, permissionText(paths));
}

QString DeviceLifecycle::permissionText(const QStringList &paths)
{
#ifdef Q_OS_WIN
    // Windows lets every user open a keyboard; a refusal is another program
    // holding it for itself.
    return tr("已找到键盘，但无法打开它（%1），可能有其他程序正在独占使用它。\n"
              "请关闭其他键盘设置软件，然后拔下并重新插入键盘。")
        .arg(paths.join(QLatin1String(", ")));
#else
    return tr("已找到键盘，但当前用户没有权限打开它（%1）。\n"
              "请在终端中运行以下命令安装 udev 规则，然后拔下并重新插入键盘：\n\n%2\n\n"
              "在终端中运行 corvane-cli doctor 也会列出这些命令，便于复制。")
        .arg(paths.join(QLatin1String(", ")), udevFixCommands(true).join(QLatin1Char('\n')));
#endif
}

QString DeviceLifecycle::titleForBoard(const QVariant &v, bool reading)
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
    m_present = true;
    m_boardInfo = v;
    if (!v.canConvert<STU_BoardInfo2>()) {
        setTitle(Title::Board);
        return;
    }
    const auto info = v.value<STU_BoardInfo2>();
    const QString version = QString::fromUtf8(info.version);
    m_boardVersion = version.mid(version.indexOf(QLatin1Char('V')) + 1).trimmed();

    bool reading = true;
    if (version.contains(QLatin1String("Boot"))) {
        reading = false;
        if (!m_firmwareUpdateRunning) {
            setStatus(Status::UpgradeFirmware);
            if (!m_askBootLoader || !m_askBootLoader(m_boardVersion))
                return;
        }
    } else {
        setStatus(Status::Connected);
    }
    setTitle(reading ? Title::Reading : Title::Board);
    qCDebug(lcControl) << title();
    selectModel(info.boardId);
    m_reading = true;
    KeyboardSession::startReadBack(m_worker);
}

void DeviceLifecycle::onInitDevice(bool initialising)
{
    if (initialising || !m_reading)
        return;
    m_reading = false;
    if (m_title == Title::Reading)
        setTitle(Title::Board);
    m_worker->queryWinMode();
    m_worker->queryMacMode();
    emit initialReadFinished();
}

void DeviceLifecycle::onReadBackFinished()
{
    const auto &rb = m_session->readBack();
    if (rb.isComplete()) {
        emit readBackComplete();
        return;
    }
    if (rb.missing.contains(ReadPart::Connection))
        return; // told as a removal
    m_reading = false;
    QStringList parts;
    for (ReadPart part : rb.missing)
        parts << readPartText(part);
    qCDebug(lcControl) << "read-back incomplete:" << rb.readError << parts;
    setTitle(Title::Incomplete);
    setStatus(Status::Incomplete);
    emit notice(tr("未能完整读取键盘配置（%1），请重新插拔键盘后再试。").arg(parts.join(tr("、"))));
}

void DeviceLifecycle::onRequestFailed(int, bool read, int code)
{
    if (read || !m_present)
        return; // reads are judged with the read-back
    qCDebug(lcControl) << "a setting was not confirmed by the keyboard:" << code;
    if (m_lastWriteNotice.isValid() && m_lastWriteNotice.elapsed() < WriteNoticeIntervalMs)
        return;
    m_lastWriteNotice.start();
    emit notice(tr("键盘没有确认这项设置，设置可能没有生效。"));
}

void DeviceLifecycle::selectModel(quint32 boardWord)
{
    qCDebug(lcControl) << "更新键位界面";
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
