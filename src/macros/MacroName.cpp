#include "MacroName.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// Characters Windows refuses in file names, beside the control characters.
const QString ForbiddenCharacters = QStringLiteral("<>:\"/\\|?*");

bool isReservedDeviceName(const QString &name)
{
    // Windows maps these to devices whatever the extension.
    static const QStringList reserved = {
        "CON", "PRN", "AUX", "NUL",
        "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
        "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    return reserved.contains(name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper());
}

} // namespace

QString macroNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QCoreApplication::translate("MacroName", "宏名称不能为空。");
    if (name.size() > MaxMacroNameLength)
        return QCoreApplication::translate("MacroName", "宏名称不能超过%1个字符。").arg(MaxMacroNameLength);
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control
            || ForbiddenCharacters.contains(c))
            return QCoreApplication::translate("MacroName", "宏名称不能包含以下字符：%1 或控制字符。").arg(ForbiddenCharacters);
    }
    if (name.contains(QLatin1String("..")))
        return QCoreApplication::translate("MacroName", "宏名称不能包含“..”。");
    // A leading dot hides the file on Linux.
    if (name.startsWith(QLatin1Char('.')))
        return QCoreApplication::translate("MacroName", "宏名称不能以“.”开头。");
    // Windows silently drops a trailing dot or space, which would give
    // another file than the one the user named.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return QCoreApplication::translate("MacroName", "宏名称不能以“.”或空格结尾。");
    if (isReservedDeviceName(name))
        return QCoreApplication::translate("MacroName", "宏名称是系统保留名称，请换一个名称。");
    return QString();
}
