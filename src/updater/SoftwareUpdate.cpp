#include "SoftwareUpdate.h"

#include "DocumentFetch.h"
#include "InstallCheck.h"
#include "OnlineUpdate.h"
#include "ProcessControl.h"
#include "StopRequests.h"
#include "SystemConfig.h"
#include "UpdateLog.h"
#include "UpdateTrust.h"
#include "VersionProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

#ifdef Q_OS_WIN
const char *const ProgramSuffix = ".exe";
#else
const char *const ProgramSuffix = "";
#endif

} // namespace

SoftwareUpdate::SoftwareUpdate(const QString &workDir, const QString &installDir, QObject *parent)
    : QObject(parent), m_workDir(workDir), m_installDir(installDir), m_folderWritable(isFolderWritable),
      m_stopper(new ProgramStopper(this)), m_probe(new VersionProbe(this)), m_watch(new ProcessExitWatch(this)),
      m_probation(new QTimer(this)), m_endWait(new QTimer(this)), m_stallTimeoutMs(Downloader::DefaultStallTimeoutMs)
{
    m_probation->setSingleShot(true);
    m_endWait->setSingleShot(true);
    connect(m_stopper, &ProgramStopper::finished, this, &SoftwareUpdate::stopped);
    connect(m_probe, &VersionProbe::finished, this, &SoftwareUpdate::versionKnown);
    connect(m_watch, &ProcessExitWatch::exited, this, &SoftwareUpdate::newProgramEnded);
    connect(m_probation, &QTimer::timeout, this, [this] {
        m_watch->stop();
        qCDebug(lcUpdate) << "the new program is running";
        setState(State::Finished);
    });
    connect(m_endWait, &QTimer::timeout, this, [this] {
        // It runs and will not end: it is left running rather than killed,
        // and the old version stays beside it.
        m_watch->stop();
        const QString backup = backupPath();
        fail([backup] { return tr("更新被中止，但新版本没有退出，仍在运行。旧版本保存在：%1").arg(backup); });
    });
}

SoftwareUpdate::~SoftwareUpdate() = default;

QString SoftwareUpdate::programToReplace(const QString &workDir, const QString &installDir)
{
    const QString name = SystemConfig(QDir(workDir).filePath(QLatin1String(SystemConfig::FileName))).softwareName();
    return programPath(installDir, isPlainFileName(name) ? name : QStringLiteral("Corvane"));
}

QString SoftwareUpdate::installedPath() const
{
    return programPath(m_installDir, m_name);
}

QString SoftwareUpdate::backupPath() const
{
    return installedPath() + QLatin1String(".backup");
}

QString SoftwareUpdate::newPath() const
{
    return installedPath() + QLatin1String(".new");
}

QString SoftwareUpdate::problem() const
{
    return m_problem ? m_problem() : QString();
}

bool SoftwareUpdate::canQuit() const
{
    return m_state != State::Installing && m_state != State::Starting;
}

void SoftwareUpdate::setState(State state)
{
    m_state = state;
    emit stateChanged(state);
    if (m_stopping && canQuit() && !m_settled) {
        m_settled = true;
        QTimer::singleShot(0, this, &SoftwareUpdate::settled);
    }
}

void SoftwareUpdate::fail(std::function<QString()> problem, State state)
{
    m_problem = std::move(problem);
    qCDebug(lcUpdate) << "update stopped:" << this->problem();
    setState(state);
}

void SoftwareUpdate::check()
{
    cancel(); // an earlier check's answer must not pass for this one's
    setState(State::Checking);
    SystemConfig config(QDir(m_workDir).filePath(QLatin1String(SystemConfig::FileName)));
    m_name = config.softwareName();
    m_installed.clear();
    m_document = SoftwareDocument();
    // Even root may not replace what the package manager installed: the
    // package's files would no longer be the package's.
    if (isPackageManagedFolder(m_installDir)) {
        qCDebug(lcUpdate) << "installed by the package manager:" << m_installDir;
        fail([] { return tr("此程序由系统的软件包管理器安装，不能在这里更新。请通过软件包管理器更新软件包。"); },
             State::PackageManaged);
        return;
    }
    if (!haveTrustedUpdateKey()) {
        fail([] { return noUpdateKeyText(); }, State::NotConfigured);
        return;
    }
    QString endpointProblem;
    const QUrl base = parseUpdateEndpoint(config.updateEndpoint(), &endpointProblem);
    if (!base.isValid()) {
        fail([endpointProblem] { return OnlineUpdate::endpointProblemText(endpointProblem); }, State::NotConfigured);
        return;
    }
    // The name becomes a request path and a file name here: nothing else will do.
    if (!isPlainFileName(m_name) || !QFileInfo::exists(installedPath())) {
        qCDebug(lcUpdate) << "no program to update:" << m_name << installedPath();
        fail([] { return tr("没有找到要更新的程序，请先运行一次配置程序。"); }, State::NotConfigured);
        return;
    }
    // The version of the file that would be replaced, from that file: the
    // settings may be another folder's, or older than the program.
    m_probe->start(installedPath(), m_name);
}

