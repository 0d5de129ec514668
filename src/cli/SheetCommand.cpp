#include "SheetCommand.h"

#include "ProfileBundle.h"
#include "LanguageManager.h"
#include "LayerSheet.h"
#include "ProfileDocument.h"
#include "ProfileIntake.h"
#include "ProfileName.h"

#include "SystemConfig.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>

namespace {

// The sheet's headings and legends in the language asked for, else the one
// Corvane shows; the texts' own language is Chinese.
bool loadSheetLanguage(QString language, const QString &dataFolder, QTranslator *translator, QString *why)
{
    if (language.isEmpty()) {
        const QString settings = DataFolder{dataFolder}.settingsFile();
        if (QFileInfo::exists(settings))
            language = SystemConfig(settings).language();
    }
    if (language != QLatin1String("English"))
        return true;
    if (LanguageManager::loadTranslation(language, translator)) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    *why = QStringLiteral("the English texts (%1) are not installed beside corvane-cli; --lang zh draws the sheet in "
                          "Chinese")
               .arg(LanguageManager::translationFile(language));
    return false;
}

} // namespace

int runSheetCommand(const QString &profilePath, const QString &outPath, int model, const QString &language,
                    const QString &dataFolder, const CliOutput &io)
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
    QTranslator translator;
    if (!loadSheetLanguage(language, dataFolder, &translator, &why))
        return io.fail(why);
    const LayerSheet sheet(model, profile, profileListName(QFileInfo(profilePath).fileName()));
    if (!sheet.isValid())
        return io.fail(QStringLiteral("keyboard model %1 has no layout to draw").arg(model));
    if (!writeLayerSheet(sheet, outPath, &why))
        return io.fail(why);
    io.line(QStringLiteral("wrote %1: %2 page(s)").arg(outPath).arg(sheet.pageCount()));
    return 0;
}
