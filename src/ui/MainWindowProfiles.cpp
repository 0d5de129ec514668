// The profile flows of the main window: save, import, choose, export.

#include "MainWindow.h"

#include "FileItemWgt.h"
#include "FileListWgt.h"
#include "KeyboardAction.h"
#include "ProfileManager.h"
#include "ProfileName.h"
#include "SendDataProgress.h"
#include "UiLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

void MainWindow::loadProfileList()
{
    for (const ProfileListEntry &entry : m_profiles->LoadProfileList()) {
        m_profileNames.append(entry.name);
        m_profileList->addEntry(entry.name, entry.id);
    }
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
    const QString fileName = QFileInfo(source).fileName();
    const QString problem = profileFileNameProblem(fileName);
    if (!problem.isEmpty()) {
        m_prompts.inform(tr("提示"), problem);
        return;
    }
    QDir().mkpath(ProfileManager::profileFolder());
    const QString target = QDir(ProfileManager::profileFolder()).filePath(fileName);
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return; // already in the profile folder
    const int existing = m_profiles->profileIdForFile(fileName);
    if (QFileInfo::exists(target)) {
        // Never replace a profile without asking.
        if (!m_prompts.ask(tr("覆盖已有配置"), tr("配置%1已存在，是否覆盖该配置？").arg(profileListName(fileName))))
            return;
        qCDebug(lcUi) << "目标文件已存在，将覆盖：" << target;
    }
    // Copy beside the target first, so a failed copy leaves the old file.
    const QString partial = target + QLatin1String(".part");
    QFile::remove(partial);
    QFile in(source);
    if (!in.copy(partial)) {
        qCDebug(lcUi) << "复制文件失败：" << in.errorString();
        toast(tr("配置文件导入失败"), true);
        return;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        toast(tr("配置文件导入失败"), true);
        return;
    }
    if (existing != 0) {
        if (!m_profiles->ReloadProfileFile(existing, fileName)) {
            toast(m_profiles->lastError(), true);
            return;
        }
    } else if (m_profiles->ImportProfileFile(fileName)) {
        m_profileList->addEntry(profileListName(fileName), m_profiles->lastId());
    } else {
        toast(m_profiles->lastError().isEmpty() ? tr("配置文件导入失败") : m_profiles->lastError(), true);
        return;
    }
    toast(tr("配置文件已导入"), false);
}

void MainWindow::chooseProfile(int id)
{
    if (refuseWhileInitialising()) {
        m_profileList->setCurrentRow(-1);
        return;
    }
    if (!m_prompts.ask(tr("应用配置"), tr("是否应用该配置到键盘？")))
        return;
    qCDebug(lcUi) << "点击配置列表的第" << id << "个配置";
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
    m_profiles->SelectCurrentProfile(id);
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

// The list name of a loaded profile, from its file.
static QString listNameOf(ProfileManager *profiles, int id)
{
    return profileListName(QFileInfo(profiles->profilePath(id)).fileName());
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
    if (!m_profiles->DeleteProfile(id)) {
        toast(m_profiles->lastError(), true);
        return;
    }
    m_profileNames.removeAll(name);
}
