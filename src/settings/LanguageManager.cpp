#include "LanguageManager.h"

#include "SettingsLog.h"
#include "SystemConfig.h"

#include <QCoreApplication>

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
    QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/lang");
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
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
    const QString folder = translationFolder();
    qCDebug(lcSettings) << "加载语言路径：" << folder;

    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        m_translator->deleteLater();
        m_translator.clear();
    }

    const QString file = translationFile(lang);
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
