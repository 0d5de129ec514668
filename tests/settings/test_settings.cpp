#include "AppProfileRules.h"
#include "LanguageManager.h"
#include "SettingsFactory.h"
#include "SystemConfig.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Counts the language-change events the application receives.
class LanguageEventCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::LanguageChange)
            ++count;
        return false;
    }
};

QString sample()
{
    return QCoreApplication::translate("ProfileName", "配置名称不能为空。");
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void systemConfigFile();
    void languageSwitching();
    void appProfileRulesStored();
    void appProfileMatching();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_oldCwd;
};

void TestSettings::init()
{
    m_oldCwd = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestSettings::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    delete m_dir;
    m_dir = nullptr;
}

void TestSettings::systemConfigFile()
{
    // A missing file reads as all keys missing.
    QVERIFY(SystemConfig().language().isEmpty());
    QCOMPARE(SystemConfig().keyboardModel(), 0);

    {
        SystemConfig config;
        config.setLanguage("Chinese");
        config.setSoftwareName("Corvane 键盘");
        config.setSoftwareVersion("1.1.0.12");
        config.setKeyboardModel(3);
    } // dropping it writes the file

    QFile file(QDir::current().filePath("sysConfig.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[Kinetra]"));
    QVERIFY(text.contains("language=Chinese"));
    QVERIFY(text.contains(QString("softwareName=Corvane 键盘").toUtf8())); // UTF-8, not escaped
    file.close();

    SystemConfig config;
    QCOMPARE(config.language(), QString("Chinese"));
    QCOMPARE(config.softwareName(), QString("Corvane 键盘"));
    QCOMPARE(config.softwareVersion(), QString("1.1.0.12"));
    QCOMPARE(config.keyboardModel(), 3);
    config.setValue(SystemConfig::KeyboardModelKey, "not a number");
    QCOMPARE(config.keyboardModel(), 0);

    // Values edited into something the program cannot use read as missing:
    // a model past the family byte, texts with control characters or of
    // any length, a version that is not one.
    for (const QVariant &model : {QVariant(256), QVariant(-3), QVariant(2.5), QVariant(QStringList{"1", "2"})}) {
        config.setValue(SystemConfig::KeyboardModelKey, model);
        QCOMPARE(config.keyboardModel(), 0);
    }
    config.setValue(SystemConfig::KeyboardModelKey, " 7 ");
    QCOMPARE(config.keyboardModel(), 7);
    config.setLanguage(QString("Chinese") + QChar(0x1B) + "[2J");
    config.setSoftwareName(QString(1000, QLatin1Char('a')));
    config.setSoftwareVersion("<img src=x>");
    config.setUpdateEndpoint(QString("https://example.invalid/") + QChar(0x0A) + "x");
    QVERIFY(config.language().isEmpty() && config.softwareName().isEmpty() && config.softwareVersion().isEmpty());
    QVERIFY(config.updateEndpoint().isEmpty());
    config.setSoftwareVersion("1.2.0-beta+3");
    QCOMPARE(config.softwareVersion(), QString("1.2.0-beta+3"));

    // Any settings file from the factory reads UTF-8 written by hand.
    QFile preset(QDir::current().filePath("other.ini"));
    QVERIFY(preset.open(QIODevice::WriteOnly));
    preset.write(QString("[colors]\nname=红色\n").toUtf8());
    preset.close();
    QCOMPARE(openIniSettings("other.ini")->value("colors/name").toString(), QString("红色"));
}

