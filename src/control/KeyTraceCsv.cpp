#include "KeyTraceCsv.h"

#include <QCoreApplication>
#include <QIODevice>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("KeyTraceCsv", text);
}

// A key name is quoted when it holds a comma or a quote (the comma key).
QByteArray field(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"'))
        return utf8;
    utf8.replace("\"", "\"\"");
    return '"' + utf8 + '"';
}

// Splits a line into fields; false on a quote that does not close.
bool splitLine(const QByteArray &line, QList<QByteArray> *fields)
{
    fields->clear();
    QByteArray current;
    bool quoted = false, wasQuoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (quoted) {
            if (c != '"') {
                current += c;
            } else if (i + 1 < line.size() && line.at(i + 1) == '"') {
                current += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"' && current.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields->append(current);
            current.clear();
            wasQuoted = false;
        } else if (c == '"') {
            return false;
        } else {
            current += c;
        }
    }
    if (quoted)
        return false;
    fields->append(current);
    return true;
}

bool number(const QByteArray &text, qint64 max, qint64 *value)
{
    if (text.isEmpty() || text.size() > 12)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value <= max;
}

bool validKeyName(const QString &name)
{
    if (name.isEmpty() || name.size() > KeyTraceCsv::MaxKeyNameChars)
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return false;
    return true;
}

} // namespace

QByteArray KeyTraceCsv::header()
{
    return QByteArrayLiteral("time_ms,key,depth_um,state\n");
}

QByteArray KeyTraceCsv::line(const QString &key, const KeyTraceSample &sample)
{
    return QByteArray::number(sample.timeMs) + ',' + field(key) + ',' + QByteArray::number(sample.depthUm) + ','
           + QByteArray::number(sample.state) + '\n';
}

KeyTraceCsv::Parsed KeyTraceCsv::read(QIODevice *device)
{
    const QByteArray bytes = device->read(MaxBytes + 1);
    if (bytes.size() > MaxBytes) {
        Parsed p;
        p.error = tr("记录文件超过 %1 MB").arg(MaxBytes / (1024 * 1024));
        return p;
    }
    return parse(bytes);
}

KeyTraceCsv::Parsed KeyTraceCsv::parse(const QByteArray &bytes)
{
    Parsed p;
    auto fail = [&p](int lineNo, const QString &why) {
        p.recording = Recording();
        p.error = tr("记录文件第 %1 行：%2").arg(lineNo).arg(why);
        return p;
    };
    if (bytes.size() > MaxBytes) {
        p.error = tr("记录文件超过 %1 MB").arg(MaxBytes / (1024 * 1024));
        return p;
    }
    int lineNo = 0, rows = 0;
    int start = 0;
    qint64 lastTime = 0;
    QList<QByteArray> fields;
    while (start < bytes.size()) {
        int end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray text = bytes.mid(start, end - start);
        start = end + 1;
        ++lineNo;
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.size() > MaxLineBytes)
            return fail(lineNo, tr("行太长"));
        if (lineNo == 1) {
            if (text.startsWith("\xEF\xBB\xBF"))
                text.remove(0, 3);
            if (text + '\n' != header())
                return fail(lineNo, tr("不是行程记录（表头应为 time_ms,key,depth_um,state）"));
            continue;
        }
        if (text.isEmpty())
            continue;
        if (++rows > MaxRows)
            return fail(lineNo, tr("超过 %1 行").arg(MaxRows));
        if (!splitLine(text, &fields) || fields.size() != 4)
            return fail(lineNo, tr("应有 4 个字段"));
        qint64 time = 0, depth = 0, state = 0;
        if (!number(fields[0], MaxTimeMs, &time) || time < lastTime)
            return fail(lineNo, tr("时间无效"));
        const QString key = QString::fromUtf8(fields[1]);
        if (!validKeyName(key) || key.toUtf8() != fields[1])
            return fail(lineNo, tr("按键名无效"));
        if (!number(fields[2], 0xFFFF, &depth))
            return fail(lineNo, tr("深度无效"));
        if (!number(fields[3], 0xFF, &state))
            return fail(lineNo, tr("状态无效"));
        lastTime = time;
        int k = p.recording.keys.indexOf(key);
        if (k < 0) {
            if (p.recording.keys.size() == MaxKeys)
                return fail(lineNo, tr("超过 %1 个按键").arg(MaxKeys));
            p.recording.keys << key;
            p.recording.samples.append(QVector<KeyTraceSample>());
            k = p.recording.keys.size() - 1;
        }
        p.recording.samples[k].append({time, int(depth), quint8(state)});
    }
    if (lineNo == 0)
        return fail(1, tr("文件是空的"));
    return p;
}
