#include "ProfileIntake.h"

#include "KeyTypeTable.h"
#include "ProfileDocument.h"

#include <QDir>
#include <QJsonArray>

namespace {

bool hasSettings(const ProfileData &p)
{
    return p.lighting || p.performance || p.layers || p.keyTravel || p.advanced;
}

QString jsonKind(const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Bool: return QStringLiteral("true/false");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("text");
    case QJsonValue::Array: return QStringLiteral("a list");
    case QJsonValue::Object: return QStringLiteral("a group");
    default: return QStringLiteral("null");
    }
}

// The reader takes a member it cannot use (a number written as text, a
// switch as a number) or one left out of its group as the default, which
// would then be sent as if the profile said so: the lights off, a travel of
// a few micrometres. Compares the file with what was read from it, written
// back, and names the first member that differs in kind or is missing from
// a group that is there.
QString shapeProblem(const QJsonValue &file, const QJsonValue &read, const QString &where, int depth)
{
    if (file.type() != read.type())
        return QStringLiteral("%1 is %2, not %3").arg(where, jsonKind(file), jsonKind(read));
    if (read.isArray()) {
        const QJsonArray f = file.toArray(), r = read.toArray();
        for (int i = 0; i < qMin(f.size(), r.size()); ++i) {
            const QString problem = shapeProblem(f.at(i), r.at(i), QStringLiteral("%1[%2]").arg(where).arg(i), depth + 1);
            if (!problem.isEmpty())
                return problem;
        }
    } else if (read.isObject()) {
        const QJsonObject f = file.toObject(), r = read.toObject();
        for (auto it = r.begin(); it != r.end(); ++it) {
            const QString name = where.isEmpty() ? it.key() : where + QLatin1Char('/') + it.key();
            if (!f.contains(it.key())) {
                // Inside a group every member counts; deeper down (the keys
                // of a map) the reader only keeps what the file has.
                if (depth == 1)
                    return QStringLiteral("%1 is missing").arg(name);
                continue;
            }
            const QString problem = shapeProblem(f.value(it.key()), it.value(), name, depth + 1);
            if (!problem.isEmpty())
                return problem;
        }
    }
    return QString();
}

} // namespace

bool readProfileForApply(const QByteArray &bytes, const QString &source, ProfileData *profile, QString *why)
{
    ProfileDocument doc;
    QString parseError;
    if (!parseProfileBytes(bytes, &doc, &parseError)) {
        *why = QStringLiteral("%1 is not a profile file: %2").arg(source, parseError);
        return false;
    }
    *profile = readProfile(doc);
    if (!hasSettings(*profile)) {
        *why = QStringLiteral("%1 holds no keyboard settings").arg(source);
        return false;
    }
    const QString problem = shapeProblem(doc, writeProfile(*profile), QString(), 0);
    if (!problem.isEmpty()) {
        *why = QStringLiteral("%1 is not a profile file: %2").arg(source, problem);
        return false;
    }
    return true;
}

ProfileData profileForExport(const ProfileData &profile, QStringList *macroKeys)
{
    // The keyboard does not give a macro's steps back, and a profile names a
    // macro file, so a macro binding would apply whatever file has that
    // name, or stop the application where it has none.
    ProfileData p = profile;
    if (p.advanced) {
        for (auto it = p.advanced->begin(); it != p.advanced->end();) {
            if (it.value().kind() != Bind_MACRO) {
                ++it;
                continue;
            }
            const QString name = keyTypeName(it.key());
            if (macroKeys)
                *macroKeys << (name.isEmpty() ? QString::number(it.key()) : name);
            it = p.advanced->erase(it);
        }
    }
    return p;
}

bool loadProfileMacros(const ProfileData &profile, const QString &folder, QMap<QString, MacroLoadResult> *macros,
                       QString *why)
{
    if (!profile.advanced)
        return true;
    for (const AdvancedBinding &b : *profile.advanced) {
        const MACROInfo *macro = b.as<MACROInfo>();
        if (!macro || macros->contains(macro->macroName))
            continue;
        const QString &name = macro->macroName;
        const MacroLoadResult r = loadMacroFile(folder, name);
        if (r.status != MacroLoadResult::Ok) {
            *why = QStringLiteral("macro \"%1\" of the profile: %2 %3")
                       .arg(name,
                            r.status == MacroLoadResult::BadHeader ? QStringLiteral("cannot parse")
                                                                   : QStringLiteral("cannot read"),
                            QDir(folder).filePath(name + QStringLiteral(".csv")));
            return false;
        }
        macros->insert(name, r);
    }
    return true;
}
