// The board-side copy's reading half: answers decoded by the worker are
// stored here, and the read-back maps are built from them.

#include "KB2ActionData.h"

#include "AppParams.h"
#include "DeviceLog.h"
#include "KB2ActionDataParams.h"
#include "Kb2Builders.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"

#include <QMutexLocker>

#include <algorithm>

using namespace kb2param;

// ---------------------------------------------------------------------------
// Decoded answers

void KB2ActionData::storeBoardInfo(const STU_BoardInfo2 &info)
{
    QMutexLocker lock(&m_lock);
    m_info = info;
}

void KB2ActionData::storePRGB(const STU_BoardFromPRGB &prgb)
{
    QMutexLocker lock(&m_lock);
    const quint8 spare = m_prgb.spare;
    m_prgb = prgb;
    m_prgb.spare = spare;
}

void KB2ActionData::storeDB(const STU_BoardFromDB &db)
{
    QMutexLocker lock(&m_lock);
    m_db.ticks = db.ticks;
    m_db.gdBi = db.gdBi;
    m_db.dt_dB = db.dt_dB;
    m_db.dt_RdB = db.dt_RdB;
    m_db.db1 = db.db1;
    m_db.db2 = db.db2;
    m_db.db3 = db.db3;
}

void KB2ActionData::storeMacroPiece(const STU_BoardFromMACRO &piece)
{
    QMutexLocker lock(&m_lock);
    const int count = qMin(int(piece.count), int(STU_BoardFromMACRO::MaxSteps));
    for (int i = 0; i < count; ++i)
        m_macroStore.insert(quint16(piece.offset + i), piece.step[i]);
}

void KB2ActionData::storeKeyColours(const QMap<int, QColor> &colours)
{
    QMutexLocker lock(&m_lock);
    m_keyColours = colours;
}

void KB2ActionData::storeKeyColourEntries(const STU_BoardFromKRGB &rec)
{
    QMutexLocker lock(&m_lock);
    for (int i = 0; i < STU_BoardFromKRGB::Entries; ++i) {
        const QColor colour(rec.red[i], rec.green[i], rec.blue[i]);
        const int type = typeOfWire(rec.key[i]);
        if (type >= 0)
            m_keyColours.insert(type, colour);
        // The FN key's light is addressed as Fn layer 1: one light, two keys.
        if (rec.key[i] == FnLayer1Wire) {
            const int fn = typeOfWire(FnKeyWire);
            if (fn >= 0)
                m_keyColours.insert(fn, colour);
        }
    }
}

QMap<int, QColor> KB2ActionData::keyColours() const
{
    QMutexLocker lock(&m_lock);
    return m_keyColours;
}

void KB2ActionData::applyKeyEntries(const STU_BoardFromKey &rec)
{
    QMutexLocker lock(&m_lock);
    for (int i = 0; i < STU_BoardFromKey::Entries; ++i) {
        if (rec.key[i] == WireKeyTable::NoKey)
            continue;
        const int param = rec.param[i];
        const quint16 value = rec.value[i];
        const int type = typeOfWire(rec.key[i]);
        qCDebug(lcDevice) << "addBoardKeyBase" << "[keyCode]" << rec.key[i] << "[mode]" << param
                        << "[value]" << value;
        if (type < 0)
            continue;
        if (param >= 0 && param <= LastFnLayer) {
            m_keyMap[param][type] = value;
        } else if (param == Travel || param == Press || param == Release || param == MacroSteps) {
            // What the keyboard took, where the walk keeps it.
            const int cell = cellOfWire(rec.key[i]);
            if (cell < 0)
                continue;
            if (param == Travel) {
                m_layout.travel[cell] = m_db.perKey2[cell] = value;
                if (m_dbMap.contains(type))
                    m_dbMap[type].keyTouchDis = value;
            } else if (param == MacroSteps)
                m_layout.param18[cell] = quint8(value);
            else
                (param == Press ? m_layout.param20 : m_layout.param21)[cell] = value;
        } else if (param == Mode) {
            if ((value & AdvancedMask) == AdvancedMacro)
                addMacroKey(type, -1);
            else
                m_dbMap.insert(type, travelRecord(triggerModeOf(value), cellOfWire(rec.key[i])));
        }
    }
}

