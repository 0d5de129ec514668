#include "KeyboardAction.h"

#include "AppParams.h"
#include "DeviceLog.h"
#include "FamilyKeyMatrix.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "KeyTypeTable.h"
#include "ModelMetaTypes.h"
#include "SoftwareConfig.h"
#include "WireKeyTable.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cstring>

template <typename Record>
void KeyboardAction::storeAdvanced(const Kb2Frame &frame, bool (*decode)(const quint8 *, int, Record &))
{
    Record rec;
    if (decode(frame.data, Kb2Frame::Size, rec))
        storeAdvancedEntries(rec);
}

KeyboardAction *KeyboardAction::instance(QObject *parent)
{
    static KeyboardAction *s_instance = new KeyboardAction(parent);
    return s_instance;
}

KeyboardAction::KeyboardAction(QObject *parent) : QThread(parent)
{
    registerBoardMetaTypes();
    registerContainerMetaTypes();
}

KeyboardAction::~KeyboardAction()
{
    shutdown();
}

void KeyboardAction::shutdown()
{
    {
        QMutexLocker l(&m_stateLock);
        m_running = false;
        m_queue.clear();
        m_wake.wakeAll();
        m_stopWake.wakeAll();
    }
    quit();
    // Every read is bounded, so the worker leaves its current step promptly.
    wait();
    QMutexLocker io(&m_ioLock);
    HidUSB::close();
}

void KeyboardAction::startThread()
{
    if (!isRunning())
        start(QThread::InheritPriority);
}

bool KeyboardAction::pause(int ms)
{
    QDeadlineTimer deadline(ms);
    QMutexLocker l(&m_stateLock);
    // Only destruction cuts a pause short; new requests do not.
    while (m_running && !deadline.hasExpired())
        m_stopWake.wait(&m_stateLock, deadline);
    return m_running;
}

bool KeyboardAction::setModeIf(int expected, int mode)
{
    QMutexLocker l(&m_stateLock);
    if (m_mode != expected)
        return false;
    m_mode = mode;
    m_wake.wakeAll();
    return true;
}

int KeyboardAction::mode() const
{
    QMutexLocker l(&m_stateLock);
    return m_mode;
}

bool KeyboardAction::isInitialising() const
{
    QMutexLocker l(&m_stateLock);
    if (m_mode == InitialWalk)
        return true;
    return std::any_of(m_queue.cbegin(), m_queue.cend(), [](const Job &j) { return j.switchToMode == InitialWalk; });
}

bool KeyboardAction::isDeviceOpen() const
{
    QMutexLocker io(&m_ioLock);
    return HidUSB::isOpen();
}

QString KeyboardAction::devicePathString() const
{
    return QString::fromUtf8(HidUSB::devicePath());
}

STU_BoardInfo2 KeyboardAction::boardInfo() const
{
    return KB2ActionData::boardInfo();
}

bool KeyboardAction::isIdle() const
{
    QMutexLocker l(&m_stateLock);
    return m_asleep;
}

int KeyboardAction::queuedCount() const
{
    QMutexLocker l(&m_stateLock);
    return m_queue.size();
}

// ---------------------------------------------------------------- queueing

bool KeyboardAction::queueRequest(const KB2Request &request)
{
    Job job;
    job.request = request;
    if (!kb2BuildRequestFrame(request, job.frame))
        return false;
    if (request.type == 1)
        qCDebug(lcDevice) << "查询键盘基本信息";
    else if (request.type == 6)
        qCDebug(lcDevice) << "DDKS:";
    else if (request.type == 21)
        qCDebug(lcDevice) << "查询键盘键位布局";
    QMutexLocker l(&m_stateLock);
    m_queue.append(job);
    m_asleep = false;
    m_wake.wakeAll();
    return true;
}

void KeyboardAction::sendRecord(const QVariant &record)
{
    KB2Request r;
    r.type = kb2RequestTypeForRecord(record);
    if (r.type == 0)
        return;
    r.record = record;
    queueRequest(r);
}

