#include "AppProfileRules.h"

#include "SettingsLog.h"
#include "SystemConfig.h"

#include <QSet>

namespace {

QString normalised(QString name)
{
    name = name.trimmed().toCaseFolded();
    if (name.endsWith(QLatin1String(".exe")))
        name.chop(4);
    return name;
}

// The rules are edited by hand as well: a name is taken only when it is
// plain text of a file name's length, and only so many rules are read.
constexpr int MaxRules = 256;
constexpr int MaxNameLength = 255;

bool plainName(const QString &name)
{
    if (name.size() > MaxNameLength)
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

bool profileExists(const QString &profile, const QStringList &existing)
{
    return existing.contains(profile, Qt::CaseSensitive);
}

bool hasPrefix(const QString &key, const char *prefix)
{
    return key.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

QString afterPrefix(const QString &key, const char *prefix)
{
    return key.mid(int(qstrlen(prefix))).trimmed();
}

constexpr const char *BackWord = "back";
constexpr const char *NoSocdWord = "nosocd";

void readOptions(const QString &text, AppProfileRule *rule)
{
    for (const QString &word : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString w = word.trimmed().toLower();
        if (w == QLatin1String(BackWord))
            rule->leave = AppProfileRule::Leave::Back;
        else if (w == QLatin1String(NoSocdWord))
            rule->socdRsOff = true;
    }
}

} // namespace

QString AppIdentity::displayName() const
{
    if (!executable.isEmpty())
        return executable;
    return !windowClass.isEmpty() ? windowClass : windowInstance;
}

AppProfileRules readAppProfileRules(const SystemConfig &config)
{
    AppProfileRules out;
    const QString prefix = QLatin1String(AppProfileRules::Group) + QLatin1Char('/');
    bool tooMany = false;
    bool haveDefault = false;
    QSet<QString> taken;
    for (const QString &key : config.childKeys(QLatin1String(AppProfileRules::Group))) {
        const QString profile = config.value(prefix + key).toString().trimmed();
        if (!plainName(key) || !plainName(profile)) {
            qCDebug(lcSettings) << "application rule ignored: not a plain name";
            continue;
        }
        // Names are written trimmed: two keys that differ only in spaces
        // around them are one rule, the first (as the matcher takes it).
        const QString application = key.trimmed();
        if (application == QLatin1String(AppProfileRules::DefaultKey)) {
            if (!haveDefault)
                out.defaultProfile = profile;
            haveDefault = true;
        } else if (!application.isEmpty() && !profile.isEmpty()) {
            if (taken.contains(application))
                continue;
            taken.insert(application);
            if (out.rules.size() < MaxRules) {
                AppProfileRule rule{application, profile};
                const QString options =
                    config.value(QLatin1String(AppProfileRules::OptionsGroup) + QLatin1Char('/') + key).toString();
                if (plainName(options))
                    readOptions(options, &rule);
                out.rules.append(rule);
            } else if (!tooMany) {
                tooMany = true;
                qCDebug(lcSettings) << "more than" << MaxRules << "application rules; the rest are ignored";
            }
        }
    }
    return out;
}

void writeAppProfileRules(SystemConfig &config, const AppProfileRules &rules)
{
    const QString group = QLatin1String(AppProfileRules::Group);
    const QString optionsGroup = QLatin1String(AppProfileRules::OptionsGroup);
    config.remove(group);
    config.remove(optionsGroup);
    for (const AppProfileRule &rule : rules.rules) {
        const QString key = rule.application.trimmed();
        if (key.isEmpty() || rule.profile.isEmpty())
            continue;
        config.setValue(group + QLatin1Char('/') + key, rule.profile);
        QStringList options;
        if (rule.leave == AppProfileRule::Leave::Back)
            options << QLatin1String(BackWord);
        if (rule.socdRsOff)
            options << QLatin1String(NoSocdWord);
        if (!options.isEmpty())
            config.setValue(optionsGroup + QLatin1Char('/') + key, options.join(QLatin1Char(',')));
    }
    if (!rules.defaultProfile.isEmpty())
        config.setValue(group + QLatin1Char('/') + QLatin1String(AppProfileRules::DefaultKey), rules.defaultProfile);
}

AppProfileMatch matchAppProfile(const AppProfileRules &rules, const AppIdentity &app,
                                const QStringList &existingProfiles)
{
    AppProfileMatch match;
    // Takes the rule when its profile exists; notes it as missing otherwise.
    auto take = [&](const AppProfileRule &rule) {
        if (profileExists(rule.profile, existingProfiles)) {
            match.profile = rule.profile;
            match.matchedBy = rule.application;
            match.rule = rule;
            return true;
        }
        if (!match.missing.contains(rule)) {
            qCDebug(lcSettings) << "rule for" << rule.application << "names a missing profile" << rule.profile;
            match.missing.append(rule);
        }
        return false;
    };
    if (!app.steamAppId.isEmpty())
        for (const AppProfileRule &rule : rules.rules)
            if (hasPrefix(rule.application, AppProfileRules::SteamPrefix)
                && afterPrefix(rule.application, AppProfileRules::SteamPrefix) == app.steamAppId && take(rule))
                return match;
    for (const QString &name : {app.executable, app.windowInstance, app.windowClass}) {
        const QString wanted = normalised(name);
        if (wanted.isEmpty())
            continue;
        for (const AppProfileRule &rule : rules.rules)
            if (!hasPrefix(rule.application, AppProfileRules::SteamPrefix)
                && !hasPrefix(rule.application, AppProfileRules::TitlePrefix) && normalised(rule.application) == wanted
                && take(rule))
                return match;
    }
    if (!app.title.isEmpty())
        for (const AppProfileRule &rule : rules.rules) {
            if (!hasPrefix(rule.application, AppProfileRules::TitlePrefix))
                continue;
            const QString part = afterPrefix(rule.application, AppProfileRules::TitlePrefix);
            if (!part.isEmpty() && app.title.contains(part, Qt::CaseInsensitive) && take(rule))
                return match;
        }
    if (rules.defaultProfile.isEmpty())
        return match;
    if (!profileExists(rules.defaultProfile, existingProfiles)) {
        match.missing.append({QLatin1String(AppProfileRules::DefaultKey), rules.defaultProfile});
        return match;
    }
    match.profile = rules.defaultProfile;
    match.matchedBy = QLatin1String(AppProfileRules::DefaultKey);
    match.byDefault = true;
    return match;
}

QString appRuleKey(const QString &typed)
{
    QString name = typed.trimmed();
    if (hasPrefix(name, AppProfileRules::SteamPrefix)) {
        // The picker adds the game's name after the id ("steam:730 — Name").
        const QString id = afterPrefix(name, AppProfileRules::SteamPrefix).section(QLatin1Char(' '), 0, 0);
        bool ok = false;
        const qulonglong n = id.toULongLong(&ok);
        return ok && n > 0 && n <= 0xffffffffULL && id.size() <= 10 ? QLatin1String(AppProfileRules::SteamPrefix) + id
                                                                     : QString();
    }
    if (hasPrefix(name, AppProfileRules::TitlePrefix)) {
        const QString part = afterPrefix(name, AppProfileRules::TitlePrefix);
        if (part.isEmpty() || part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')))
            return QString();
        return QLatin1String(AppProfileRules::TitlePrefix) + part;
    }
    const int slash = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        name = name.mid(slash + 1).trimmed();
    if (name.compare(QLatin1String(AppProfileRules::DefaultKey), Qt::CaseInsensitive) == 0)
        return QString();
    return name;
}

QList<AppProfileRule> rulesWithMissingProfile(const AppProfileRules &rules, const QStringList &existingProfiles)
{
    QList<AppProfileRule> out;
    for (const AppProfileRule &rule : rules.rules)
        if (!profileExists(rule.profile, existingProfiles))
            out.append(rule);
    return out;
}
