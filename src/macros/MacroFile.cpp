#include "MacroFile.h"

#include "MacroCsv.h"

#include <QFile>

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

MacroLoadResult loadMacroFile(const QString &folder, const QString &name)
{
    MacroLoadResult result;
    if (!isSafeMacroName(name))
        return result;
    QFile file(folder + QLatin1Char('/') + name + QStringLiteral(".csv"));
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
