#pragma once

#include "HidUSB.h"
#include "KB2ActionData.h"
#include "Kb2Link.h"
#include "Kb2Request.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QVariant>
#include <QWaitCondition>

#include <atomic>

class QDeadlineTimer;

// The one object through which the program talks to the keyboard in normal
// operation. Every device access (enumerating, probing, opening, requests,
// the read-back walks and the live polls) runs on the worker thread, which
// owns the HID handle; the GUI thread only queues work and hears the results
// as queued signals.
//
// The worker is a state machine: closed or open, and when open one of the
// modes below. Idle: it sends queued requests in order, then sleeps. A walk
// (initial, layout, colour) holds the queue until it ends. A poll
// (calibration, key test) lets queued requests out between its rounds.
// Closing the device, for whatever reason, drops the queue and returns to
// Idle; a device error closes it and says so with sigDeviceLost.
//
// Locks: m_stateLock guards the queue, the mode and the session flags, and is
// never held across device I/O or while emitting.
class KeyboardAction : public QThread, public KB2ActionData {
    Q_OBJECT
public:
    enum Mode { Idle = 0, InitialWalk = 1, LayoutWalk = 2, ColourWalk = 4, Calibration = 5, KeyTest = 6 };
    // Results of connecting and reconnecting.
    enum ConnectResult { Connected = 0, NoKeyboard = -1, OpenFailed = -2 };
    static constexpr unsigned short VendorId = 0x1C4F;
    static constexpr unsigned short ProductId = 0xEE88;
    // A walk's request is sent again this many times when its answer is lost
    // or corrupt; so is a queued request.
    static constexpr int Retries = 2;

    // The process-wide worker, created on first call.
    static KeyboardAction *instance(QObject *parent = nullptr);

    explicit KeyboardAction(QObject *parent = nullptr);
    ~KeyboardAction() override;

    // Ends the worker thread and closes the device, for the end of the
    // program (the process-wide worker itself is never destroyed).
    void shutdown();

    // --- Connection. These return at once; the worker does the I/O and
    // reports with sigConnectFinished (and sigKeyboardArrived).
    // Finds the keyboard among the interfaces with its ids, probes them
    // (vendor-defined usage pages first) and opens the one that answers.
    void requestConnect();
    // An interface arrived: when nothing is open and it is one of the
    // keyboard's, connect as above.
    void requestArrival(const QString &path);
    // Reopens the remembered interface.
    void requestReconnect();
    // The same, waiting (bounded) for the result: for the command line and
    // tests, never for the GUI thread.
    int connectDevice();
    int reconnect();
    // Probes one interface (closing an open session first) and leaves it
    // closed; remembers its path and board information when it answers.
    bool probePath(const QString &path);
    // Ends the session now: walks and polls stop, queued requests are
    // dropped, the worker closes the handle before it does anything else.
    void closeDevice();
    // While held (the firmware engine has the keyboard), the session is
    // closed and stays closed: connections queued before and asked for
    // meanwhile are dropped (a waiting caller gets its failure at once).
    void setHeld(bool held);
    bool isHeld() const;

    bool isDeviceOpen() const;
    QString devicePathString() const;
    bool isInitialising() const;
    int mode() const;

    void queryKeyboardName();
    void queryPrecision();
    void setPollingRate(int index);
    void queryKeyMatrix(int firstRow, int secondRow);
    void queryWinMode();
    void queryMacMode();
    void switchToWin();
    void switchToMac();
    void saveToKeyboard();
    void restoreFactory();
    // Asks for the board information again; its answer is reported as on
    // connecting, so the window reads the whole keyboard back.
    void queryBoardInfo();
    void startInitialRead();
    void startLayoutRead();
    void startCalibration();
    // Sends the stop only when a calibration is running or about to.
    void stopCalibration();
    void startKeyTest();
    void stopKeyTest();

    // Builds the request's frame and appends it to the queue; false when the
    // type queues nothing.
    bool queueRequest(const KB2Request &request);
    int queuedCount() const;
    // Counts everything the worker has been given; sigKB2Idle carries the
    // count it had done when it fell asleep.
    quint64 workSerial() const;
    // The worker sleeps and has done everything it was given.
    bool isIdle() const;

    // The pause before the first write after opening (1 s, for the keyboard
    // to settle), the wait for a probe's answer (500 ms) and for any other
    // answer (250 ms). Tests shorten them.
    void setFirstWriteDelay(int ms) { m_firstWriteDelayMs = ms; }
    void setProbeTimeout(int ms) { m_probeTimeoutMs = ms; }
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }

    // The board information of the last probe or 0x81 answer.
    STU_BoardInfo2 boardInfo() const;

    // Live poll rounds read, and those that reached the GUI thread: a round
    // that a newer one replaced before delivery is dropped, never queued
    // behind it.
    struct LiveStats {
        quint64 rounds = 0;
        quint64 delivered = 0;
        int mostQueued = 0; // deliveries waiting for the GUI thread at once, at most
    };
    LiveStats liveStats() const;

