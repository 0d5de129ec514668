#include "KB2ActionData.h"

#include "DeviceLog.h"
#include "KB2ActionDataParams.h"

#include "AppParams.h"
#include "Kb2Builders.h"
#include "KeyTypeTable.h"
#include "Units.h"
#include "WireKeyTable.h"

#include <QMutexLocker>

using namespace kb2param;


KB2ActionData::KB2ActionData(Outlet &outlet) : m_outlet(outlet)
{
    setKeyIdMap(defaultKeyCodeMap());
}

KB2ActionData::~KB2ActionData() = default;

QMap<int, quint16> KB2ActionData::keyIdMap() const
{
    QMutexLocker lock(&m_lock);
    return m_keyIdMap;
}

void KB2ActionData::setKeyIdMap(const QMap<int, quint16> &map)
{
    QMutexLocker lock(&m_lock);
    m_keyIdMap = map;
    m_typeByCode.clear();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!m_typeByCode.contains(it.value()))
            m_typeByCode.insert(it.value(), it.key()); // first type in key order
    }
}

STU_BoardInfo2 KB2ActionData::boardInfo() const
{
    QMutexLocker lock(&m_lock);
    return m_info;
}

STU_BoardFromLayout KB2ActionData::boardLayout() const
{
    QMutexLocker lock(&m_lock);
    return m_layout;
}

STU_BoardFromDB KB2ActionData::boardDB() const
{
    QMutexLocker lock(&m_lock);
    return m_db;
}

STU_BoardFromPRGB KB2ActionData::boardPRGB() const
{
    QMutexLocker lock(&m_lock);
    return m_prgb;
}

int KB2ActionData::macroCount() const
{
    QMutexLocker lock(&m_lock);
    return m_macroNumbers.size();
}

int KB2ActionData::macroNumber(int keyType) const
{
    QMutexLocker lock(&m_lock);
    return m_macroNumbers.value(keyType, -1);
}

// ---------------------------------------------------------------------------
// Sensitivity and lighting

