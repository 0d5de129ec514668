#include "LanguageManager.h"

#include "SettingsLog.h"
#include "SystemConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

LanguageManager *LanguageManager::instance()
{
    static LanguageManager *manager = new LanguageManager;
    return manager;
}

LanguageManager::LanguageManager(QObject *parent)
    : QObject(parent)
{
}

QString LanguageManager::language() const
{
    return SystemConfig().language();
}

void LanguageManager::setLanguage(const QString &lang)
{
    {
        SystemConfig config;
        config.setLanguage(lang);
    }
    reloadTranslator();
    emit languageChanged(lang);
}

QString LanguageManager::translationFolder()
{
    return translationFolders(QCoreApplication::applicationDirPath()).first();
}

QStringList LanguageManager::translationFolders(const QString &executableFolder)
{
    const QDir dir(executableFolder);
    return {dir.filePath(QStringLiteral("lang")) + QLatin1Char('/'),
            QDir::cleanPath(dir.filePath(QStringLiteral("../share/corvane/translations"))) + QLatin1Char('/')};
}

QString LanguageManager::translationFile(const QString &lang)
{
    if (lang == QLatin1String("Chinese"))
        return QStringLiteral("zh_CN.qm");
    if (lang == QLatin1String("English"))
        return QStringLiteral("en_US.qm");
    return QString();
}

bool LanguageManager::reloadTranslator()
{
    const QString lang = language();
    const QString file = translationFile(lang);
    const QStringList folders = translationFolders(QCoreApplication::applicationDirPath());
    QString folder = folders.first();
    for (const QString &candidate : folders) {
        if (!file.isEmpty() && QFileInfo::exists(candidate + file)) {
            folder = candidate;
            break;
        }
    }
    qCDebug(lcSettings) << "加载语言路径：" << folder;

    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        m_translator->deleteLater();
        m_translator.clear();
    }

    auto *translator = new QTranslator(this);
    qCDebug(lcSettings) << "加载语言路径2：" << folder + file;
    // An empty file name would load the folder itself; refuse it up front.
    if (file.isEmpty() || !translator->load(folder + file)) {
        qCDebug(lcSettings) << "language" << lang;
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    m_translator = translator;
    return true;
}

QTranslator *LanguageManager::installedTranslator() const
{
    return m_translator;
}
