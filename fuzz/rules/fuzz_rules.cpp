// Fuzz entry for the application rules as they are stored (the
// "AppProfiles" group of sysConfig.ini): any bytes must read without a
// fault into rules within the reader's bounds, the matcher must pick only
// a profile that exists, and rules written and read again are the same.

#include "AppProfileRules.h"
#include "SystemConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir &folder()
{
    // In memory where the system has it: the write below syncs the file.
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                         : QDir::tempPath())
                             + QStringLiteral("/fuzz_rules-XXXXXX"));
    if (!dir.isValid())
        std::abort();
    return dir;
}

// A name of its own for each file, so that no cached reading of an earlier
// input stands in for this one.
QString freshPath()
{
    static quint64 serial = 0;
    return folder().filePath(QStringLiteral("sysConfig-%1.ini").arg(++serial));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = freshPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    AppProfileRules rules;
    {
        const SystemConfig config(path);
        rules = readAppProfileRules(config);
    }
    QFile::remove(path);
    if (rules.rules.size() > 256)
        std::abort();

    // Every rule's own application, and a few others, against the profiles
    // the rules name (all but the first) and one they do not.
    QStringList existing;
    for (int i = 1; i < rules.rules.size(); ++i)
        existing << rules.rules.at(i).profile;
    existing << QStringLiteral("Daily");
    QList<AppIdentity> apps{{QStringLiteral("game.exe"), QString(), QString(), QString(), QString()},
                            {QString(), QStringLiteral("navigator"), QStringLiteral("Firefox"), QString(), QString()},
                            AppIdentity()};
    // A few of the rules' own names, as names, titles and Steam ids:
    // matching is per application in front.
    for (const AppProfileRule &rule : rules.rules.mid(0, 8))
        apps.append({rule.application, rule.application, appRuleKey(rule.application), rule.application,
                     rule.application.section(QLatin1Char(':'), 1)});
    for (const AppIdentity &app : apps) {
        const AppProfileMatch m = matchAppProfile(rules, app, existing);
        if (!m.profile.isEmpty() && !existing.contains(m.profile))
            std::abort();
        if (m.byDefault && m.profile != rules.defaultProfile)
            std::abort();
    }
    (void)rulesWithMissingProfile(rules, existing);

    // Written and read back, the rules are the same, as a user who opens
    // the settings and saves them would expect.
    const QString again = freshPath();
    {
        SystemConfig config(again);
        writeAppProfileRules(config, rules);
        if (!config.sync())
            std::abort();
    }
    AppProfileRules back;
    {
        const SystemConfig config(again);
        back = readAppProfileRules(config);
    }
    QFile::remove(again);
    auto byName = [](QList<AppProfileRule> list) {
        for (AppProfileRule &rule : list)
            rule.application = rule.application.trimmed();
        std::sort(list.begin(), list.end(), [](const AppProfileRule &a, const AppProfileRule &b) {
            return a.application < b.application || (a.application == b.application && a.profile < b.profile);
        });
        return list;
    };
    if (back.defaultProfile != rules.defaultProfile || byName(back.rules) != byName(rules.rules))
        std::abort();
    return 0;
}
