// The worker's long jobs: the parameter and colour walks after connecting,
// and the calibration and key-test polls.

#include "KeyboardWorker.h"

#include "KB2ActionData.h"

#include "DeviceLog.h"
#include "FamilyKeyMatrix.h"
#include "KB2ActionDataParams.h"
#include "Kb2Builders.h"
#include "Kb2Commands.h"
#include "Kb2Decoders.h"
#include "Kb2Errors.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"

#include <QDeadlineTimer>

namespace {

// The pause between two rounds of a live poll; queued requests and a stop
// end it early.
constexpr int PollIntervalMs = 10;

} // namespace

void KeyboardWorker::runMode(WorkerState mode)
{
    if (!m_usb.isOpen()) {
        if (endModeIf(mode) && isWalk(mode))
            emit sigKB2ReadFailed(int(mode), Kb2Error::Closed);
        return;
    }
    if (!settled())
        return;
    switch (mode) {
    case WorkerState::InitialWalk:
        walkStep(m_initialWalk, WorkerState::InitialWalk, kb2param::Count);
        break;
    case WorkerState::LayoutWalk:
        walkStep(m_layoutWalk, WorkerState::LayoutWalk, kb2param::Travel + 1);
        break;
    case WorkerState::ColourWalk:
        colourWalkStep();
        break;
    case WorkerState::Calibration:
        calibrationPoll();
        break;
    case WorkerState::KeyTest:
        keyTestPoll();
        break;
    default:
        break;
    }
}

// A parameter walk that cannot go on ends: back to idle, with the reason.
// What it read so far is not published, so nobody shows half a table.
void KeyboardWorker::walkFailed(WalkState &walk, WorkerState mode, int code)
{
    walk = WalkState();
    if (kb2DeviceGone(code)) {
        loseDevice(code);
        emit sigKB2ReadFailed(int(mode), code);
        return;
    }
    if (code == Kb2Error::Stopped || !endModeIf(mode))
        return; // stopped or closed from outside: not a failure of the walk
    qCDebug(lcDevice, "_kb2_Decode:<====>%d", code);
    emit sigKB2ReadFailed(int(mode), code);
}

// One step of a parameter walk: the next 14 keys of the board's key matrix
// for the current parameter.
void KeyboardWorker::walkStep(WalkState &walk, WorkerState mode, int lastParameter)
{
    const KeyMatrix matrix = m_board.keyMatrix();
    const int keyCount = matrix.keyCount();
    if (keyCount == 0)
        walk.parameter = lastParameter; // no key matrix: nothing to read
    if (walk.parameter >= lastParameter) {
        walk = WalkState();
        if (mode == WorkerState::InitialWalk) {
            // Every board with keys gets its colours read, however few keys.
            if (!endModeIf(mode, keyCount > 0 ? WorkerState::ColourWalk : WorkerState::Idle))
                return;
            m_colourPosition = -1;
            m_colourFailure = Kb2Error::Ok;
            m_colourMap.clear();
            emit sigKB2InitDevice(false);
        } else if (!endModeIf(mode)) {
            return;
        }
        m_board.finishWalk(familyKeyMatrix(m_board.boardInfo().family()));
        return;
    }

    STU_BoardFromKey request;
    for (int i = 0; i < KeysPerBatch; ++i) {
        quint16 code = 0;
        if (walk.position < MatrixCells) {
            const auto next = matrix.nextKeyAfter(walk.position);
            code = next.first;
            walk.position = next.second;
        }
        request.key[i] = kb2_model_to_wire(code);
        request.param[i] = quint8(walk.parameter);
        request.value[i] = kb2param::NoCode;
    }

    Kb2Frame answer;
    const int rc = m_link.exchangeRetrying(kb2_build_key(request, Kb2Access::Read), answer, m_answerTimeoutMs, Retries);
    if (rc != Kb2Error::Ok) {
        walkFailed(walk, mode, rc);
        return;
    }
    STU_BoardFromKey entries;
    if (kb2_decode_key_entries(answer.data, Kb2Frame::Size, entries))
        m_board.storeWalkEntries(entries);
    // The parameter is done once no key is left after this batch.
    if (walk.position >= MatrixCells || matrix.nextKeyAfter(walk.position).second >= MatrixCells) {
        walk.position = -1;
        ++walk.parameter;
    }
}

