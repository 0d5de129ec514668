#include "IAPFirmwareWindow.h"

#include "BoardRecords.h"
#include "FirmwareBackup.h"
#include "FirmwareFetch.h"
#include "FirmwareLog.h"
#include "FirmwareMessages.h"
#include "FirmwareStatusText.h"
#include "FramelessWindow.h"
#include "KB2FirmwareDevelop.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "LanguageManager.h"
#include "OnlineUpdate.h"
#include "ProcessControl.h"
#include "SignalObject.h"
#include "SupportReport.h"
#include "SystemConfig.h"
#include "UpdateTrust.h"
#include "UpdaterLock.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTime>
#include <QTimer>
#include <QToolButton>

namespace {

// The text after the first "V" of a version string, trimmed.
QString versionAfterV(const QString &version)
{
    return version.mid(version.indexOf(QLatin1Char('V')) + 1).trimmed();
}

} // namespace

IAPFirmwareWindow::IAPFirmwareWindow(const Services &services, const QString &firmwareVersion, bool bootLoader,
                                     QWidget *parent)
    : QDialog(parent), m_services(services), m_firmwareVersion(firmwareVersion), m_bootLoader(bootLoader),
      m_engine(new KB2FirmwareDevelop(this)), m_fetch(new FirmwareFetch(services.online, this)),
      m_updaterWatch(new ProcessExitWatch(this)),
      m_watchdog(new QTimer(this)), m_releaseTimer(new QTimer(this))
{
    m_prompts = Prompts::dialogs(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    WindowDragger::install(this);
#ifdef Q_OS_WIN
    setAttribute(Qt::WA_TranslucentBackground);
#endif
    setFixedSize(800, 720);
    m_watchdog->setSingleShot(true);
    m_watchdog->setInterval(m_longWatchdogMs);
    m_releaseTimer->setSingleShot(true);
    if (m_services.worker)
        m_session = new KeyboardSession(m_services.worker, this, KeyboardSession::Role::Listen);
    buildWidgets();
    setupConnections();
    if (m_services.pollingRate >= 0 && m_services.pollingRate < m_rateBox->count())
        m_rateBox->setCurrentIndex(m_services.pollingRate);
    retranslate();
    refreshControls();
}

IAPFirmwareWindow::~IAPFirmwareWindow()
{
    // The engine's destructor stops a running update and closes the
    // keyboard; only then is the keyboard's lock let go.
    m_engine->disconnect(this);
    delete m_engine;
    m_engine = nullptr;
    if (m_services.worker && (m_state == State::ReleasingKeyboard || m_state == State::Updating))
        m_services.worker->setHeld(false);
}

void IAPFirmwareWindow::setupConnections()
{
    connect(m_closeBtn, &QToolButton::clicked, this, &IAPFirmwareWindow::closeBtnClicked);
    connect(m_chineseBtn, &QPushButton::clicked, this,
            [] { LanguageManager::instance()->setLanguage(QStringLiteral("Chinese")); });
    connect(m_englishBtn, &QPushButton::clicked, this,
            [] { LanguageManager::instance()->setLanguage(QStringLiteral("English")); });
    connect(m_rateBox, qOverload<int>(&QComboBox::activated), this, &IAPFirmwareWindow::updateRateOfReturn);
    connect(m_checkUpdateBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::checkUpdate);
    connect(m_chooseBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::chooseLocalFile);
    connect(m_localBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::localUpdate);
    connect(m_onlineBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::onlineUpdate);
    connect(m_resetBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::factoryReset);
    connect(m_reportBtn, &QPushButton::clicked, this, &IAPFirmwareWindow::saveSupportReport);
    connect(m_watchdog, &QTimer::timeout, this, &IAPFirmwareWindow::updateFailed);
    connect(m_releaseTimer, &QTimer::timeout, this, [this] {
        qCWarning(lcFirmware) << "the worker did not report closing; updating anyway";
        startEngine();
    });
    connect(m_fetch, &FirmwareFetch::finished, this, &IAPFirmwareWindow::fetchFinished);
    connect(m_fetch, &FirmwareFetch::progress, this, [this](int percent) {
        setStatus([this, percent] { return tr("正在下载固件：%1%").arg(percent); });
    });
    // An erase may take longer than the watchdog allows between two
    // progress steps; each of its frames shows the keyboard is at work.
    connect(m_engine, &KB2FirmwareDevelop::sigStillWorking, this, [this] {
        if (m_state == State::Updating && !m_failureShown && m_watchdog->isActive())
            m_watchdog->start();
    }, Qt::QueuedConnection);
    connect(m_engine, &KB2FirmwareDevelop::sigNotifyProgress, this, &IAPFirmwareWindow::onProgress,
            Qt::QueuedConnection);
    connect(m_engine, &KB2FirmwareDevelop::sigNotifyMessage, this, &IAPFirmwareWindow::onEngineMessage,
            Qt::QueuedConnection);
    connect(m_engine, &KB2FirmwareDevelop::sigUpdateFinished, this, &IAPFirmwareWindow::onEngineFinished,
            Qt::QueuedConnection);
    connect(m_engine, &KB2FirmwareDevelop::sigAwaitingVerdict, this, &IAPFirmwareWindow::onAwaitingVerdict,
            Qt::QueuedConnection);
    connect(m_updaterWatch, &ProcessExitWatch::exited, this, [this] { m_updaterRunning = false; });
    if (m_services.online) {
        connect(m_services.online, &OnlineUpdate::haveNewVersionData, this, &IAPFirmwareWindow::refreshVersionInfo);
        connect(m_services.online, &OnlineUpdate::checkFailed, this, &IAPFirmwareWindow::refreshVersionInfo);
    }
    if (KeyboardAction *worker = m_services.worker) {
        connect(worker->reports(), &KeyboardWorker::sigKB2Idle, this, &IAPFirmwareWindow::workerIdle, Qt::QueuedConnection);
        connect(worker->reports(), &KeyboardWorker::sigKB2DeviceInfo, this, &IAPFirmwareWindow::onDeviceInfo,
                Qt::QueuedConnection);
        connect(worker->reports(), &KeyboardWorker::sigKB2PollingRate, this, [this](int index) {
            const QSignalBlocker block(m_rateBox);
            if (index >= 0 && index < m_rateBox->count())
                m_rateBox->setCurrentIndex(index);
        }, Qt::QueuedConnection);
        connect(worker->reports(), &KeyboardWorker::sigConnectFinished, this, &IAPFirmwareWindow::refreshControls,
                Qt::QueuedConnection);
        connect(worker->reports(), &KeyboardWorker::sigDeviceLost, this, &IAPFirmwareWindow::refreshControls,
                Qt::QueuedConnection);
        connect(m_session, &KeyboardSession::readBackFinished, this, &IAPFirmwareWindow::onReadBackFinished);
    }
}

// ---- what the dialog shows -------------------------------------------------------

void IAPFirmwareWindow::setStatus(std::function<QString()> text)
{
    m_status = std::move(text);
    showStatus();
}

void IAPFirmwareWindow::showStatus()
{
    m_statusLabel->setText(m_status ? m_status() : versionStatus());
    m_statusLabel->setAccessibleName(m_statusLabel->text());
}

// What the status says when no action has anything to say.
QString IAPFirmwareWindow::versionStatus() const
{
    if (m_bootLoader)
        return tr("固件不存在，请先升级固件");
    const QString noServer = OnlineUpdate::endpointProblemText();
    if (!noServer.isEmpty())
        return noServer;
    OnlineUpdate *online = m_services.online;
    if (online && online->hasDocument() && !isVersionNewer(online->lastVersion(), currentVersion()))
        return tr("已是最新版本");
    if (online && !online->hasDocument())
        return online->problem(); // a refused or missing version document
    return QString();
}

QString IAPFirmwareWindow::currentVersion() const
{
    // An empty firmware version counts as 0.
    return m_firmwareVersion.isEmpty() ? QStringLiteral("0") : m_firmwareVersion;
}

QString IAPFirmwareWindow::statusText() const
{
    return m_statusLabel->text();
}

QString IAPFirmwareWindow::firmwareVersionText() const
{
    return m_firmwareVersionLabel->text();
}

QString IAPFirmwareWindow::newestText() const
{
    return m_newest->isHidden() ? QString() : m_newest->text();
}

void IAPFirmwareWindow::setFirmwareVersion(const QString &version)
{
    m_firmwareVersion = version;
    refreshVersionInfo();
}

void IAPFirmwareWindow::setBootLoader(bool bootLoader)
{
    m_bootLoader = bootLoader;
    refreshVersionInfo();
}

void IAPFirmwareWindow::refreshVersionInfo()
{
    m_softwareVersion->setText(QLatin1Char('V') + SystemConfig().softwareVersion());
    m_softwareVersion->setAccessibleName(m_softwareVersion->text());
    m_firmwareVersionLabel->setText(QLatin1Char('V') +
                                    (m_firmwareVersion.isEmpty() ? QStringLiteral("0.0.0") : m_firmwareVersion));
    m_firmwareVersionLabel->setAccessibleName(m_firmwareVersionLabel->text());

    OnlineUpdate *online = m_services.online;
    const bool newer = online && online->hasDocument() && isVersionNewer(online->lastVersion(), currentVersion());
    if (newer) {
        m_newest->setText(online->log().isEmpty()
                              ? tr("★最新版本：V%1").arg(online->lastVersion())
                              : tr("★最新版本：V%1\n版本日志：\n%2").arg(online->lastVersion(), online->log()));
        m_newest->show();
    } else {
        m_newest->clear();
        m_newest->hide();
    }
    m_newest->setAccessibleName(m_newest->text());
    refreshControls();
    showStatus();
}

void IAPFirmwareWindow::refreshControls()
{
    const bool idle = m_state == State::Idle || m_state == State::AwaitingKeyboard;
    OnlineUpdate *online = m_services.online;
    const bool haveFile = online && online->hasDocument() && !online->fileName().isEmpty();
    const bool newer = haveFile && isVersionNewer(online->lastVersion(), currentVersion());
    // A keyboard without its application may take whatever the server has.
    m_onlineBtn->setEnabled(idle && OnlineUpdate::endpointProblemText().isEmpty() && (newer || (haveFile && m_bootLoader)));
    m_chooseBtn->setEnabled(idle);
    m_localBtn->setEnabled(idle);
    // Without a key there are no program updates either; the status says so.
    m_checkUpdateBtn->setEnabled(idle && haveTrustedUpdateKey());
    const bool open = m_services.worker && m_services.worker->isDeviceOpen();
    m_rateBox->setEnabled(idle && open && !m_bootLoader);
    m_resetBtn->setEnabled(idle && open && !m_bootLoader);
    m_reportBtn->setEnabled(!m_writingReport);
}

bool IAPFirmwareWindow::isUpdating() const
{
    return m_state == State::ReleasingKeyboard || m_state == State::Updating;
}

void IAPFirmwareWindow::setWatchdogIntervals(int longMs, int shortMs)
{
    m_longWatchdogMs = longMs;
    m_shortWatchdogMs = shortMs;
    m_watchdog->setInterval(longMs);
}

void IAPFirmwareWindow::setDownloadStallTimeout(int ms)
{
    m_fetch->setStallTimeout(ms);
}

// ---- actions -------------------------------------------------------------------

bool IAPFirmwareWindow::refuseWhileBusy()
{
    if (m_state != State::Idle && m_state != State::AwaitingKeyboard)
        return true;
    if (m_services.worker && m_services.worker->isInitialising()) {
        m_prompts.inform(tr("提示"), tr("正在初始化设备配置中，请稍后在操作..."));
        return true;
    }
    return false;
}

void IAPFirmwareWindow::chooseLocalFile()
{
    const QString path = m_prompts.chooseFirmwareFile(m_localPath.isEmpty() ? QDir::homePath() : m_localPath);
    if (path.isEmpty())
        return;
    m_localPath = path;
    showLocalPath();
}

void IAPFirmwareWindow::localUpdate()
{
    if (refuseWhileBusy())
        return;
    QByteArray image;
    QString problem;
    if (!readLocalFirmware(m_localPath, &image, &problem)) {
        setStatus([problem] { return problem; });
        return;
    }
    // Online updates only ever go forward; a local file may go back.
    if (!m_bootLoader &&
        !m_prompts.ask(tr("本地更新"), tr("无法确认本地固件文件“%1”的版本，它可能比键盘现在的固件旧。确定要写入吗？")
                                          .arg(QFileInfo(m_localPath).fileName())))
        return;
    beginUpdate(image, QString());
}

void IAPFirmwareWindow::onlineUpdate()
{
    if (refuseWhileBusy() || !m_services.online)
        return;
    const FirmwareDocument doc = m_services.online->document();
    if (!m_bootLoader && !isVersionNewer(doc.version, currentVersion()))
        return; // never older, nor the same again
    if (!m_fetch->start(doc)) {
        const QString problem = m_fetch->problem();
        setStatus([problem] { return problem; });
        return;
    }
    m_state = State::Downloading;
    refreshControls();
    setStatus([this] { return tr("正在下载固件..."); });
}

void IAPFirmwareWindow::fetchFinished(bool ok)
{
    if (m_state != State::Downloading)
        return;
    m_state = State::Idle;
    if (!ok) {
        const QString problem = m_fetch->problem();
        setStatus([problem] { return problem; });
        refreshControls();
        return;
    }
    beginUpdate(m_fetch->image(), m_services.online->lastVersion());
}

bool IAPFirmwareWindow::takeKeyboard()
{
    QString holder;
    KeyboardLock::Result result;
    if (m_services.takeKeyboard) {
        result = m_services.takeKeyboard(&holder);
    } else {
        if (!m_ownLock)
            m_ownLock = std::make_unique<KeyboardLock>(QStringLiteral("Corvane"));
        result = m_ownLock->tryAcquire();
        holder = m_ownLock->otherHolder();
    }
    if (result == KeyboardLock::Result::Acquired)
        return true;
    if (result == KeyboardLock::Result::Held) {
        // Another program's text: one short line, shown as plain text.
        holder = holder.simplified().left(MaxHolderLength);
        qCWarning(lcFirmware) << "firmware update refused: the keyboard is in use by" << holder;
        setStatus([this, holder] {
            return tr("键盘正被 %1 使用，升级没有开始。请等它结束后再试。").arg(holder.isEmpty() ? tr("其他程序") : holder);
        });
    } else {
        const QString folder = QDir::toNativeSeparators(KeyboardLock::folder());
        qCWarning(lcFirmware) << "firmware update refused: no keyboard lock can be taken in" << folder;
        setStatus([this, folder] {
            return tr("无法确认没有其他程序在使用键盘（%1 中的键盘锁无法创建或打开），为安全起见升级没有开始。").arg(folder);
        });
    }
    return false;
}

void IAPFirmwareWindow::beginUpdate(const QByteArray &image, const QString &version)
{
    // Nothing is probed, written or backed up while another program may
    // be writing the keyboard.
    if (!takeKeyboard()) {
        refreshControls();
        return;
    }
    // The configuration first: a new firmware may start from its defaults.
    m_backupId = 0;
    m_backupName.clear();
    KeyboardReadBack readBack;
    if (m_services.readBack && m_services.profiles && m_services.readBack(&readBack)) {
        QString problem;
        m_backupId =
            saveFirmwareBackup(m_services.profiles, readBack, QDateTime::currentDateTime(), &m_backupName, &problem);
        if (m_backupId == 0) {
            setStatus([problem] { return problem; });
            refreshControls();
            releaseKeyboard();
            return;
        }
        emit sigBackupSaved(m_backupName, m_backupId);
    }

    m_pendingImage = image;
    m_endEmitted = false;
    m_failureShown = false;
    m_completed = false;
    m_state = State::ReleasingKeyboard;
    m_progress->setValue(0);
    m_percent->setText(QStringLiteral("0%"));
    showProgressWidgets(true);
    if (version.isEmpty())
        setStatus([this] { return tr("正在更新"); });
    else
        setStatus([this, version] { return tr("正在更新：V%1").arg(version); });
    refreshControls();
    emit sigStartUpdate();

    KeyboardAction *worker = m_services.worker;
    if (!worker) {
        startEngine();
        return;
    }
    // The engine opens the keyboard itself: the worker lets go first and
    // opens nothing until the engine is done, not even a reconnect or an
    // arrival already under way.
    worker->setHeld(true);
    if (!worker->isRunning()) {
        startEngine(); // it never started: nothing of it can be under way
        return;
    }
    m_releaseSerial = worker->workSerial();
    m_releaseTimer->start(WorkerCloseTimeoutMs);
}

void IAPFirmwareWindow::releaseKeyboard()
{
    if (m_services.worker)
        m_services.worker->setHeld(false);
    if (m_ownLock)
        m_ownLock->release();
    emit sigDeviceReleased();
}

void IAPFirmwareWindow::workerIdle(quint64 serial)
{
    if (m_state == State::ReleasingKeyboard && m_releaseTimer->isActive() && serial >= m_releaseSerial)
        startEngine();
}

void IAPFirmwareWindow::startEngine()
{
    m_releaseTimer->stop();
    if (m_state != State::ReleasingKeyboard)
        return;
    m_state = State::Updating;
    const QByteArray image = m_pendingImage;
    m_pendingImage.clear();
    m_watchdog->start(m_longWatchdogMs);
    if (!m_engine->startUpdate(image)) {
        m_watchdog->stop();
        m_state = State::Idle;
        setStatus([] { return firmwareMessageText(QLatin1String(FwMessage::UpdateFailed)); });
        refreshControls();
        releaseKeyboard();
    }
}

void IAPFirmwareWindow::onProgress(int value)
{
    if (m_state != State::Updating)
        return;
    if (value == 100 && m_failureShown) {
        // The watchdog or a lost keyboard has already ended it for the user.
    } else if (value == 100) {
        m_watchdog->stop();
        m_watchdog->setInterval(m_longWatchdogMs);
        showProgressWidgets(false);
        setStatus([this] { return tr("更新完成"); });
        if (!m_endEmitted) {
            m_endEmitted = true;
            emit sigEndUpdate();
        }
    } else if (!m_failureShown) {
        // Every report, a block sent again included, shows the engine at
        // work: the watchdog is for an engine that has fallen silent. The
        // middle of the update moves steadily; erasing and restarting may
        // take longer.
        const bool wasRunning = m_watchdog->isActive();
        const bool middle = wasRunning ? value >= 35 : value >= 35 && value <= 85;
        m_watchdog->start(middle ? m_shortWatchdogMs : m_longWatchdogMs);
        showProgressWidgets(true);
    }
    m_progress->setValue(value);
    m_percent->setText(QStringLiteral("%1%").arg(value));
}

void IAPFirmwareWindow::updateFailed()
{
    qCDebug(lcFirmware) << QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) << "no progress: keyboard lost";
    m_failureShown = true;
    setStatus([] { return firmwareMessageText(QLatin1String(FwMessage::DeviceLost)); });
    // Whatever the engine still tries would only contradict this.
    m_engine->cancel();
}

