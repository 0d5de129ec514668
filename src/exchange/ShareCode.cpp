#include "ShareCode.h"

#include "MacroCsv.h"
#include "MacroFile.h"
#include "ProfileIntake.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

constexpr int ChecksumBytes = 4;
const QRegularExpression &codePattern()
{
    // "corvane<version>-" and the base64url text.
    static const QRegularExpression re(QStringLiteral("corvane([0-9]{1,3})-([A-Za-z0-9_-]*)"));
    return re;
}

QByteArray checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(ChecksumBytes);
}

ShareCodeError fail(ShareCodeError error, QString *detail, const QString &text)
{
    if (detail)
        *detail = text;
    return error;
}

} // namespace

QString encodeShareCode(const SharedProfile &shared)
{
    QJsonObject macros;
    for (auto it = shared.macros.cbegin(); it != shared.macros.cend(); ++it)
        macros.insert(it.key(), QString::fromUtf8(writeMacroCsv(it.value())));
    QJsonObject root;
    root.insert(QStringLiteral("m"), shared.model);
    root.insert(QStringLiteral("p"), shared.document);
    if (!macros.isEmpty())
        root.insert(QStringLiteral("x"), macros);
    QByteArray bytes(1, char(ShareCodeVersion));
    bytes += qCompress(QJsonDocument(root).toJson(QJsonDocument::Compact), 9);
    bytes += checksum(bytes);
    return ShareCodePrefix
           + QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

SharedProfile shareProfile(const ProfileDocument &document, int model, const QString &macroFolder, QStringList *left)
{
    SharedProfile shared;
    shared.model = model;
    shared.document = document;
    QJsonObject advanced = document.value(ProfileKeys::AdvancedKey).toObject();
    for (auto it = advanced.begin(); it != advanced.end();) {
        const QJsonObject entry = it.value().toObject();
        if (entry.value(ProfileMembers::BindItem).toString() != QLatin1String("MACRO")) {
            ++it;
            continue;
        }
        const QString name = entry.value(ProfileMembers::MacroName).toString();
        const MacroLoadResult macro = loadMacroFile(macroFolder, name);
        if (macro.status == MacroLoadResult::Ok) {
            shared.macros.insert(name, macro.steps);
            ++it;
        } else {
            if (left && !left->contains(name))
                *left << name;
            it = advanced.erase(it);
        }
    }
    if (document.contains(ProfileKeys::AdvancedKey))
        shared.document.insert(ProfileKeys::AdvancedKey, advanced);
    return shared;
}

ShareCodeError decodeShareCode(const QString &code, SharedProfile *out, QString *detail)
{
    const QString text = code.trimmed();
    if (text.size() > MaxShareCodeLength + ShareCodePrefix.size())
        return fail(ShareCodeError::TooLong, detail, QStringLiteral("longer than %1 characters").arg(MaxShareCodeLength));
    const QRegularExpressionMatch m = codePattern().match(text, 0, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchoredMatchOption);
    if (!m.hasMatch() || m.capturedLength() != text.size()) {
        if (m.hasMatch() && m.captured(1).toInt() == ShareCodeVersion)
            return fail(ShareCodeError::Damaged, detail, QStringLiteral("characters outside base64url"));
        return fail(ShareCodeError::NotACode, detail, QStringLiteral("no \"%1\" prefix").arg(ShareCodePrefix));
    }
    const int version = m.captured(1).toInt();
    if (version > ShareCodeVersion)
        return fail(ShareCodeError::NewerVersion, detail, QStringLiteral("version %1").arg(version));
    if (version != ShareCodeVersion)
        return fail(ShareCodeError::NotACode, detail, QStringLiteral("unknown version %1").arg(version));

    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        m.captured(2).toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() < 1 + 4 + ChecksumBytes)
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("truncated or not base64url"));
    const QByteArray &bytes = decoded.decoded;
    const QByteArray body = bytes.left(bytes.size() - ChecksumBytes);
    if (checksum(body) != bytes.right(ChecksumBytes))
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("checksum does not match"));
    if (quint8(body.at(0)) != ShareCodeVersion)
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("version byte %1").arg(quint8(body.at(0))));
    // qUncompress trusts the size the stream declares: refuse a large one
    // before anything is allocated. A stream that lies about its size is
    // bounded by the code's length (see MaxShareCodeLength).
    const QByteArray compressed = body.mid(1);
    const quint32 declared = (quint32(quint8(compressed.at(0))) << 24) | (quint32(quint8(compressed.at(1))) << 16)
                             | (quint32(quint8(compressed.at(2))) << 8) | quint32(quint8(compressed.at(3)));
    if (declared == 0 || declared > quint32(MaxShareCodePayload))
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("declares %1 bytes").arg(declared));
    const QByteArray json = qUncompress(compressed);
    if (json.isEmpty() || json.size() > MaxShareCodePayload)
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("does not inflate"));

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return fail(ShareCodeError::Damaged, detail, QStringLiteral("not a JSON object"));
    const QJsonObject root = doc.object();
    const QJsonValue model = root.value(QStringLiteral("m"));
    if (!model.isDouble() || model.toDouble() != double(model.toInt()) || model.toInt() < -1 || model.toInt() > 255)
        return fail(ShareCodeError::NotAProfile, detail, QStringLiteral("no keyboard model"));
    if (!root.value(QStringLiteral("p")).isObject())
        return fail(ShareCodeError::NotAProfile, detail, QStringLiteral("no profile"));
    const ProfileDocument profileDoc = root.value(QStringLiteral("p")).toObject();
    ProfileData profile;
    QString why;
    if (!readProfileForApply(serialiseProfile(profileDoc), QStringLiteral("the code"), &profile, &why))
        return fail(ShareCodeError::NotAProfile, detail, why);

    const QJsonValue macroValue = root.value(QStringLiteral("x"));
    if (!macroValue.isUndefined() && !macroValue.isObject())
        return fail(ShareCodeError::NotAProfile, detail, QStringLiteral("macros are not a group"));
    const QJsonObject macroObject = macroValue.toObject();
    if (macroObject.size() > MaxSharedMacros)
        return fail(ShareCodeError::NotAProfile, detail, QStringLiteral("%1 macros").arg(macroObject.size()));
    QMap<QString, QList<MACRO_Key>> macros;
    for (auto it = macroObject.begin(); it != macroObject.end(); ++it) {
        QList<MACRO_Key> steps;
        if (!isSafeMacroName(it.key()) || !it.value().isString()
            || parseMacroCsv(it.value().toString().toUtf8(), &steps) != MacroCsvResult::Ok)
            return fail(ShareCodeError::NotAProfile, detail, QStringLiteral("macro \"%1\" cannot be read").arg(it.key()));
        macros.insert(it.key(), steps);
    }
    out->model = model.toInt();
    out->document = profileDoc;
    out->macros = macros;
    return ShareCodeError::None;
}

QString findShareCode(const QString &text)
{
    // A code is one word: chat text around it stays out of it.
    const QRegularExpressionMatch m = codePattern().match(text.left(4 * MaxShareCodeLength));
    return m.hasMatch() ? m.captured(0) : QString();
}
