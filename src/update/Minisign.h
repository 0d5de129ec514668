#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// minisign's formats (Ed25519 signatures), read and checked here so that the
// updater trusts what a release was signed with and nothing else.
//
//   public key:  base64 of "Ed" + key id (8 bytes) + key (32 bytes), alone
//                or as the second line under an "untrusted comment:" line;
//   signature:   "untrusted comment: ..." line, base64 of "ED" (the message
//                prehashed with BLAKE2b-512, minisign's default) or the older
//                "Ed" (the message itself) + key id + signature (64 bytes),
//                "trusted comment: ..." line, base64 of the global signature
//                (64 bytes) over signature + trusted comment.
//
// The parsers are pure and take any bytes; only verifyMinisign() does
// cryptography.

struct MinisignPublicKey {
    QByteArray keyId; // 8 bytes, as stored
    QByteArray key;   // 32 bytes
};

struct MinisignSignature {
    bool prehashed = false; // "ED"
    QByteArray keyId;       // 8 bytes
    QByteArray signature;   // 64 bytes
    QByteArray trustedComment; // the text after "trusted comment: "
    QByteArray globalSignature; // 64 bytes
};

// False for anything that is not one key in either form.
bool parseMinisignPublicKey(const QByteArray &text, MinisignPublicKey *key);
// False for anything that is not a whole signature file (four lines, the
// last one may lack its newline).
bool parseMinisignSignature(const QByteArray &text, MinisignSignature *signature);

enum class MinisignResult {
    Valid,
    Malformed,     // the signature file is not one
    UnknownKey,    // signed, but by no key given
    BadSignature,  // the key matches, the signature does not (another message, altered bytes)
};

// Checks message against the signature file with whichever of the keys has
// its key id; both the signature and the global signature must hold.
MinisignResult verifyMinisign(const QByteArray &message, const QByteArray &signatureFile,
                              const QList<MinisignPublicKey> &keys);

// What a release's trusted comment vouches for, as scripts/sign-release
// writes it: "timestamp:<unix seconds>\tfile:<name>\texpires:<unix seconds>".
// Fields are separated by tabs, in any order; "expires" may be missing;
// minisign's own "hashed" flag and fields of other (lower-case) names are
// allowed and ignored, so that a later release may say more.
struct TrustedComment {
    qint64 timestamp = 0; // when the document was signed
    qint64 expires = 0;   // after this it vouches for nothing; 0: no limit
    QString file;         // the signed file's name
};

// The longest trusted comment taken; minisign's own limit is about this.
constexpr int TrustedCommentLimit = 1024;

// Strict: false for a comment longer than the limit, a byte other than
// printable ASCII and the tab, an empty field, a known field twice, a number
// that is not 1 to 11 plain decimal digits without a leading zero, a file
// name with a path in it, no timestamp or no file, or an expiry that is not
// after the timestamp.
bool parseTrustedComment(const QByteArray &text, TrustedComment *comment);

// The key id as minisign prints it (upper-case hex, most significant first).
QString minisignKeyIdText(const QByteArray &keyId);
