#include "MacroCsv.h"

#include <QStringList>

namespace {

const QStringList kHeader = {QStringLiteral("Key"), QStringLiteral("Key UP/DOWN"), QStringLiteral("Delay(ms)")};

// Fields of one line, with quoted fields ("a,b" and "say ""x""") read as
// such; false when a quote does not close where a field ends. Empty fields
// are dropped unless quoted.
bool quotedFields(const QString &line, QStringList *fields)
{
    fields->clear();
    int i = 0;
    const int n = line.size();
    while (true) {
        QString field;
        bool quoted = false;
        if (i < n && line.at(i) == QLatin1Char('"')) {
            quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                if (line.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && line.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                field += line.at(i++);
            }
            if (!closed || (i < n && line.at(i) != QLatin1Char(',')))
                return false;
        } else {
            const int comma = line.indexOf(QLatin1Char(','), i);
            const int stop = comma < 0 ? n : comma;
            field = line.mid(i, stop - i);
            i = stop;
        }
        if (quoted || !field.isEmpty())
            fields->append(field);
        if (i >= n)
            return true;
        ++i; // the comma
    }
}

QStringList fieldsOf(QString line)
{
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    QStringList fields;
    if (!line.contains(QLatin1Char('"')) || !quotedFields(line, &fields))
        fields = line.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return fields;
}

QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    // Quoted only where the plain text would not read back as itself (an
    // empty field would be dropped).
    if (bytes.isEmpty() || bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

} // namespace

MacroCsvResult parseMacroCsv(const QByteArray &bytes, QList<MACRO_Key> *steps)
{
    steps->clear();
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) // spreadsheet programs write one
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (fieldsOf(lines.first()) != kHeader)
        return MacroCsvResult::BadHeader;
    for (int i = 1; i < lines.size() && steps->size() < MaxMacroCsvSteps; ++i) {
        const QStringList fields = fieldsOf(lines.at(i));
        if (fields.size() != 3)
            continue;
        MACRO_Key step;
        step.keyName = fields.at(0);
        step.down = fields.at(1) == QLatin1String("DOWN");
        // Not a number, negative or too large for an int: no pause.
        step.delay = qMax(0, fields.at(2).toInt());
        steps->append(step);
    }
    return MacroCsvResult::Ok;
}

QByteArray writeMacroCsv(const QList<MACRO_Key> &steps)
{
    QByteArray out = kHeader.join(QLatin1Char(',')).toUtf8() + '\n';
    for (const MACRO_Key &step : steps) {
        out += csvField(step.keyName);
        out += step.down ? ",DOWN," : ",UP,";
        out += QByteArray::number(qMax(0, step.delay));
        out += '\n';
    }
    return out;
}