// One step of the colour walk: the next 14 keys of the family's built-in
// matrix. A refused batch is skipped and the walk goes on; a keyboard that
// stops answering ends it. Either way the colours that were read are
// published, and the failure is reported beside them.
void KeyboardWorker::colourWalkStep()
{
    const int family = m_board.boardInfo().family();
    STU_BoardFromKRGB request;
    for (int i = 0; i < KeysPerBatch; ++i) {
        quint16 code = 0;
        if (m_colourPosition < MatrixCells) {
            const auto next = familyNextKey(family, m_colourPosition);
            code = next.first;
            m_colourPosition = next.second;
        }
        qCDebug(lcDevice) << "要查询rgb的键" << code;
        request.key[i] = kb2_model_to_wire(code);
        // The first entry's colour marks the record as a read.
        request.red[i] = request.green[i] = request.blue[i] = i == 0 ? 0xFF : 0;
    }

    Kb2Frame answer;
    const int rc = m_link.exchangeRetrying(kb2_build_krgb(request, Kb2Access::Read), answer, m_answerTimeoutMs, Retries);
    if (kb2DeviceGone(rc)) {
        loseDevice(rc);
        emit sigKB2ReadFailed(int(WorkerState::ColourWalk), rc);
        return;
    }
    if (rc == Kb2Error::Stopped)
        return;
    bool ended = m_colourPosition >= MatrixCells || familyNextKey(family, m_colourPosition).second >= MatrixCells;
    if (rc == Kb2Error::Ok) {
        STU_BoardFromKRGB colours;
        if (kb2_decode_krgb(answer.data, Kb2Frame::Size, colours)) {
            for (int i = 0; i < KeysPerBatch; ++i) {
                const quint8 wire = colours.key[i];
                if (wire == WireKeyTable::NoKey || wire == 0)
                    continue;
                const int keyId = keyTypeFromCode(kb2_wire_to_model(wire));
                if (keyId >= 0)
                    m_colourMap.insert(keyId, QColor(colours.red[i], colours.green[i], colours.blue[i], 255));
            }
            qCDebug(lcDevice) << "读到RGB数据循环";
        }
    } else {
        qCDebug(lcDevice, "_kb2_Decode:<====>%d", rc);
        m_colourFailure = rc;
        ended = ended || rc != Kb2Error::Refused;
    }
    if (!ended)
        return;
    qCDebug(lcDevice) << "读到RGB数据" << m_colourMap;
    m_colourPosition = -1;
    if (!endModeIf(WorkerState::ColourWalk))
        return;
    m_board.storeKeyColours(m_colourMap);
    emit sigKB2UpdateKRGBInfo(m_colourMap);
    if (m_colourFailure != Kb2Error::Ok)
        emit sigKB2ReadFailed(int(WorkerState::ColourWalk), m_colourFailure);
}

// A poll round is several exchanges; requests queued meanwhile go out
// between them, so a change made during the key test is not held up.
void KeyboardWorker::serveQueuedRequests()
{
    for (;;) {
        Job job;
        {
            QMutexLocker l(&m_stateLock);
            if (interrupted() || m_queue.isEmpty() || m_queue.first().kind != Job::Request)
                return;
            job = m_queue.takeFirst();
        }
        sendQueued(job);
    }
}

bool KeyboardWorker::queryTable(int table, int part, Kb2Frame &answer, int &code)
{
    serveQueuedRequests();
    code = m_link.exchange(kb2_build_table_query(quint8(table), quint8(part)), answer, m_answerTimeoutMs);
    if (code == Kb2Error::Ok && answer.command() != kb2Answer(Kb2Cmd::TableQuery))
        code = Kb2Error::Foreign;
    return code == Kb2Error::Ok;
}

// A poll round that went wrong: a lost device closes the session, a refusal
// ends the poll (the keyboard will not give these tables), anything else
// skips this round.
static bool pollMustEnd(int code)
{
    return code == Kb2Error::Refused || kb2DeviceGone(code) || code == Kb2Error::Stopped;
}

