// The profile flows of the main window: save, import, choose, export.

#include "MainWindow.h"

#include "FocusPolicy.h"

#include "ApplyRunner.h"
#include "KeyboardController.h"

#include "BoardProfile.h"
#include "DeviceLifecycle.h"
#include "KeyConfigWgt.h"
#include "KeyboardConfigModel.h"
#include "MacroFile.h"
#include "ProfilePlan.h"
#include "ProfileVerify.h"
#include "UserMessage.h"

#include "FileItemWgt.h"
#include "FileListWgt.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "ProfileManager.h"
#include "ProfileName.h"
#include "SendDataProgress.h"
#include "UiLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

// The list name of a loaded profile, from its file.
static QString listNameOf(ProfileManager *profiles, int id)
{
    return profileListName(QFileInfo(profiles->profilePath(id)).fileName());
}

void MainWindow::loadProfileList()
{
    for (const ProfileListEntry &entry : m_profiles->LoadProfileList()) {
        m_profileNames.append(entry.name);
        m_profileList->addEntry(entry.name, entry.id);
        if (!entry.damage.isEmpty())
            m_profileList->entry(entry.id)->setDamage(entry.damage);
    }
}

void MainWindow::showEntryState(int id)
{
    if (FileItemWgt *entry = m_profileList->entry(id))
        entry->setDamage(m_profiles->damageOf(id));
}

void MainWindow::saveProfile()
{
    if (refuseWhileInitialising())
        return;
    const QString name = m_prompts.askProfileName();
    if (name.isEmpty())
        return;
    const QString problem = profileNameProblem(name);
    if (!problem.isEmpty()) {
        m_prompts.inform(tr("提示"), problem);
        return;
    }
    const QString fileName = name + QLatin1String(".kb");
    // A profile of that name may also have come in by import, under a name
    // the list of saved names does not hold: ask before overwriting it too.
    const int existing = m_profiles->profileIdForFile(fileName);
    if (!m_profileNames.contains(name) && existing == 0) {
        if (!m_profiles->SaveCurrentProfileAs(fileName) || !m_profiles->ImportProfileFile(fileName)) {
            toast(m_profiles->lastError(), true);
            return;
        }
        m_profileNames.append(name);
        m_profileList->addEntry(name, m_profiles->lastId());
        toast(tr("配置已保存"), false);
        return;
    }
    if (!m_prompts.ask(tr("覆盖已有配置"), tr("配置%1已存在，是否覆盖该配置？").arg(name)))
        return;
    if (!m_profiles->SaveCurrentProfileAs(fileName)) {
        toast(m_profiles->lastError(), true);
        return;
    }
    // The file is written, but the list must hold what it now says.
    const bool loaded = existing != 0 ? m_profiles->ReloadProfileFile(existing, fileName)
                                      : m_profiles->ImportProfileFile(fileName);
    if (!loaded) {
        toast(m_profiles->lastError(), true);
        return;
    }
    if (existing == 0)
        m_profileList->addEntry(name, m_profiles->lastId());
    else
        showEntryState(existing); // a damaged file it replaced is a profile now
    toast(tr("配置已保存"), false);
}

void MainWindow::importProfile()
{
    const QString source = m_prompts.chooseImportFile(QDir::currentPath());
    if (source.isEmpty())
        return;
    if (!QFileInfo::exists(source)) {
        qCDebug(lcUi) << "源文件不存在：" << source;
        return;
    }
    const QString fileName = m_profiles->ImportTargetName(source);
    if (fileName.isEmpty()) {
        m_prompts.inform(tr("提示"), m_profiles->lastError());
        return;
    }
    const QString target = QDir(ProfileManager::profileFolder()).filePath(fileName);
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return; // already in the profile folder
    // Never replace a profile without asking.
    if (QFileInfo::exists(target)
        && !m_prompts.ask(tr("覆盖已有配置"), tr("配置%1已存在，是否覆盖该配置？").arg(profileListName(fileName))))
        return;
    if (QFileInfo::exists(target))
        m_keyboard->takeSnapshot(SnapshotStore::Reason::ProfileImport);
    const bool known = m_profiles->profileIdForFile(fileName) != 0;
    const int id = m_profiles->ImportExternalProfile(source);
    if (id == 0) {
        toast(m_profiles->lastError(), true);
        return;
    }
    if (!known)
        m_profileList->addEntry(profileListName(fileName), id);
    else
        showEntryState(id);
    toast(tr("配置文件已导入"), false);
}