void SoftwareUpdate::versionKnown(bool ok)
{
    if (m_state != State::Checking)
        return;
    if (!ok) {
        fail([] { return tr("无法确认已安装程序的版本，为安全起见没有检查更新。"); }, State::CheckFailed);
        return;
    }
    m_installed = m_probe->version();
    const QString endpoint = SystemConfig(QDir(m_workDir).filePath(QLatin1String(SystemConfig::FileName))).updateEndpoint();
    const QUrl base = parseUpdateEndpoint(endpoint);
    if (!base.isValid()) {
        fail([] { return OnlineUpdate::endpointProblemText(QStringLiteral("invalid")); }, State::NotConfigured);
        return;
    }
    const QUrl url = endpointUrl(base, QStringLiteral("/drive/%1/%1.json").arg(m_name));
    const QString path = QDir(m_workDir).filePath(QStringLiteral("cache/%1.json").arg(m_name));
    m_fetch = new DocumentFetch(url, path, this);
    m_fetch->setStallTimeout(m_stallTimeoutMs);
    m_fetch->setStateFolder(m_workDir);
    connect(m_fetch, &DocumentFetch::finished, this, &SoftwareUpdate::documentArrived);
    m_fetch->start();
}

void SoftwareUpdate::documentArrived()
{
    DocumentFetch *f = m_fetch;
    m_fetch = nullptr;
    if (!f)
        return;
    f->deleteLater();
    if (!f->succeeded()) {
        const QString reason = f->problemText();
        if (f->failure() == DocumentFetch::Failure::Download)
            fail([reason] { return tr("无法获取最新版本信息：%1").arg(reason); }, State::CheckFailed);
        else
            fail([reason] { return reason; }, State::CheckFailed);
        return;
    }
    const QByteArray bytes = f->bytes();
    qCDebug(lcUpdate) << "输出获取到的json数据" << bytes;
    QString parseProblem;
    if (!parseSoftwareDocument(bytes, &m_document, &parseProblem)) {
        qCDebug(lcUpdate) << parseProblem;
        fail([] { return tr("无法获取最新版本信息：服务器返回的内容无效。"); }, State::CheckFailed);
        return;
    }
    // Never the same again, nor an older one.
    if (!isVersionNewer(m_document.lastVersion, m_installed)) {
        setState(State::UpToDate);
        return;
    }
    if (!isSha256Hex(m_document.sha256)) {
        // Without it anything that starts like a program would be installed.
        fail([] { return tr("版本信息没有给出新程序的 SHA-256 校验值，不能安全地更新。"); }, State::CheckFailed);
        return;
    }
    setState(m_folderWritable(m_installDir) ? State::Available : State::SystemInstall);
}

void SoftwareUpdate::install()
{
    if (m_state != State::Available || m_stopping || isPackageManagedFolder(m_installDir))
        return;
    const QUrl base = parseUpdateEndpoint(
        SystemConfig(QDir(m_workDir).filePath(QLatin1String(SystemConfig::FileName))).updateEndpoint());
    if (!base.isValid())
        return; // changed since the check; the check said why
    const QUrl url = endpointUrl(base, QStringLiteral("/drive/%1/%1%2").arg(m_name, QLatin1String(ProgramSuffix)));
    // Beside the installed file, so that putting it in place is a rename.
    m_download = new Downloader(url, newPath(), Downloader::ProgramLimit, this);
    m_download->setStallTimeout(m_stallTimeoutMs);
    connect(m_download, &Downloader::updateProgressBarValue, this, &SoftwareUpdate::progress);
    connect(m_download, &Downloader::downloadFinish, this, &SoftwareUpdate::programArrived);
    setState(State::Downloading);
    m_download->start();
}

void SoftwareUpdate::cancel()
{
    m_probe->abort();
    if (m_fetch) {
        DocumentFetch *f = m_fetch;
        m_fetch = nullptr;
        f->abort();
        f->deleteLater();
    }
    if (!m_download)
        return;
    Downloader *d = m_download;
    m_download = nullptr;
    d->disconnect(this);
    d->abort();
    d->deleteLater();
    qCDebug(lcUpdate) << "cancelled; nothing was changed";
}

void SoftwareUpdate::stopRequested()
{
    if (m_stopping)
        return;
    m_stopping = true;
    qCDebug(lcUpdate) << "asked to end";
    switch (m_state) {
    case State::Installing:
        // The configurator is being asked to close: stopped() gives the
        // update up and starts it again once it has.
        return;
    case State::Starting:
        // The new program on probation: it is asked to end; once it has,
        // the old one is put back and started (newProgramEnded).
        m_probation->stop();
        if (askProgramToEnd(m_newPid))
            m_endWait->start(m_stopTimeoutMs);
        else
            m_endWait->start(0); // it cannot be asked: left as it is
        return;
    default:
        cancel();
        setState(m_state); // nothing to undo: settled at once
        return;
    }
}

