#include "MacroName.h"

#include "FileNameRules.h"

#include <QCoreApplication>

QString macroNameProblem(const QString &name)
{
    switch (fileNameProblem(name, MaxMacroNameLength)) {
    case FileNameProblem::None: return QString();
    case FileNameProblem::Empty:
        return QCoreApplication::translate("MacroName", "宏名称不能为空。");
    case FileNameProblem::TooLong:
        return QCoreApplication::translate("MacroName", "宏名称不能超过%1个字符。").arg(MaxMacroNameLength);
    case FileNameProblem::BadCharacter:
        return QCoreApplication::translate("MacroName", "宏名称不能包含以下字符：%1 或控制字符。").arg(forbiddenFileNameCharacters());
    case FileNameProblem::DotDot:
        return QCoreApplication::translate("MacroName", "宏名称不能包含“..”。");
    case FileNameProblem::LeadingDot:
        return QCoreApplication::translate("MacroName", "宏名称不能以“.”开头。");
    case FileNameProblem::TrailingDotOrSpace:
        return QCoreApplication::translate("MacroName", "宏名称不能以“.”或空格结尾。");
    case FileNameProblem::Reserved:
        return QCoreApplication::translate("MacroName", "宏名称是系统保留名称，请换一个名称。");
    }
    return QString();
}
