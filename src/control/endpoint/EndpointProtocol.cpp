#include "EndpointProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace EndpointProtocol {

namespace {

using Verb = RemoteCommand::Verb;

struct VerbEntry {
    Verb verb;
    const char *name;
};

const VerbEntry Verbs[] = {
    {Verb::Info, "info"},         {Verb::Dump, "dump"},
    {Verb::Export, "export"},     {Verb::Apply, "apply"},
    {Verb::ProfileList, "profile-list"}, {Verb::ProfileUse, "profile-use"},
    {Verb::Undo, "undo"},         {Verb::Redo, "redo"},
    {Verb::Show, "show"},
};

// The members a request of the verb may carry.
QStringList membersOf(Verb verb)
{
    QStringList members = {QStringLiteral("v"), QStringLiteral("id"), QStringLiteral("cmd")};
    switch (verb) {
    case Verb::Export: members << QStringLiteral("file"); break;
    case Verb::Apply:
        members << QStringLiteral("name") << QStringLiteral("file") << QStringLiteral("data")
                << QStringLiteral("verify") << QStringLiteral("full");
        break;
    case Verb::ProfileList: members << QStringLiteral("json"); break;
    case Verb::ProfileUse: members << QStringLiteral("name"); break;
    default: break;
    }
    return members;
}

// Members outside strings of a flat object: one more than its commas. A
// member given twice is kept once by the JSON reader, so counting is how a
// repeated member is told.
int topLevelCommas(const QByteArray &line)
{
    int commas = 0;
    bool inString = false;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ',') {
            ++commas;
        }
    }
    return commas;
}

// A flat JSON object of at most maxLine bytes, each member a scalar, none
// repeated; empty why when it is one.
QJsonObject flatObject(const QByteArray &line, int maxLine, QString *why)
{
    if (line.size() > maxLine) {
        *why = QStringLiteral("the line is longer than %1 bytes").arg(maxLine);
        return {};
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
        return {};
    }
    if (!doc.isObject()) {
        *why = QStringLiteral("not a JSON object");
        return {};
    }
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isArray() || it.value().isObject() || it.value().isNull()) {
            *why = QStringLiteral("member \"%1\" is not a string, number or true/false").arg(it.key().left(64));
            return {};
        }
    }
    if (topLevelCommas(line) + (object.isEmpty() ? 0 : 1) != object.size()) {
        *why = QStringLiteral("a member is given twice");
        return {};
    }
    return object;
}

bool integerIn(const QJsonValue &value, qint64 low, qint64 high, qint64 *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < double(low) || d > double(high))
        return false;
    *out = qint64(d);
    return true;
}

// The version and the id, which every line needs; why empty when both are good.
qint64 readEnvelope(const QJsonObject &object, QString *why)
{
    qint64 id = NoId;
    const bool idOk = integerIn(object.value(QLatin1String("id")), 0, MaxId, &id);
    qint64 version = 0;
    if (!object.contains(QLatin1String("v")))
        *why = QStringLiteral("member \"v\" (the protocol version) is missing");
    else if (!integerIn(object.value(QLatin1String("v")), 0, MaxId, &version))
        *why = QStringLiteral("member \"v\" is not a version number");
    else if (version != Version)
        *why = QStringLiteral("protocol version %1 is not spoken here (this Corvane speaks %2)").arg(version).arg(Version);
    else if (!idOk)
        *why = QStringLiteral("member \"id\" is missing or not a whole number from 0 to %1").arg(MaxId);
    return idOk ? id : NoId;
}

bool readText(const QJsonObject &object, const char *member, int maxLength, QString *out, QString *why)
{
    const QJsonValue value = object.value(QLatin1String(member));
    if (!value.isString()) {
        *why = QStringLiteral("member \"%1\" is not text").arg(QLatin1String(member));
        return false;
    }
    const QString problem = plainTextProblem(value.toString(), maxLength);
    if (!problem.isEmpty()) {
        *why = QStringLiteral("member \"%1\" %2").arg(QLatin1String(member), problem);
        return false;
    }
    *out = value.toString();
    return true;
}

bool readBool(const QJsonObject &object, const char *member, bool *out, QString *why)
{
    const QJsonValue value = object.value(QLatin1String(member));
    if (value.isUndefined())
        return true;
    if (!value.isBool()) {
        *why = QStringLiteral("member \"%1\" is not true or false").arg(QLatin1String(member));
        return false;
    }
    *out = value.toBool();
    return true;
}