void IAPFirmwareWindow::onEngineMessage(const QString &text)
{
    qCDebug(lcFirmware) << "升级日志：" + text;
    qCDebug(lcFirmware, "%s %s", qPrintable(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))),
            qPrintable(text));
    if (m_state != State::Updating)
        return;
    if (m_failureShown) {
        if (text != QLatin1String(FwMessage::Complete) && text != QLatin1String(FwMessage::NoDownload))
            return;
        // The engine's word that the keyboard took the image outweighs a
        // silence the watchdog took for a loss.
        m_failureShown = false;
    }
    if (text.startsWith(QLatin1String(FwMessage::ReadWriteAbnormal))) {
        // A CRC query the keyboard did not answer: the update goes on (the
        // final CRC decides), so it is no message for the user.
        qCWarning(lcFirmware) << "the keyboard did not answer a flash CRC query:" << text;
        return;
    }
    if (text == QLatin1String(FwMessage::DeviceLost)) {
        m_watchdog->stop();
        m_failureShown = true;
    }
    if (text == QLatin1String(FwMessage::Complete))
        m_completed = true;
    if (text == QLatin1String(FwMessage::Verify))
        return; // "updating to ..." says more while it runs
    setStatus([text] { return firmwareMessageText(text); });
}

void IAPFirmwareWindow::onAwaitingVerdict()
{
    // The engine waits, within its own bound, for the keyboard to take the
    // image: a late answer, or a restart without one, is its to judge.
    if (m_state == State::Updating && !m_failureShown)
        m_watchdog->stop();
}

