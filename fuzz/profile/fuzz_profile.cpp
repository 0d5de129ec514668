// Fuzz entry for the profile reader: any bytes must either be refused or
// give a document that survives a save and a reload, and whose typed form
// survives being written and read again.

#include "ProfileData.h"
#include "ProfileDocument.h"

#include <QJsonValue>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    ProfileDocument doc;
    if (!parseProfileBytes(bytes, &doc))
        return 0;

    // What applying the profile hands to the pages.
    for (const QString &group : {ProfileKeys::KeyboardRGB, ProfileKeys::KeyPerformance, ProfileKeys::KeyCustom,
                                 ProfileKeys::KeyTouchDB, ProfileKeys::AdvancedKey}) {
        const QJsonValue value = doc.value(group);
        if (value.isObject())
            (void)value.toObject().toVariantHash();
    }

    // A document we write must load again with the same members. Its bytes
    // may differ once (Qt orders keys holding control characters
    // inconsistently), but writing the reloaded document is then stable.
    const QByteArray saved = serialiseProfile(doc);
    ProfileDocument reloaded;
    if (!parseProfileBytes(saved, &reloaded))
        std::abort();
    QStringList before = doc.keys(), after = reloaded.keys();
    before.sort();
    after.sort();
    if (before != after)
        std::abort();
    const QByteArray resaved = serialiseProfile(reloaded);
    ProfileDocument again;
    if (!parseProfileBytes(resaved, &again) || serialiseProfile(again) != resaved)
        std::abort();

    // Writing a read profile and reading it back changes nothing, and the
    // written document is stable from then on.
    const ProfileData typed = readProfile(doc);
    const QJsonObject written = writeProfile(typed);
    if (readProfile(written) != typed || writeProfile(readProfile(written)) != written)
        std::abort();
    return 0;
}