bool readBase64(const QJsonObject &object, const char *member, int maxLength, QByteArray *out, QString *why)
{
    const QJsonValue value = object.value(QLatin1String(member));
    if (!value.isString()) {
        *why = QStringLiteral("member \"%1\" is not text").arg(QLatin1String(member));
        return false;
    }
    const QByteArray text = value.toString().toLatin1();
    if (text.size() > maxLength / 3 * 4 + 4) {
        *why = QStringLiteral("member \"%1\" is too long").arg(QLatin1String(member));
        return false;
    }
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    // Strict: exactly what the encoder writes, so one request has one form.
    if (!decoded || decoded.decoded.toBase64() != text || decoded.decoded.size() > maxLength) {
        *why = QStringLiteral("member \"%1\" is not base64").arg(QLatin1String(member));
        return false;
    }
    *out = decoded.decoded;
    return true;
}

bool readCommand(const QJsonObject &object, RemoteCommand *command, QString *why)
{
    const QJsonValue cmd = object.value(QLatin1String("cmd"));
    if (!cmd.isString()) {
        *why = QStringLiteral("member \"cmd\" (the command) is missing or not text");
        return false;
    }
    if (!verbFromName(cmd.toString(), &command->verb)) {
        *why = QStringLiteral("unknown command \"%1\"").arg(cmd.toString().left(64));
        return false;
    }
    const QStringList allowed = membersOf(command->verb);
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (!allowed.contains(key)) {
            *why = QStringLiteral("member \"%1\" does not belong to %2").arg(key.left(64), cmd.toString());
            return false;
        }
    }
    switch (command->verb) {
    case Verb::Export:
        return readText(object, "file", MaxFileNameLength, &command->fileName, why);
    case Verb::ProfileUse:
        return readText(object, "name", MaxNameLength, &command->name, why);
    case Verb::ProfileList:
        return readBool(object, "json", &command->json, why);
    case Verb::Apply: {
        const bool byName = object.contains(QLatin1String("name"));
        const bool byData = object.contains(QLatin1String("data"));
        if (byName == byData || (byName && object.contains(QLatin1String("file")))) {
            *why = QStringLiteral("apply takes either \"name\" or \"file\" and \"data\"");
            return false;
        }
        if (byName && !readText(object, "name", MaxNameLength, &command->name, why))
            return false;
        if (byData && (!readText(object, "file", MaxFileNameLength, &command->fileName, why) ||
                       !readBase64(object, "data", MaxRequestData, &command->data, why)))
            return false;
        return readBool(object, "verify", &command->verify, why) && readBool(object, "full", &command->full, why);
    }
    default: return true;
    }
}

QJsonObject envelope(qint64 id)
{
    QJsonObject o;
    o.insert(QStringLiteral("v"), Version);
    // An answer to a line whose id could not be read carries none.
    if (id >= 0 && id <= MaxId)
        o.insert(QStringLiteral("id"), double(id));
    return o;
}

QByteArray line(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QString verbName(Verb verb)
{
    for (const VerbEntry &e : Verbs)
        if (e.verb == verb)
            return QLatin1String(e.name);
    return QString();
}

bool verbFromName(const QString &name, Verb *verb)
{
    for (const VerbEntry &e : Verbs) {
        if (name == QLatin1String(e.name)) {
            *verb = e.verb;
            return true;
        }
    }
    return false;
}

QString plainTextProblem(const QString &text, int maxLength)
{
    if (text.isEmpty())
        return QStringLiteral("is empty");
    if (text.size() > maxLength)
        return QStringLiteral("is longer than %1 characters").arg(maxLength);
    for (int i = 0; i < text.size(); ++i) {
        uint code = text.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(code)) {
            return QStringLiteral("holds a broken character");
        }
        switch (QChar::category(code)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return QStringLiteral("holds a control character");
        default: break;
        }
        if (QChar::isNonCharacter(code))
            return QStringLiteral("holds a control character");
    }
    return QString();
}

Request parseRequest(const QByteArray &text)
{
    Request r;
    const QJsonObject object = flatObject(text, MaxRequestLine, &r.error);
    if (!r.error.isEmpty())
        return r;
    r.id = readEnvelope(object, &r.error);
    if (r.error.isEmpty())
        readCommand(object, &r.command, &r.error);
    if (!r.error.isEmpty())
        r.command = RemoteCommand();
    return r;
}

QByteArray encodeRequest(qint64 id, const RemoteCommand &command)
{
    QJsonObject o = envelope(id);
    o.insert(QStringLiteral("cmd"), verbName(command.verb));
    switch (command.verb) {
    case Verb::Export: o.insert(QStringLiteral("file"), command.fileName); break;
    case Verb::ProfileUse: o.insert(QStringLiteral("name"), command.name); break;
    case Verb::ProfileList:
        if (command.json)
            o.insert(QStringLiteral("json"), true);
        break;
    case Verb::Apply:
        if (command.name.isEmpty()) {
            o.insert(QStringLiteral("file"), command.fileName);
            o.insert(QStringLiteral("data"), QString::fromLatin1(command.data.toBase64()));
        } else {
            o.insert(QStringLiteral("name"), command.name);
        }
        if (command.verify)
            o.insert(QStringLiteral("verify"), true);
        if (command.full)
            o.insert(QStringLiteral("full"), true);
        break;
    default: break;
    }
    return line(o);
}

