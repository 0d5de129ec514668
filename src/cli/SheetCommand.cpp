#include "SheetCommand.h"

#include "LayerSheet.h"
#include "ProfileDocument.h"
#include "ProfileIntake.h"
#include "ProfileName.h"

#include <QFile>
#include <QFileInfo>

int runSheetCommand(const QString &profilePath, const QString &outPath, int model, const CliOutput &io)
{
    if (!outPath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
        && !outPath.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return io.fail(QStringLiteral("%1: the sheet is written as .pdf or .svg").arg(outPath));
    if (model < 0)
        return io.fail(QStringLiteral("which keyboard model is the profile for? Name it with --model N"));
    QFile file(profilePath);
    if (!file.open(QIODevice::ReadOnly))
        return io.fail(QStringLiteral("cannot read %1: %2").arg(profilePath, file.errorString()));
    const QByteArray bytes = file.read(MaxProfileFileSize + 1);
    ProfileData profile;
    QString why;
    if (!readProfileForApply(bytes, profilePath, &profile, &why))
        return io.fail(why);
    const LayerSheet sheet(model, profile, profileListName(QFileInfo(profilePath).fileName()));
    if (!sheet.isValid())
        return io.fail(QStringLiteral("keyboard model %1 has no layout to draw").arg(model));
    if (!writeLayerSheet(sheet, outPath, &why))
        return io.fail(why);
    io.line(QStringLiteral("wrote %1: %2 page(s)").arg(outPath).arg(sheet.pageCount()));
    return 0;
}
