#include "KeyboardAction.h"

#include "AppParams.h"
#include "DeviceLog.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "Kb2Errors.h"
#include "KeyTypeTable.h"
#include "ModelMetaTypes.h"
#include "SoftwareConfig.h"
#include "WireKeyTable.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

// How long a caller of the waiting forms of connect waits at most: every
// interface's probe plus opening, with room to spare.
constexpr int ControlWaitMs = 30000;

KB2Request simpleRequest(int type, int arg1 = -1, int arg2 = -1)
{
    KB2Request r;
    r.type = type;
    r.arg1 = arg1;
    r.arg2 = arg2;
    return r;
}

} // namespace

KeyboardAction *KeyboardAction::instance(QObject *parent)
{
    static KeyboardAction *s_instance = new KeyboardAction(parent);
    return s_instance;
}

KeyboardAction::KeyboardAction(QObject *parent) : QThread(parent)
{
    registerBoardMetaTypes();
    registerContainerMetaTypes();
    m_link.setInterrupt([this] { return interrupted(); });
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
        m_stopIo = true;
        m_wake.wakeAll();
        m_resultReady.wakeAll();
    }
    // Every read is sliced and watches m_stopIo, so this join is short.
    wait();
    m_usb.close();
}

bool KeyboardAction::interrupted() const
{
    return m_stopIo.load();
}

// ---------------------------------------------------------------- state (any thread)

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
    return std::any_of(m_queue.cbegin(), m_queue.cend(),
                       [](const Job &j) { return j.kind == Job::SwitchMode && j.mode == InitialWalk; });
}

bool KeyboardAction::isDeviceOpen() const
{
    QMutexLocker l(&m_stateLock);
    return m_open;
}

QString KeyboardAction::devicePathString() const
{
    QMutexLocker l(&m_stateLock);
    return QString::fromUtf8(m_path);
}

STU_BoardInfo2 KeyboardAction::boardInfo() const
{
    return KB2ActionData::boardInfo();
}

bool KeyboardAction::isIdle() const
{
    QMutexLocker l(&m_stateLock);
    return m_asleep && m_announced == m_serial;
}

quint64 KeyboardAction::workSerial() const
{
    QMutexLocker l(&m_stateLock);
    return m_serial;
}

int KeyboardAction::queuedCount() const
{
    QMutexLocker l(&m_stateLock);
    return m_queue.size();
}

// ---------------------------------------------------------------- queueing

void KeyboardAction::post(Job job, bool front)
{
    {
        QMutexLocker l(&m_stateLock);
        if (!m_running)
            return;
        if (front)
            m_queue.prepend(std::move(job));
        else
            m_queue.append(std::move(job));
        ++m_serial;
        m_wake.wakeAll();
    }
    if (!isRunning())
        start(QThread::InheritPriority);
}

bool KeyboardAction::queueRequest(const KB2Request &request)
{
    Job job;
    job.request = request;
    if (!kb2BuildRequestFrame(request, job.frame))
        return false;
    if (request.type == Kb2Req::BoardInfo)
        qCDebug(lcDevice) << "查询键盘基本信息";
    else if (request.type == Kb2Req::DDKS)
        qCDebug(lcDevice) << "DDKS:";
    else if (request.type == Kb2Req::KeyMatrix)
        qCDebug(lcDevice) << "查询键盘键位布局";
    post(std::move(job));
    return true;
}

void KeyboardAction::sendRecord(const QVariant &record)
{
    KB2Request r;
    r.type = kb2RequestTypeForRecord(record);
    if (r.type == Kb2Req::None)
        return;
    r.record = record;
    queueRequest(r);
}

