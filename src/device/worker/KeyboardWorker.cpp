// The device worker's state and queue: what any thread may call.

#include "KeyboardWorker.h"

#include "DeviceLog.h"
#include "KB2ActionData.h"
#include "Kb2Builders.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// How long a caller of the waiting forms of connect waits at most: every
// interface's probe plus opening, with room to spare.
constexpr int ControlWaitMs = 30000;

KB2Request simpleRequest(int type)
{
    KB2Request r;
    r.type = type;
    return r;
}

} // namespace

KeyboardWorker::KeyboardWorker(KB2ActionData &board, QObject *delivery) : m_board(board), m_delivery(delivery)
{
    m_link.setInterrupt([this] { return interrupted(); });
}

KeyboardWorker::~KeyboardWorker()
{
    shutdown();
}

void KeyboardWorker::shutdown()
{
    transitionTo(WorkerEvent::Shutdown);
    // Every read is sliced and watches the state, so this join is short.
    if (m_thread && m_thread != QThread::currentThread())
        m_thread->wait();
    m_usb.close();
}

bool KeyboardWorker::shuttingDown() const
{
    return state() == WorkerState::Stopped;
}

// A close or the end cuts an exchange short; so does a hold, which closes.
bool KeyboardWorker::interrupted() const
{
    const WorkerState s = state();
    return s == WorkerState::Closing || s == WorkerState::Held || s == WorkerState::Stopped;
}

// ---------------------------------------------------------------- transitions

bool KeyboardWorker::transitionTo(WorkerEvent event, WorkerState asked, int lostCode)
{
    const bool onWorker = m_thread && QThread::currentThread() == m_thread;
    WorkerState old;
    WorkerState to;
    QList<WorkerState> dropped;
    {
        QMutexLocker l(&m_stateLock);
        old = m_state.load();
        // Taken back by a stop or close since the worker took it up.
        if (event == WorkerEvent::Start && m_starting != asked)
            return false;
        const std::optional<WorkerState> next = nextWorkerState(old, event, asked);
        if (!next)
            return false;
        to = *next;
        if (event == WorkerEvent::Start)
            m_starting.reset();
        const WorkerQueue queue = workerQueueEffect(event);
        if (queue != WorkerQueue::Keep) {
            if (m_starting && isPoll(*m_starting) && queue != WorkerQueue::DropAll)
                dropped << *m_starting; // told as a queued one would be
            m_starting.reset();
            m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                         [&](const Job &j) {
                                             if (queue == WorkerQueue::DropAll)
                                                 return true;
                                             if (j.kind == Job::SwitchMode) {
                                                 if (isPoll(j.mode))
                                                     dropped << j.mode;
                                                 return true;
                                             }
                                             return queue == WorkerQueue::DropSession && j.kind == Job::Request;
                                         }),
                          m_queue.end());
        }
        if (to == WorkerState::Held) {
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
        }
        m_state = to;
        // A change from outside is work for the worker: it wakes, and says
        // when it has taken it in.
        if (!onWorker)
            ++m_serial;
        m_wake.wakeAll();
        m_resultReady.wakeAll();
    }
    if (old != to && isPoll(old))
        emitEnded(old);
    for (WorkerState s : qAsConst(dropped))
        emitEnded(s);
    if (onWorker && !isSession(to) && m_usb.isOpen()) {
        qCDebug(lcDevice) << "关闭设备";
        m_usb.close();
    }
    // A close asked for from outside got there first: nothing was lost.
    if (lostCode != 0 && isSession(old))
        emit sigDeviceLost(lostCode);
    return true;
}

void KeyboardWorker::emitEnded(WorkerState activity)
{
    if (activity == WorkerState::Calibration)
        emit sigCalibrationEnded();
    else if (activity == WorkerState::KeyTest)
        emit sigKeyTestEnded();
}

// ---------------------------------------------------------------- state (any thread)

int KeyboardWorker::mode() const
{
    const WorkerState s = state();
    return isSession(s) ? int(s) : int(WorkerState::Idle);
}

bool KeyboardWorker::hasQueuedSwitchLocked(WorkerState mode) const
{
    return m_starting == mode || std::any_of(m_queue.cbegin(), m_queue.cend(), [mode](const Job &j) {
               return j.kind == Job::SwitchMode && j.mode == mode;
           });
}

bool KeyboardWorker::isInitialising() const
{
    QMutexLocker l(&m_stateLock);
    return state() == WorkerState::InitialWalk || hasQueuedSwitchLocked(WorkerState::InitialWalk);
}

QString KeyboardWorker::devicePathString() const
{
    QMutexLocker l(&m_stateLock);
    return QString::fromUtf8(m_path);
}

// Everything handed over is done and nothing runs: the worker sleeps or is
// about to.
bool KeyboardWorker::isIdle() const
{
    QMutexLocker l(&m_stateLock);
    const WorkerState s = state();
    return m_queue.isEmpty() && !isWalk(s) && !isPoll(s) && m_announced == m_serial;
}

quint64 KeyboardWorker::workSerial() const
{
    QMutexLocker l(&m_stateLock);
    return m_serial;
}

int KeyboardWorker::queuedCount() const
{
    QMutexLocker l(&m_stateLock);
    return m_queue.size();
}

