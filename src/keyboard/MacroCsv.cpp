#include "MacroCsv.h"

#include <QStringList>

MacroCsvResult parseMacroCsv(const QByteArray &bytes, QList<MACRO_Key> *steps)
{
    steps->clear();
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    auto fieldsOf = [](QString line) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line.split(QLatin1Char(','));
    };
    if (lines.isEmpty()
        || fieldsOf(lines.first())
               != QStringList({QStringLiteral("Key"), QStringLiteral("Key UP/DOWN"), QStringLiteral("Delay(ms)")}))
        return MacroCsvResult::BadHeader;
    for (int i = 1; i < lines.size() && steps->size() < MaxMacroCsvSteps; ++i) {
        const QStringList fields = fieldsOf(lines.at(i));
        if (fields.size() != 3)
            continue;
        MACRO_Key step;
        step.keyName = fields.at(0);
        step.down = fields.at(1) == QLatin1String("DOWN");
        step.delay = fields.at(2).toInt();
        steps->append(step);
    }
    return MacroCsvResult::Ok;
}
