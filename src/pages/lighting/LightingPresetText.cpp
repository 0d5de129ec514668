#include "LightingPresetText.h"

#include "KeyTypeTable.h"

#include <QStringList>
#include <QVector>

namespace {

// A decimal integer within [low, high]; -1 otherwise.
int field(const QStringRef &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok && value >= low && value <= high ? value : -1;
}

} // namespace

QMap<int, QColor> readPresetString(const QString &text)
{
    QMap<int, QColor> colours;
    const QVector<QStringRef> entries = text.splitRef(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QStringRef &entry : entries) {
        const QVector<QStringRef> f = entry.split(QLatin1Char('#'));
        if (f.size() != 4)
            continue;
        const int type = field(f[0], 0, KeyTypeCount - 1);
        const int red = field(f[1], 0, 255), green = field(f[2], 0, 255), blue = field(f[3], 0, 255);
        if (type < 0 || red < 0 || green < 0 || blue < 0)
            continue;
        colours.insert(type, QColor(red, green, blue));
    }
    return colours;
}

QString writePresetString(const QMap<int, QColor> &colours)
{
    QString text;
    for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
        if (!it.value().isValid() || it.key() < 0 || it.key() >= KeyTypeCount)
            continue;
        const QColor c = it.value().toRgb();
        text += QStringLiteral("%1#%2#%3#%4|").arg(it.key()).arg(c.red()).arg(c.green()).arg(c.blue());
    }
    return text;
}