namespace {

// Stores value into field; false when it was already there.
template <typename T>
bool setIfChanged(T &field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

void setBit(quint8 &bits, quint8 bit, bool on)
{
    bits = on ? quint8(bits | bit) : quint8(bits & ~bit);
}

void setLightingModeBits(STU_BoardFromPRGB &p, int mode)
{
    setBit(p.bitmap, Kb2LightingBits::On, mode != 0); // 0 turns the lighting off
    if (mode != 0)
        p.rgb_mode = quint8(mode - 1);
}

} // namespace

// Applies change to the board-side record under the lock and, when it
// reports a change, sends the whole record with the lock released.
template <typename Record, typename Change>
void KB2ActionData::changeAndSend(Record &record, Change change)
{
    QVariant out;
    {
        QMutexLocker lock(&m_lock);
        if (!change(record))
            return;
        out = QVariant::fromValue(record);
    }
    m_outlet.sendRecord(out);
}

void KB2ActionData::setGlobalTravel(quint16 um)
{
    changeAndSend(m_db, [um](STU_BoardFromDB &db) { return setIfChanged(db.gdBi, um); });
}

void KB2ActionData::setPressDeadZone(quint16 um)
{
    changeAndSend(m_db, [um](STU_BoardFromDB &db) { return setIfChanged(db.dt_dB, um); });
}

void KB2ActionData::setReleaseDeadZone(quint16 um)
{
    changeAndSend(m_db, [um](STU_BoardFromDB &db) { return setIfChanged(db.dt_RdB, um); });
}

void KB2ActionData::setPerformanceValues(quint16 globalTravelUm, quint16 pressDeadZoneUm,
                                         quint16 releaseDeadZoneUm, bool lowLatency)
{
    changeAndSend(m_db, [&](STU_BoardFromDB &db) {
        db.gdBi = globalTravelUm;
        db.dt_dB = pressDeadZoneUm;
        db.dt_RdB = releaseDeadZoneUm;
        setBit(m_prgb.bitmap, Kb2LightingBits::LowLatency, lowLatency);
        return true;
    });
}

void KB2ActionData::setLowLatency(bool on)
{
    changeAndSend(m_prgb, [on](STU_BoardFromPRGB &p) {
        setBit(p.bitmap, Kb2LightingBits::LowLatency, on);
        return true;
    });
}

void KB2ActionData::setLightingMode(int mode)
{
    changeAndSend(m_prgb, [mode](STU_BoardFromPRGB &p) {
        setLightingModeBits(p, mode);
        return true;
    });
}

void KB2ActionData::setLightingDirection(bool on)
{
    changeAndSend(m_prgb, [on](STU_BoardFromPRGB &p) {
        setBit(p.bitmap, Kb2LightingBits::Reversed, on);
        return true;
    });
}

void KB2ActionData::setBrightness(quint8 value)
{
    changeAndSend(m_prgb, [value](STU_BoardFromPRGB &p) { return setIfChanged(p.grayscale, value); });
}

void KB2ActionData::setSpeed(quint8 value)
{
    changeAndSend(m_prgb, [value](STU_BoardFromPRGB &p) { return setIfChanged(p.rgb_speed, value); });
}

void KB2ActionData::setSleep(quint8 value)
{
    changeAndSend(m_prgb, [value](STU_BoardFromPRGB &p) { return setIfChanged(p.rgb_sleep, value); });
}

void KB2ActionData::setLightingValues(int mode, quint8 brightness, quint8 speed, bool direction, quint8 sleep)
{
    changeAndSend(m_prgb, [&](STU_BoardFromPRGB &p) {
        setLightingModeBits(p, mode);
        p.grayscale = brightness;
        p.rgb_speed = speed;
        setBit(p.bitmap, Kb2LightingBits::Reversed, direction);
        p.rgb_sleep = sleep;
        return true;
    });
}

quint8 KB2ActionData::colourWireOfType(int keyType) const
{
    const quint8 wire = wireOfType(keyType);
    return wire == FnKeyWire ? FnLayer1Wire : wire; // the board addresses its FN key as Fn layer 1
}

void KB2ActionData::setKeyColours(const QMap<int, QColor> &colours)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        STU_BoardFromKRGB rec;
        int n = 0;
        for (auto it = colours.cbegin(); it != colours.cend(); ++it) {
            const quint8 wire = colourWireOfType(it.key());
            if (wire == WireKeyTable::NoKey || !it.value().isValid())
                continue;
            rec.key[n] = wire;
            rec.red[n] = quint8(it.value().red());
            rec.green[n] = quint8(it.value().green());
            rec.blue[n] = quint8(it.value().blue());
            if (++n == STU_BoardFromKRGB::Entries) {
                out << QVariant::fromValue(rec);
                rec = STU_BoardFromKRGB();
                n = 0;
            }
        }
        if (n > 0)
            out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

void KB2ActionData::setKeyColour(int keyType, quint8 red, quint8 green, quint8 blue)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        const quint8 wire = colourWireOfType(keyType);
        if (wire == WireKeyTable::NoKey)
            return;
        STU_BoardFromKRGB rec;
        rec.key[0] = wire;
        rec.red[0] = red;
        rec.green[0] = green;
        rec.blue[0] = blue;
        out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

// ---------------------------------------------------------------------------
// Layers and per-key values

void KB2ActionData::setLayerKey(int layer, int keyType, int newKeyType)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        if (layer < 0 || layer > 3 || !m_keyMap.value(layer).contains(keyType))
            return;
        const quint8 wire = wireOfType(keyType);
        if (wire == WireKeyTable::NoKey)
            return;
        const quint16 code = m_keyIdMap.value(newKeyType, 0);
        m_keyMap[layer][keyType] = code;
        STU_BoardFromKey rec;
        rec.key[0] = wire;
        rec.param[0] = quint8(layer);
        rec.value[0] = code;
        out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

void KB2ActionData::setLayer(int layer, const QMap<int, int> &keys)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        if (layer < 0 || layer > 3)
            return;
        STU_BoardFromKey rec;
        int n = 0;
        for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
            const quint8 wire = wireOfType(it.key());
            if (wire == WireKeyTable::NoKey)
                continue;
            const quint16 code = m_keyIdMap.value(it.value(), 0);
            m_keyMap[layer][it.key()] = code;
            rec.key[n] = wire;
            rec.param[n] = quint8(layer);
            rec.value[n] = code;
            if (++n == STU_BoardFromKey::Entries) {
                out << QVariant::fromValue(rec);
                rec = STU_BoardFromKey();
                n = 0;
            }
        }
        if (n > 0)
            out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

