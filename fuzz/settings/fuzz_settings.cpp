// Fuzz entry for the settings file: any bytes as sysConfig.ini must read
// without a fault, and every value the program takes from it is within
// what its reader promises.

#include "SystemConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The settings are read from a file: each input gets a name of its own, so
// that no cached reading of an earlier input stands in for it.
QString writeInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static quint64 serial = 0;
    if (!dir.isValid())
        std::abort();
    const QString path = dir.filePath(QStringLiteral("sysConfig-%1.ini").arg(++serial));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

bool plain(const QString &text, int maxLength)
{
    if (text.size() > maxLength)
        return false;
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = writeInput(data, size);
    {
        const SystemConfig config(path);
        const int model = config.keyboardModel();
        if (model < 0 || model > 0xFF)
            std::abort();
        if (!plain(config.language(), 32) || !plain(config.softwareName(), 128)
            || !plain(config.softwareVersion(), 64) || !plain(config.updateEndpoint(), 2048))
            std::abort();
        for (const QString &key : config.childKeys(QStringLiteral("Kinetra")))
            (void)config.value(QStringLiteral("Kinetra/") + key);
    }
    QFile::remove(path);
    return 0;
}
