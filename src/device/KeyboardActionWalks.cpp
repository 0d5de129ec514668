// The worker's long jobs: the parameter and colour walks after connecting,
// and the calibration and key-test polls.

#include "KeyboardAction.h"

#include "DeviceLog.h"
#include "FamilyKeyMatrix.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "KeyTypeTable.h"
#include "SoftwareConfig.h"
#include "WireKeyTable.h"

int KeyboardAction::matrixKeyCount() const
{
    return SoftwareConfig::instance()->matrixKeyCount();
}

void KeyboardAction::emitLayoutDB() { emit sigKB2LayoutDB(QVariant::fromValue(layoutDBMap())); }
void KeyboardAction::emitLayoutKey() { emit sigKB2LayoutKey(QVariant::fromValue(layoutKeyMap())); }

void KeyboardAction::emitLayoutDis()
{
    emit sigKB2LayoutDis(layoutParamRows(4), layoutParamRows(20), layoutParamRows(21));
}

void KeyboardAction::emitAdvancedKey(const QVariant &map) { emit sigKB2AdvancedKey(map); }

// A walk that cannot go on ends: back to idle, and the initial read is
// reported finished so that nobody waits for it for ever.
void KeyboardAction::walkFailed(WalkState &walk, int mode, int code)
{
    walk = WalkState();
    if (!setModeIf(mode, Idle))
        return;
    emit sigKB2ReadFailed(code);
    if (mode == InitialWalk)
        emit sigKB2InitDevice(false);
}

// One step of a parameter walk: the next 14 keys of the board's key matrix
// for the current parameter.
void KeyboardAction::initialWalkStep(WalkState &walk, int lastParameter, int timeoutMs, bool initial)
{
    const int mode = initial ? InitialWalk : LayoutWalk;
    SoftwareConfig *config = SoftwareConfig::instance();
    const int keyCount = matrixKeyCount();
    if (keyCount == 0)
        walk.parameter = lastParameter; // nothing to read yet
    if (walk.parameter >= lastParameter) {
        walk = WalkState();
                if (initial) {
            if (!setModeIf(mode, keyCount < KeysPerBatch ? Idle : ColourWalk))
                return;
            m_colourPosition = -1;
            emit sigKB2InitDevice(false);
        } else if (!setModeIf(mode, Idle)) {
            return;
        }
        finishWalk(familyKeyMatrix(boardInfo().family()));
        return;
    }

    STU_BoardFromKey request;
    for (int i = 0; i < KeysPerBatch; ++i) {
        quint16 code = 0;
        if (walk.position < MatrixCells) {
            auto next = config->nextKeyAfter(walk.position);
            code = next.first;
            walk.position = next.second;
        }
        request.key[i] = kb2_model_to_wire(code);
        request.param[i] = quint8(walk.parameter);
        request.value[i] = 0xFFFF;
    }

    QMutexLocker io(&m_ioLock);
    Kb2Frame frame = kb2_build_key(request, 0);
    int written = HidUSB::write(frame.data, frame.frameSize());
    Kb2Frame answer;
    int len = written > 0 ? receiveFrame(answer, timeoutMs) : -1;
    io.unlock();
    if (len < 5 || answer.payload()[0] != 0) {
        if (len < 5)
            qCDebug(lcDevice, "_kb2_Decode:<====>%d", len);
        walkFailed(walk, mode, len < 5 ? len : -1);
        return;
    }
    if (answer.command() == 0xA3) {
        STU_BoardFromKey entries;
        if (kb2_decode_key_entries(answer.data, Kb2Frame::Size, entries))
            storeWalkEntries(entries);
    }
    // Move on even after a foreign answer, so that a confused keyboard cannot
    // hold the walk on one batch for ever.
    // The parameter is done once no key is left after this batch.
    if (walk.position >= MatrixCells || config->nextKeyAfter(walk.position).second >= MatrixCells) {
        walk.position = -1;
        ++walk.parameter;
    }
}

