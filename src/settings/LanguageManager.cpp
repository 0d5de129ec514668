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

bool LanguageManager::loadTranslation(const QString &lang, QTranslator *translator)
{
    const QString file = translationFile(lang);
    // An empty file name would load the folder itself; refuse it up front.
    if (file.isEmpty())
        return false;
    for (const QString &folder : translationFolders(QCoreApplication::applicationDirPath())) {
        if (QFileInfo::exists(folder + file)) {
            qCDebug(lcSettings) << "加载语言路径：" << folder + file;
            return translator->load(folder + file);
        }
    }
    return false;
}

bool LanguageManager::reloadTranslator()
{
    const QString lang = language();
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        m_translator->deleteLater();
        m_translator.clear();
    }

    auto *translator = new QTranslator(this);
    if (!loadTranslation(lang, translator)) {
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
