// translation_check LUPDATE SOURCE_DIR EN_US_TS [ZH_CN_TS]
//
// Extracts every translatable text under SOURCE_DIR with lupdate and checks
// that EN_US_TS holds a finished, non-empty translation for each one (same
// context, same source text), and that ZH_CN_TS, when given, passes each
// Chinese source through unchanged. Prints every gap and exits non-zero if
// any.

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type; // "", "unfinished", "obsolete", "vanished"
};

bool readTs(const QString &path, QList<Message> *messages, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + ": " + file.errorString();
        return false;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                current = Message();
                current.context = context;
            } else if (name == QLatin1String("source")) {
                current.source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                current.type = xml.attributes().value(QLatin1String("type")).toString();
                // Plural forms: every form must be there.
                current.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            messages->append(current);
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1:%2: %3").arg(path).arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() != 4 && args.size() != 5) {
        out << "usage: translation_check LUPDATE SOURCE_DIR EN_US_TS [ZH_CN_TS]\n";
        return 2;
    }

    QTemporaryDir tmp;
    const QString extracted = tmp.filePath(QStringLiteral("extracted.ts"));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    lupdate.start(args[1], {QStringLiteral("-silent"), QStringLiteral("-recursive"), QStringLiteral("-locations"),
                            QStringLiteral("none"), args[2], QStringLiteral("-ts"), extracted});
    if (!lupdate.waitForFinished(120000) || lupdate.exitCode() != 0) {
        out << "lupdate failed\n";
        return 2;
    }

    QList<Message> used, english;
    QString error;
    if (!readTs(extracted, &used, &error) || !readTs(args[3], &english, &error)) {
        out << error << "\n";
        return 2;
    }
    QHash<QPair<QString, QString>, Message> byKey;
    for (const Message &m : english)
        byKey.insert({m.context, m.source}, m);

    int gaps = 0;
    for (const Message &m : used) {
        const auto it = byKey.constFind({m.context, m.source});
        QString problem;
        if (it == byKey.constEnd())
            problem = QStringLiteral("missing from en_US.ts");
        else if (!it->type.isEmpty())
            problem = QStringLiteral("translation is %1").arg(it->type);
        else if (it->translation.trimmed().isEmpty())
            problem = QStringLiteral("translation is empty");
        if (problem.isEmpty())
            continue;
        ++gaps;
        out << m.context << ": \"" << m.source << "\": " << problem << "\n";
    }
    out << used.size() << " texts checked, " << gaps << " without a finished English translation\n";

    int chineseGaps = 0;
    if (args.size() == 5) {
        QList<Message> chinese;
        if (!readTs(args[4], &chinese, &error)) {
            out << error << "\n";
            return 2;
        }
        QHash<QPair<QString, QString>, Message> zh;
        for (const Message &m : chinese)
            zh.insert({m.context, m.source}, m);
        for (const Message &m : used) {
            const auto it = zh.constFind({m.context, m.source});
            if (it != zh.constEnd() && it->type.isEmpty() && it->translation == m.source)
                continue;
            ++chineseGaps;
            out << m.context << ": \"" << m.source << "\": "
                << (it == zh.constEnd() ? "missing from zh_CN.ts" : "zh_CN.ts does not pass the source through") << "\n";
        }
    }
    return gaps == 0 && chineseGaps == 0 ? 0 : 1;
}
