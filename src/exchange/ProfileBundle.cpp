#include "ProfileBundle.h"

#include "MacroCsv.h"
#include "MacroFile.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileName.h"
#include "SettingsFactory.h"
#include "SystemConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

const QString FormatName = QStringLiteral("corvane-bundle");
constexpr int PresetSlots = 6;

QString presetKey(int slot)
{
    return QStringLiteral("rgbPresuppose%1").arg(slot);
}

bool plainPresetText(const QString &text)
{
    if (text.size() > MaxPresetTextLength)
        return false;
    for (const QChar c : text)
        if (!c.isDigit() && c != QLatin1Char('#') && c != QLatin1Char('|'))
            return false;
    return true;
}

BundleError fail(BundleError error, QString *detail, const QString &text)
{
    if (detail)
        *detail = text;
    return error;
}

// The macros a profile's bindings name.
QStringList macrosOf(const ProfileDocument &doc)
{
    QStringList names;
    const ProfileData p = readProfile(doc);
    if (p.advanced)
        for (const AdvancedBinding &b : *p.advanced)
            if (const MACROInfo *m = b.as<MACROInfo>())
                if (!names.contains(m->macroName))
                    names << m->macroName;
    return names;
}

// The document without its name, for telling whether two profiles hold the
// same settings (the store writes the file name into it on loading).
ProfileDocument withoutName(ProfileDocument doc)
{
    doc.remove(ProfileKeys::ProfileName);
    return doc;
}

QString freeName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    if (!taken(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("%1_%2").arg(name).arg(n);
        if (!taken(candidate))
            return candidate;
    }
}

// Names of files with that suffix in a folder, case-folded: on Windows two
// names that differ in case are one file.
QSet<QString> foldedNames(const QString &folder, const QString &suffix)
{
    QSet<QString> names;
    for (const QString &file : QDir(folder).entryList({QStringLiteral("*") + suffix}, QDir::Files))
        names.insert(file.left(file.size() - suffix.size()).toCaseFolded());
    return names;
}

} // namespace

QString DataFolder::profiles() const { return QDir(root).filePath(QStringLiteral("LocalProfile")); }
QString DataFolder::macros() const { return QDir(root).filePath(QStringLiteral("Macro")); }
QString DataFolder::presetsFile() const { return QDir(root).filePath(QStringLiteral("config/settings.ini")); }
QString DataFolder::settingsFile() const { return QDir(root).filePath(QLatin1String(SystemConfig::FileName)); }

