#include "ExchangeCommands.h"

#include "MacroFile.h"
#include "ProfileBundle.h"
#include "ProfileContent.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileIntake.h"
#include "ProfileName.h"
#include "ShareCode.h"
#include "SystemConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace {

QString shareError(ShareCodeError error, const QString &detail)
{
    switch (error) {
    case ShareCodeError::NotACode: return QStringLiteral("not a Corvane share code (%1)").arg(detail);
    case ShareCodeError::NewerVersion:
        return QStringLiteral("the code was made by a newer Corvane (%1); update Corvane to import it").arg(detail);
    case ShareCodeError::TooLong: return QStringLiteral("the code is too long (%1)").arg(detail);
    case ShareCodeError::Damaged:
        return QStringLiteral("the code is damaged (%1); copy it again, whole").arg(detail);
    case ShareCodeError::NotAProfile: return QStringLiteral("the code holds no usable profile (%1)").arg(detail);
    case ShareCodeError::None: break;
    }
    return QString();
}

QString bundleError(BundleError error, const QString &path, const QString &detail)
{
    switch (error) {
    case BundleError::NotABundle: return QStringLiteral("%1 is not a Corvane export (%2)").arg(path, detail);
    case BundleError::NewerVersion:
        return QStringLiteral("%1 was written by a newer Corvane (%2); update Corvane to import it").arg(path, detail);
    case BundleError::TooLarge: return QStringLiteral("%1 is too large for a Corvane export (%2)").arg(path, detail);
    case BundleError::Damaged: return QStringLiteral("%1 is damaged (%2); nothing was imported").arg(path, detail);
    case BundleError::None: break;
    }
    return QString();
}

bool readSmallFile(const QString &path, qint64 limit, QByteArray *bytes, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.read(limit + 1);
    if (bytes->size() > limit) {
        *why = QStringLiteral("%1 is too large (more than %2 bytes)").arg(path).arg(limit);
        return false;
    }
    return true;
}

int importCode(const QString &code, const ExchangeOptions &options, const CliOutput &io)
{
    SharedProfile shared;
    QString detail;
    const ShareCodeError error = decodeShareCode(code, &shared, &detail);
    if (error != ShareCodeError::None)
        return io.fail(shareError(error, detail));
    const int model = modelFor(options);
    if (model >= 0 && shared.model >= 0 && shared.model != model)
        return io.fail(QStringLiteral("the code is for keyboard model %1, not model %2; nothing was imported")
                           .arg(shared.model)
                           .arg(model));
    QString name = shared.document.value(ProfileKeys::ProfileName).toString();
    if (!profileNameProblem(name).isEmpty())
        name = QStringLiteral("Shared");
    ProfileBundle bundle;
    bundle.profiles.append({name, shared.document});
    bundle.macros = shared.macros;
    const DataFolder folder{options.dataFolder};
    const BundleImportPlan plan = planBundleImport(bundle, folder);
    for (const QString &line : profileContentLines(name, shared.document, shared.macros.size()))
        io.line(line);
    QStringList written;
    QString why;
    if (!applyBundleImport(bundle, plan, folder, false, &written, &why))
        return io.fail(QStringLiteral("import failed: %1").arg(why));
    for (const QString &file : written)
        io.line(QStringLiteral("wrote %1").arg(file));
    if (written.isEmpty())
        io.line(QStringLiteral("profile \"%1\" is already there; nothing written").arg(name));
    return 0;
}

int importBundle(const QString &path, const ExchangeOptions &options, const CliOutput &io)
{
    QByteArray bytes;
    QString why;
    if (!readSmallFile(path, MaxBundleFileSize, &bytes, &why))
        return io.fail(why);
    ProfileBundle bundle;
    QString detail;
    const BundleError error = parseBundle(bytes, &bundle, &detail);
    if (error != BundleError::None)
        return io.fail(bundleError(error, path, detail));
    const DataFolder folder{options.dataFolder};
    const BundleImportPlan plan = planBundleImport(bundle, folder);
    for (const BundleImportPlan::Item &p : plan.profiles) {
        if (p.same)
            io.line(QStringLiteral("profile \"%1\": already there").arg(p.name));
        else if (p.target != p.name)
            io.line(QStringLiteral("profile \"%1\": name taken, imported as \"%2\"").arg(p.name, p.target));
    }
    for (const BundleImportPlan::Item &m : plan.macros)
        if (!m.same && m.target != m.name)
            io.line(QStringLiteral("macro \"%1\": name taken, imported as \"%2\"").arg(m.name, m.target));
    if (plan.replacesSomething() && !options.force) {
        io.line(QStringLiteral("kept your %1 lighting preset(s), %2 application rule(s)%3 that differ; --force replaces them")
                    .arg(plan.presetsChanged.size())
                    .arg(plan.rulesChanged.size())
                    .arg(plan.defaultChanged ? QStringLiteral(" and the default profile") : QString()));
    }
    QStringList written;
    if (!applyBundleImport(bundle, plan, folder, options.force, &written, &why)) {
        for (const QString &file : written)
            io.line(QStringLiteral("wrote %1").arg(file));
        return io.fail(QStringLiteral("import stopped: %1").arg(why));
    }
    for (const QString &file : written)
        io.line(QStringLiteral("wrote %1").arg(file));
    if (written.isEmpty())
        io.line(QStringLiteral("nothing to import: everything in %1 is already there").arg(path));
    return 0;
}

} // namespace

