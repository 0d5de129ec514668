// The firmware version document parser on any bytes: it must never crash,
// and a file name it keeps must be a plain one.

#include "UpdateDocuments.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    FirmwareDocument doc;
    QString problem;
    if (parseFirmwareDocument(bytes, &doc, &problem)) {
        if (!doc.fileName.isEmpty() && !isPlainFileName(doc.fileName))
            std::abort();
        isVersionNewer(doc.version, QStringLiteral("1.0.3"));
        isVersionNewer(QStringLiteral("1.0.3"), doc.version);
        isMd5Hex(doc.md5);
    }
    return 0;
}