static KB2Request simpleRequest(int type, int arg1 = -1, int arg2 = -1)
{
    KB2Request r;
    r.type = type;
    r.arg1 = arg1;
    r.arg2 = arg2;
    return r;
}

void KeyboardAction::queryKeyboardName() { queueRequest(simpleRequest(17)); }
void KeyboardAction::queryPrecision() { queueRequest(simpleRequest(18)); }
void KeyboardAction::setPollingRate(int index) { queueRequest(simpleRequest(27, index)); }
void KeyboardAction::queryKeyMatrix(int firstRow, int secondRow) { queueRequest(simpleRequest(21, firstRow, secondRow)); }
void KeyboardAction::queryWinMode() { queueRequest(simpleRequest(15)); }
void KeyboardAction::queryMacMode() { queueRequest(simpleRequest(16)); }
void KeyboardAction::switchToWin() { queueRequest(simpleRequest(19)); }
void KeyboardAction::switchToMac() { queueRequest(simpleRequest(20)); }
void KeyboardAction::saveToKeyboard() { queueRequest(simpleRequest(13)); }
void KeyboardAction::restoreFactory() { queueRequest(simpleRequest(14)); }

// Walks and polls start once everything queued before them has gone out:
// a mode switch travels through the queue like a request.
void KeyboardAction::queueModeSwitch(int mode)
{
    Job job;
    job.switchToMode = mode;
    QMutexLocker l(&m_stateLock);
    m_queue.append(job);
    m_asleep = false;
    m_wake.wakeAll();
}

// Stops a walk or poll at once, and any that is still waiting in the queue.
void KeyboardAction::setModeNow(int mode)
{
    QMutexLocker l(&m_stateLock);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), [](const Job &j) { return j.switchToMode >= 0; }),
                  m_queue.end());
    m_mode = mode;
    m_asleep = false;
    m_wake.wakeAll();
}

void KeyboardAction::startInitialRead()
{
    queueModeSwitch(InitialWalk);
    // Read after the walks: they are queued behind the switch.
    KB2Request lights = simpleRequest(12);
    lights.selector = 0;
    lights.record = QVariant::fromValue(STU_BoardFromPRGB());
    queueRequest(lights);
    KB2Request db = simpleRequest(11);
    db.selector = 0;
    db.record = QVariant::fromValue(STU_BoardFromDB());
    queueRequest(db);
}

void KeyboardAction::startLayoutRead() { queueModeSwitch(LayoutWalk); }

void KeyboardAction::startCalibration()
{
    queueRequest(simpleRequest(22));
    queueModeSwitch(Calibration);
}

void KeyboardAction::stopCalibration()
{
    setModeNow(Idle);
    queueRequest(simpleRequest(23));
}

void KeyboardAction::startKeyTest() { queueModeSwitch(KeyTest); }
void KeyboardAction::stopKeyTest() { setModeNow(Idle); }

// ---------------------------------------------------------------- connecting

int KeyboardAction::transaction(const Kb2Frame &request, Kb2Frame &response)
{
    int rc = -1;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        rc = HidUSB::write(request.data, request.frameSize());
        if (rc >= 0)
            break;
        qCDebug(lcDevice) << "len:" << rc << attempt << HidUSB::isOpen();
    }
    if (rc < 0)
        return -1;
    int len = receiveFrame(response, m_probeTimeoutMs);
    if (len < 5) {
        qCDebug(lcDevice, "kb2_len<====>%d", len);
        return -8;
    }
    if (response.payload()[0] != 0)
        return -1;
    return kb2_response_matches(request.command(), response.command()) ? 0 : -2;
}