void MainWindow::chooseProfile(int id)
{
    if (refuseWhileInitialising()) {
        m_profileList->setCurrentRow(-1);
        return;
    }
    if (m_profiles->isDamaged(id)) {
        m_profileList->setCurrentRow(-1);
        m_prompts.inform(tr("提示"), tr("配置文件“%1”已损坏，无法应用：%2")
                                         .arg(QFileInfo(m_profiles->profilePath(id)).fileName(), m_profiles->damageOf(id)));
        return;
    }
    if (!m_prompts.ask(tr("应用配置"), tr("是否应用该配置到键盘？")))
        return;
    qCDebug(lcUi) << "点击配置列表的第" << id << "个配置";
    startApplying(id);
}

void MainWindow::startApplying(int id)
{
    SendDataProgress *progress = SendDataProgress::instance();
    progress->setParent(this, progress->windowFlags());
    progress->move((width() - 300) / 2, (height() - 100) / 2 - 100);
    progress->setProgress(tr("开始下发配置，请稍等..."), 0);
    progress->show();
    progress->raise();
    emit changeProfile(id);
}

void MainWindow::changeProfileSlot(int id)
{
    m_activeByFocus = false; // picked by the user
    m_focus->profilePickedByHand();
    switchToProfile(id);
}

KeyboardController::ProfileApplied MainWindow::switchToProfile(int id)
{
    m_profiles->SelectCurrentProfile(id);
    const ProfileData profile = m_profiles->currentProfile();
    if (profile.isEmpty()) {
        SendDataProgress::instance()->closeProgress();
        return {};
    }
    m_activeName = listNameOf(m_profiles, id);
    showActiveProfile();
    m_applying = true;
    const KeyboardController::ProfileApplied applied = applyProfile(profile);
    m_applying = false;
    // A focus change that came in meanwhile is acted on now.
    if (m_focus->isWaiting())
        QTimer::singleShot(0, m_focus, &FocusPolicy::keyboardReady);
    emit activeProfileChanged(m_activeName);
    return applied;
}

QList<MainWindow::ListedProfile> MainWindow::listedProfiles() const
{
    QList<ListedProfile> list;
    for (const QString &name : m_profileNames) {
        const int id = m_profiles->profileIdForFile(name + QLatin1String(".kb"));
        ListedProfile p;
        p.name = name;
        p.active = !m_activeName.isEmpty() && name == m_activeName;
        p.damaged = id == 0 || m_profiles->isDamaged(id);
        list << p;
    }
    return list;
}

// Why nothing can be applied from outside now, or empty.
static QString busyReason(const KeyboardController *keyboard)
{
    if (keyboard->isFirmwareUpdateRunning())
        return QStringLiteral("Corvane is updating the keyboard's firmware; try again once the update has ended");
    if (!keyboard->isConnected())
        return QStringLiteral("no keyboard is connected to Corvane");
    if (keyboard->isReading())
        return QStringLiteral("Corvane is still reading the keyboard; try again in a moment");
    return QString();
}

KeyboardController::ProfileApplied MainWindow::useProfileFromOutside(const QString &name, bool whole, QString *why)
{
    const int id = m_profileNames.contains(name) ? m_profiles->profileIdForFile(name + QLatin1String(".kb")) : 0;
    if (id == 0) {
        *why = QStringLiteral("Corvane has no profile named \"%1\"").arg(name);
        return {};
    }
    if (m_profiles->isDamaged(id)) {
        *why = QStringLiteral("the profile \"%1\" cannot be read: %2").arg(name, m_profiles->damageOf(id));
        return {};
    }
    *why = busyReason(m_keyboard);
    if (!why->isEmpty())
        return {};
    // As a pick in the tray: the edits of the profile in use are kept, and
    // the rules wait for the next change of the application in front.
    m_focus->profilePickedByHand();
    m_profiles->SaveCurrentProfile();
    m_activeByFocus = false;
    if (FileListWgt *list = m_profileList)
        list->setCurrentRow(-1);
    m_profiles->SelectCurrentProfile(id);
    const ProfileData profile = m_profiles->currentProfile();
    m_activeName = name;
    showActiveProfile();
    m_applying = true;
    m_applyFromOutside = true;
    const KeyboardController::ProfileApplied applied = applyProfile(profile, whole);
    m_applyFromOutside = false;
    m_applying = false;
    emit activeProfileChanged(m_activeName);
    return applied;
}