void IAPFirmwareWindow::onEngineFinished(bool ok)
{
    if (m_state != State::Updating)
        return;
    m_watchdog->stop();
    m_watchdog->setInterval(m_longWatchdogMs);
    if (ok && !m_completed)
        showProgressWidgets(false); // the keyboard already held this image
    m_state = ok && m_completed ? State::AwaitingKeyboard : State::Idle;
    m_awaitingSince.start();
    refreshControls();
    releaseKeyboard();
}

void IAPFirmwareWindow::onDeviceInfo(const QVariant &v)
{
    if (!v.canConvert<STU_BoardInfo2>())
        return;
    const QString version = QString::fromUtf8(v.value<STU_BoardInfo2>().version);
    const bool bootLoader = version.contains(QLatin1String("Boot"));
    if (m_state == State::AwaitingKeyboard && bootLoader) {
        // Right after the update the boot loader may still answer for a
        // moment before the keyboard restarts into its new firmware. One
        // that stays there answers only this once: look again when the
        // grace is over.
        const qint64 left = ReturnGraceMs - m_awaitingSince.elapsed();
        if (left > 0) {
            qCDebug(lcFirmware) << "boot loader still answering; waiting for the restart";
            QTimer::singleShot(int(left), this, &IAPFirmwareWindow::checkKeyboardReturned);
            return;
        }
        stayedInBootLoader();
    }
    m_bootLoader = bootLoader;
    setFirmwareVersion(versionAfterV(version));
}

