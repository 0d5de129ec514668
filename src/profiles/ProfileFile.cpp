#include "ProfileFile.h"

#include "ProfileLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

bool readProfileFile(const QString &path, ProfileDocument *doc, QString *reason)
{
    const auto fail = [reason](const char *text) {
        if (reason)
            *reason = QCoreApplication::translate("ProfileFile", text);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcProfiles) << "无法打开配置文件：" << path << file.errorString();
        return fail(QT_TRANSLATE_NOOP("ProfileFile", "无法打开文件"));
    }
    if (file.size() > MaxProfileFileSize) {
        qCDebug(lcProfiles) << "配置文件过大，已忽略：" << path << file.size();
        return fail(QT_TRANSLATE_NOOP("ProfileFile", "文件过大"));
    }
    const QByteArray bytes = file.read(MaxProfileFileSize + 1);
    QString why;
    if (!parseProfileBytes(bytes, doc, &why)) {
        qCDebug(lcProfiles) << "配置文件无效，已忽略：" << path << why;
        return fail(bytes.isEmpty() ? QT_TRANSLATE_NOOP("ProfileFile", "文件为空")
                                    : QT_TRANSLATE_NOOP("ProfileFile", "内容不是有效的配置"));
    }
    return true;
}

bool writeProfileFile(const QString &path, const ProfileDocument &doc)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCDebug(lcProfiles) << "无法写入配置文件：" << path << file.errorString();
        return false;
    }
    const QByteArray bytes = serialiseProfile(doc);
    if (file.write(bytes) != bytes.size()) {
        qCDebug(lcProfiles) << "写入配置文件失败：" << path << file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCDebug(lcProfiles) << "保存配置文件失败：" << path << file.errorString();
        return false;
    }
    return true;
}