// One step of the colour walk: the next 14 keys of the family's built-in
// matrix.
void KeyboardAction::colourWalkStep()
{
    const int family = boardInfo().family();
    STU_BoardFromKRGB request;
    for (int i = 0; i < KeysPerBatch; ++i) {
        quint16 code = 0;
        if (m_colourPosition < MatrixCells) {
            auto next = familyNextKey(family, m_colourPosition);
            code = next.first;
            m_colourPosition = next.second;
        }
        qCDebug(lcDevice) << "要查询rgb的键" << code;
        request.key[i] = kb2_model_to_wire(code);
        request.red[i] = request.green[i] = request.blue[i] = i == 0 ? 0xFF : 0;
    }

    QMutexLocker io(&m_ioLock);
    Kb2Frame frame = kb2_build_krgb(request, 0);
    int written = HidUSB::write(frame.data, frame.frameSize());
    Kb2Frame answer;
    int len = written > 0 ? receiveFrame(answer, 1) : -1;
    io.unlock();
    if (len < 5) {
        qCDebug(lcDevice, "_kb2_Decode:<====>%d", len);
        m_colourPosition = -1;
        setModeIf(ColourWalk, Idle);
        return;
    }
    if (answer.payload()[0] == 0 && answer.command() == 0xAA) {
        STU_BoardFromKRGB colours;
        if (kb2_decode_krgb(answer.data, Kb2Frame::Size, colours)) {
            for (int i = 0; i < KeysPerBatch; ++i) {
                const quint8 wire = colours.key[i];
                if (wire == 0xFF || wire == 0)
                    continue;
                const int keyId = keyTypeFromCode(kb2_wire_to_model(wire));
                if (keyId < 0)
                    continue;
                m_colourMap.insert(keyId, QColor(colours.red[i], colours.green[i], colours.blue[i], 255));
            }
            qCDebug(lcDevice) << "读到RGB数据循环";
        }
    }
    if (m_colourPosition >= MatrixCells || familyNextKey(family, m_colourPosition).second >= MatrixCells) {
        qCDebug(lcDevice) << "读到RGB数据" << m_colourMap;
        m_colourPosition = -1;
        if (setModeIf(ColourWalk, Idle))
            emit sigKB2UpdateKRGBInfo(m_colourMap);
    }
}

bool KeyboardAction::queryTable(int table, int part, int timeoutMs, Kb2Frame &answer, int &status)
{
    Kb2Frame frame = kb2_build_table_query(quint8(table), quint8(part));
    QMutexLocker io(&m_ioLock);
    if (!HidUSB::isOpen()) {
        status = -1;
        return false;
    }
    int written = HidUSB::write(frame.data, frame.frameSize());
    int len = written > 0 ? receiveFrame(answer, timeoutMs) : -1;
    if (len < 5) {
        qCDebug(lcDevice, "_kb2_Decode:<====>%d", len);
        status = 0;
        return false;
    }
    status = answer.payload()[0];
    return status == 0 && answer.command() == 0x92;
}

// Waits between two live polls, and longer while the keyboard is gone, so a
// poll never spins.
static constexpr int PollIntervalMs = 10;
static constexpr int ClosedPollIntervalMs = 200;

void KeyboardAction::calibrationPoll()
{
    if (!isDeviceOpen()) {
        pause(ClosedPollIntervalMs);
        return;
    }
    // Table 6 rows 0..2, 3..5, then table 2 likewise.
    const int order[4][2] = {{6, 1}, {6, 2}, {2, 1}, {2, 2}};
    QList<QList<quint16>> table6, table2;
    bool complete = true;
    for (const auto &q : order) {
        Kb2Frame answer;
        int status = 0;
        quint8 table = 0;
        QList<QList<quint16>> rows;
        if (!queryTable(q[0], q[1], 2, answer, status)) {
            if (status != 0)
                return; // the keyboard refused: this poll ends
            complete = false;
            continue;
        }
        if (!kb2_decode_table_u16(answer.data, Kb2Frame::Size, table, rows) || rows.size() != 3) {
            complete = false;
            continue;
        }
        (q[0] == 6 ? table6 : table2).append(rows);
    }
    if (complete)
        emit sigUpdateAdjustingData(table6, table2);
    pause(PollIntervalMs);
}

void KeyboardAction::keyTestPoll()
{
    if (!isDeviceOpen()) {
        pause(ClosedPollIntervalMs);
        return;
    }
    QList<QList<quint16>> travel;
    QList<QList<quint8>> flags;
    const int order[3][3] = {{2, 1, 1}, {2, 2, 2}, {3, 1, 1}};
    for (const auto &q : order) {
        Kb2Frame answer;
        int status = 0;
        quint8 table = 0;
        bool ok = queryTable(q[0], q[1], q[2], answer, status);
        if (ok && q[0] == 3) {
            ok = kb2_decode_table_u8(answer.data, Kb2Frame::Size, table, flags) && flags.size() == 6;
        } else if (ok) {
            QList<QList<quint16>> rows;
            ok = kb2_decode_table_u16(answer.data, Kb2Frame::Size, table, rows) && rows.size() == 3;
            travel.append(rows);
        }
        if (!ok) {
            pause(PollIntervalMs);
            return;
        }
    }
    emit sigUpdateMMData(travel, flags);
    pause(PollIntervalMs);
}