// ---------------------------------------------------------------- queueing

void KeyboardWorker::post(Job job, bool front)
{
    {
        QMutexLocker l(&m_stateLock);
        if (shuttingDown())
            return;
        if (front)
            m_queue.prepend(std::move(job));
        else
            m_queue.append(std::move(job));
        ++m_serial;
        m_wake.wakeAll();
    }
    if (m_thread && !m_thread->isRunning())
        m_thread->start(QThread::InheritPriority);
}

bool KeyboardWorker::queueRequest(const KB2Request &request)
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

// Walks and polls start once everything queued before them has gone out:
// a mode switch travels through the queue like a request.
void KeyboardWorker::queueModeSwitch(WorkerState mode)
{
    Job job;
    job.kind = Job::SwitchMode;
    job.mode = mode;
    post(std::move(job));
}

// Stops a walk or poll at once, and any that is still waiting in the queue.
void KeyboardWorker::stopActivity(WorkerState activity)
{
    {
        QMutexLocker l(&m_stateLock);
        // Every page change asks to stop; only a running one is told.
        if (state() != activity && !hasQueuedSwitchLocked(activity))
            return;
    }
    // Without a session the state stays; the queued switches go all the same.
    transitionTo(WorkerEvent::Stop);
}

void KeyboardWorker::startInitialRead()
{
    queueModeSwitch(WorkerState::InitialWalk);
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

void KeyboardWorker::startLayoutRead() { queueModeSwitch(WorkerState::LayoutWalk); }

void KeyboardWorker::startCalibration()
{
    queueRequest(simpleRequest(Kb2Req::StartCalibration));
    queueModeSwitch(WorkerState::Calibration);
}

void KeyboardWorker::stopCalibration()
{
    bool calibrating;
    {
        QMutexLocker l(&m_stateLock);
        calibrating = state() == WorkerState::Calibration || hasQueuedSwitchLocked(WorkerState::Calibration);
    }
    if (!calibrating)
        return;
    stopActivity(WorkerState::Calibration);
    queueRequest(simpleRequest(Kb2Req::StopCalibration));
}

void KeyboardWorker::startKeyTest() { queueModeSwitch(WorkerState::KeyTest); }

void KeyboardWorker::stopKeyTest() { stopActivity(WorkerState::KeyTest); }

// ---------------------------------------------------------------- connection (any thread)

bool KeyboardWorker::opensSession(int kind)
{
    return kind == Job::Connect || kind == Job::Arrival || kind == Job::Reopen;
}

quint64 KeyboardWorker::postControl(Job::Kind kind, const QByteArray &path, bool waited)
{
    Job job;
    job.kind = kind;
    job.path = path;
    quint64 ticket = 0;
    {
        QMutexLocker l(&m_stateLock);
        if (waited)
            ticket = m_nextTicket++;
        if (state() == WorkerState::Held && opensSession(kind)) {
            qCDebug(lcDevice) << "connection refused: the keyboard is held";
            if (ticket) {
                m_results.insert(ticket, NoKeyboard);
                m_resultReady.wakeAll();
            }
            return ticket;
        }
    }
    if (kind == Job::Connect || kind == Job::Reopen || kind == Job::Probe) {
        // These replace the session: what was queued for the old one would
        // go to the wrong device, and a running exchange stops.
        transitionTo(WorkerEvent::Replace);
    }
    job.ticket = ticket;
    post(std::move(job));
    return ticket;
}

int KeyboardWorker::waitForResult(quint64 ticket, int fallback)
{
    QDeadlineTimer deadline(ControlWaitMs);
    QMutexLocker l(&m_stateLock);
    while (!shuttingDown() && !m_results.contains(ticket)) {
        if (!m_resultReady.wait(&m_stateLock, deadline))
            break;
    }
    return m_results.contains(ticket) ? m_results.take(ticket) : fallback;
}

void KeyboardWorker::requestConnect() { postControl(Job::Connect); }
void KeyboardWorker::requestReconnect() { postControl(Job::Reopen); }
void KeyboardWorker::requestArrival(const QString &path) { postControl(Job::Arrival, path.toUtf8()); }

int KeyboardWorker::connectDevice()
{
    return waitForResult(postControl(Job::Connect, QByteArray(), true), NoKeyboard);
}

int KeyboardWorker::reconnect()
{
    return waitForResult(postControl(Job::Reopen, QByteArray(), true), OpenFailed);
}

bool KeyboardWorker::probePath(const QString &path)
{
    return waitForResult(postControl(Job::Probe, path.toUtf8(), true), 0) == 1;
}

// While held (the firmware engine has the keyboard), the session is closed
// and stays closed.
void KeyboardWorker::setHeld(bool held)
{
    if (held)
        transitionTo(WorkerEvent::Hold);
    else
        transitionTo(WorkerEvent::Release);
}

void KeyboardWorker::closeDevice()
{
    // From a session or from nothing at all (a connection under way stops);
    // a held worker is closed already.
    // Without the worker thread no handle can be open: closed at once.
    const bool running = m_thread && m_thread->isRunning();
    transitionTo(running ? WorkerEvent::Close : WorkerEvent::CloseUnstarted);
}