void KeyboardAction::queryKeyboardName() { queueRequest(simpleRequest(Kb2Req::QueryName)); }
void KeyboardAction::queryPrecision() { queueRequest(simpleRequest(Kb2Req::QueryPrecision)); }
void KeyboardAction::setPollingRate(int index) { queueRequest(simpleRequest(Kb2Req::PollingRate, index)); }
void KeyboardAction::queryKeyMatrix(int firstRow, int secondRow)
{
    queueRequest(simpleRequest(Kb2Req::KeyMatrix, firstRow, secondRow));
}
void KeyboardAction::queryWinMode() { queueRequest(simpleRequest(Kb2Req::QueryWinMode)); }
void KeyboardAction::queryMacMode() { queueRequest(simpleRequest(Kb2Req::QueryMacMode)); }
void KeyboardAction::switchToWin() { queueRequest(simpleRequest(Kb2Req::SwitchToWin)); }
void KeyboardAction::switchToMac() { queueRequest(simpleRequest(Kb2Req::SwitchToMac)); }
void KeyboardAction::saveToKeyboard() { queueRequest(simpleRequest(Kb2Req::Save)); }
void KeyboardAction::restoreFactory() { queueRequest(simpleRequest(Kb2Req::FactoryReset)); }
void KeyboardAction::queryBoardInfo() { queueRequest(simpleRequest(Kb2Req::BoardInfo)); }

// Walks and polls start once everything queued before them has gone out:
// a mode switch travels through the queue like a request.
void KeyboardAction::queueModeSwitch(int mode)
{
    Job job;
    job.kind = Job::SwitchMode;
    job.mode = mode;
    post(std::move(job));
}

void KeyboardAction::emitModeEnded(int oldMode, int newMode)
{
    if (oldMode == newMode)
        return;
    if (oldMode == Calibration)
        emit sigCalibrationEnded();
    else if (oldMode == KeyTest)
        emit sigKeyTestEnded();
}

QList<int> KeyboardAction::dropQueuedLocked(bool requests)
{
    QList<int> live;
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [&](const Job &j) {
                                     if (j.kind == Job::SwitchMode) {
                                         if (j.mode == Calibration || j.mode == KeyTest)
                                             live << j.mode;
                                         return true;
                                     }
                                     return requests && j.kind == Job::Request;
                                 }),
                  m_queue.end());
    return live;
}

void KeyboardAction::emitDroppedEnded(const QList<int> &modes)
{
    for (int mode : modes)
        emitModeEnded(mode, Idle);
}

// Stops a walk or poll at once, and any that is still waiting in the queue.
void KeyboardAction::setModeNow(int mode)
{
    int old;
    QList<int> dropped;
    {
        QMutexLocker l(&m_stateLock);
        dropped = dropQueuedLocked(false);
        old = m_mode;
        m_mode = mode;
        ++m_serial;
        m_wake.wakeAll();
    }
    emitModeEnded(old, mode);
    emitDroppedEnded(dropped);
}

// The worker's own mode changes: only from the mode it is running, so that
// a stop or close from the GUI thread meanwhile wins.
bool KeyboardAction::endModeIf(int mode, int newMode)
{
    {
        QMutexLocker l(&m_stateLock);
        if (m_mode != mode)
            return false;
        m_mode = newMode;
    }
    emitModeEnded(mode, newMode);
    return true;
}

void KeyboardAction::startInitialRead()
{
    queueModeSwitch(InitialWalk);
    // Read after the walks: they are queued behind the switch.
    KB2Request lights = simpleRequest(Kb2Req::PRGB);
    lights.selector = Kb2Access::Read;
    lights.record = QVariant::fromValue(STU_BoardFromPRGB());
    queueRequest(lights);
    KB2Request db = simpleRequest(Kb2Req::DB);
    db.selector = Kb2Access::Read;
    db.record = QVariant::fromValue(STU_BoardFromDB());
    queueRequest(db);
}

void KeyboardAction::startLayoutRead() { queueModeSwitch(LayoutWalk); }

void KeyboardAction::startCalibration()
{
    queueRequest(simpleRequest(Kb2Req::StartCalibration));
    queueModeSwitch(Calibration);
}

void KeyboardAction::stopCalibration()
{
    bool calibrating;
    {
        QMutexLocker l(&m_stateLock);
        calibrating = m_mode == Calibration || std::any_of(m_queue.cbegin(), m_queue.cend(), [](const Job &j) {
                          return j.kind == Job::SwitchMode && j.mode == Calibration;
                      });
    }
    // Every page change asks to stop; only a running calibration is told.
    if (!calibrating)
        return;
    setModeNow(Idle);
    queueRequest(simpleRequest(Kb2Req::StopCalibration));
}

