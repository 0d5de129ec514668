// Fuzz entry for the lighting preset string reader: any text gives a preset
// of known keys and real colours, which the writer writes and the reader
// reads back unchanged.

#include "KeyTypeTable.h"
#include "LightingPresetText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QMap<int, QColor> preset = readPresetString(text);
    for (auto it = preset.cbegin(); it != preset.cend(); ++it) {
        if (it.key() < 0 || it.key() >= KeyTypeCount || !it.value().isValid() || it.value().alpha() != 255)
            std::abort();
    }
    if (readPresetString(writePresetString(preset)) != preset)
        std::abort();
    return 0;
}
