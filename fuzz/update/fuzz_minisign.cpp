// minisign signature and key files, and trusted comments, on any bytes: the
// parsers never crash, a signature that verifies parses, nothing but the
// seed's own signature verifies the seed's document, and a trusted comment
// that parses has a time and a file.

#include "Minisign.h"

#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray Document = QByteArrayLiteral("{\"lastVersion\":\"1.1.0\",\"sha256\":\"00\"}");
const QByteArray Key = QByteArrayLiteral("untrusted comment: minisign public key 74A6A9B638CF9796\n"
                                         "RWSWl884tqmmdJFZtA9AYdqg/gG7Mn+DfvfIZEAt8EFMCAPgBylceJTl\n");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    MinisignPublicKey key;
    if (parseMinisignPublicKey(bytes, &key) && (key.keyId.size() != 8 || key.key.size() != 32))
        std::abort();
    MinisignSignature signature;
    const bool parsed = parseMinisignSignature(bytes, &signature);
    if (parsed && (signature.keyId.size() != 8 || signature.signature.size() != 64 ||
                   signature.globalSignature.size() != 64 || signature.trustedComment.contains('\n')))
        std::abort();
    TrustedComment comment;
    if (parseTrustedComment(bytes, &comment) &&
        (bytes.size() > TrustedCommentLimit || comment.timestamp <= 0 || comment.file.isEmpty() ||
         comment.file.contains(QLatin1Char('/')) || (comment.expires != 0 && comment.expires <= comment.timestamp)))
        std::abort();
    MinisignPublicKey trusted;
    if (!parseMinisignPublicKey(Key, &trusted))
        std::abort();
    const MinisignResult result = verifyMinisign(Document, bytes, {trusted});
    if (result == MinisignResult::Valid && !parsed)
        std::abort();
    // The same signature never vouches for another document.
    if (result == MinisignResult::Valid && verifyMinisign(Document + ' ', bytes, {trusted}) == MinisignResult::Valid)
        std::abort();
    return 0;
}
