#pragma once

#include "AdvancedKeyInfo.h"
#include "AppProfileRules.h"
#include "ProfileDocument.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Everything Corvane keeps for a user, in one file to carry to another
// computer: every profile, the macros they bind, the six lighting presets
// and the application rules. The file is UTF-8 JSON:
//   {"format": "corvane-bundle", "version": 1,
//    "profiles": [{"name": ..., "profile": <document>}],
//    "macros": {name: CSV text}, "lightingPresets": {"1".."6": preset text},
//    "appRules": {"default": name, "rules": [{"application": ..., "profile": ...}]}}
struct BundleProfile {
    QString name; // the list name (file name without ".kb")
    ProfileDocument document;
};

struct ProfileBundle {
    QList<BundleProfile> profiles;
    QMap<QString, QList<MACRO_Key>> macros;
    QMap<int, QString> presets; // slot 1..6 -> the presets file's text
    AppProfileRules rules;
};

constexpr int BundleFormatVersion = 1;
constexpr qint64 MaxBundleFileSize = 64 * 1024 * 1024;
constexpr int MaxBundleProfiles = 1000;
constexpr int MaxBundleMacros = 1000;
constexpr int MaxPresetTextLength = 16 * 1024;

enum class BundleError {
    None,
    NotABundle,   // not JSON, or JSON of something else
    NewerVersion, // written by a later Corvane
    TooLarge,
    Damaged,      // ours, but an entry cannot be read (truncated, edited)
};

QByteArray serialiseBundle(const ProfileBundle &bundle);
// All or nothing: *out is set only when every entry reads.
BundleError parseBundle(const QByteArray &bytes, ProfileBundle *out, QString *detail = nullptr);

// The files of a data folder (Corvane's working directory).
struct DataFolder {
    QString root;
    QString profiles() const;     // LocalProfile
    QString macros() const;       // Macro
    QString presetsFile() const;  // config/settings.ini
    QString settingsFile() const; // sysConfig.ini
};

// Reads the bundle of a data folder. Profiles that cannot be read and
// macros that are named but missing are left out and named in *skipped.
ProfileBundle collectBundle(const DataFolder &folder, QStringList *skipped = nullptr);

// What importing a bundle into a data folder would do. Nothing is ever
// overwritten: a profile or macro whose name is taken by different content
// comes in under a free name (name_1, ...); one already there unchanged is
// left alone. Presets and rules that differ replace the folder's only when
// the caller says so (replaceSettings), after asking.
struct BundleImportPlan {
    struct Item {
        QString name;   // in the bundle
        QString target; // as it will be stored
        bool same = false; // already there with the same content: not written
    };
    QList<Item> profiles;
    QList<Item> macros;
    QList<int> presetsChanged;             // slots whose text differs from the folder's
    QList<AppProfileRule> rulesAdded;      // applications without a rule yet
    QList<AppProfileRule> rulesChanged;    // applications whose rule differs (bundle's side)
    bool defaultChanged = false;           // the bundle names another default profile
    bool replacesSomething() const { return !presetsChanged.isEmpty() || !rulesChanged.isEmpty() || defaultChanged; }
};
BundleImportPlan planBundleImport(const ProfileBundle &bundle, const DataFolder &folder);

// Carries the plan out. Files are written whole or not at all; the first
// write that fails stops it (*why says which). *written lists what was
// written, as paths relative to the folder.
bool applyBundleImport(const ProfileBundle &bundle, const BundleImportPlan &plan, const DataFolder &folder,
                       bool replaceSettings, QStringList *written, QString *why);

// Writes a file of user data: through a temporary file that replaces it
// whole, and never through a symbolic link put in its place.
bool writeUserFile(const QString &path, const QByteArray &bytes, QString *why);
