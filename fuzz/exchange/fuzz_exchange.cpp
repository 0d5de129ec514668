// Fuzz entry for what a user pastes or picks from anywhere: a share code and
// a bundle file. Every input is refused or gives a result that survives
// being written and read again; nothing else may happen.

#include "ProfileBundle.h"
#include "ShareCode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));

    // As pasted text, and as the code found in it.
    const QString text = QString::fromUtf8(bytes);
    SharedProfile shared;
    for (const QString &code : {text, findShareCode(text)}) {
        if (decodeShareCode(code, &shared) != ShareCodeError::None)
            continue;
        SharedProfile again;
        if (decodeShareCode(encodeShareCode(shared), &again) != ShareCodeError::None || again.model != shared.model
            || again.document != shared.document || again.macros.keys() != shared.macros.keys())
            std::abort();
    }

    ProfileBundle bundle;
    if (parseBundle(bytes, &bundle) == BundleError::None) {
        ProfileBundle again;
        if (parseBundle(serialiseBundle(bundle), &again) != BundleError::None
            || again.profiles.size() != bundle.profiles.size() || again.macros.keys() != bundle.macros.keys()
            || again.presets != bundle.presets || !(again.rules.rules == bundle.rules.rules))
            std::abort();
    }
    return 0;
}
