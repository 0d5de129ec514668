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

// The file a trusted comment names: the value of its "file:" field (minisign
// writes "timestamp:<n>\tfile:<name>\thashed" unless told otherwise); empty
// when it names none.
QString minisignTrustedFileName(const QByteArray &trustedComment);

// The key id as minisign prints it (upper-case hex, most significant first).
QString minisignKeyIdText(const QByteArray &keyId);
