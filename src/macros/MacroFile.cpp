#include "MacroFile.h"

#include "MacroCsv.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString macroFolderPath()
{
    return QDir::current().filePath(QStringLiteral("Macro"));
}

bool isSafeMacroName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

MacroLoadResult readMacroFile(const QString &path)
{
    MacroLoadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QByteArray bytes = file.read(MaxMacroFileBytes);
    // A cut line would read as a wrong step: drop it.
    if (!file.atEnd())
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    result.status = parseMacroCsv(bytes, &result.steps) == MacroCsvResult::Ok ? MacroLoadResult::Ok
                                                                                : MacroLoadResult::BadHeader;
    return result;
}

MacroLoadResult loadMacroFile(const QString &folder, const QString &name)
{
    if (!isSafeMacroName(name))
        return MacroLoadResult();
    return readMacroFile(folder + QLatin1Char('/') + name + QStringLiteral(".csv"));
}

bool writeMacroFile(const QString &path, const QList<MACRO_Key> &steps, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = writeMacroCsv(steps);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
