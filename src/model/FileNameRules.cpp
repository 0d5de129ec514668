#include "FileNameRules.h"

#include <QStringList>

QString forbiddenFileNameCharacters()
{
    return QStringLiteral("<>:\"/\\|?*");
}

FileNameProblem fileNameProblem(const QString &name, int maxLength)
{
    if (name.trimmed().isEmpty())
        return FileNameProblem::Empty;
    if (name.size() > maxLength)
        return FileNameProblem::TooLong;
    const QString forbidden = forbiddenFileNameCharacters();
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control
            || forbidden.contains(c))
            return FileNameProblem::BadCharacter;
    }
    if (name.contains(QLatin1String("..")))
        return FileNameProblem::DotDot;
    if (name.startsWith(QLatin1Char('.')))
        return FileNameProblem::LeadingDot;
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return FileNameProblem::TrailingDotOrSpace;
    static const QStringList reserved = {
        "CON", "PRN", "AUX", "NUL",
        "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
        "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    if (reserved.contains(name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper()))
        return FileNameProblem::Reserved;
    return FileNameProblem::None;
}