KeyboardController::ProfileApplied MainWindow::applyProfileFromOutside(const ProfileData &profile,
                                                                       const QString &label, bool whole,
                                                                       QString *why)
{
    *why = busyReason(m_keyboard);
    if (!why->isEmpty())
        return {};
    m_focus->profilePickedByHand();
    m_profiles->SaveCurrentProfile();
    m_activeByFocus = false;
    m_activeName = label;
    showActiveProfile();
    m_applying = true;
    m_applyFromOutside = true;
    const KeyboardController::ProfileApplied applied = applyProfile(profile, whole);
    m_applyFromOutside = false;
    m_applying = false;
    emit activeProfileChanged(m_activeName);
    return applied;
}

// Sends what the profile changes on the keyboard step by step with the
// progress box, as one step of the history, then has the pages show what
// was sent. Without a read-back to tell the difference from, the whole
// profile is sent.
KeyboardController::ProfileApplied MainWindow::applyProfile(ProfileData profile, bool whole)
{
    SendDataProgress *progress = SendDataProgress::instance();
    const KeyboardController::ProfileApplied applied = m_keyboard->applyProfile(
        profile, m_activeName,
        m_activeByFocus      ? KeyboardController::ApplySource::ByFocus
        : m_applyFromOutside ? KeyboardController::ApplySource::FromScript
                             : KeyboardController::ApplySource::ByHand,
        {}, whole, m_activeByFocus && m_socdRsOff);
    // The box counts the frames as the keyboard answers them.
    m_progressRun = applied.run;
    m_progressGroups = applied.groups;
    if (applied.run == 0)
        progress->setProgress(QCoreApplication::translate("ProfilePlan", "配置下发完成！"), 100);
    else
        showApplyProgress(applied.run, 0, applied.frames);
    const QString error = applied.planError;
    const bool storeFull = applied.storeFull;
    profile = applied.shown;
    if (!error.isEmpty()) {
        progress->closeProgress();
        showUserMessage(QStringLiteral("error"), QCoreApplication::translate("ProfilePlan", error.toUtf8()));
    }
    if (storeFull)
        toast(tr("键盘最多保存%1个宏，其余的宏没有写入键盘。").arg(KeyboardController::MaxMacros), true);
    m_pages->showProfile(profile);
    m_pages->reenterCurrentPage();
    return applied;
}

void MainWindow::showApplyProgress(quint64 run, int done, int frames)
{
    if (run == 0 || run != m_progressRun)
        return;
    SendDataProgress *progress = SendDataProgress::instance();
    if (done >= frames) {
        m_progressRun = 0;
        progress->setProgress(QCoreApplication::translate("ProfilePlan", "配置下发完成！"), 100);
        return;
    }
    const ApplyRunner::Group *group = ApplyRunner::groupAt(m_progressGroups, done);
    const char *text = group && group->text ? group->text : "开始下发配置，请稍等...";
    progress->setProgress(QCoreApplication::translate("ProfilePlan", text), qMin(99, done * 100 / qMax(1, frames)));
}

void MainWindow::exportProfile(int id)
{
    const QString suggested =
        QDir(QDir::homePath()).filePath(QFileInfo(m_profiles->profilePath(id)).fileName());
    const QString target = m_prompts.chooseExportFile(suggested);
    if (target.isEmpty())
        return;
    if (m_profiles->ExportProfile(id, target))
        toast(tr("配置文件已导出"), false);
    else
        toast(m_profiles->lastError(), true);
}

void MainWindow::renameProfile(int id, const QString &newName)
{
    const QString oldName = listNameOf(m_profiles, id);
    if (!m_profiles->RenameProfile(id, newName)) {
        // The entry shows what is on disk, not the refused name.
        if (FileItemWgt *entry = m_profileList->entry(id))
            entry->setText(oldName);
        toast(m_profiles->lastError(), true);
        return;
    }
    m_profileNames.replaceInStrings(QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(oldName))),
                                    newName);
}

void MainWindow::deleteProfile(int id)
{
    const QString name = listNameOf(m_profiles, id);
    // The entry goes only with its file: one that stays would come back at
    // the next start.
    if (!m_profiles->DeleteProfile(id)) {
        toast(m_profiles->lastError(), true);
        return;
    }
    m_profileList->removeEntry(id);
    m_profileNames.removeAll(name);
}