// Runs the basic-information query on the open handle; stores the board
// information when the keyboard answers.
int KeyboardAction::probeOpenDevice()
{
    Kb2Frame request = kb2_build_plain(Kb2Cmd::BoardInfo);
    Kb2Frame response;
    int rc = transaction(request, response);
    if (rc < 0)
        return rc;
    if (response.command() != 0x81)
        return -3;
    STU_BoardInfo2 info;
    if (!kb2_decode_board_info(response.data, Kb2Frame::Size, info))
        return -3;
    storeBoardInfo(info);
    return 0;
}

int KeyboardAction::connectDevice()
{
    QMutexLocker io(&m_ioLock);
    // Enumerating restarts the HID library, which invalidates open handles.
    HidUSB::close();
    QStringList paths;
    findDevicePaths(paths, VendorId, ProductId);
    bool found = false;
    for (const QString &path : paths) {
        HidUSB::close();
        if (!HidUSB::openPath(path.toUtf8()))
            continue;
        int rc = probeOpenDevice();
        if (rc < 0) {
            qCDebug(lcDevice) << "某个返回值小于0，直接结束函数" << rc;
            continue;
        }
        if (rc == 0) {
            setDevicePath(path.toUtf8());
            found = true;
            break;
        }
    }
    HidUSB::close();
    if (!found)
        return -1;
    if (!HidUSB::open())
        return -2;
    io.unlock();
    startSession();
    return 0;
}

// The device is open: run the worker and ask for the board information.
void KeyboardAction::startSession()
{
    startThread();
    m_firstWritePending = true;
    queueRequest(simpleRequest(1));
}

int KeyboardAction::reconnect()
{
    QMutexLocker io(&m_ioLock);
    HidUSB::close();
    if (!HidUSB::open())
        return -1;
    io.unlock();
    startSession();
    return 0;
}

bool KeyboardAction::probePath(const QString &path)
{
    QMutexLocker io(&m_ioLock);
    if (HidUSB::isOpen()) {
        qCDebug(lcDevice) << "关闭设备";
        HidUSB::close();
    }
    if (!HidUSB::openPath(path.toUtf8()))
        return false;
    int rc = probeOpenDevice();
    qCDebug(lcDevice) << "返回值结果打印输出：" << rc;
    if (rc == 0)
        setDevicePath(path.toUtf8());
    HidUSB::close();
    return rc == 0;
}

void KeyboardAction::closeDevice()
{
    QMutexLocker io(&m_ioLock);
    HidUSB::close();
}

// ---------------------------------------------------------------- worker

void KeyboardAction::run()
{
    bool worked = false;
    for (;;) {
        QList<Job> batch;
        int mode;
        {
            QMutexLocker l(&m_stateLock);
            if (worked && m_running && (m_mode == Idle || m_mode == 3) && m_queue.isEmpty()) {
                worked = false;
                l.unlock();
                emit sigKB2Idle();
                continue;
            }
            // Sleep while there is nothing to do; queueing, a mode change and
            // destruction wake the worker.
            while (m_running && (m_mode == Idle || m_mode == 3) && m_queue.isEmpty()) {
                m_asleep = true;
                m_wake.wait(&m_stateLock);
            }
            m_asleep = false;
            if (!m_running)
                break;
            mode = m_mode;
            if (mode == Idle || mode == 3)
                batch.swap(m_queue);
        }
        worked = true;
        switch (mode) {
        case InitialWalk:
            initialWalkStep(m_initialWalk, 22, 1, true);
            break;
        case LayoutWalk:
            initialWalkStep(m_layoutWalk, 5, 0, false);
            break;
        case ColourWalk:
            colourWalkStep();
            break;
        case Calibration:
            calibrationPoll();
            break;
        case KeyTest:
            keyTestPoll();
            break;
        default:
            processBatch(batch);
            break;
        }
    }
}

