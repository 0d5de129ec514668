// The software version document parser and the version comparison on any
// bytes: never a crash, and no version is newer than itself.

#include "UpdateDocuments.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    SoftwareDocument doc;
    if (parseSoftwareDocument(bytes, &doc)) {
        if (isVersionNewer(doc.lastVersion, doc.lastVersion))
            std::abort();
        isSha256Hex(doc.sha256);
    }
    // The raw text as a version, as a damaged document would give it.
    const QString text = QString::fromUtf8(bytes);
    if (isVersionNewer(text, text) || (isVersionNewer(text, QStringLiteral("1.2")) &&
                                       isVersionNewer(QStringLiteral("1.2"), text)))
        std::abort();
    parseUpdateEndpoint(text);
    return 0;
}
