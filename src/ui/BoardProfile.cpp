#include "BoardProfile.h"

#include "KeyTypeTable.h"
#include "KeyboardSession.h"
#include "SoftwareConfig.h"

#include <QJsonObject>

ProfileDocument boardProfileDocument(const KeyboardReadBack &rb)
{
    ProfileDocument doc = defaultProfileDocument();

    const STU_BoardFromPRGB &l = rb.lighting;
    const bool lightingOn = l.bitmap & 0x01;
    doc.insert(ProfileKeys::KeyboardRGB, QJsonObject{
        {"rgb-mode", lightingOn ? int(l.rgb_mode) + 1 : 0},
        {"rgb-luminance", int(l.grayscale)},
        {"rgb-speed", int(l.rgb_speed)},
        {"rgb-sleep", int(l.rgb_sleep)},
        {"rgb-direction", (l.bitmap & 0x02) != 0},
    });
    doc.insert(ProfileKeys::KeyPerformance, QJsonObject{
        {"global-key-touch", int(rb.deadBands.gdBi)},
        {"deadSpacePress", int(rb.deadBands.dt_dB)},
        {"deadSpaceRelease", int(rb.deadBands.dt_RdB)},
        {"super-light-speed", (l.bitmap & 0x10) != 0},
    });

    // Layers hold key types, as the keyboard view writes and reads them.
    QJsonObject custom;
    for (int layer = 0; layer < 4; ++layer) {
        QJsonObject keys;
        const QMap<int, quint16> codes = rb.layers.value(layer);
        for (auto it = codes.cbegin(); it != codes.cend(); ++it)
            keys.insert(QString::number(it.key()), keyTypeFromCode(it.value()));
        custom.insert(layerMemberName(layer), keys);
    }
    doc.insert(ProfileKeys::KeyCustom, custom);

    // Per-key travel: the trigger mode from the key's entry, the distances
    // from the key's cell of the board's tables.
    QJsonObject touch;
    SoftwareConfig *config = SoftwareConfig::instance();
    for (auto it = rb.travel.cbegin(); it != rb.travel.cend(); ++it) {
        KeyTravelRecord rec = it.value();
        const int packed = config->findKey(keyTypeCode(it.key()));
        const int row = packed >> 5, col = packed & 0x1F;
        if (packed != SoftwareConfig::NotFound && row < rb.travelRows.size() && col < rb.travelRows[row].size()) {
            rec.keyTouchDis = rb.travelRows[row][col];
            rec.quickTouchPressDis = rb.pressRows.value(row).value(col);
            rec.quickTouchUpDis = rb.releaseRows.value(row).value(col);
        }
        touch.insert(QString::number(it.key()), keyTravelEntry(rec));
    }
    doc.insert(ProfileKeys::KeyTouchDB, touch);

    // RS bindings have no profile entry; advancedKeyEntry leaves them out.
    QJsonObject advanced;
    for (const QVariant &record : advancedRecordsOf(rb.advanced)) {
        QJsonObject entry;
        int key = -1;
        if (advancedKeyEntry(record, &entry, &key))
            advanced.insert(QString::number(key), entry);
    }
    doc.insert(ProfileKeys::AdvancedKey, advanced);
    return doc;
}