void SoftwareUpdate::programArrived()
{
    Downloader *d = m_download;
    m_download = nullptr;
    if (!d)
        return;
    d->deleteLater();
    if (!d->succeeded()) {
        const QString reason = d->failureText();
        fail([reason] { return tr("下载新版本失败：%1 当前版本没有改变。").arg(reason); });
        return;
    }
    QFile file(newPath());
    QByteArray head;
    if (file.open(QIODevice::ReadOnly))
        head = file.read(4);
    file.close();
    const QString sha = m_document.sha256;
    std::function<QString()> problem;
    if (!looksLikeExecutable(head))
        problem = [] { return tr("下载的文件不是可运行的程序，当前版本没有改变。"); };
    else if (!isSha256Hex(sha) || fileSha256(newPath()) != sha)
        problem = [] { return tr("下载的文件校验失败（SHA-256 不一致），当前版本没有改变。"); };
    if (problem) {
        QFile::remove(newPath());
        fail(problem);
        return;
    }
    QFile::setPermissions(newPath(), QFile::permissions(installedPath()) | QFile::ExeOwner | QFile::ReadOwner);
    m_closedConfigurator = false;
    setState(State::Installing);
    m_stopper->stop(singleInstanceLockPath(m_workDir), m_name, m_stopTimeoutMs);
}

void SoftwareUpdate::stopped(int result)
{
    if (m_state != State::Installing)
        return;
    if (result == ProgramStopper::TimedOut || result == ProgramStopper::Failed) {
        // Still running as it was.
        QFile::remove(newPath());
        const QString name = m_name;
        fail([name] { return tr("无法关闭正在运行的%1，请先关闭它再更新。当前版本没有改变。").arg(name); });
        return;
    }
    m_closedConfigurator = result == ProgramStopper::Stopped;
    if (m_stopping) {
        QFile::remove(newPath());
        if (m_closedConfigurator)
            startConfigurator();
        fail([] { return tr("更新已中止，当前版本没有改变。"); });
        return;
    }
    replaceAndStart();
}

void SoftwareUpdate::replaceAndStart()
{
    const QString installed = installedPath();
    const QString backup = backupPath();
    QFile::remove(backup);
    QString error;
    if (!QFile::copy(installed, backup)) {
        qCDebug(lcUpdate) << "no backup of" << installed;
        QFile::remove(newPath());
        startConfigurator();
        fail([] { return tr("无法备份当前版本，更新没有进行。"); });
        return;
    }
    if (!replaceFile(newPath(), installed, &error)) {
        qCDebug(lcUpdate) << "Failed to move file from" << newPath() << "to" << installed << error;
        QFile::remove(newPath());
        startConfigurator();
        fail([] { return tr("无法替换程序文件，当前版本没有改变。"); });
        return;
    }
    qCDebug(lcUpdate) << "File moved from" << newPath() << "to" << installed;
    m_newPid = 0;
    const auto crashed = [] { return tr("更新失败：新版本无法运行，已恢复并启动旧版本。"); };
    if (!startConfigurator(&m_newPid)) {
        rollBack(crashed);
        return;
    }
    setState(State::Starting);
    if (!m_watch->watch(m_newPid)) {
        rollBack(crashed); // already gone
        return;
    }
    m_probation->start(m_probationMs);
}

void SoftwareUpdate::newProgramEnded()
{
    if (m_state != State::Starting)
        return;
    m_probation->stop();
    m_endWait->stop();
    if (m_stopping) {
        qCDebug(lcUpdate) << "the new program has ended; putting the old one back";
        rollBack([] { return tr("更新已中止：已恢复并启动旧版本。"); });
    } else {
        qCDebug(lcUpdate) << "the new program ended during its first seconds";
        rollBack([] { return tr("更新失败：新版本无法运行，已恢复并启动旧版本。"); });
    }
}

bool SoftwareUpdate::startConfigurator(qint64 *pid) const
{
    return startDetachedProgram(installedPath(), QStringList{QStringLiteral("--workdir"), m_workDir} + m_programArguments,
                                m_workDir, pid);
}

void SoftwareUpdate::rollBack(std::function<QString()> problem)
{
    const QString installed = installedPath();
    QString error;
    if (!replaceFile(backupPath(), installed, &error)) {
        qCWarning(lcUpdate) << "cannot put the old version back:" << error;
        // The user is not left without the program: the new one it is.
        startConfigurator();
        const QString backup = backupPath();
        fail([backup] { return tr("新版本无法运行，旧版本也无法恢复。旧版本保存在：%1").arg(backup); });
        return;
    }
    if (!startConfigurator()) {
        fail([] { return tr("更新失败：新版本无法运行，已恢复旧版本，但无法启动它，请手动启动。"); }, State::RolledBack);
        return;
    }
    fail(std::move(problem), State::RolledBack);
}
