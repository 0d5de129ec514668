// The worker thread's side of KeyboardWorker: its loop, connecting and
// probing, queued requests and the answers they bring.

#include "KeyboardWorker.h"

#include "KB2ActionData.h"

#include "AppParams.h"
#include "DeviceLog.h"
#include "HidPermission.h"
#include "Kb2Builders.h"
#include "Kb2Commands.h"
#include "Kb2Decoders.h"
#include "Kb2Errors.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// Whether a request asks the keyboard for data rather than changing it.
bool requestIsRead(const KB2Request &r)
{
    switch (r.type) {
    case Kb2Req::BoardInfo:
    case Kb2Req::QueryWinMode:
    case Kb2Req::QueryMacMode:
    case Kb2Req::QueryName:
    case Kb2Req::QueryPrecision:
    case Kb2Req::KeyMatrix:
    case Kb2Req::TableQuery:
        return true;
    case Kb2Req::PollingRate:
        return r.arg1 < 0 || r.arg1 > 6; // an index past the last only asks
    default:
        return r.selector == Kb2Access::Read;
    }
}

} // namespace

template <typename Record>
void KeyboardWorker::storeAdvanced(const Kb2Frame &frame, bool (*decode)(const quint8 *, int, Record &))
{
    Record rec;
    if (decode(frame.data, Kb2Frame::Size, rec))
        m_board.storeAdvancedEntries(QVariant::fromValue(rec));
}

// ---------------------------------------------------------------- the loop

KeyboardWorker::Step KeyboardWorker::nextStep()
{
    QMutexLocker l(&m_stateLock);
    for (;;) {
        Step step;
        const WorkerState s = state();
        if (s == WorkerState::Stopped)
            return step;
        // A session ended from outside: the handle closes before anything else.
        if (s == WorkerState::Closing || (!isSession(s) && m_usb.isOpen())) {
            step.kind = Step::Close;
            return step;
        }
        if (!m_queue.isEmpty() && (s == WorkerState::Idle || isPoll(s) || !isSession(s))) {
            step.kind = Step::RunJob;
            step.job = m_queue.takeFirst();
            if (step.job.kind == Job::SwitchMode)
                m_starting = step.job.mode;
            return step;
        }
        if (isWalk(s) || isPoll(s)) {
            step.kind = Step::RunMode;
            step.mode = s;
            return step;
        }
        if (m_announced != m_serial) {
            m_announced = m_serial;
            step.kind = Step::AnnounceIdle;
            step.serial = m_serial;
            return step;
        }
        // Nothing to do: sleep until work, a change of state or the end arrives.
        m_wake.wait(&m_stateLock);
    }
}

void KeyboardWorker::run()
{
    for (;;) {
        Step step = nextStep();
        switch (step.kind) {
        case Step::Quit:
            m_usb.close();
            QThread::currentThread()->quit();
            return;
        case Step::Close:
            // Closing becomes Closed; a hold stays one. The transition closes the handle.
            transitionTo(WorkerEvent::HandleClosed);
            break;
        case Step::RunJob:
            runJob(step.job);
            break;
        case Step::RunMode:
            runMode(step.mode);
            break;
        case Step::AnnounceIdle:
            emit sigKB2Idle(step.serial);
            break;
        }
    }
}

bool KeyboardWorker::sleepUntil(const QDeadlineTimer &deadline, bool wakeOnWork)
{
    QMutexLocker l(&m_stateLock);
    const quint64 serial = m_serial;
    while (!interrupted() && !deadline.hasExpired()) {
        // Work handed over meanwhile, or already waiting, ends a poll's pause.
        if (wakeOnWork && (m_serial != serial || !m_queue.isEmpty()))
            break;
        m_wake.wait(&m_stateLock, deadline);
    }
    return !interrupted();
}

// The keyboard needs a moment after being opened before it takes writes.
bool KeyboardWorker::settled()
{
    if (!m_firstWritePending)
        return true;
    if (m_firstWriteDelayMs > 0 && !sleepUntil(QDeadlineTimer(m_firstWriteDelayMs.load()), false))
        return false;
    m_firstWritePending = false;
    return true;
}

