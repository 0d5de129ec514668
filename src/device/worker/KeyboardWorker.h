#pragma once

#include "HidUSB.h"
#include "Kb2Link.h"
#include "BoardRecords.h"
#include "Kb2Request.h"
#include "WorkerTransitions.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QVariant>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <optional>

class KB2ActionData;
class QDeadlineTimer;
class QThread;

// The thread side of the keyboard: it owns the HID handle, empties the
// request queue, runs the walks and polls and decodes the answers into the
// board mirror. It lives on its own QThread; every public call may come from
// any thread and only queues or changes the state.
//
// The state changes in transitionTo() alone, by the table of
// WorkerTransitions.h; nextStep() alone decides what
// runs next. Locks: m_stateLock guards the queue and the state, and is never
// held across device I/O or while emitting.
class KeyboardWorker : public QObject {
    Q_OBJECT
public:
    enum ConnectResult { Connected = 0, NoKeyboard = -1, OpenFailed = -2 };
    static constexpr unsigned short VendorId = 0x1C4F;
    static constexpr unsigned short ProductId = 0xEE88;
    static constexpr int Retries = 2;

    // board: the mirror that decoded answers go to; delivery: an object on
    // the thread that takes the live poll rounds.
    KeyboardWorker(KB2ActionData &board, QObject *delivery);
    ~KeyboardWorker() override;

    // The thread the worker has been moved to; the first work starts it.
    void setThread(QThread *thread) { m_thread = thread; }
    // Ends the session and the loop, and waits for the thread to finish.
    void shutdown();

    WorkerState state() const { return m_state.load(); }

    void requestConnect();
    void requestArrival(const QString &path);
    void requestReconnect();
    int connectDevice();
    int reconnect();
    bool probePath(const QString &path);
    void closeDevice();
    void setHeld(bool held);
    bool isHeld() const { return state() == WorkerState::Held; }
    bool isDeviceOpen() const { return isSession(state()); }
    QString devicePathString() const;
    bool isInitialising() const;
    int mode() const;

    void startInitialRead();
    void startLayoutRead();
    void startCalibration();
    void stopCalibration();
    void startKeyTest();
    void stopKeyTest();

    bool queueRequest(const KB2Request &request);
    int queuedCount() const;
    quint64 workSerial() const;
    bool isIdle() const;

    void setFirstWriteDelay(int ms) { m_firstWriteDelayMs = ms; }
    void setProbeTimeout(int ms) { m_probeTimeoutMs = ms; }
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }
    // For tests: runs on the worker thread when it has taken a walk or poll
    // off the queue, before it begins. Set it while the worker is idle.
    void setTakeUpHook(std::function<void(WorkerState)> hook) { m_takeUpHook = std::move(hook); }

    struct LiveStats {
        quint64 rounds = 0;
        quint64 delivered = 0;
        int mostQueued = 0;
    };
    LiveStats liveStats() const;

    // The loop; runs on the worker thread until shutdown.
    void run();

signals:
    void sigKB2DeviceInfo(const QVariant &info);
    void sigKB2Sensitivity(const QVariant &db);
    void sigKB2SuperVelocity(bool on);
    void sigKB2ColorLights(const QVariant &prgb);
    void sigKB2InitDevice(bool initialising);
    void sigKB2SYSModeInfo(int mode);
    void sigKB2OriginalKeyValueMap(const QMap<int, QList<int>> &map);
    void sigKB2UpdateKRGBInfo(const QMap<int, QColor> &colours);
    void sigUpdateAdjustingData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    void sigUpdateMMData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void sigKB2KeyboardName(const QString &name);
    void sigKB2PrecisionData(double step, quint16 a, quint16 b, int decimals);
    void sigKB2PollingRate(int index);
    void sigKB2Idle(quint64 serial);
    void sigKB2ReadFailed(int mode, int code);
    void sigKB2RequestFailed(int type, bool read, int code);
    void sigConnectFinished(int result);
    void sigKeyboardArrived();
    void sigDeviceLost(int code);
    void sigCalibrationEnded();
    void sigKeyTestEnded();

