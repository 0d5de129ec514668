#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class SystemConfig;

// Which profile follows which application in front. Stored in sysConfig.ini,
// group "AppProfiles": key = what the rule matches, value = the profile's
// name; the key "default" names the profile for every other application,
// and without it the current profile stays. A key is an executable name, a
// window class or Wayland app id; "steam:<id>" a Steam game by its app id;
// "title:<text>" a window whose title holds the text. Group
// "AppProfileOptions", same keys: what else the rule says, as words joined
// by commas ("back": leaving the application goes back to the profile in
// use before it; "nosocd": its profile is applied without SOCD and RS keys).
struct AppProfileRule {
    enum class Leave { Default, Back };
    QString application;
    QString profile;
    Leave leave = Leave::Default;
    bool socdRsOff = false;
    bool operator==(const AppProfileRule &o) const
    {
        return application == o.application && profile == o.profile && leave == o.leave && socdRsOff == o.socdRsOff;
    }
};

struct AppProfileRules {
    static constexpr const char *Group = "AppProfiles";
    static constexpr const char *OptionsGroup = "AppProfileOptions";
    static constexpr const char *DefaultKey = "default";
    static constexpr const char *SteamPrefix = "steam:";
    static constexpr const char *TitlePrefix = "title:";

    QList<AppProfileRule> rules;
    QString defaultProfile; // empty: keep the current profile
    bool isEmpty() const { return rules.isEmpty() && defaultProfile.isEmpty(); }
};

// What is known of the application in front; any part may be empty.
struct AppIdentity {
    QString executable;    // base name of the process image
    QString windowInstance; // first half of WM_CLASS
    QString windowClass;   // second half of WM_CLASS, or the Wayland app id
    QString title;         // the window's title
    QString steamAppId;    // the Steam game it is, when known
    bool operator==(const AppIdentity &o) const
    {
        return executable == o.executable && windowInstance == o.windowInstance && windowClass == o.windowClass
               && title == o.title && steamAppId == o.steamAppId;
    }
    bool operator!=(const AppIdentity &o) const { return !(*this == o); }
    bool isEmpty() const { return executable.isEmpty() && windowInstance.isEmpty() && windowClass.isEmpty(); }
    // The name to show the user: the executable, else the window class.
    QString displayName() const;
};

struct AppProfileMatch {
    QString profile;     // empty: keep the current profile
    QString matchedBy;   // the rule's key, or "default"
    bool byDefault = false;
    AppProfileRule rule; // the rule that matched (not for the default)
    // Rules that matched but name a profile that does not exist (skipped).
    QList<AppProfileRule> missing;
};

// Rules whose names hold control characters or are longer than a file
// name are skipped, and so are rules past the 256th. Names are trimmed, as
// they are written; of two keys that are the same name then, the first
// counts.
AppProfileRules readAppProfileRules(const SystemConfig &config);
// Replaces the whole group.
void writeAppProfileRules(SystemConfig &config, const AppProfileRules &rules);

// Picks the profile for an application. Names compare without regard to
// case (window classes are written either way, and Windows image names are
// case-blind); a ".exe" suffix is optional. A Steam game's rule wins over
// the executable's (games run through generic ones such as
// wine64-preloader), which wins over the window instance's, then the
// class's; a title rule comes last, the first in the list whose text the
// title holds (without regard to case). A rule whose profile
// is not in existingProfiles is reported in missing and skipped, and so is
// a default naming a missing profile.
AppProfileMatch matchAppProfile(const AppProfileRules &rules, const AppIdentity &app,
                                const QStringList &existingProfiles);

// The key a rule is stored under for what the user typed or picked: a path
// gives its file name (a key must not hold '/', which the settings file
// reads as a subgroup); "steam:" takes a plain app id, "title:" a text
// without slashes. Empty when nothing usable remains, or for "default",
// which is the key of everything else.
QString appRuleKey(const QString &typed);

// The rules whose profile is not in existingProfiles, for the settings.
QList<AppProfileRule> rulesWithMissingProfile(const AppProfileRules &rules, const QStringList &existingProfiles);