void KeyboardWorker::loseDevice(int code)
{
    qCDebug(lcDevice) << "device lost:" << kb2ErrorName(code);
    // A hold or the end stays what it is; the handle closes either way.
    transitionTo(WorkerEvent::Lost, WorkerState::Idle, code);
}

// The worker's own changes go only from the state it is running, so that a
// stop or close from outside meanwhile wins.
bool KeyboardWorker::endModeIf(WorkerState mode, WorkerState newMode)
{
    return transitionTo(newMode == WorkerState::ColourWalk ? WorkerEvent::ColoursFollow : WorkerEvent::Finish, mode);
}

void KeyboardWorker::runJob(Job &job)
{
    switch (job.kind) {
    case Job::Request:
        sendQueued(job);
        break;
    case Job::SwitchMode: {
        if (job.mode == WorkerState::InitialWalk)
            m_initialWalk = WalkState();
        else if (job.mode == WorkerState::LayoutWalk)
            m_layoutWalk = WalkState();
        const WorkerState to = job.mode;
        if (m_takeUpHook)
            m_takeUpHook(to);
        if (!transitionTo(WorkerEvent::Start, to)) {
            {
                QMutexLocker l(&m_stateLock);
                const bool takenBack = m_starting != to;
                m_starting.reset();
                if (takenBack)
                    break; // as if it had still been queued: told by the stop, if at all
            }
            // Asked for while nothing is open: it ends before it began.
            if (isPoll(job.mode))
                emitEnded(job.mode);
            else
                emit sigKB2ReadFailed(int(job.mode), Kb2Error::Closed);
        }
        break;
    }
    case Job::Connect:
        finishControl(job, connectNow());
        break;
    case Job::Arrival: {
        if (isDeviceOpen()) {
            qCDebug(lcDevice) << "arrival ignored: a keyboard is open" << job.path;
            break; // a second keyboard is never probed
        }
        QStringList paths;
        m_usb.findDevicePaths(paths, VendorId, ProductId);
        if (!paths.contains(QString::fromUtf8(job.path))) {
            // Only the keyboard's own interfaces are ever opened or written.
            qCDebug(lcDevice) << "arrival ignored: not a keyboard interface" << job.path;
            break;
        }
        const int rc = connectNow();
        if (rc == Connected)
            emit sigKeyboardArrived();
        finishControl(job, rc);
        break;
    }
    case Job::Reopen: {
        m_usb.close();
        QByteArray path;
        {
            QMutexLocker l(&m_stateLock);
            path = m_path;
        }
        finishControl(job, openSession(path) == Connected ? int(Connected) : int(NoKeyboard));
        break;
    }
    case Job::Probe: {
        const bool answered = probeNow(job.path);
        if (job.ticket) {
            QMutexLocker l(&m_stateLock);
            m_results.insert(job.ticket, answered ? 1 : 0);
            m_resultReady.wakeAll();
        }
        break;
    }
    }
}

void KeyboardWorker::finishControl(const Job &job, int result)
{
    if (job.ticket) {
        QMutexLocker l(&m_stateLock);
        m_results.insert(job.ticket, result);
        m_resultReady.wakeAll();
    }
    emit sigConnectFinished(result);
}

// ---------------------------------------------------------------- connecting

// Runs the basic-information query on the open handle; stores the board
// information when the keyboard answers.
int KeyboardWorker::probeOpenDevice()
{
    Kb2Frame answer;
    const int rc = m_link.exchange(kb2_build_plain(Kb2Cmd::BoardInfo), answer, m_probeTimeoutMs);
    if (rc != Kb2Error::Ok) {
        qCDebug(lcDevice) << "某个返回值小于0，直接结束函数" << rc;
        return rc;
    }
    STU_BoardInfo2 info;
    if (answer.command() != kb2Answer(Kb2Cmd::BoardInfo)
        || !kb2_decode_board_info(answer.data, Kb2Frame::Size, info))
        return Kb2Error::Foreign;
    m_board.storeBoardInfo(info);
    return Kb2Error::Ok;
}

bool KeyboardWorker::probeNow(const QByteArray &path)
{
    if (m_usb.isOpen()) {
        qCDebug(lcDevice) << "关闭设备";
        m_usb.close();
    }
    if (!m_usb.openPath(path))
        return false;
    const int rc = probeOpenDevice();
    qCDebug(lcDevice) << "返回值结果打印输出：" << rc;
    m_usb.close();
    if (rc != Kb2Error::Ok)
        return false;
    QMutexLocker l(&m_stateLock);
    m_path = path;
    return true;
}