void KB2ActionData::sendSingleKeyData(const QList<KeyParam> &entries)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        qCDebug(lcDevice) << "下发单键行程数据" << entries.size();
        STU_BoardFromKey rec;
        int n = 0;
        for (const KeyParam &entry : entries) {
            // A key the map does not know goes out as wire code 0; the map is
            // left as it is so that later lookups still see it as unknown.
            const quint16 code = m_keyIdMap.value(entry.keyType, 0);
            rec.key[n] = kb2_model_to_wire(code);
            rec.param[n] = entry.param;
            rec.value[n] = entry.value;
            if (++n == STU_BoardFromKey::Entries) {
                out << QVariant::fromValue(rec);
                rec = STU_BoardFromKey();
                n = 0;
            }
        }
        if (n > 0)
            out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

// ---------------------------------------------------------------------------
// Advanced bindings

bool KB2ActionData::writeAdvancedBinding(const AdvancedRecord &record)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        const int keyType = advancedKeyOf(record);
        AdvancedRecord held = record;
        int number = -1;
        if (MACROInfo *macro = std::get_if<MACROInfo>(&held)) {
            if (macro->steps.isEmpty())
                return false;
            number = m_macroNumbers.contains(keyType) ? m_macroNumbers.value(keyType) : freeMacroNumber();
            if (number < 0) {
                qCDebug(lcDevice) << "macro store full, macro refused for key" << keyType;
                return false;
            }
            if (macro->steps.size() > MaxMacroSteps) {
                // More steps would spill into the next macro's offsets.
                qCDebug(lcDevice) << "macro too long, steps dropped:" << macro->steps.size() - MaxMacroSteps;
                macro->steps = macro->steps.mid(0, MaxMacroSteps);
            }
        }
        out = advancedKindWire(advancedKindOf(held))->encode(held, wireKeys(), number);
        if (out.isEmpty())
            return false;
        std::visit([this](const auto &r) { mapOf(r).insert(r.keyIndex, r); }, held);
        if (number >= 0)
            m_macroNumbers.insert(keyType, number);
    }
    sendAll(out);
    return true;
}

QList<quint32> KB2ActionData::stepWordsLocked(const QList<MACRO_Key> &steps) const
{
    const AdvancedWireKeys keys = wireKeys();
    QList<quint32> words;
    for (const MACRO_Key &step : steps.mid(0, MaxMacroSteps))
        words << macroStepWord(step, keys);
    return words;
}

QList<quint32> KB2ActionData::macroStepWords(const QList<MACRO_Key> &steps) const
{
    QMutexLocker lock(&m_lock);
    return stepWordsLocked(steps);
}

QList<quint32> KB2ActionData::macroStoreWords(int number, int count) const
{
    QMutexLocker lock(&m_lock);
    QList<quint32> words;
    for (int i = 0; i < qMin(count, MaxMacroSteps); ++i) {
        const auto it = m_macroStore.constFind(quint16(number * MaxMacroSteps + i));
        if (it == m_macroStore.cend())
            break;
        words << *it;
    }
    return words;
}

int KB2ActionData::macroStepCount(int keyType) const
{
    QMutexLocker lock(&m_lock);
    const quint8 wire = wireOfType(keyType);
    const int cell = wire == WireKeyTable::NoKey ? -1 : cellOfWire(wire);
    return cell < 0 ? -1 : m_layout.param18[cell];
}

void KB2ActionData::removeAdvancedBinding(int keyType, int bindKind)
{
    QList<QVariant> out;
    {
        QMutexLocker lock(&m_lock);
        if (bindKind == Bind_MACRO) {
            forgetMacro(keyType);
        } else if (bindKind == Bind_SOCD || bindKind == Bind_RS) {
            // One pair kind per key: removing either clears both.
            std::get<MapKB2DockerSOCD>(m_maps).remove(keyType);
            std::get<MapKB2DockerRS>(m_maps).remove(keyType);
        } else if (const std::optional<AdvancedRecord> r = advancedRecordOfKind(bindKind, keyType)) {
            std::visit([this, keyType](const auto &x) { mapOf(x).remove(keyType); }, *r);
        }
        const quint8 wire = wireOfType(keyType);
        if (wire == WireKeyTable::NoKey)
            return;
        // The key becomes an ordinary key with the trigger mode it has: its
        // own travel or rapid trigger stays (0 would clear them too).
        STU_BoardFromKey rec;
        rec.key[0] = wire;
        rec.param[0] = Mode;
        rec.value[0] = quint16(AdvancedNone | triggerBitsOf(keyType));
        out << QVariant::fromValue(rec);
    }
    sendAll(out);
}

