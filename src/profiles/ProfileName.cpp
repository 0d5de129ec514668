#include "ProfileName.h"

#include "FileNameRules.h"

#include <QCoreApplication>
#include <QFileInfo>

QString profileNameProblem(const QString &name)
{
    switch (fileNameProblem(name, MaxProfileNameLength)) {
    case FileNameProblem::None: return QString();
    case FileNameProblem::Empty:
        return QCoreApplication::translate("ProfileName", "配置名称不能为空。");
    case FileNameProblem::TooLong:
        return QCoreApplication::translate("ProfileName", "配置名称不能超过%1个字符。").arg(MaxProfileNameLength);
    case FileNameProblem::BadCharacter:
        return QCoreApplication::translate("ProfileName", "配置名称不能包含以下字符：%1 或控制字符。").arg(forbiddenFileNameCharacters());
    case FileNameProblem::DotDot:
        return QCoreApplication::translate("ProfileName", "配置名称不能包含“..”。");
    // The stored name, the part before the first dot, would be empty too.
    case FileNameProblem::LeadingDot:
        return QCoreApplication::translate("ProfileName", "配置名称不能以“.”开头。");
    case FileNameProblem::TrailingDotOrSpace:
        return QCoreApplication::translate("ProfileName", "配置名称不能以“.”或空格结尾。");
    case FileNameProblem::Reserved:
        return QCoreApplication::translate("ProfileName", "配置名称是系统保留名称，请换一个名称。");
    }
    return QString();
}

QString profileFileNameProblem(const QString &fileName)
{
    if (!fileName.endsWith(QLatin1String(".kb")))
        return QStringLiteral("not a .kb file name");
    if (fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')))
        return QStringLiteral("holds a path separator");
    if (fileName == QLatin1String(".kb") || fileName.contains(QLatin1String("..")))
        return QStringLiteral("not a plain file name");
    return QString();
}

QString profileBaseName(const QString &fileName)
{
    return QFileInfo(fileName).baseName();
}

QString profileListName(const QString &fileName)
{
    return fileName.left(fileName.size() - 3);
}