QByteArray serialiseBundle(const ProfileBundle &bundle)
{
    QJsonArray profiles;
    for (const BundleProfile &p : bundle.profiles)
        profiles.append(QJsonObject{{QStringLiteral("name"), p.name}, {QStringLiteral("profile"), p.document}});
    QJsonObject macros;
    for (auto it = bundle.macros.cbegin(); it != bundle.macros.cend(); ++it)
        macros.insert(it.key(), QString::fromUtf8(writeMacroCsv(it.value())));
    QJsonObject presets;
    for (auto it = bundle.presets.cbegin(); it != bundle.presets.cend(); ++it)
        presets.insert(QString::number(it.key()), it.value());
    QJsonArray rules;
    for (const AppProfileRule &r : bundle.rules.rules)
        rules.append(QJsonObject{{QStringLiteral("application"), r.application}, {QStringLiteral("profile"), r.profile}});
    QJsonObject appRules{{QStringLiteral("rules"), rules}};
    if (!bundle.rules.defaultProfile.isEmpty())
        appRules.insert(QStringLiteral("default"), bundle.rules.defaultProfile);
    const QJsonObject root{{QStringLiteral("format"), FormatName},
                           {QStringLiteral("version"), BundleFormatVersion},
                           {QStringLiteral("profiles"), profiles},
                           {QStringLiteral("macros"), macros},
                           {QStringLiteral("lightingPresets"), presets},
                           {QStringLiteral("appRules"), appRules}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

BundleError parseBundle(const QByteArray &bytes, ProfileBundle *out, QString *detail)
{
    if (bytes.size() > MaxBundleFileSize)
        return fail(BundleError::TooLarge, detail, QStringLiteral("%1 bytes").arg(bytes.size()));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Our own file cut short is damaged; anything else is not ours.
        const bool ours = bytes.contains("\"format\"") && bytes.contains(FormatName.toUtf8());
        return fail(ours ? BundleError::Damaged : BundleError::NotABundle, detail,
                    QStringLiteral("not JSON: %1 at %2").arg(parseError.errorString()).arg(parseError.offset));
    }
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(QStringLiteral("format")).toString() != FormatName)
        return fail(BundleError::NotABundle, detail, QStringLiteral("no \"format\": \"%1\"").arg(FormatName));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() < 1)
        return fail(BundleError::Damaged, detail, QStringLiteral("no version"));
    if (version.toDouble() > BundleFormatVersion)
        return fail(BundleError::NewerVersion, detail, QStringLiteral("version %1").arg(version.toDouble()));

    ProfileBundle bundle;
    const QJsonValue profiles = root.value(QStringLiteral("profiles"));
    if (!profiles.isArray() || profiles.toArray().size() > MaxBundleProfiles)
        return fail(BundleError::Damaged, detail, QStringLiteral("\"profiles\" is not a list of at most %1").arg(MaxBundleProfiles));
    QSet<QString> names;
    for (const QJsonValue &v : profiles.toArray()) {
        const QJsonObject entry = v.toObject();
        const QString name = entry.value(QStringLiteral("name")).toString();
        const QJsonObject document = entry.value(QStringLiteral("profile")).toObject();
        if (!profileNameProblem(name).isEmpty())
            return fail(BundleError::Damaged, detail, QStringLiteral("a profile has no usable name"));
        if (names.contains(name.toCaseFolded()))
            return fail(BundleError::Damaged, detail, QStringLiteral("profile \"%1\" twice").arg(name));
        if (document.isEmpty() || serialiseProfile(document).size() > MaxProfileFileSize)
            return fail(BundleError::Damaged, detail, QStringLiteral("profile \"%1\" is not a profile").arg(name));
        names.insert(name.toCaseFolded());
        bundle.profiles.append({name, document});
    }
    const QJsonValue macros = root.value(QStringLiteral("macros"));
    if (!macros.isObject() || macros.toObject().size() > MaxBundleMacros)
        return fail(BundleError::Damaged, detail, QStringLiteral("\"macros\" is not a group of at most %1").arg(MaxBundleMacros));
    const QJsonObject macroObject = macros.toObject();
    for (auto it = macroObject.begin(); it != macroObject.end(); ++it) {
        QList<MACRO_Key> steps;
        const QByteArray csv = it.value().toString().toUtf8();
        if (!isSafeMacroName(it.key()) || !it.value().isString() || csv.size() > MaxMacroFileBytes
            || parseMacroCsv(csv, &steps) != MacroCsvResult::Ok)
            return fail(BundleError::Damaged, detail, QStringLiteral("macro \"%1\" cannot be read").arg(it.key()));
        bundle.macros.insert(it.key(), steps);
    }
    const QJsonValue presets = root.value(QStringLiteral("lightingPresets"));
    if (!presets.isObject())
        return fail(BundleError::Damaged, detail, QStringLiteral("\"lightingPresets\" is not a group"));
    const QJsonObject presetObject = presets.toObject();
    for (auto it = presetObject.begin(); it != presetObject.end(); ++it) {
        bool ok = false;
        const int slot = it.key().toInt(&ok);
        if (!ok || slot < 1 || slot > PresetSlots || !it.value().isString() || !plainPresetText(it.value().toString()))
            return fail(BundleError::Damaged, detail, QStringLiteral("lighting preset \"%1\" cannot be read").arg(it.key()));
        bundle.presets.insert(slot, it.value().toString());
    }
    const QJsonObject appRules = root.value(QStringLiteral("appRules")).toObject();
    const QJsonValue rules = appRules.value(QStringLiteral("rules"));
    if (!root.value(QStringLiteral("appRules")).isObject() || !rules.isArray() || rules.toArray().size() > 256)
        return fail(BundleError::Damaged, detail, QStringLiteral("\"appRules\" cannot be read"));
    const auto plain = [](const QString &s) {
        if (s.trimmed().isEmpty() || s.size() > 255 || s.trimmed() != s)
            return false;
        for (const QChar c : s)
            if (c.category() == QChar::Other_Control)
                return false;
        return true;
    };
    QSet<QString> applications;
    for (const QJsonValue &v : rules.toArray()) {
        const QString application = v.toObject().value(QStringLiteral("application")).toString();
        const QString profile = v.toObject().value(QStringLiteral("profile")).toString();
        if (!plain(application) || !plain(profile) || appRuleKey(application) != application
            || applications.contains(application))
            return fail(BundleError::Damaged, detail, QStringLiteral("an application rule cannot be read"));
        applications.insert(application);
        bundle.rules.rules.append({application, profile});
    }
    const QJsonValue defaultProfile = appRules.value(QStringLiteral("default"));
    if (!defaultProfile.isUndefined() && (!defaultProfile.isString() || !plain(defaultProfile.toString())))
        return fail(BundleError::Damaged, detail, QStringLiteral("the default profile cannot be read"));
    bundle.rules.defaultProfile = defaultProfile.toString();
    *out = bundle;
    return BundleError::None;
}