int KB2ActionData::cellOfWire(quint8 wire) const
{
    int pos = m_matrix.findKey(kb2_wire_to_model(wire));
    if (pos == KeyMatrix::NotFound)
        pos = m_matrix.findKey(wire);
    const int row = pos >> 5;
    const int col = pos & 31;
    if (pos == KeyMatrix::NotFound || row >= KB2MatrixRows || col >= KB2MatrixCols)
        return -1;
    return row * KB2MatrixCols + col;
}

void KB2ActionData::storeWalkEntries(const STU_BoardFromKey &rec)
{
    QMutexLocker lock(&m_lock);
    for (int i = 0; i < STU_BoardFromKey::Entries; ++i) {
        const quint8 wire = rec.key[i];
        if (wire == WireKeyTable::NoKey)
            continue;
        const int cell = cellOfWire(wire);
        if (cell < 0)
            continue;
        const int type = typeOfWire(wire);
        const quint16 value = rec.value[i];
        const quint8 byte = quint8(value);
        switch (rec.param[i]) {
        case 0: case 1: case 2: case 3: {
            const int layer = rec.param[i];
            quint16 *fn[4] = {m_layout.fn0, m_layout.fn1, m_layout.fn2, m_layout.fn3};
            fn[layer][cell] = value;
            // Layers 2 and 3 leave out unassigned keys; layer 1 also empty ones.
            const bool skip = (layer >= 1 && value == 0xFF) || (layer == 1 && value == 0);
            if (type >= 0 && !skip)
                m_keyMap[layer][type] = value;
            break;
        }
        case Travel:
            m_layout.travel[cell] = value;
            m_db.perKey2[cell] = value;
            if (type >= 0 && m_dbMap.contains(type))
                m_dbMap[type].keyTouchDis = value;
            break;
        case Point1: m_db.perKey3[cell] = value; break;
        case Point2: m_db.perKey4[cell] = value; break;
        case Point3: m_db.perKey5[cell] = value; break;
        case Mode:
            m_layout.mode[cell] = quint8(value & AdvancedMask);
            if (value != AdvancedMacro && type >= 0)
                m_dbMap.insert(type, travelRecord(triggerModeOf(value), cell));
            break;
        case Bound1: m_layout.param9[cell] = byte; break;
        case Bound2: m_layout.param10[cell] = byte; break;
        case Bound3: m_layout.param11[cell] = byte; break;
        case Bound4: m_layout.param12[cell] = byte; break;
        case DksAction1: m_layout.param13[cell] = byte; break;
        case DksAction2: m_layout.param14[cell] = byte; break;
        case DksAction3: m_layout.param15[cell] = byte; break;
        case DksAction4: m_layout.param16[cell] = byte; break;
        case MacroNumber: m_layout.param17[cell] = value; break;
        case MacroSteps: m_layout.param18[cell] = byte; break;
        case Delay: m_layout.param19[cell] = byte; break;
        case Press: m_layout.param20[cell] = value; break;
        case Release: m_layout.param21[cell] = value; break;
        default: break;
        }
    }
}

void KB2ActionData::storeAdvancedEntries(const QVariant &wireRecord)
{
    const AdvancedKindWire *kind = advancedKindWire(advancedKindOfWireRecord(wireRecord));
    if (!kind)
        return;
    QMutexLocker lock(&m_lock);
    const AdvancedWireKeys keys = wireKeys();
    const QList<QVariant> records{wireRecord};
    for (int i = 0; i < kind->entries; ++i) {
        if (const std::optional<AdvancedRecord> r = kind->decode(records, i, keys))
            std::visit([this](const auto &x) { mapOf(x).insert(x.keyIndex, x); }, *r);
    }
}

void KB2ActionData::rebuildAdvancedMaps(const quint16 familyMatrix[KB2MatrixCells])
{
    QMutexLocker lock(&m_lock);
    std::apply([](auto &...maps) { (maps.clear(), ...); }, m_maps);
    m_macroNumbers.clear();
    m_macroStore.clear();
    m_macroCount = 0;
    if (!familyMatrix)
        return;
    const STU_BoardFromLayout &l = m_layout;
    const AdvancedWireKeys keys = wireKeys();
    for (int cell = 0; cell < KB2MatrixCells; ++cell) {
        const int type = typeOfCode(familyMatrix[cell]);
        if (type < 0)
            continue;
        const AdvancedKindWire *kind = advancedKindWire(advancedKindOfNibble(l.mode[cell] & AdvancedMask));
        if (!kind)
            continue;
        AdvancedCellParams p;
        const quint8 bound[4] = {l.param9[cell], l.param10[cell], l.param11[cell], l.param12[cell]};
        const quint8 actions[4] = {l.param13[cell], l.param14[cell], l.param15[cell], l.param16[cell]};
        std::copy(bound, bound + 4, p.bound);
        std::copy(actions, actions + 4, p.actions);
        p.points[0] = m_db.perKey3[cell];
        p.points[1] = m_db.perKey4[cell];
        p.points[2] = m_db.perKey5[cell];
        p.delay = l.param19[cell];
        p.macroOffset = l.param17[cell];
        const AdvancedRecord record = kind->fromParams(type, p, keys);
        if (std::holds_alternative<MACROInfo>(record))
            addMacroKey(type, p.macroOffset / MacroStride); // named and numbered here
        else
            std::visit([this](const auto &r) { mapOf(r).insert(r.keyIndex, r); }, record);
    }
}