signals:
    void sigKB2DeviceInfo(const QVariant &info);
    void sigKB2Sensitivity(const QVariant &db);
    void sigKB2LayoutDB(const QVariant &map);
    void sigKB2SuperVelocity(bool on);
    void sigKB2ColorLights(const QVariant &prgb);
    void sigKB2LayoutKey(const QVariant &map);
    void sigKB2LayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                         const QList<QList<quint16>> &release);
    void sigKB2AdvancedKey(const QVariant &map);
    // false at the end of a complete initial walk.
    void sigKB2InitDevice(bool initialising);
    void sigKB2SYSModeInfo(int mode);
    void sigKB2OriginalKeyValueMap(const QMap<int, QList<int>> &map);
    void sigKB2UpdateKRGBInfo(const QMap<int, QColor> &colours);
    void sigUpdateAdjustingData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    void sigUpdateADCChangeData(quint16 value);
    void sigUpdateMMData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void sigKB2KeyboardName(const QString &name);
    void sigKB2PrecisionData(double step, quint16 a, quint16 b);
    // The polling-rate index the keyboard reported (answer to sub-code 80).
    void sigKB2PollingRate(int index);
    // The worker has done everything up to serial (workSerial) and sleeps.
    void sigKB2Idle(quint64 serial);
    // A walk ended without reading everything (mode: InitialWalk,
    // LayoutWalk or ColourWalk; code: Kb2Error). The parameter walks then
    // publish nothing; the colour walk publishes the colours it did read.
    void sigKB2ReadFailed(int mode, int code);
    // A queued request failed after its retries (read: it asked for data).
    void sigKB2RequestFailed(int type, bool read, int code);
    // The outcome of requestConnect, requestArrival and requestReconnect
    // (ConnectResult); arrivals that were not probed report nothing.
    void sigConnectFinished(int result);
    // An arrived interface answered and is being opened.
    void sigKeyboardArrived();
    // The worker closed the device after a read or write error.
    void sigDeviceLost(int code);
    // The calibration poll or the key test stopped, for whatever reason.
    void sigCalibrationEnded();
    void sigKeyTestEnded();

protected:
    void run() override;

    void sendRecord(const QVariant &record) override;
    void emitLayoutDB() override;
    void emitLayoutKey() override;
    void emitLayoutDis() override;
    void emitAdvancedKey(const QVariant &map) override;

private:
    static constexpr int KeysPerBatch = 14;
    static constexpr int MatrixCells = 126;

    struct Job {
        enum Kind { Request, SwitchMode, Connect, Arrival, Reopen, Probe };
        Kind kind = Request;
        KB2Request request;
        Kb2Frame frame;
        int mode = Idle;
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
        int mode = Idle;
        quint64 serial = 0;
    };

    // Queueing (any thread)
    void post(Job job, bool front = false);
    // Returns the ticket to wait on when waited is true, else 0.
    quint64 postControl(Job::Kind kind, const QByteArray &path = QByteArray(), bool waited = false);
    int waitForResult(quint64 ticket, int fallback);
    void queueModeSwitch(int mode);
    void setModeNow(int mode);
    // Under m_stateLock: drops the queued mode switches, and the queued
    // requests too when asked; returns the live polls among the switches,
    // which end before they began and must say so (emitDroppedEnded).
    QList<int> dropQueuedLocked(bool requests);
    void emitDroppedEnded(const QList<int> &modes);
    void emitModeEnded(int oldMode, int newMode);

    // Worker thread
    Step nextStep();
    void runJob(Job &job);
    void runMode(int mode);
    void finishControl(const Job &job, int result);
    int connectNow();
    int openSession(const QByteArray &path);
    bool probeNow(const QByteArray &path);
    int probeOpenDevice();
    bool settled();
    bool sleepUntil(const QDeadlineTimer &deadline, bool wakeOnWork);
    void loseDevice(int code);
    bool interrupted() const;
    bool endModeIf(int mode, int newMode = Idle);

    void sendQueued(const Job &job);
    void dispatch(const Kb2Frame &frame);
    void walkStep(WalkState &walk, int mode, int lastParameter);
    void walkFailed(WalkState &walk, int mode, int code);
    void colourWalkStep();
    void calibrationPoll();
    void keyTestPoll();
    void serveQueuedRequests();
    // The newest poll round waits for the GUI thread in a mailbox; at most
    // one delivery is queued at a time, so a slow window never falls behind.
    void publishKeyTest(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void publishCalibration(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    // One live-table query; false ends or skips the round, and code tells why.
    bool queryTable(int table, int part, Kb2Frame &answer, int &code);
    template <typename Record>
    void storeAdvanced(const Kb2Frame &frame, bool (*decode)(const quint8 *, int, Record &));
    void storeKeyMatrixRows(const Kb2Frame &frame);

    mutable QMutex m_stateLock;
    QWaitCondition m_wake;        // work, mode, close or stop changed
    QWaitCondition m_resultReady; // a control job finished
    QList<Job> m_queue;
    QMap<quint64, int> m_results;
    quint64 m_nextTicket = 1;
    int m_mode = Idle;
    bool m_running = true;
    bool m_asleep = false;
    bool m_open = false;          // a session is open (as the GUI sees it)
    bool m_closePending = false;  // closeDevice ran; the worker has not closed yet
    bool m_held = false;          // setHeld: no session may open
    quint64 m_serial = 0;         // work handed to the worker
    quint64 m_announced = 0;      // work done when it last fell asleep
    QByteArray m_path;            // the remembered interface
    std::atomic<bool> m_stopIo{false}; // cuts an exchange short: close or shutdown

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

    // The newest round of a live poll, waiting for the GUI thread.
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
