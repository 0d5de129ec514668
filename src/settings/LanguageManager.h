#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTranslator>

// Switches the interface language by loading "zh_CN.qm" or "en_US.qm" from
// the "lang" folder beside the executable or, when that has none (an
// installed program), from share/corvane/translations beside its bin folder.
// At most one of our translators is installed at any time.
class LanguageManager : public QObject {
    Q_OBJECT
public:
    static LanguageManager *instance();
    explicit LanguageManager(QObject *parent = nullptr);

    // The stored language, empty when none is stored.
    QString language() const;
    // Stores the language, reloads the translator and emits languageChanged.
    void setLanguage(const QString &lang);
    // Loads the translator for the stored language; false when none could
    // be installed (the source texts stay).
    bool reloadTranslator();

    QTranslator *installedTranslator() const;
    // "<executable folder>/lang/"
    static QString translationFolder();
    // Where translations are looked for, in order, for an executable in
    // executableFolder: "<folder>/lang/", then
    // "<folder>/../share/corvane/translations/".
    static QStringList translationFolders(const QString &executableFolder);
    // "zh_CN.qm" for "Chinese", "en_US.qm" for "English", otherwise empty.
    static QString translationFile(const QString &lang);
    // Loads lang's translation from the first translation folder that has
    // it; false when none has (or lang has no file).
    static bool loadTranslation(const QString &lang, QTranslator *translator);

signals:
    void languageChanged(QString lang);

private:
    const QString m_folderName = QStringLiteral("lang");
    QPointer<QTranslator> m_translator;
};