ProfileBundle collectBundle(const DataFolder &folder, QStringList *skipped)
{
    ProfileBundle bundle;
    QDir dir(folder.profiles());
    const QStringList files =
        dir.entryList({QStringLiteral("*.kb")}, QDir::Files | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QString &file : files) {
        const QString name = profileListName(file);
        ProfileDocument doc;
        if (!profileNameProblem(name).isEmpty() || !readProfileFile(dir.filePath(file), &doc)) {
            if (skipped)
                *skipped << QStringLiteral("LocalProfile/") + file;
            continue;
        }
        if (bundle.profiles.size() >= MaxBundleProfiles)
            break;
        bundle.profiles.append({name, doc});
        for (const QString &macro : macrosOf(doc)) {
            if (bundle.macros.contains(macro))
                continue;
            const MacroLoadResult r = loadMacroFile(folder.macros(), macro);
            if (r.status == MacroLoadResult::Ok)
                bundle.macros.insert(macro, r.steps);
            else if (skipped)
                *skipped << QStringLiteral("Macro/%1.csv").arg(macro);
        }
    }
    if (QFileInfo::exists(folder.presetsFile())) {
        const auto settings = openIniSettings(folder.presetsFile());
        for (int slot = 1; slot <= PresetSlots; ++slot) {
            const QString text = settings->value(presetKey(slot)).toString();
            if (settings->contains(presetKey(slot)) && plainPresetText(text))
                bundle.presets.insert(slot, text);
        }
    }
    if (QFileInfo::exists(folder.settingsFile()))
        bundle.rules = readAppProfileRules(SystemConfig(folder.settingsFile()));
    return bundle;
}

