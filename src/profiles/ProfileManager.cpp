#include "ProfileManager.h"

#include "ProfileFile.h"
#include "ProfileLog.h"
#include "ProfileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

ProfileManager *ProfileManager::instance()
{
    static ProfileManager *manager = new ProfileManager;
    return manager;
}

ProfileManager::ProfileManager(QObject *parent)
    : QObject(parent)
    , m_current(defaultProfileDocument())
{
    qRegisterMetaType<ProfileData>("ProfileData");
}

QString ProfileManager::profileFolder()
{
    return QDir::currentPath() + QStringLiteral("/LocalProfile");
}

QString ProfileManager::pathFor(const QString &fileName) const
{
    return profileFolder() + QLatin1Char('/') + fileName;
}

bool ProfileManager::refuse(const QString &message)
{
    m_lastError = message;
    qCDebug(lcProfiles) << message;
    return false;
}

bool ProfileManager::checkFileName(const QString &fileName)
{
    const QString problem = profileFileNameProblem(fileName);
    if (problem.isEmpty())
        return true;
    qCDebug(lcProfiles) << "配置文件名无效：" << fileName << problem;
    return refuse(tr("配置文件名无效。"));
}

bool ProfileManager::refuseDamaged(int id)
{
    const QString name = QFileInfo(m_damaged.value(id).path).fileName();
    return refuse(tr("配置文件“%1”已损坏：%2").arg(name, m_damaged.value(id).reason));
}

QString ProfileManager::damageOf(int id) const
{
    return m_damaged.value(id).reason;
}

QString ProfileManager::lastError() const
{
    return m_lastError;
}

int ProfileManager::lastId() const
{
    return m_lastId;
}

int ProfileManager::currentId() const
{
    return m_currentId;
}

ProfileDocument ProfileManager::currentDocument() const
{
    return m_current;
}

ProfileDocument ProfileManager::profile(int id) const
{
    return m_profiles.value(id);
}

QString ProfileManager::profilePath(int id) const
{
    return m_damaged.contains(id) ? m_damaged.value(id).path : m_paths.value(id);
}

QList<int> ProfileManager::profileIds() const
{
    return m_paths.keys();
}

int ProfileManager::profileIdForFile(const QString &fileName) const
{
    for (auto it = m_paths.cbegin(); it != m_paths.cend(); ++it) {
        if (QFileInfo(it.value()).fileName() == fileName && m_profiles.contains(it.key()))
            return it.key();
    }
    for (auto it = m_damaged.cbegin(); it != m_damaged.cend(); ++it) {
        if (QFileInfo(it->path).fileName() == fileName)
            return it.key();
    }
    return 0;
}

bool ProfileManager::ImportProfileFile(const QString &fileName)
{
    m_lastReadProblem = tr("文件名无效");
    if (!checkFileName(fileName))
        return false;
    const QString path = pathFor(fileName);
    ProfileDocument doc;
    if (!readProfileFile(path, &doc, &m_lastReadProblem))
        return refuse(tr("无法读取配置文件：%1").arg(fileName));
    doc.insert(ProfileKeys::ProfileName, profileBaseName(fileName));
    const int id = ++m_lastId;
    m_profiles.insert(id, doc);
    m_paths.insert(id, path);
    qCDebug(lcProfiles) << "自动导入配置文件，id：" << id;
    qCDebug(lcProfiles) << "自动导入配置文件，ProfilePath：" << path;
    qCDebug(lcProfiles) << "自动导入配置文件，data：" << doc;
    return true;
}

QString ProfileManager::ImportTargetName(const QString &sourcePath)
{
    const QString fileName = QFileInfo(sourcePath).fileName();
    if (!checkFileName(fileName))
        return QString();
    // The name must also do as a profile name here, on any system.
    const QString problem = profileNameProblem(profileListName(fileName));
    if (!problem.isEmpty()) {
        refuse(problem);
        return QString();
    }
    return fileName;
}