QByteArray encodeProgress(qint64 id, int percent, const QString &label)
{
    QJsonObject o = envelope(id);
    o.insert(QStringLiteral("progress"), qBound(0, percent, 100));
    // Our own handler's words, but a client takes only plain text.
    if (plainTextProblem(label, MaxLabelLength).isEmpty())
        o.insert(QStringLiteral("label"), label);
    return line(o);
}

QByteArray encodeReply(qint64 id, const RemoteReply &reply)
{
    QJsonObject o = envelope(id);
    o.insert(QStringLiteral("exit"), reply.exitCode >= 0 && reply.exitCode <= 255 ? reply.exitCode : 1);
    o.insert(QStringLiteral("out"), QString::fromLatin1(reply.out.toBase64()));
    o.insert(QStringLiteral("err"), QString::fromLatin1(reply.err.toBase64()));
    return line(o);
}

QByteArray encodeError(qint64 id, const QString &message, const char *code)
{
    QJsonObject o = envelope(id);
    QString text = message.left(MaxErrorLength);
    if (!plainTextProblem(text, MaxErrorLength).isEmpty())
        text = QStringLiteral("the request was refused");
    o.insert(QStringLiteral("error"), text);
    if (code)
        o.insert(QStringLiteral("code"), QLatin1String(code));
    return line(o);
}

Answer parseAnswer(const QByteArray &text)
{
    Answer a;
    const QJsonObject object = flatObject(text, MaxAnswerLine, &a.error);
    if (!a.error.isEmpty())
        return a;
    // An error about a line whose id could not be read has none.
    const bool errorLine = object.contains(QLatin1String("error"));
    const QJsonValue idValue = object.value(QLatin1String("id"));
    QJsonObject checked = object;
    if (errorLine && idValue.isUndefined())
        checked.insert(QStringLiteral("id"), 0);
    QString why;
    a.id = readEnvelope(checked, &why);
    if (errorLine && idValue.isUndefined())
        a.id = NoId;
    if (!why.isEmpty()) {
        a.error = why;
        return a;
    }
    const int kinds = int(object.contains(QLatin1String("progress"))) + int(object.contains(QLatin1String("exit"))) +
                      int(errorLine);
    QStringList allowed = {QStringLiteral("v"), QStringLiteral("id")};
    if (kinds != 1) {
        a.error = QStringLiteral("not one of progress, exit or error");
        return a;
    }
    qint64 number = 0;
    if (object.contains(QLatin1String("progress"))) {
        allowed << QStringLiteral("progress") << QStringLiteral("label");
        if (!integerIn(object.value(QLatin1String("progress")), 0, 100, &number)) {
            a.error = QStringLiteral("progress is not a whole number from 0 to 100");
            return a;
        }
        a.progress = int(number);
        if (object.contains(QLatin1String("label")) && !readText(object, "label", MaxLabelLength, &a.label, &a.error))
            return a;
        a.kind = Answer::Kind::Progress;
    } else if (object.contains(QLatin1String("exit"))) {
        allowed << QStringLiteral("exit") << QStringLiteral("out") << QStringLiteral("err");
        if (!integerIn(object.value(QLatin1String("exit")), 0, 255, &number)) {
            a.error = QStringLiteral("exit is not a whole number from 0 to 255");
            return a;
        }
        a.reply.exitCode = int(number);
        if (!readBase64(object, "out", MaxAnswerLine, &a.reply.out, &a.error) ||
            !readBase64(object, "err", MaxAnswerLine, &a.reply.err, &a.error))
            return a;
        a.kind = Answer::Kind::Reply;
    } else {
        allowed << QStringLiteral("error") << QStringLiteral("code");
        if (!readText(object, "error", MaxErrorLength, &a.error, &a.error))
            return a;
        if (object.contains(QLatin1String("code"))) {
            QString why2;
            if (!readText(object, "code", 32, &a.code, &why2)) {
                a.error = why2;
                return a;
            }
        }
        a.kind = Answer::Kind::Error;
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!allowed.contains(it.key())) {
            a = Answer();
            a.error = QStringLiteral("unknown member \"%1\"").arg(it.key().left(64));
            return a;
        }
    }
    return a;
}

} // namespace EndpointProtocol
