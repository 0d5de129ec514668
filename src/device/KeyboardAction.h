#pragma once

#include "HidUSB.h"
#include "KB2ActionData.h"
#include "Kb2Request.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QVariant>
#include <QWaitCondition>

#include <atomic>

// The one object through which the program talks to the keyboard in normal
// operation. The GUI thread queues requests; the worker thread sends them,
// runs the read-back walks and the live polls, and reports what it read as
// queued signals.
//
// Locks: m_stateLock guards the queue and the mode only, and is never held
// across device I/O, so queueing from the GUI thread never waits for the
// keyboard. m_ioLock serialises use of the device handle between the worker
// (one batch, walk step or poll at a time) and the GUI thread's connect,
// probe and close.
class KeyboardAction : public QThread, public HidUSB, public KB2ActionData {
    Q_OBJECT
public:
    enum Mode { Idle = 0, InitialWalk = 1, LayoutWalk = 2, ColourWalk = 4, Calibration = 5, KeyTest = 6 };
    static constexpr unsigned short VendorId = 0x1C4F;
    static constexpr unsigned short ProductId = 0xEE88;

    // The process-wide worker, created on first call.
    static KeyboardAction *instance(QObject *parent = nullptr);

    explicit KeyboardAction(QObject *parent = nullptr);
    ~KeyboardAction() override;

    // Ends the worker thread and closes the device, for the end of the
    // program (the process-wide worker itself is never destroyed).
    void shutdown();

    int connectDevice();
    int reconnect();
    bool probePath(const QString &path);
    void closeDevice();
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
    void startInitialRead();
    void startLayoutRead();
    void startCalibration();
    void stopCalibration();
    void startKeyTest();
    void stopKeyTest();

    // Builds the request's frame and appends it to the queue; false when the
    // type queues nothing.
    bool queueRequest(const KB2Request &request);
    int queuedCount() const;
    // The worker sleeps: nothing queued, no walk or poll, and it has taken
    // up nothing since.
    bool isIdle() const;

    // The pause before the first write after opening (1 s, for the keyboard
    // to settle) and the wait for a probe's answer (500 ms). Tests shorten them.
    void setFirstWriteDelay(int ms) { m_firstWriteDelayMs = ms; }
    void setProbeTimeout(int ms) { m_probeTimeoutMs = ms; }

    // The board information of the last probe or 0x81 answer.
    STU_BoardInfo2 boardInfo() const;

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
    // The worker has finished what it was given (queue empty, no walk or
    // poll running) and goes to sleep.
    void sigKB2Idle();
    // A read-back walk ended early: the keyboard stopped answering or
    // answered with an error. Carries the validation or status code.
    void sigKB2ReadFailed(int code);

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
    // However short the drain time-out of a command, the first report of an
    // answer gets this long to arrive: a slow keyboard must not end a walk.
    static constexpr int MinFirstReportMs = 20;

    struct Job {
        KB2Request request;
        Kb2Frame frame;
        int switchToMode = -1; // a mode switch instead of a request
    };
    struct WalkState {
        int parameter = 0;
        int position = -1;
    };

    void queueModeSwitch(int mode);
    void setModeNow(int mode);
    bool setModeIf(int expected, int mode);
    void startThread();
    void startSession();
    // Waits up to ms on the stop condition; false when the worker is stopping.
    bool pause(int ms);

    int transaction(const Kb2Frame &request, Kb2Frame &response);
    int probeOpenDevice();
    // Drains one answer into frame; returns the validation result.
    int receiveFrame(Kb2Frame &frame, int timeoutMs);
    int decodeOneResponse();
    int dispatch(const Kb2Frame &frame);

    void processBatch(QList<Job> &batch);
    void walkFailed(WalkState &walk, int mode, int code);
    void initialWalkStep(WalkState &walk, int lastParameter, int timeoutMs, bool initial);
    void colourWalkStep();
    void calibrationPoll();
    void keyTestPoll();
    bool queryTable(int table, int part, int timeoutMs, Kb2Frame &answer, int &status);
    template <typename Record>
    void storeAdvanced(const Kb2Frame &frame, bool (*decode)(const quint8 *, int, Record &));
    int matrixKeyCount() const;
    void storeKeyMatrixRows(const Kb2Frame &frame);

    mutable QMutex m_stateLock;
    QWaitCondition m_wake;     // queue, mode or stop changed
    QWaitCondition m_stopWake; // stop only: ends pauses
    QList<Job> m_queue;
    int m_mode = Idle;
    bool m_running = true;
    bool m_asleep = false;

    mutable QMutex m_ioLock;
    std::atomic<bool> m_firstWritePending{false};
    int m_readTimeout = 100;
    int m_firstWriteDelayMs = 1000;
    int m_probeTimeoutMs = 500;

    WalkState m_initialWalk;
    WalkState m_layoutWalk;
    int m_colourPosition = -1;
    QMap<int, QColor> m_colourMap;
    QMap<int, QList<int>> m_originalKeys;
};