void KeyboardAction::processBatch(QList<Job> &batch)
{
    if (batch.isEmpty())
        return;
    if (!isDeviceOpen()) {
        qCDebug(lcDevice) << "device closed, discarding" << batch.size() << "queued requests";
        return;
    }
    if (m_firstWritePending.exchange(false)) {
        // The keyboard needs a moment after being opened before it takes writes.
        if (m_firstWriteDelayMs > 0 && !pause(m_firstWriteDelayMs))
            return;
    }
    for (int i = 0; i < batch.size(); ++i) {
        const Job &job = batch.at(i);
        if (job.switchToMode >= 0) {
            // Hand the rest of the batch back: it goes out after the walk.
            QMutexLocker l(&m_stateLock);
            if (job.switchToMode == InitialWalk)
                m_initialWalk = WalkState();
            else if (job.switchToMode == LayoutWalk)
                m_layoutWalk = WalkState();
            m_mode = job.switchToMode;
            m_queue = batch.mid(i + 1) + m_queue;
            return;
        }
        {
            QMutexLocker l(&m_stateLock);
            if (!m_running)
                return;
        }
        // The handle is held one exchange at a time, so connecting or closing
        // from the GUI thread waits for one exchange at most.
        QMutexLocker io(&m_ioLock);
        if (!HidUSB::isOpen()) {
            qCDebug(lcDevice) << "device closed, request dropped";
            continue;
        }
        int written = HidUSB::write(job.frame.data, job.frame.frameSize());
        switch (job.frame.command()) {
        case 0x2A: m_readTimeout = 1; break;
        case 0x23: m_readTimeout = 3; break;
        case 0x00: m_readTimeout = 100; break;
        default: break;
        }
        int decoded = written > 0 ? decodeOneResponse() : 0;
        qCDebug(lcDevice, "Hidusb Data Writes:%d<--->Reads:%d", written, decoded);
    }
}

int KeyboardAction::receiveFrame(Kb2Frame &frame, int timeoutMs)
{
    unsigned char reports[4][HidUSB::ReportSize];
    int count = 0;
    int wait = qMax(timeoutMs, MinFirstReportMs);
    for (;;) {
        unsigned char buf[HidUSB::ReportSize];
        int rc = HidUSB::readReport(buf, wait);
        if (rc <= 0)
            break;
        if (count < 4)
            std::memcpy(reports[count++], buf, sizeof buf);
        // Stop as soon as a whole frame is in; later reports of the same
        // answer are drained without waiting.
        bool complete = reports[0][0] == 0x5C && count * HidUSB::ReportSize >= reports[0][1] + 4;
        wait = complete || count >= 4 ? 0 : timeoutMs;
    }
    frame = Kb2Frame();
    for (int i = 0; i < count; ++i)
        std::memcpy(frame.data + i * HidUSB::ReportSize, reports[i], HidUSB::ReportSize);
    return kb2_frame_check(frame.data, count * HidUSB::ReportSize);
}

int KeyboardAction::decodeOneResponse()
{
    Kb2Frame frame;
    int len = receiveFrame(frame, m_readTimeout);
    m_readTimeout = 100;
    if (len <= 4) {
        qCDebug(lcDevice, "kb2_len<====>%d", len);
        return -8;
    }
    if (frame.payload()[0] != 0)
        return -1;
    return dispatch(frame);
}