private:
    static constexpr int KeysPerBatch = 14;
    static constexpr int MatrixCells = KB2MatrixCells;

    struct Job {
        enum Kind { Request, SwitchMode, Connect, Arrival, Reopen, Probe };
        Kind kind = Request;
        KB2Request request;
        Kb2Frame frame;
        WorkerState mode = WorkerState::Idle;
        QByteArray path;
        quint64 ticket = 0; // a caller waits for the result
    };
    static bool opensSession(int kind);
    struct WalkState {
        int parameter = 0;
        int position = -1;
    };
    struct Step {
        enum Kind { Quit, Close, RunJob, RunMode, AnnounceIdle };
        Kind kind = Quit;
        Job job;
        WorkerState mode = WorkerState::Idle;
        quint64 serial = 0;
    };

    // The one place the state changes. Under the lock: looks the event up
    // in the table, sets the new state, drops from the queue as the event
    // asks (a hold also refuses the queued connections). Then, unlocked: the
    // ended signals of the live poll that stopped and of those dropped from
    // the queue; on the worker thread, the handle closes when the new state
    // has no session; the loss is reported when lostCode is set and a
    // session was open. False when the table refuses the event.
    bool transitionTo(WorkerEvent event, WorkerState asked = WorkerState::Idle, int lostCode = 0);

    // Queueing (any thread)
    void post(Job job, bool front = false);
    quint64 postControl(Job::Kind kind, const QByteArray &path = QByteArray(), bool waited = false);
    int waitForResult(quint64 ticket, int fallback);
    void queueModeSwitch(WorkerState mode);
    bool hasQueuedSwitchLocked(WorkerState mode) const;
    void stopActivity(WorkerState activity);
    void emitEnded(WorkerState activity);
    bool shuttingDown() const;

    // Worker thread
    Step nextStep();
    void runJob(Job &job);
    void runMode(WorkerState mode);
    void finishControl(const Job &job, int result);
    int connectNow();
    int openSession(const QByteArray &path);
    bool probeNow(const QByteArray &path);
    int probeOpenDevice();
    bool settled();
    bool sleepUntil(const QDeadlineTimer &deadline, bool wakeOnWork);
    void loseDevice(int code);
    bool interrupted() const;
    bool endModeIf(WorkerState mode, WorkerState newMode = WorkerState::Idle);

    void sendQueued(const Job &job);
    void dispatch(const Kb2Frame &frame);
    void walkStep(WalkState &walk, WorkerState mode, int lastParameter);
    void walkFailed(WalkState &walk, WorkerState mode, int code);
    void colourWalkStep();
    void calibrationPoll();
    void keyTestPoll();
    void serveQueuedRequests();
    void publishKeyTest(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void publishCalibration(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    bool queryTable(int table, int part, Kb2Frame &answer, int &code);
    template <typename Record>
    void storeAdvanced(const Kb2Frame &frame, bool (*decode)(const quint8 *, int, Record &));
    void storeKeyMatrixRows(const Kb2Frame &frame);

    KB2ActionData &m_board;
    QObject *m_delivery;
    QThread *m_thread = nullptr;

    mutable QMutex m_stateLock;
    QWaitCondition m_wake;        // work, state or the end changed
    QWaitCondition m_resultReady; // a control job finished
    QList<Job> m_queue;
    // A walk or poll the worker has taken off the queue and not yet begun:
    // still asked for, and a stop or close meanwhile takes it back.
    std::optional<WorkerState> m_starting;
    std::function<void(WorkerState)> m_takeUpHook;
    QMap<quint64, int> m_results;
    quint64 m_nextTicket = 1;
    // Written under m_stateLock by transitionTo only; read anywhere.
    std::atomic<WorkerState> m_state{WorkerState::Closed};
    quint64 m_serial = 0;    // work handed to the worker
    quint64 m_announced = 0; // work done when it last fell asleep
    QByteArray m_path;       // the remembered interface

    // Worker thread only
    HidUSB m_usb;
    Kb2Link m_link{m_usb};
    bool m_firstWritePending = false;
    std::atomic<int> m_firstWriteDelayMs{1000};
    std::atomic<int> m_probeTimeoutMs{500};
    std::atomic<int> m_answerTimeoutMs{250};
    WalkState m_initialWalk;
    WalkState m_layoutWalk;
    int m_colourPosition = -1;
    int m_colourFailure = 0;
    QMap<int, QColor> m_colourMap;
    QMap<int, QList<int>> m_originalKeys;

    // The newest round of a live poll, waiting for the receiving thread.
    template <typename Second>
    struct LiveMail {
        QList<QList<quint16>> first;
        QList<QList<Second>> second;
        bool pending = false;
    };
    template <typename Mail, typename Deliver>
    void publishLive(Mail &mail, Deliver deliver);
    mutable QMutex m_liveLock;
    LiveMail<quint8> m_keyTestMail;
    LiveMail<quint16> m_calibrationMail;
    LiveStats m_liveStats;
    int m_liveQueued = 0;
};