void KeyboardAction::startKeyTest() { queueModeSwitch(KeyTest); }

void KeyboardAction::stopKeyTest()
{
    {
        QMutexLocker l(&m_stateLock);
        const bool testing = m_mode == KeyTest || std::any_of(m_queue.cbegin(), m_queue.cend(), [](const Job &j) {
                                 return j.kind == Job::SwitchMode && j.mode == KeyTest;
                             });
        if (!testing)
            return;
    }
    setModeNow(Idle);
}

// ---------------------------------------------------------------- connection (any thread)

bool KeyboardAction::opensSession(int kind)
{
    return kind == Job::Connect || kind == Job::Arrival || kind == Job::Reopen;
}

quint64 KeyboardAction::postControl(Job::Kind kind, const QByteArray &path, bool waited)
{
    Job job;
    job.kind = kind;
    job.path = path;
    quint64 ticket = 0;
    int old = Idle;
    QList<int> dropped;
    {
        QMutexLocker l(&m_stateLock);
        if (waited)
            ticket = m_nextTicket++;
        if (m_held && opensSession(kind)) {
            qCDebug(lcDevice) << "connection refused: the keyboard is held";
            if (ticket) {
                m_results.insert(ticket, NoKeyboard);
                m_resultReady.wakeAll();
            }
            return ticket;
        }
        if (kind == Job::Connect || kind == Job::Reopen || kind == Job::Probe) {
            // These replace the session: what was queued for the old one
            // would go to the wrong device, and a running exchange stops.
            dropped = dropQueuedLocked(true);
            old = m_mode;
            m_mode = Idle;
            if (m_open) {
                m_open = false;
                m_closePending = true;
                m_stopIo = true;
            }
        }
    }
    emitModeEnded(old, Idle);
    emitDroppedEnded(dropped);
    job.ticket = ticket;
    post(std::move(job));
    return ticket;
}

int KeyboardAction::waitForResult(quint64 ticket, int fallback)
{
    QDeadlineTimer deadline(ControlWaitMs);
    QMutexLocker l(&m_stateLock);
    while (m_running && !m_results.contains(ticket)) {
        if (!m_resultReady.wait(&m_stateLock, deadline))
            break;
    }
    return m_results.contains(ticket) ? m_results.take(ticket) : fallback;
}

void KeyboardAction::requestConnect() { postControl(Job::Connect); }
void KeyboardAction::requestReconnect() { postControl(Job::Reopen); }
void KeyboardAction::requestArrival(const QString &path) { postControl(Job::Arrival, path.toUtf8()); }

int KeyboardAction::connectDevice()
{
    return waitForResult(postControl(Job::Connect, QByteArray(), true), NoKeyboard);
}

int KeyboardAction::reconnect()
{
    return waitForResult(postControl(Job::Reopen, QByteArray(), true), OpenFailed);
}

bool KeyboardAction::probePath(const QString &path)
{
    return waitForResult(postControl(Job::Probe, path.toUtf8(), true), 0) == 1;
}

void KeyboardAction::setHeld(bool held)
{
    {
        QMutexLocker l(&m_stateLock);
        m_held = held;
        if (!held)
            return;
        // Connections asked for before: the keyboard is no longer ours to open.
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (!opensSession(it->kind)) {
                ++it;
                continue;
            }
            if (it->ticket)
                m_results.insert(it->ticket, NoKeyboard);
            it = m_queue.erase(it);
        }
        m_resultReady.wakeAll();
    }
    closeDevice();
}

bool KeyboardAction::isHeld() const
{
    QMutexLocker l(&m_stateLock);
    return m_held;
}

void KeyboardAction::closeDevice()
{
    int old;
    QList<int> dropped;
    {
        QMutexLocker l(&m_stateLock);
        dropped = dropQueuedLocked(true);
        old = m_mode;
        m_mode = Idle;
        m_open = false;
        m_closePending = true;
        m_stopIo = true;
        ++m_serial;
        m_wake.wakeAll();
    }
    emitModeEnded(old, Idle);
    emitDroppedEnded(dropped);
}