int KeyboardAction::dispatch(const Kb2Frame &frame)
{
    switch (frame.command()) {
    case 0x81: {
        STU_BoardInfo2 info;
        if (kb2_decode_board_info(frame.data, Kb2Frame::Size, info)) {
            storeBoardInfo(info);
            emit sigKB2DeviceInfo(QVariant::fromValue(info));
        }
        break;
    }
    case 0xAB:
        storeKeyMatrixRows(frame);
        break;
    case 0x92:
        qCDebug(lcDevice) << "收到矩阵传回的数据";
        break;
    case 0xA3: {
        STU_BoardFromKey entries;
        if (kb2_decode_key_entries(frame.data, Kb2Frame::Size, entries))
            applyKeyEntries(entries);
        break;
    }
    case 0xA4: storeAdvanced<STU_BoardFromMT>(frame, kb2_decode_mt); break;
    case 0xA5: storeAdvanced<STU_BoardFromTGL>(frame, kb2_decode_tgl); break;
    case 0xA6: storeAdvanced<STU_BoardFromTDKS>(frame, kb2_decode_tdks); break;
    case 0xA7: storeAdvanced<STU_BoardFromDDKS>(frame, kb2_decode_ddks); break;
    case 0xA8: storeAdvanced<STU_BoardFromEND>(frame, kb2_decode_end); break;
    case 0xA0: {
        STU_BoardFromMACRO echo;
        if (kb2_decode_macro_echo(frame.data, Kb2Frame::Size, echo))
            qCDebug(lcDevice, "read [%s--%d] [%2d] cmd:0x%02X offset:%2d len:%2d micro:0x%04X", "commitKeyboardReslove",
                    __LINE__, int(echo.count), int(frame.command()), int(echo.offset), int(echo.count),
                    unsigned(echo.step[0] & 0xFFFF));
        break;
    }
    case 0xA9: {
        STU_BoardFromDB db;
        if (kb2_decode_db(frame.data, Kb2Frame::Size, db)) {
            storeDB(db);
            emit sigKB2Sensitivity(QVariant::fromValue(db));
        }
        break;
    }
    case 0x98: {
        STU_BoardFromPRGB prgb;
        if (kb2_decode_prgb(frame.data, Kb2Frame::Size, prgb)) {
            storePRGB(prgb);
            emit sigKB2ColorLights(QVariant::fromValue(prgb));
            emit sigKB2SuperVelocity((prgb.bitmap & 0x10) != 0);
        }
        break;
    }
    case 0x80: {
        const quint8 sub = frame.payload()[1];
        if (sub == 33 || sub == 34) {
            int mode = kb2_decode_sys_mode(frame.data, Kb2Frame::Size);
            if (mode >= 0)
                emit sigKB2SYSModeInfo(mode);
        } else if (sub == 38) {
            QString name;
            if (kb2_decode_keyboard_name(frame.data, Kb2Frame::Size, name))
                emit sigKB2KeyboardName(name);
        } else if (sub == 37) {
            Kb2Precision p;
            if (kb2_decode_precision(frame.data, Kb2Frame::Size, p)) {
                AppParams::setDecimals(p.decimals);
                emit sigKB2PrecisionData(p.stepMm, p.a, p.b);
            }
        } else if (sub == 80) {
            int rate = kb2_decode_polling_rate(frame.data, Kb2Frame::Size);
            if (rate >= 0) {
                AppParams::setPollingRateIndex(rate);
                emit sigKB2PollingRate(rate);
            }
        }
        break;
    }
    default:
        break;
    }
    return 0;
}

void KeyboardAction::storeKeyMatrixRows(const Kb2Frame &frame)
{
    Kb2MatrixRows rows;
    if (!kb2_decode_key_matrix(frame.data, Kb2Frame::Size, rows))
        return;
    SoftwareConfig *config = SoftwareConfig::instance();
    if (rows.firstRow == 0) {
        config->clearMatrix();
        m_originalKeys.clear();
    }
    const int rowNumbers[2] = {rows.firstRow, rows.secondRow};
    for (int i = 0; i < 2; ++i) {
        const int row = rowNumbers[i];
        if (row < 0 || row > 5)
            continue;
        QList<int> keys;
        for (int col = 0; col < 21; ++col) {
            const quint8 wire = i == 0 ? rows.first[col] : rows.second[col];
            config->setMatrixCell(row, col, kb2_wire_to_model(wire));
            if (wire != 0)
                keys.append(keyTypeFromCode(kb2_wire_to_model(wire)));
        }
        m_originalKeys.insert(row, keys);
    }
    if (rows.secondRow == 5)
        emit sigKB2OriginalKeyValueMap(m_originalKeys);
}