int modelFor(const ExchangeOptions &options)
{
    if (options.model >= 0)
        return options.model;
    const QString settings = DataFolder{options.dataFolder}.settingsFile();
    if (!QFileInfo::exists(settings))
        return -1;
    const SystemConfig config(settings);
    if (!config.value(QLatin1String(SystemConfig::KeyboardModelKey)).isValid())
        return -1;
    return config.keyboardModel();
}

QStringList profileContentLines(const QString &name, const QJsonObject &document, int macros)
{
    const ProfileContent c = profileContent(readProfile(document));
    QStringList lines{QStringLiteral("profile \"%1\"").arg(name)};
    if (c.lighting)
        lines << QStringLiteral("  lighting: effect %1, brightness %2").arg(c.lighting->mode).arg(c.lighting->brightness);
    if (c.globalTravelUm)
        lines << QStringLiteral("  actuation: %1 mm").arg(*c.globalTravelUm / 1000.0, 0, 'f', 2);
    if (c.remappedKeys)
        lines << QStringLiteral("  remapped keys on the four Fn layers: %1").arg(*c.remappedKeys);
    if (c.ownTravelKeys)
        lines << QStringLiteral("  keys with their own travel: %1").arg(*c.ownTravelKeys);
    if (!c.advancedKinds.isEmpty()) {
        QStringList parts;
        for (const auto &kind : c.advancedKinds)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(kind.first)).arg(kind.second);
        lines << QStringLiteral("  advanced keys: %1").arg(parts.join(QStringLiteral(", ")));
    }
    if (macros > 0)
        lines << QStringLiteral("  macros: %1").arg(macros);
    return lines;
}

int runShareCommand(const QString &path, const ExchangeOptions &options, const CliOutput &io)
{
    QString why;
    QByteArray bytes;
    if (!readSmallFile(path, MaxProfileFileSize, &bytes, &why))
        return io.fail(why);
    ProfileData profile;
    if (!readProfileForApply(bytes, path, &profile, &why))
        return io.fail(why);
    // Named by the file, as Corvane lists it.
    ProfileDocument doc;
    parseProfileBytes(bytes, &doc);
    doc.insert(ProfileKeys::ProfileName, profileListName(QFileInfo(path).fileName()));
    const QString macroFolder = QFileInfo(path).dir().dirName() == QLatin1String("LocalProfile")
                                    ? QFileInfo(path).dir().absoluteFilePath(QStringLiteral("../Macro"))
                                    : DataFolder{options.dataFolder}.macros();
    const int model = modelFor(options);
    if (model < 0)
        return io.fail(QStringLiteral("which keyboard model is the profile for? Name it with --model N"));
    QStringList left;
    const SharedProfile shared = shareProfile(doc, model, macroFolder, &left);
    for (const QString &macro : left)
        io.note(QStringLiteral("macro \"%1\" has no file in %2: its keys are left out of the code").arg(macro, macroFolder));
    const QString code = encodeShareCode(shared);
    if (code.size() > MaxShareCodeLength)
        return io.fail(QStringLiteral("the profile is too large for a share code (%1 characters)").arg(code.size()));
    io.line(code);
    return 0;
}

int runExportAllCommand(const QString &path, const ExchangeOptions &options, const CliOutput &io)
{
    const QFileInfo info(path);
    if (info.exists() && !options.force)
        return io.fail(QStringLiteral("%1 exists; --force replaces it").arg(path));
    QStringList skipped;
    const ProfileBundle bundle = collectBundle(DataFolder{options.dataFolder}, &skipped);
    for (const QString &file : skipped)
        io.note(QStringLiteral("left out %1: it cannot be read").arg(file));
    QString why;
    if (!writeUserFile(path, serialiseBundle(bundle), &why))
        return io.fail(QStringLiteral("cannot write the export: %1").arg(why));
    io.line(QStringLiteral("wrote %1: %2 profile(s), %3 macro(s), %4 lighting preset(s), %5 application rule(s)")
                .arg(path)
                .arg(bundle.profiles.size())
                .arg(bundle.macros.size())
                .arg(bundle.presets.size())
                .arg(bundle.rules.rules.size() + (bundle.rules.defaultProfile.isEmpty() ? 0 : 1)));
    return 0;
}

int runImportCommand(const QString &argument, const ExchangeOptions &options, const CliOutput &io)
{
    if (!QFileInfo::exists(argument) && argument.startsWith(QLatin1String("corvane")))
        return importCode(argument, options, io);
    if (!QFileInfo(argument).isFile())
        return io.fail(QStringLiteral("%1 is neither a file nor a share code").arg(argument));
    return importBundle(argument, options, io);
}
