#include "FirmwareBackup.h"

#include "BoardProfile.h"
#include "FirmwareLog.h"
#include "KeyboardSession.h"
#include "MacroFile.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileManager.h"

#include <QCoreApplication>
#include <QDir>

QString firmwareBackupName(const QDateTime &when)
{
    return QStringLiteral("备份-") + when.toString(QStringLiteral("yyyyMMdd-hhmmss"));
}

int saveFirmwareBackup(ProfileManager *profiles, const KeyboardReadBack &readBack, const QDateTime &when,
                       QString *name, QString *problem)
{
    *name = firmwareBackupName(when);
    const auto fail = [problem](const QString &what) {
        qCWarning(lcFirmware) << "backup not written:" << what;
        *problem = QCoreApplication::translate("FirmwareBackup", "无法保存键盘当前配置的备份，固件没有升级。");
        return 0;
    };

    ProfileData data = boardProfile(readBack);
    data.name = *name;
    // The keyboard does not report a macro's steps, only its name: a macro
    // bound by name to a macro file is kept; one without its file could not
    // be applied, and would stop the whole backup from being applied.
    if (data.advanced) {
        for (auto it = data.advanced->begin(); it != data.advanced->end();) {
            const MACROInfo *macro = it->as<MACROInfo>();
            if (macro && loadMacroFile(macroFolderPath(), macro->macroName).status != MacroLoadResult::Ok) {
                qCDebug(lcFirmware) << "backup leaves out macro" << macro->macroName << "of key" << it.key()
                                    << ": no macro file";
                it = data.advanced->erase(it);
            } else {
                ++it;
            }
        }
    }

    const QString fileName = *name + QLatin1String(".kb");
    QDir().mkpath(ProfileManager::profileFolder());
    const QString path = QDir(ProfileManager::profileFolder()).filePath(fileName);
    if (!writeProfileFile(path, writeProfile(data)) || !profiles->ImportProfileFile(fileName))
        return fail(path);
    qCDebug(lcFirmware) << "configuration backed up as" << path;
    return profiles->lastId();
}