void IAPFirmwareWindow::checkKeyboardReturned()
{
    // Still the boot loader, open and answering: the new firmware did not
    // start. A keyboard on its way back (nothing open) is waited for.
    if (m_state != State::AwaitingKeyboard || !m_services.worker || !m_services.worker->isDeviceOpen())
        return;
    const QString version = QString::fromUtf8(m_services.worker->boardInfo().version);
    if (!version.contains(QLatin1String("Boot")))
        return;
    stayedInBootLoader();
    setFirmwareVersion(versionAfterV(version));
}

void IAPFirmwareWindow::stayedInBootLoader()
{
    m_state = State::Idle;
    m_bootLoader = true;
    setStatus([this] { return tr("固件没有启动，键盘停留在升级模式，请再次升级。"); });
    refreshControls();
}

void IAPFirmwareWindow::onReadBackFinished()
{
    if (m_state != State::AwaitingKeyboard)
        return;
    m_state = State::Idle;
    refreshControls();
    const KeyboardReadBack &rb = m_session->readBack();
    const QString version = versionAfterV(QString::fromUtf8(rb.info.version));
    setFirmwareVersion(version);
    setStatus([this, version] { return tr("固件升级完成，当前固件版本：V%1").arg(version); });
    if (m_backupId == 0)
        return;
    if (!rb.isComplete()) {
        const QString name = m_backupName;
        setStatus([this, version, name] {
            return tr("固件升级完成，当前固件版本：V%1。键盘配置没有读取完整，可在配置列表中应用备份“%2”。")
                .arg(version, name);
        });
        return;
    }
    if (m_prompts.ask(tr("恢复配置"), tr("固件已升级到V%1。是否把升级前备份的配置“%2”恢复到键盘？")
                                           .arg(version, m_backupName)))
        emit sigRestoreProfile(m_backupId);
}