bool KB2ActionData::hasWireCode(int keyType) const
{
    QMutexLocker lock(&m_lock);
    return wireOfType(keyType) != WireKeyTable::NoKey;
}

// ---------------------------------------------------------------------------
// Helpers (m_lock held)

AdvancedWireKeys KB2ActionData::wireKeys() const
{
    AdvancedWireKeys keys;
    keys.wireOf = [this](int type) { return wireOfType(type); };
    keys.typeOf = [this](quint8 wire) { return typeOfWire(wire); };
    keys.codeOf = [this](int type) { return m_keyIdMap.contains(type) ? m_keyIdMap.value(type) : NoCode; };
    return keys;
}

quint8 KB2ActionData::wireOfType(int keyType) const
{
    auto it = m_keyIdMap.constFind(keyType);
    if (it == m_keyIdMap.cend() || it.value() == NoCode)
        return WireKeyTable::NoKey;
    return kb2_model_to_wire(it.value());
}

int KB2ActionData::typeOfCode(quint16 code) const
{
    if (code == 0)
        return KeyTypeNone;
    return m_typeByCode.value(code, KeyTypeNone);
}

int KB2ActionData::typeOfWire(quint8 wire) const
{
    if (wire == WireKeyTable::NoKey)
        return KeyTypeNone;
    return typeOfCode(kb2_wire_to_model(wire));
}

KeyTravelRecord KB2ActionData::travelRecord(int triggerMode, int cell) const
{
    KeyTravelRecord rec;
    rec.workMode = triggerMode;
    // The key's travel as the keyboard holds it; until that is known, the
    // keyboard's global travel.
    const quint16 own = cell >= 0 && cell < KB2MatrixCells ? m_layout.travel[cell] : 0;
    rec.keyTouchDis = own ? own : m_db.gdBi;
    rec.quickTouchPressDis = mmToMicrons(RapidTriggerDefaultMm);
    rec.quickTouchUpDis = mmToMicrons(RapidTriggerDefaultMm);
    return rec;
}

quint16 KB2ActionData::triggerBitsOf(int keyType) const
{
    const auto it = m_dbMap.constFind(keyType);
    if (it == m_dbMap.cend())
        return 0;
    return it->workMode == 2 ? TriggerRapid : it->workMode == 1 ? TriggerOwnTravel : 0;
}

void KB2ActionData::addMacroKey(int keyType, int number)
{
    if (std::get<MapKB2DockerMACRO>(m_maps).contains(keyType) || std::get<MapKB2DockerMACRO>(m_maps).size() >= MaxMacros)
        return;
    if (number < 0 || number >= MaxMacros || m_macroNumbers.key(number, -1) >= 0)
        number = freeMacroNumber();
    if (number < 0)
        return;
    MACROInfo info;
    info.keyIndex = keyType;
    info.macroName = QStringLiteral("Macro%1").arg(m_macroCount);
    std::get<MapKB2DockerMACRO>(m_maps).insert(keyType, info);
    m_macroNumbers.insert(keyType, number);
    ++m_macroCount;
}

int KB2ActionData::freeMacroNumber() const
{
    for (int n = 0; n < MaxMacros; ++n)
        if (m_macroNumbers.key(n, -1) < 0)
            return n;
    return -1;
}

void KB2ActionData::forgetMacro(int keyType)
{
    std::get<MapKB2DockerMACRO>(m_maps).remove(keyType);
    m_macroNumbers.remove(keyType);
}

void KB2ActionData::sendAll(const QList<QVariant> &records)
{
    for (const QVariant &record : records)
        m_outlet.sendRecord(record);
}
