#include "BoardProfile.h"

#include "KB2ActionData.h"
#include "KB2ActionDataParams.h"
#include "KeyTypeTable.h"
#include "KeyboardSession.h"

ProfileData boardProfile(const KeyboardReadBack &rb)
{
    ProfileData p = defaultProfile();

    const STU_BoardFromPRGB &l = rb.lighting;
    LightingSettings lighting;
    lighting.mode = (l.bitmap & Kb2LightingBits::On) ? int(l.rgb_mode) + 1 : 0;
    lighting.brightness = l.grayscale;
    lighting.speed = l.rgb_speed;
    lighting.sleep = l.rgb_sleep;
    lighting.direction = (l.bitmap & Kb2LightingBits::Reversed) != 0;
    p.lighting = lighting;

    PerformanceSettings performance;
    performance.globalTravelUm = rb.deadBands.gdBi;
    performance.pressDeadZoneUm = rb.deadBands.dt_dB;
    performance.releaseDeadZoneUm = rb.deadBands.dt_RdB;
    performance.superLightSpeed = (l.bitmap & Kb2LightingBits::LowLatency) != 0;
    p.performance = performance;

    // Layers hold key types, as the keyboard view writes and reads them.
    ProfileLayers layers;
    for (int layer = 0; layer < 4; ++layer) {
        const QMap<int, quint16> codes = rb.layers.value(layer);
        for (auto it = codes.cbegin(); it != codes.cend(); ++it)
            layers[size_t(layer)].insert(it.key(), keyTypeFromCode(it.value()));
    }
    p.layers = layers;

    // Per-key travel: the trigger mode from the key's entry, the distances
    // from the key's cell of the board's tables.
    QMap<int, KeyTravelRecord> travel;
    for (auto it = rb.travel.cbegin(); it != rb.travel.cend(); ++it) {
        KeyTravelRecord rec = it.value();
        const int packed = rb.keyMatrix.findKey(keyTypeCode(it.key()));
        const int row = packed >> 5, col = packed & 0x1F;
        if (packed != KeyMatrix::NotFound && row < rb.travelRows.size() && col < rb.travelRows[row].size()) {
            rec.keyTouchDis = rb.travelRows[row][col];
            rec.quickTouchPressDis = rb.pressRows.value(row).value(col);
            rec.quickTouchUpDis = rb.releaseRows.value(row).value(col);
        }
        // Only the four members a profile entry holds.
        KeyTravelRecord stored;
        stored.workMode = rec.workMode;
        stored.keyTouchDis = rec.keyTouchDis;
        stored.quickTouchPressDis = rec.quickTouchPressDis;
        stored.quickTouchUpDis = rec.quickTouchUpDis;
        travel.insert(it.key(), stored);
    }
    p.keyTravel = travel;

    QMap<int, AdvancedBinding> advanced;
    for (const QVariant &record : advancedRecordsOf(rb.advanced)) {
        AdvancedBinding binding;
        int key = 0;
        if (bindingFromRecord(record, &binding, &key) && binding.kind() != Bind_RS)
            advanced.insert(key, binding);
    }
    p.advanced = advanced;
    return p;
}

ProfileDocument boardProfileDocument(const KeyboardReadBack &rb)
{
    return writeProfile(boardProfile(rb));
}

KeyboardReadBack mirrorReadBack(const KB2ActionData &board)
{
    KeyboardReadBack rb;
    rb.info = board.boardInfo();
    rb.lighting = board.boardPRGB();
    rb.lowLatency = (rb.lighting.bitmap & Kb2LightingBits::LowLatency) != 0;
    rb.deadBands = board.boardDB();
    rb.parameters = board.boardLayout();
    rb.layers = board.layoutKeyMap();
    rb.travel = board.layoutDBMap();
    rb.travelRows = board.layoutParamRows(kb2param::Travel);
    rb.pressRows = board.layoutParamRows(kb2param::Press);
    rb.releaseRows = board.layoutParamRows(kb2param::Release);
    rb.advanced = board.advancedMapVariants();
    rb.colours = board.keyColours();
    rb.keyMatrix = board.keyMatrix();
    return rb;
}