int ProfileManager::ImportExternalProfile(const QString &sourcePath)
{
    const QString fileName = ImportTargetName(sourcePath);
    if (fileName.isEmpty())
        return 0;
    ProfileDocument doc;
    if (!readProfileFile(sourcePath, &doc)) {
        refuse(tr("无法读取配置文件：%1").arg(QFileInfo(sourcePath).fileName()));
        return 0;
    }
    const QString target = pathFor(fileName);
    if (QFileInfo(sourcePath).canonicalFilePath() != QFileInfo(target).canonicalFilePath()) {
        QDir().mkpath(profileFolder());
        // Written whole or not at all: a profile it replaces survives a failure.
        if (!writeProfileFile(target, doc)) {
            refuse(tr("配置文件导入失败"));
            return 0;
        }
    }
    const int existing = profileIdForFile(fileName);
    if (existing != 0)
        return ReloadProfileFile(existing, fileName) ? existing : 0;
    return ImportProfileFile(fileName) ? m_lastId : 0;
}

bool ProfileManager::ReloadProfileFile(int id, const QString &fileName)
{
    if (!checkFileName(fileName))
        return false;
    ProfileDocument doc;
    if (!readProfileFile(pathFor(fileName), &doc))
        return refuse(tr("无法读取配置文件：%1").arg(fileName));
    // A damaged file replaced by a good one is a profile again.
    if (m_damaged.contains(id)) {
        m_paths.insert(id, m_damaged.take(id).path);
    }
    // The file of the applied profile now differs from what the keyboard
    // holds: stop saving the keyboard's state into it, or closing would
    // overwrite what was just put there.
    if (id == m_currentId && doc != m_current)
        m_currentId = 0;
    m_profiles.insert(id, doc);
    return true;
}

bool ProfileManager::AdoptBoardDocument(const ProfileDocument &doc)
{
    if (m_currentId != 0 || doc.isEmpty())
        return false;
    m_current = doc;
    return true;
}

bool ProfileManager::SaveCurrentProfileAs(const QString &fileName)
{
    if (!checkFileName(fileName))
        return false;
    const QString problem = profileNameProblem(profileListName(fileName));
    if (!problem.isEmpty())
        return refuse(problem);
    const ProfileDocument doc = currentDocument();
    if (doc.isEmpty())
        return refuse(tr("当前没有可保存的配置。"));
    QDir().mkpath(profileFolder());
    if (!writeProfileFile(pathFor(fileName), doc))
        return refuse(tr("保存配置失败：%1").arg(fileName));
    return true;
}

bool ProfileManager::SaveCurrentProfile()
{
    const QString path = m_paths.value(m_currentId);
    if (path.isEmpty() || m_current.isEmpty())
        return false;
    QDir().mkpath(profileFolder());
    if (!writeProfileFile(path, m_current))
        return refuse(tr("保存配置失败：%1").arg(QFileInfo(path).fileName()));
    return true;
}

bool ProfileManager::ExportProfile(int id, const QString &targetPath)
{
    if (m_damaged.contains(id))
        return refuseDamaged(id);
    const ProfileDocument doc = m_profiles.value(id);
    if (targetPath.isEmpty() || doc.isEmpty())
        return false;
    if (!writeProfileFile(targetPath, doc))
        return refuse(tr("导出配置失败：%1").arg(targetPath));
    return true;
}

