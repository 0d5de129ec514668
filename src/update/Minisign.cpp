#include "Minisign.h"

#include <QList>

#include <sodium.h>

namespace {

constexpr int KeyIdBytes = 8;
constexpr int KeyBytes = 32;
constexpr int SignatureBytes = 64;
// The longest line we read: a trusted comment is short text.
constexpr int LineLimit = 4096;

const QByteArray UntrustedPrefix = QByteArrayLiteral("untrusted comment: ");
const QByteArray TrustedPrefix = QByteArrayLiteral("trusted comment: ");

// Strict base64 of exactly the expected length: no white space inside, no
// missing padding, nothing after.
bool decodeExact(const QByteArray &text, int bytes, QByteArray *out)
{
    const int encoded = (bytes + 2) / 3 * 4;
    if (text.size() != encoded)
        return false;
    auto result = QByteArray::fromBase64Encoding(text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != bytes)
        return false;
    // fromBase64 forgives non-zero padding bits; a second text must not pass.
    if (result.decoded.toBase64() != text)
        return false;
    *out = result.decoded;
    return true;
}

QByteArray withoutCr(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

bool parseMinisignPublicKey(const QByteArray &text, MinisignPublicKey *key)
{
    if (text.size() > LineLimit)
        return false;
    QList<QByteArray> lines = text.split('\n');
    while (!lines.isEmpty() && withoutCr(lines.last()).trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() == 2 && withoutCr(lines.first()).startsWith(UntrustedPrefix))
        lines.removeFirst();
    if (lines.size() != 1)
        return false;
    QByteArray raw;
    if (!decodeExact(withoutCr(lines.first()).trimmed(), 2 + KeyIdBytes + KeyBytes, &raw) || !raw.startsWith("Ed"))
        return false;
    key->keyId = raw.mid(2, KeyIdBytes);
    key->key = raw.mid(2 + KeyIdBytes);
    return true;
}

bool parseMinisignSignature(const QByteArray &text, MinisignSignature *signature)
{
    if (text.size() > 4 * LineLimit)
        return false;
    QList<QByteArray> lines = text.split('\n');
    if (lines.size() == 5 && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != 4)
        return false;
    for (QByteArray &line : lines)
        line = withoutCr(line);
    if (!lines.at(0).startsWith(UntrustedPrefix) || !lines.at(2).startsWith(TrustedPrefix))
        return false;
    QByteArray raw, global;
    if (!decodeExact(lines.at(1), 2 + KeyIdBytes + SignatureBytes, &raw) ||
        !decodeExact(lines.at(3), SignatureBytes, &global))
        return false;
    const QByteArray algorithm = raw.left(2);
    if (algorithm != "Ed" && algorithm != "ED")
        return false;
    MinisignSignature s;
    s.prehashed = algorithm == "ED";
    s.keyId = raw.mid(2, KeyIdBytes);
    s.signature = raw.mid(2 + KeyIdBytes);
    s.trustedComment = lines.at(2).mid(TrustedPrefix.size());
    s.globalSignature = global;
    *signature = s;
    return true;
}

MinisignResult verifyMinisign(const QByteArray &message, const QByteArray &signatureFile,
                              const QList<MinisignPublicKey> &keys)
{
    MinisignSignature s;
    if (!parseMinisignSignature(signatureFile, &s))
        return MinisignResult::Malformed;
    const MinisignPublicKey *key = nullptr;
    for (const MinisignPublicKey &k : keys)
        if (k.keyId == s.keyId && k.key.size() == KeyBytes)
            key = &k;
    if (!key)
        return MinisignResult::UnknownKey;
    if (sodium_init() < 0)
        return MinisignResult::BadSignature;

    const auto *pk = reinterpret_cast<const unsigned char *>(key->key.constData());
    const auto *sig = reinterpret_cast<const unsigned char *>(s.signature.constData());
    int ok;
    if (s.prehashed) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char *>(message.constData()),
                           size_t(message.size()), nullptr, 0);
        ok = crypto_sign_verify_detached(sig, hash, sizeof hash, pk);
    } else {
        ok = crypto_sign_verify_detached(sig, reinterpret_cast<const unsigned char *>(message.constData()),
                                         size_t(message.size()), pk);
    }
    if (ok != 0)
        return MinisignResult::BadSignature;
    // The trusted comment is bound to the signature by the global signature.
    const QByteArray global = s.signature + s.trustedComment;
    if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(s.globalSignature.constData()),
                                    reinterpret_cast<const unsigned char *>(global.constData()),
                                    size_t(global.size()), pk) != 0)
        return MinisignResult::BadSignature;
    return MinisignResult::Valid;
}

QString minisignKeyIdText(const QByteArray &keyId)
{
    QByteArray reversed;
    for (int i = keyId.size() - 1; i >= 0; --i)
        reversed += keyId.at(i);
    return QString::fromLatin1(reversed.toHex().toUpper());
}


namespace {

// 1 to 11 decimal digits, no sign, no leading zero: up to the year 5138.
bool parseSeconds(const QByteArray &text, qint64 *seconds)
{
    if (text.isEmpty() || text.size() > 11 || text.at(0) == '0')
        return false;
    qint64 n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    *seconds = n;
    return true;
}

bool isFieldName(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > 32)
        return false;
    for (char c : name)
        if (c < 'a' || c > 'z')
            return false;
    return true;
}

} // namespace

bool parseTrustedComment(const QByteArray &text, TrustedComment *comment)
{
    if (text.isEmpty() || text.size() > TrustedCommentLimit)
        return false;
    for (char c : text)
        if (c != '\t' && (c < 0x20 || c > 0x7E))
            return false;
    TrustedComment parsed;
    bool haveTimestamp = false, haveExpires = false, haveFile = false, hashed = false;
    for (const QByteArray &field : text.split('\t')) {
        if (field == "hashed") {
            if (hashed)
                return false;
            hashed = true;
            continue;
        }
        const int colon = field.indexOf(':');
        if (colon <= 0)
            return false;
        const QByteArray name = field.left(colon);
        const QByteArray value = field.mid(colon + 1);
        if (!isFieldName(name) || value.isEmpty())
            return false;
        if (name == "timestamp") {
            if (haveTimestamp || !parseSeconds(value, &parsed.timestamp))
                return false;
            haveTimestamp = true;
        } else if (name == "expires") {
            if (haveExpires || !parseSeconds(value, &parsed.expires))
                return false;
            haveExpires = true;
        } else if (name == "file") {
            if (haveFile || value.contains('/') || value.contains('\\') || value == "." || value == "..")
                return false;
            parsed.file = QString::fromLatin1(value);
            haveFile = true;
        }
    }
    if (!haveTimestamp || !haveFile || (haveExpires && parsed.expires <= parsed.timestamp))
        return false;
    *comment = parsed;
    return true;
}