void TestSettings::languageSwitching()
{
    if (!QFile::exists(LanguageManager::translationFolder() + "en_US.qm"))
        QSKIP("translations were not compiled into this build");

    LanguageEventCounter events;
    qApp->installEventFilter(&events);
    LanguageManager manager;
    QSignalSpy changed(&manager, &LanguageManager::languageChanged);

    manager.setLanguage("English");
    QCOMPARE(SystemConfig().language(), QString("English"));
    QVERIFY(manager.installedTranslator());
    QCOMPARE(sample(), QString("The profile name must not be empty."));
    QPointer<QTranslator> english = manager.installedTranslator();

    // The second switch removes the first translator before installing its own.
    manager.setLanguage("Chinese");
    QVERIFY(manager.installedTranslator() != english);
    QCOMPARE(sample(), QString("配置名称不能为空。"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(english.isNull());

    manager.setLanguage("English");
    QCOMPARE(sample(), QString("The profile name must not be empty."));

    // A name in the wrong case selects no file and leaves no translator, so
    // the source texts show again; the stored value is kept.
    manager.setLanguage("chinese");
    QVERIFY(!manager.installedTranslator());
    QCOMPARE(sample(), QString("配置名称不能为空。"));
    QCOMPARE(manager.language(), QString("chinese"));

    QCOMPARE(changed.count(), 4);
    QCOMPARE(changed.last().at(0).toString(), QString("chinese"));
    // One event per install and one per removal.
    QCOMPARE(events.count, 6);
    qApp->removeEventFilter(&events);

    QCOMPARE(LanguageManager::translationFile("English"), QString("en_US.qm"));
    QCOMPARE(LanguageManager::translationFile("Chinese"), QString("zh_CN.qm"));
    QVERIFY(LanguageManager::translationFile("").isEmpty());
    QVERIFY(LanguageManager::translationFolder().endsWith("/lang/"));
}

void TestSettings::appProfileRulesStored()
{
    // Written by hand, as a user might: names with dots, Chinese profile
    // names, an empty value (no rule) and the default.
    QFile file(QDir::current().filePath("sysConfig.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // A key with a no-break space after it (a Latin-1 byte in a key) is the
    // same name once trimmed, as it is written: the first of the two counts.
    file.write(QString("[Kinetra]\nlanguage=Chinese\n[AppProfiles]\ngame.x86_64=FPS\nFirefox=打字\n").toUtf8()
               + "Firefox\xA0=Other\n" + QString("blank=\ndefault=日常\n").toUtf8());
    file.close();

    AppProfileRules rules = readAppProfileRules(SystemConfig());
    QCOMPARE(rules.defaultProfile, QString("日常"));
    QCOMPARE(rules.rules.size(), 2);
    QVERIFY(rules.rules.contains(AppProfileRule{"game.x86_64", "FPS"}));
    QVERIFY(rules.rules.contains(AppProfileRule{"Firefox", "打字"}));

    // Writing replaces the group and leaves the rest of the file alone; what
    // else a rule says goes beside it, and a word not known is no option.
    AppProfileRule game{"steam:730", "FPS"};
    game.leave = AppProfileRule::Leave::Back;
    game.socdRsOff = true;
    AppProfileRule title{"title:Match report", "FPS"};
    title.socdRsOff = true;
    rules.rules = {{"steam", "FPS"}, game, title}; // read back in the order of their keys
    rules.defaultProfile.clear();
    {
        SystemConfig config;
        writeAppProfileRules(config, rules);
    }
    QCOMPARE(readAppProfileRules(SystemConfig()).rules, rules.rules);
    {
        SystemConfig config;
        QCOMPARE(config.value("AppProfileOptions/steam:730").toString(), QString("back,nosocd"));
        config.setValue("AppProfileOptions/steam:730", "sometimes, BACK");
    }
    QCOMPARE(readAppProfileRules(SystemConfig()).rules.at(1).socdRsOff, false);
    QCOMPARE(readAppProfileRules(SystemConfig()).rules.at(1).leave, AppProfileRule::Leave::Back);
    rules.rules = {{"steam", "FPS"}};
    {
        SystemConfig config;
        writeAppProfileRules(config, rules);
    }
    const AppProfileRules back = readAppProfileRules(SystemConfig());
    QCOMPARE(back.rules, QList<AppProfileRule>({{"steam", "FPS"}}));
    QVERIFY(SystemConfig().childKeys("AppProfileOptions").isEmpty());
    QVERIFY(back.defaultProfile.isEmpty());
    QCOMPARE(SystemConfig().language(), QString("Chinese"));

    // Names with control characters or longer than a file name are no
    // rules, and only the first 256 rules are read.
    {
        SystemConfig config;
        config.setValue("AppProfiles/tab", QString("F") + QChar('\t') + "PS");
        config.setValue("AppProfiles/" + QString(300, QLatin1Char('x')), "FPS");
        for (int i = 0; i < 300; ++i)
            config.setValue(QString("AppProfiles/app%1").arg(i, 3, 10, QLatin1Char('0')), "FPS");
        config.setValue("AppProfiles/default", QString("D") + QChar(0x7F));
    }
    const AppProfileRules many = readAppProfileRules(SystemConfig());
    QCOMPARE(many.rules.size(), 256);
    QVERIFY(many.defaultProfile.isEmpty());
    for (const AppProfileRule &rule : many.rules)
        QVERIFY(rule.application.startsWith("app") || rule.application == "steam");
}

void TestSettings::appProfileMatching()
{
    AppProfileRules rules;
    rules.rules = {{"game.x86_64", "FPS"}, {"firefox", "Typing"}, {"Steam", "Gone"}, {"steamwebhelper", "FPS"},
                   {"editor", "Typing"}};
    const QStringList existing{"FPS", "Typing", "Daily"};

    // By executable, by either half of WM_CLASS, case-blind, ".exe" optional.
    AppProfileMatch m = matchAppProfile(rules, {"game.x86_64", "", "", "", ""}, existing);
    QCOMPARE(m.profile, QString("FPS"));
    QCOMPARE(m.matchedBy, QString("game.x86_64"));
    QVERIFY(!m.byDefault);
    QCOMPARE(matchAppProfile(rules, {"", "Navigator", "Firefox", "", ""}, existing).profile, QString("Typing"));
    QCOMPARE(matchAppProfile(rules, {"", "firefox", "", "", ""}, existing).profile, QString("Typing"));
    QCOMPARE(matchAppProfile(rules, {"GAME.x86_64.exe", "", "", "", ""}, existing).profile, QString("FPS"));
    // The executable's rule wins over the window's.
    QCOMPARE(matchAppProfile(rules, {"editor", "", "firefox", "", ""}, existing).matchedBy, QString("editor"));

    // Nothing matches and no default: keep the current profile.
    m = matchAppProfile(rules, {"bash", "xterm", "XTerm", "", ""}, existing);
    QVERIFY(m.profile.isEmpty());
    QVERIFY(m.missing.isEmpty());

    // The default covers everything else.
    rules.defaultProfile = "Daily";
    m = matchAppProfile(rules, {"bash", "xterm", "XTerm", "", ""}, existing);
    QCOMPARE(m.profile, QString("Daily"));
    QVERIFY(m.byDefault);
    QCOMPARE(matchAppProfile(rules, {}, existing).profile, QString("Daily"));

    // A rule naming a missing profile is reported and skipped: the next
    // matching name, then the default, applies.
    m = matchAppProfile(rules, {"steam", "", "steamwebhelper", "", ""}, existing);
    QCOMPARE(m.profile, QString("FPS"));
    QCOMPARE(m.missing, QList<AppProfileRule>({{"Steam", "Gone"}}));
    m = matchAppProfile(rules, {"steam", "", "", "", ""}, existing);
    QCOMPARE(m.profile, QString("Daily"));
    QCOMPARE(m.missing.size(), 1);
    // Profile names are file names: their case matters.
    rules.defaultProfile = "daily";
    m = matchAppProfile(rules, {"bash", "", "", "", ""}, existing);
    QVERIFY(m.profile.isEmpty());
    QCOMPARE(m.missing, QList<AppProfileRule>({{"default", "daily"}}));
    QCOMPARE(rulesWithMissingProfile(rules, existing), QList<AppProfileRule>({{"Steam", "Gone"}}));

    // The keys of games and titles: the picker's "steam:<id> — name" keeps
    // the id; a title part keeps its text, but no slash (a settings group).
    QCOMPARE(appRuleKey("steam:730 — Counter-Strike 2"), QString("steam:730"));
    QCOMPARE(appRuleKey(" STEAM: 570 "), QString("steam:570"));
    QCOMPARE(appRuleKey("title: Match Report "), QString("title:Match Report"));
    for (const char *bad : {"steam:", "steam:abc", "steam:0", "steam:99999999999", "title:", "title:a/b", "title:a\\b"})
        QVERIFY2(appRuleKey(bad).isEmpty(), bad);
    // A title rule never matches a name, nor a name rule a title.
    rules.rules = {{"title:vim", "FPS"}, {"bash", "Typing"}};
    rules.defaultProfile.clear();
    QVERIFY(matchAppProfile(rules, {"title:vim", "", "", "", ""}, existing).profile.isEmpty());
    QVERIFY(matchAppProfile(rules, {"", "", "", "bash", ""}, existing).profile.isEmpty());
    QCOMPARE(matchAppProfile(rules, {"bash", "", "", "~/notes — VIM", ""}, existing).profile, QString("Typing"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