void KB2ActionData::finishWalk(const quint16 familyMatrix[KB2MatrixCells])
{
    rebuildAdvancedMaps(familyMatrix);
    m_outlet.emitLayoutDB();
    m_outlet.emitLayoutKey();
    m_outlet.emitLayoutDis();
    for (const QVariant &map : advancedMapVariants())
        m_outlet.emitAdvancedKey(map);
}

// ---------------------------------------------------------------------------
// Copies

MapKB2DockerDB KB2ActionData::layoutDBMap() const
{
    QMutexLocker lock(&m_lock);
    return m_dbMap;
}

MapKB2DockerKey KB2ActionData::layoutKeyMap() const
{
    QMutexLocker lock(&m_lock);
    return m_keyMap;
}

QList<QList<quint16>> KB2ActionData::layoutParamRows(int param) const
{
    QMutexLocker lock(&m_lock);
    const quint16 *values = param == Travel ? m_layout.travel
                          : param == Press ? m_layout.param20
                          : param == Release ? m_layout.param21
                                        : nullptr;
    QList<QList<quint16>> rows;
    if (!values)
        return rows;
    for (int r = 0; r < KB2MatrixRows; ++r) {
        QList<quint16> row;
        row.reserve(KB2MatrixCols);
        for (int c = 0; c < KB2MatrixCols; ++c)
            row.append(values[r * KB2MatrixCols + c]);
        rows.append(row);
    }
    return rows;
}

MapKB2DockerTDKS KB2ActionData::tdksMap() const { QMutexLocker lock(&m_lock); return mapOf<DKSInfo>(); }
MapKB2DockerMT KB2ActionData::mtMap() const { QMutexLocker lock(&m_lock); return mapOf<MTInfo>(); }
MapKB2DockerTGL KB2ActionData::tglMap() const { QMutexLocker lock(&m_lock); return mapOf<TGLInfo>(); }
MapKB2DockerMPT KB2ActionData::mptMap() const { QMutexLocker lock(&m_lock); return mapOf<MPTInfo>(); }
MapKB2DockerEND KB2ActionData::endMap() const { QMutexLocker lock(&m_lock); return mapOf<ENDInfo>(); }
MapKB2DockerSOCD KB2ActionData::socdMap() const { QMutexLocker lock(&m_lock); return mapOf<SOCDInfo>(); }
MapKB2DockerRS KB2ActionData::rsMap() const { QMutexLocker lock(&m_lock); return mapOf<RSInfo>(); }
MapKB2DockerMACRO KB2ActionData::macroMap() const { QMutexLocker lock(&m_lock); return mapOf<MACROInfo>(); }

QList<QVariant> KB2ActionData::advancedMapVariants() const
{
    QMutexLocker lock(&m_lock);
    QList<QVariant> maps;
    for (int kind : AdvancedMapOrder)
        if (const std::optional<AdvancedRecord> r = advancedRecordOfKind(kind, 0))
            maps << std::visit([this](const auto &x) { return QVariant::fromValue(mapOf<std::decay_t<decltype(x)>>()); }, *r);
    return maps;
}


KeyMatrix KB2ActionData::keyMatrix() const
{
    QMutexLocker lock(&m_lock);
    return m_matrix;
}

void KB2ActionData::clearKeyMatrix()
{
    QMutexLocker lock(&m_lock);
    m_matrix.clear();
}

void KB2ActionData::setKeyMatrixCell(int row, int col, quint16 code)
{
    QMutexLocker lock(&m_lock);
    m_matrix.setCell(row, col, code);
}