int KeyboardWorker::connectNow()
{
    m_usb.close();
    // The refusals told after this attempt are its own: an interface it does
    // not get to is not left "refused" from an earlier one.
    HidPermission::clear();
    QStringList paths;
    m_usb.findDevicePaths(paths, VendorId, ProductId);
    for (const QString &path : qAsConst(paths)) {
        if (interrupted())
            break;
        if (probeNow(path.toUtf8()))
            return openSession(path.toUtf8());
    }
    return NoKeyboard;
}

// Opens the interface for a session of requests, walks and polls, and asks
// for the board information first.
int KeyboardWorker::openSession(const QByteArray &path)
{
    if (path.isEmpty() || !m_usb.openPath(path))
        return OpenFailed;
    // Closed, held or ended while it was being opened: it stays closed.
    if (!transitionTo(WorkerEvent::Opened)) {
        m_usb.close();
        return OpenFailed;
    }
    {
        QMutexLocker l(&m_stateLock);
        m_path = path;
    }
    m_usb.setDevicePath(path);
    m_firstWritePending = true;
    m_initialWalk = WalkState();
    m_layoutWalk = WalkState();
    Job info;
    info.request.type = Kb2Req::BoardInfo;
    kb2BuildRequestFrame(info.request, info.frame);
    qCDebug(lcDevice) << "查询键盘基本信息";
    post(std::move(info), true);
    return Connected;
}

// ---------------------------------------------------------------- requests and answers

void KeyboardWorker::sendQueued(const Job &job)
{
    if (!m_usb.isOpen()) {
        qCDebug(lcDevice) << "device closed, request dropped" << job.request.type;
        return;
    }
    if (!settled())
        return;
    Kb2Frame answer;
    const int rc = m_link.exchangeRetrying(job.frame, answer, m_answerTimeoutMs, Retries);
    qCDebug(lcDevice, "Hidusb Data Writes:%d<--->Reads:%d", job.frame.frameSize(), rc);
    if (rc == Kb2Error::Ok)
        dispatch(answer);
    else if (kb2DeviceGone(rc))
        loseDevice(rc);
    else if (rc != Kb2Error::Stopped)
        emit sigKB2RequestFailed(job.request.type, requestIsRead(job.request), rc);
}