BundleImportPlan planBundleImport(const ProfileBundle &bundle, const DataFolder &folder)
{
    BundleImportPlan plan;
    QSet<QString> macroNames = foldedNames(folder.macros(), QStringLiteral(".csv"));
    for (auto it = bundle.macros.cbegin(); it != bundle.macros.cend(); ++it) {
        BundleImportPlan::Item item{it.key(), it.key(), false};
        const MacroLoadResult existing = loadMacroFile(folder.macros(), it.key());
        if (existing.status == MacroLoadResult::Ok && writeMacroCsv(existing.steps) == writeMacroCsv(it.value())) {
            item.same = true;
        } else {
            item.target = freeName(it.key(), [&](const QString &n) { return macroNames.contains(n.toCaseFolded()); });
            macroNames.insert(item.target.toCaseFolded());
        }
        plan.macros.append(item);
    }
    QSet<QString> profileNames = foldedNames(folder.profiles(), QStringLiteral(".kb"));
    for (const BundleProfile &p : bundle.profiles) {
        BundleImportPlan::Item item{p.name, p.name, false};
        ProfileDocument existing;
        const QString path = QDir(folder.profiles()).filePath(p.name + QStringLiteral(".kb"));
        // Same settings under the same name; macros it binds that come in
        // renamed make it a different profile.
        bool renamedMacro = false;
        for (const BundleImportPlan::Item &m : plan.macros)
            renamedMacro = renamedMacro || (m.name != m.target && macrosOf(p.document).contains(m.name));
        if (!renamedMacro && QFileInfo(path).isFile() && !QFileInfo(path).isSymLink() && readProfileFile(path, &existing)
            && withoutName(existing) == withoutName(p.document)) {
            item.same = true;
        } else {
            item.target = freeName(p.name, [&](const QString &n) { return profileNames.contains(n.toCaseFolded()); });
            profileNames.insert(item.target.toCaseFolded());
        }
        plan.profiles.append(item);
    }

    QMap<int, QString> current;
    if (QFileInfo::exists(folder.presetsFile())) {
        const auto settings = openIniSettings(folder.presetsFile());
        for (int slot = 1; slot <= PresetSlots; ++slot)
            if (settings->contains(presetKey(slot)))
                current.insert(slot, settings->value(presetKey(slot)).toString());
    }
    for (auto it = bundle.presets.cbegin(); it != bundle.presets.cend(); ++it)
        if (current.contains(it.key()) && current.value(it.key()) != it.value())
            plan.presetsChanged << it.key();

    const AppProfileRules mine = QFileInfo::exists(folder.settingsFile())
                                     ? readAppProfileRules(SystemConfig(folder.settingsFile()))
                                     : AppProfileRules();
    const auto renamedProfile = [&plan](const QString &name) {
        for (const BundleImportPlan::Item &p : plan.profiles)
            if (p.name == name)
                return p.target;
        return name;
    };
    for (const AppProfileRule &r : bundle.rules.rules) {
        const AppProfileRule rule{r.application, renamedProfile(r.profile)};
        const auto found = std::find_if(mine.rules.cbegin(), mine.rules.cend(), [&](const AppProfileRule &m) {
            return m.application.compare(rule.application, Qt::CaseInsensitive) == 0;
        });
        if (found == mine.rules.cend())
            plan.rulesAdded << rule;
        else if (found->profile != rule.profile)
            plan.rulesChanged << rule;
    }
    const QString bundleDefault = renamedProfile(bundle.rules.defaultProfile);
    plan.defaultChanged = !bundleDefault.isEmpty() && !mine.defaultProfile.isEmpty() && mine.defaultProfile != bundleDefault;
    return plan;
}