void KeyboardWorker::calibrationPoll()
{
    // Calibration table rows 0..2, 3..5, then the travel table likewise.
    const int order[4][2] = {{Kb2Table::Calibration, 1}, {Kb2Table::Calibration, 2},
                             {Kb2Table::TravelRaw, 1}, {Kb2Table::TravelRaw, 2}};
    QList<QList<quint16>> table6, table2;
    bool complete = true;
    for (const auto &q : order) {
        Kb2Frame answer;
        int code = 0;
        if (!queryTable(q[0], q[1], answer, code)) {
            if (kb2DeviceGone(code)) {
                loseDevice(code);
                return;
            }
            if (code == Kb2Error::Refused && endModeIf(WorkerState::Calibration)) {
                // Leave the keyboard's calibration too, whatever state it is in.
                KB2Request stop;
                stop.type = Kb2Req::StopCalibration;
                queueRequest(stop);
            }
            if (pollMustEnd(code))
                return;
            qCDebug(lcDevice, "_kb2_Decode:<====>%d", code);
            complete = false;
            break;
        }
        quint8 table = 0;
        QList<QList<quint16>> rows;
        if (!kb2_decode_table_u16(answer.data, Kb2Frame::Size, table, rows) || rows.size() != 3) {
            complete = false;
            break;
        }
        (q[0] == Kb2Table::Calibration ? table6 : table2).append(rows);
    }
    if (complete)
        publishCalibration(table6, table2);
    sleepUntil(QDeadlineTimer(PollIntervalMs), true);
}

void KeyboardWorker::keyTestPoll()
{
    QList<QList<quint16>> travel;
    QList<QList<quint8>> flags;
    const int order[3][2] = {{Kb2Table::TravelRaw, 1}, {Kb2Table::TravelRaw, 2}, {Kb2Table::KeyState, 1}};
    bool complete = true;
    for (const auto &q : order) {
        Kb2Frame answer;
        int code = 0;
        quint8 table = 0;
        bool ok = queryTable(q[0], q[1], answer, code);
        if (!ok) {
            if (kb2DeviceGone(code)) {
                loseDevice(code);
                return;
            }
            if (code == Kb2Error::Refused)
                endModeIf(WorkerState::KeyTest);
            if (pollMustEnd(code))
                return;
        } else if (q[0] == Kb2Table::KeyState) {
            ok = kb2_decode_table_u8(answer.data, Kb2Frame::Size, table, flags) && flags.size() == 6;
        } else {
            QList<QList<quint16>> rows;
            ok = kb2_decode_table_u16(answer.data, Kb2Frame::Size, table, rows) && rows.size() == 3;
            travel.append(rows);
        }
        if (!ok) {
            complete = false;
            break;
        }
    }
    if (complete)
        publishKeyTest(travel, flags);
    sleepUntil(QDeadlineTimer(PollIntervalMs), true);
}

KeyboardWorker::LiveStats KeyboardWorker::liveStats() const
{
    QMutexLocker l(&m_liveLock);
    return m_liveStats;
}

template <typename Mail, typename Deliver>
void KeyboardWorker::publishLive(Mail &mail, Deliver deliver)
{
    // Under m_liveLock: mail holds the newest round. A delivery already on
    // its way to the GUI thread takes it; otherwise one is sent.
    ++m_liveStats.rounds;
    if (mail.pending)
        return;
    mail.pending = true;
    m_liveStats.mostQueued = qMax(m_liveStats.mostQueued, ++m_liveQueued);
    QMetaObject::invokeMethod(
        m_delivery,
        [this, &mail, deliver] {
            QMutexLocker l(&m_liveLock);
            Mail round = mail;
            mail.pending = false;
            --m_liveQueued;
            ++m_liveStats.delivered;
            l.unlock();
            deliver(round);
        },
        Qt::QueuedConnection);
}

void KeyboardWorker::publishKeyTest(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags)
{
    QMutexLocker l(&m_liveLock);
    m_keyTestMail.first = travel;
    m_keyTestMail.second = flags;
    publishLive(m_keyTestMail, [this](const LiveMail<quint8> &m) { emit sigUpdateMMData(m.first, m.second); });
}

void KeyboardWorker::publishCalibration(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2)
{
    QMutexLocker l(&m_liveLock);
    m_calibrationMail.first = table6;
    m_calibrationMail.second = table2;
    publishLive(m_calibrationMail,
                [this](const LiveMail<quint16> &m) { emit sigUpdateAdjustingData(m.first, m.second); });
}