bool ProfileManager::RenameProfile(int id, const QString &newName)
{
    if (m_damaged.contains(id))
        return refuseDamaged(id);
    const ProfileDocument doc = m_profiles.value(id);
    if (doc.isEmpty())
        return refuse(tr("配置不存在。"));
    const QString problem = profileNameProblem(newName);
    if (!problem.isEmpty())
        return refuse(problem);

    const QString oldName = doc.value(ProfileKeys::ProfileName).toString();
    const QString oldPath = m_paths.contains(id) ? m_paths.value(id) : pathFor(oldName + QStringLiteral(".kb"));
    const QString newPath = pathFor(newName + QStringLiteral(".kb"));
    // Never let a rename replace another profile's file.
    if (newPath != oldPath && QFileInfo::exists(newPath))
        return refuse(tr("名为“%1”的配置已存在，请换一个名称。").arg(newName));

    ProfileDocument renamed = doc;
    renamed.insert(ProfileKeys::ProfileName, newName);

    // Memory is changed only once the files are right, so a refusal leaves
    // the name, the path and the files as they were.
    bool moved = false;
    if (newPath != oldPath && QFile::exists(oldPath)) {
        QFile file(oldPath);
        if (!file.rename(newPath)) {
            qCDebug(lcProfiles) << "无法修改文件名称：" << oldPath << newPath << file.errorString();
            return refuse(tr("无法重命名配置文件：%1").arg(QFileInfo(oldPath).fileName()));
        }
        moved = true;
    }
    QDir().mkpath(profileFolder());
    if (!writeProfileFile(newPath, renamed)) {
        if (moved && !QFile::rename(newPath, oldPath)) {
            // The file keeps its old contents under the new name; follow it
            // there so that later saves do not leave a second copy behind.
            qCDebug(lcProfiles) << "无法恢复文件名称：" << newPath << oldPath;
            m_paths.insert(id, newPath);
        }
        return refuse(tr("保存配置失败：%1").arg(newName));
    }
    m_profiles.insert(id, renamed);
    m_paths.insert(id, newPath);
    return true;
}

bool ProfileManager::DeleteProfile(int id)
{
    const QString path = profilePath(id);
    if (!path.isEmpty() && QFile::exists(path)) {
        QFile file(path);
        if (!file.remove()) {
            // Keep the entry: the file would come back at the next start.
            qCDebug(lcProfiles) << "无法删除配置文件：" << path << file.errorString();
            return refuse(tr("无法删除配置文件：%1").arg(QFileInfo(path).fileName()));
        }
    }
    m_profiles.remove(id);
    m_paths.remove(id);
    m_damaged.remove(id);
    return true;
}

