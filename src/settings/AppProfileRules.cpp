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
                out.rules.append({application, profile});
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
    config.remove(group);
    for (const AppProfileRule &rule : rules.rules)
        if (!rule.application.trimmed().isEmpty() && !rule.profile.isEmpty())
            config.setValue(group + QLatin1Char('/') + rule.application.trimmed(), rule.profile);
    if (!rules.defaultProfile.isEmpty())
        config.setValue(group + QLatin1Char('/') + QLatin1String(AppProfileRules::DefaultKey), rules.defaultProfile);
}

AppProfileMatch matchAppProfile(const AppProfileRules &rules, const AppIdentity &app,
                                const QStringList &existingProfiles)
{
    AppProfileMatch match;
    for (const QString &name : {app.executable, app.windowInstance, app.windowClass}) {
        const QString wanted = normalised(name);
        if (wanted.isEmpty())
            continue;
        for (const AppProfileRule &rule : rules.rules) {
            if (normalised(rule.application) != wanted)
                continue;
            if (profileExists(rule.profile, existingProfiles)) {
                match.profile = rule.profile;
                match.matchedBy = rule.application;
                return match;
            }
            if (!match.missing.contains(rule)) {
                qCDebug(lcSettings) << "rule for" << rule.application << "names a missing profile" << rule.profile;
                match.missing.append(rule);
            }
        }
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