void KeyboardWorker::dispatch(const Kb2Frame &frame)
{
    switch (frame.command()) {
    case kb2Answer(Kb2Cmd::BoardInfo): {
        STU_BoardInfo2 info;
        if (kb2_decode_board_info(frame.data, Kb2Frame::Size, info)) {
            m_board.storeBoardInfo(info);
            emit sigKB2DeviceInfo(QVariant::fromValue(info));
        }
        break;
    }
    case kb2Answer(Kb2Cmd::KeyMatrix):
        storeKeyMatrixRows(frame);
        break;
    case kb2Answer(Kb2Cmd::TableQuery):
        qCDebug(lcDevice) << "收到矩阵传回的数据";
        break;
    case kb2Answer(Kb2Cmd::Key): {
        STU_BoardFromKey entries;
        if (kb2_decode_key_entries(frame.data, Kb2Frame::Size, entries))
            m_board.applyKeyEntries(entries);
        break;
    }
    case kb2Answer(Kb2Cmd::MT): storeAdvanced<STU_BoardFromMT>(frame, kb2_decode_mt); break;
    case kb2Answer(Kb2Cmd::TGL): storeAdvanced<STU_BoardFromTGL>(frame, kb2_decode_tgl); break;
    case kb2Answer(Kb2Cmd::TDKS): storeAdvanced<STU_BoardFromTDKS>(frame, kb2_decode_tdks); break;
    case kb2Answer(Kb2Cmd::DDKS): storeAdvanced<STU_BoardFromDDKS>(frame, kb2_decode_ddks); break;
    case kb2Answer(Kb2Cmd::END): storeAdvanced<STU_BoardFromEND>(frame, kb2_decode_end); break;
    case kb2Answer(Kb2Cmd::SOCD): storeAdvanced<STU_BoardFromSOCD>(frame, kb2_decode_socd); break;
    case kb2Answer(Kb2Cmd::RS): storeAdvanced<STU_BoardFromRS>(frame, kb2_decode_rs); break;
    case kb2Answer(Kb2Cmd::KRGB): {
        STU_BoardFromKRGB colours;
        if (kb2_decode_krgb(frame.data, Kb2Frame::Size, colours))
            m_board.storeKeyColourEntries(colours);
        break;
    }
    case kb2Answer(Kb2Cmd::Macro): {
        STU_BoardFromMACRO echo;
        if (kb2_decode_macro_echo(frame.data, Kb2Frame::Size, echo)) {
            m_board.storeMacroPiece(echo);
            qCDebug(lcDevice, "read [%s--%d] [%2d] cmd:0x%02X offset:%2d len:%2d micro:0x%04X", "commitKeyboardReslove",
                    __LINE__, int(echo.count), int(frame.command()), int(echo.offset), int(echo.count),
                    unsigned(echo.step[0] & 0xFFFF));
        }
        break;
    }
    case kb2Answer(Kb2Cmd::DB): {
        STU_BoardFromDB db;
        if (kb2_decode_db(frame.data, Kb2Frame::Size, db)) {
            m_board.storeDB(db);
            emit sigKB2Sensitivity(QVariant::fromValue(db));
        }
        break;
    }
    case kb2Answer(Kb2Cmd::PRGB): {
        STU_BoardFromPRGB prgb;
        if (kb2_decode_prgb(frame.data, Kb2Frame::Size, prgb)) {
            m_board.storePRGB(prgb);
            emit sigKB2ColorLights(QVariant::fromValue(prgb));
            emit sigKB2SuperVelocity((prgb.bitmap & Kb2LightingBits::LowLatency) != 0);
        }
        break;
    }
    case kb2Answer(Kb2Cmd::SubCode): {
        const quint8 sub = frame.payload()[1];
        if (sub == Kb2Sub::QueryWinMode || sub == Kb2Sub::QueryMacMode) {
            const int mode = kb2_decode_sys_mode(frame.data, Kb2Frame::Size);
            if (mode >= 0)
                emit sigKB2SYSModeInfo(mode);
        } else if (sub == Kb2Sub::QueryName) {
            QString name;
            if (kb2_decode_keyboard_name(frame.data, Kb2Frame::Size, name))
                emit sigKB2KeyboardName(name);
        } else if (sub == Kb2Sub::QueryPrecision) {
            Kb2Precision p;
            if (kb2_decode_precision(frame.data, Kb2Frame::Size, p)) {
                emit sigKB2PrecisionData(p.stepMm, p.a, p.b, p.decimals);
            }
        } else if (sub == Kb2Sub::PollingRate) {
            const int rate = kb2_decode_polling_rate(frame.data, Kb2Frame::Size);
            if (rate >= 0) {
                emit sigKB2PollingRate(rate);
            }
        }
        break;
    }
    default:
        break;
    }
}

void KeyboardWorker::storeKeyMatrixRows(const Kb2Frame &frame)
{
    Kb2MatrixRows rows;
    if (!kb2_decode_key_matrix(frame.data, Kb2Frame::Size, rows))
        return;
    if (rows.firstRow == 0) {
        m_board.clearKeyMatrix();
        m_originalKeys.clear();
    }
    const int rowNumbers[2] = {rows.firstRow, rows.secondRow};
    for (int i = 0; i < 2; ++i) {
        const int row = rowNumbers[i];
        if (row < 0 || row >= KB2MatrixRows)
            continue;
        QList<int> keys;
        for (int col = 0; col < KB2MatrixCols; ++col) {
            const quint8 wire = i == 0 ? rows.first[col] : rows.second[col];
            m_board.setKeyMatrixCell(row, col, kb2_wire_to_model(wire));
            if (wire != 0)
                keys.append(keyTypeFromCode(kb2_wire_to_model(wire)));
        }
        m_originalKeys.insert(row, keys);
    }
    if (rows.secondRow == KB2MatrixRows - 1)
        emit sigKB2OriginalKeyValueMap(m_originalKeys);
}