QList<ProfileListEntry> ProfileManager::LoadProfileList()
{
    const QDir dir(profileFolder());
    const QStringList files = dir.entryList({QStringLiteral("*.kb")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    qCDebug(lcProfiles) << dir.absolutePath();
    qCDebug(lcProfiles) << "配置文件列表：" << files;
    QList<ProfileListEntry> entries;
    for (const QString &file : files) {
        if (ImportProfileFile(file)) {
            entries.append({m_lastId, profileListName(file), QString()});
            continue;
        }
        // Listed all the same: a hidden file would be overwritten by the
        // next save of its name without a question.
        const QString reason = m_lastReadProblem;
        const int id = ++m_lastId;
        m_damaged.insert(id, {pathFor(file), reason});
        qCWarning(lcProfiles) << "damaged profile file listed:" << pathFor(file) << reason;
        entries.append({id, profileListName(file), reason});
    }
    return entries;
}

void ProfileManager::SelectCurrentProfile()
{
    SelectCurrentProfile(0);
}

void ProfileManager::SelectCurrentProfile(int nTargetId)
{
    qCDebug(lcProfiles) << "切换配置内容：" << nTargetId;
    m_currentId = nTargetId;
    m_current = m_profiles.value(nTargetId);
}

void ProfileManager::UpdateBoardRGB(const LightingSettings &lighting)
{
    ProfileData d;
    d.lighting = lighting;
    m_current.insert(ProfileKeys::KeyboardRGB, writeProfile(d).value(ProfileKeys::KeyboardRGB));
}

void ProfileManager::UpdateBoardPerformance(const PerformanceSettings &performance)
{
    ProfileData d;
    d.performance = performance;
    m_current.insert(ProfileKeys::KeyPerformance, writeProfile(d).value(ProfileKeys::KeyPerformance));
}

namespace {

// Runs edit on the named group when the current document has it as an
// object, and stores the result back.
template <typename Edit>
void editGroup(QJsonObject &doc, const QString &name, Edit edit)
{
    const QJsonValue value = doc.value(name);
    if (!value.isObject())
        return;
    QJsonObject group = value.toObject();
    edit(group);
    doc.insert(name, group);
}

bool validLayer(int layer)
{
    if (layer >= 0 && layer <= 3)
        return true;
    qCDebug(lcProfiles) << "无效的Fn层：" << layer;
    return false;
}

} // namespace

void ProfileManager::UpdateBoardRGBValue(const QString &member, const QVariant &value)
{
    editGroup(m_current, ProfileKeys::KeyboardRGB, [&](QJsonObject &group) {
        if (member == QLatin1String("rgb-direction"))
            group.insert(member, value.toBool());
        else
            group.insert(member, value.toInt());
    });
}

void ProfileManager::UpdateBoardPerformanceValue(const QString &member, const QVariant &value)
{
    editGroup(m_current, ProfileKeys::KeyPerformance, [&](QJsonObject &group) {
        if (member == QLatin1String("super-light-speed"))
            group.insert(member, value.toBool());
        else
            group.insert(member, value.toInt());
    });
}

void ProfileManager::UpdateBoardRapidPosition(int PerformanceSettings::*member, int position)
{
    if (!m_current.value(ProfileKeys::KeyPerformance).isObject())
        return;
    ProfileData current = readProfile(m_current);
    if (!current.performance)
        return;
    (*current.performance).*member = position;
    // Written through the whole document so that members the reader does
    // not know stay in the group.
    m_current.insert(ProfileKeys::KeyPerformance, writeProfile(current).value(ProfileKeys::KeyPerformance));
}

void ProfileManager::UpdateBoardLayerKey(int layer, int keyIndex, int keyCode)
{
    if (!validLayer(layer))
        return;
    editGroup(m_current, ProfileKeys::KeyCustom, [&](QJsonObject &group) {
        const QString layerName = layerMemberName(layer);
        QJsonObject layout = group.value(layerName).toObject();
        layout.insert(QString::number(keyIndex), keyCode);
        group.insert(layerName, layout);
    });
}

void ProfileManager::UpdateBoardLayer(int layer, const QMap<int, int> &layout)
{
    if (!validLayer(layer))
        return;
    QJsonObject keys;
    for (auto it = layout.cbegin(); it != layout.cend(); ++it)
        keys.insert(QString::number(it.key()), it.value());
    editGroup(m_current, ProfileKeys::KeyCustom, [&](QJsonObject &group) { group.insert(layerMemberName(layer), keys); });
}

void ProfileManager::UpdateBoardKeyTouch(const QMap<int, KeyTravelRecord> &records)
{
    if (records.isEmpty())
        return;
    editGroup(m_current, ProfileKeys::KeyTouchDB, [&](QJsonObject &group) {
        for (auto it = records.cbegin(); it != records.cend(); ++it)
            group.insert(QString::number(it.key()), keyTravelEntry(it.value()));
    });
}

void ProfileManager::UpdateBoardAdvancedKey(const QVariant &record)
{
    qCDebug(lcProfiles) << "UpdateBoardAdvancedKey";
    QJsonObject entry;
    int keyIndex = 0;
    if (!advancedKeyEntry(record, &entry, &keyIndex))
        return;
    editGroup(m_current, ProfileKeys::AdvancedKey,
              [&](QJsonObject &group) { group.insert(QString::number(keyIndex), entry); });
}

void ProfileManager::RemoveBoardAdvancedKey(const QVariant &key)
{
    editGroup(m_current, ProfileKeys::AdvancedKey, [&](QJsonObject &group) { group.remove(key.toString()); });
}