void IAPFirmwareWindow::updateRateOfReturn(int index)
{
    if (index < 0 || index > 6)
        return;
    if (m_services.setPollingRate)
        m_services.setPollingRate(index);
    else if (m_services.worker)
        m_services.worker->setPollingRate(index);
}

void IAPFirmwareWindow::factoryReset()
{
    if (refuseWhileBusy())
        return;
    if (m_prompts.ask(tr("恢复出厂设置"), tr("是否将键盘恢复出厂设置？")))
        emit SignalObject::instance()->sigBoardReset();
}

void IAPFirmwareWindow::saveSupportReport()
{
    if (m_writingReport)
        return;
    const QString suggested = QDir::home().filePath(
        QStringLiteral("corvane-report-%1.json").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"))));
    const QString path = m_prompts.chooseReportFile(suggested);
    if (path.isEmpty())
        return;
    KeyboardReadBack readBack;
    const bool haveReadBack = m_services.readBack && m_services.readBack(&readBack);
    const QString openPath = m_services.worker ? m_services.worker->devicePathString() : QString();
    m_writingReport = true;
    refreshControls();
    writeSupportReportInBackground(path, haveReadBack ? &readBack : nullptr, openPath, this,
                                   [this, path](bool ok, const QString &error) {
                                       m_writingReport = false;
                                       refreshControls();
                                       if (ok)
                                           m_prompts.inform(tr("提示"), tr("诊断报告已保存到 %1").arg(QDir::toNativeSeparators(path)));
                                       else
                                           m_prompts.inform(tr("提示"), tr("诊断报告保存失败：%1").arg(error));
                                   });
}

void IAPFirmwareWindow::checkUpdate()
{
    if (isUpdating())
        return;
    // One updater at a time: the one started from here until it ends (it
    // takes its lock a moment after starting), or one started otherwise.
    if (m_updaterRunning || UpdaterLock::isHeldElsewhere(QCoreApplication::applicationFilePath())) {
        setStatus([this] { return tr("更新程序已在运行。"); });
        return;
    }
    const QString program = programPath(QCoreApplication::applicationDirPath(), QStringLiteral("Update"));
    // The updater works in this program's folder for settings and downloads,
    // and starts the new version with this one's options.
    QStringList arguments{QStringLiteral("--workdir"), QDir::currentPath()};
    if (!restartArguments().isEmpty())
        arguments << QStringLiteral("--") << restartArguments();
    qint64 pid = 0;
    const bool started = m_prompts.startProgram(program, arguments, &pid);
    qCDebug(lcFirmware) << (started ? "Successfully started" : "Failed to start") << program;
    if (!started)
        setStatus([this] { return tr("无法启动更新程序。"); });
    else
        m_updaterRunning = m_updaterWatch->watch(pid);
}

// ---- closing ---------------------------------------------------------------------

void IAPFirmwareWindow::closeBtnClicked()
{
    reject();
}

// The close button, Escape and the window manager's close all end here.
void IAPFirmwareWindow::reject()
{
    if (isUpdating()) {
        // Stopping half-way would leave the keyboard without firmware.
        m_prompts.inform(tr("提示"), tr("固件正在升级，请等待升级结束后再关闭。"));
        return;
    }
    if (m_state == State::Downloading) {
        m_fetch->abort();
        m_state = State::Idle;
    }
    QDialog::reject();
}