bool writeUserFile(const QString &path, const QByteArray &bytes, QString *why)
{
    const QFileInfo info(path);
    // QSaveFile writes the target of a link; a link here is not ours to follow.
    if (info.isSymLink()) {
        *why = QStringLiteral("%1 is a symbolic link").arg(path);
        return false;
    }
    if (info.exists() && !info.isFile()) {
        *why = QStringLiteral("%1 is not a file").arg(path);
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        *why = QStringLiteral("cannot make the folder %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *why = QStringLiteral("%1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool applyBundleImport(const ProfileBundle &bundle, const BundleImportPlan &plan, const DataFolder &folder,
                       bool replaceSettings, QStringList *written, QString *why)
{
    QMap<QString, QString> macroTargets;
    for (const BundleImportPlan::Item &m : plan.macros) {
        macroTargets.insert(m.name, m.target);
        if (m.same)
            continue;
        const QString relative = QStringLiteral("Macro/%1.csv").arg(m.target);
        if (!writeUserFile(QDir(folder.root).filePath(relative), writeMacroCsv(bundle.macros.value(m.name)), why))
            return false;
        *written << relative;
    }
    for (int i = 0; i < plan.profiles.size() && i < bundle.profiles.size(); ++i) {
        const BundleImportPlan::Item &item = plan.profiles.at(i);
        if (item.same)
            continue;
        ProfileData profile = readProfile(bundle.profiles.at(i).document);
        ProfileDocument doc = bundle.profiles.at(i).document;
        if (profile.advanced) {
            // Bindings follow their macros to the names they came in under.
            QJsonObject advanced = doc.value(ProfileKeys::AdvancedKey).toObject();
            for (auto it = advanced.begin(); it != advanced.end(); ++it) {
                QJsonObject entry = it.value().toObject();
                const QString macro = entry.value(ProfileMembers::MacroName).toString();
                if (entry.value(ProfileMembers::BindItem).toString() == QLatin1String("MACRO")
                    && macroTargets.value(macro, macro) != macro) {
                    entry.insert(ProfileMembers::MacroName, macroTargets.value(macro));
                    it.value() = entry;
                }
            }
            doc.insert(ProfileKeys::AdvancedKey, advanced);
        }
        doc.insert(ProfileKeys::ProfileName, profileBaseName(item.target + QStringLiteral(".kb")));
        const QString relative = QStringLiteral("LocalProfile/%1.kb").arg(item.target);
        if (!writeUserFile(QDir(folder.root).filePath(relative), serialiseProfile(doc), why))
            return false;
        *written << relative;
    }

    if (!bundle.presets.isEmpty()) {
        if (QFileInfo(folder.presetsFile()).isSymLink()) {
            *why = QStringLiteral("%1 is a symbolic link").arg(folder.presetsFile());
            return false;
        }
        QDir().mkpath(QFileInfo(folder.presetsFile()).absolutePath());
        const auto settings = openIniSettings(folder.presetsFile());
        bool changed = false;
        for (auto it = bundle.presets.cbegin(); it != bundle.presets.cend(); ++it) {
            if (plan.presetsChanged.contains(it.key()) && !replaceSettings)
                continue;
            if (settings->value(presetKey(it.key())).toString() == it.value() && settings->contains(presetKey(it.key())))
                continue;
            settings->setValue(presetKey(it.key()), it.value());
            changed = true;
        }
        if (changed) {
            settings->sync();
            if (settings->status() != QSettings::NoError) {
                *why = QStringLiteral("%1 cannot be written").arg(folder.presetsFile());
                return false;
            }
            *written << QStringLiteral("config/settings.ini");
        }
    }

    QList<AppProfileRule> rules = plan.rulesAdded;
    if (replaceSettings)
        rules += plan.rulesChanged;
    QString newDefault;
    if (!bundle.rules.defaultProfile.isEmpty()) {
        newDefault = bundle.rules.defaultProfile;
        for (const BundleImportPlan::Item &p : plan.profiles)
            if (p.name == newDefault)
                newDefault = p.target;
    }
    if (QFileInfo(folder.settingsFile()).isSymLink()) {
        *why = QStringLiteral("%1 is a symbolic link").arg(folder.settingsFile());
        return false;
    }
    SystemConfig config(folder.settingsFile());
    AppProfileRules mine = readAppProfileRules(config);
    const bool takeDefault = !newDefault.isEmpty() && (mine.defaultProfile.isEmpty() || replaceSettings)
                             && mine.defaultProfile != newDefault;
    if (!rules.isEmpty() || takeDefault) {
        for (const AppProfileRule &r : rules) {
            auto found = std::find_if(mine.rules.begin(), mine.rules.end(), [&](const AppProfileRule &m) {
                return m.application.compare(r.application, Qt::CaseInsensitive) == 0;
            });
            if (found != mine.rules.end())
                found->profile = r.profile;
            else
                mine.rules.append(r);
        }
        if (takeDefault)
            mine.defaultProfile = newDefault;
        writeAppProfileRules(config, mine);
        if (!config.sync()) {
            *why = QStringLiteral("%1 cannot be written").arg(folder.settingsFile());
            return false;
        }
        *written << QLatin1String(SystemConfig::FileName);
    }
    return true;
}
