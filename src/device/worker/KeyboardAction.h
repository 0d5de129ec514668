#pragma once

#include "KB2ActionData.h"
#include "Kb2Request.h"
#include "KeyboardFeatures.h"
#include "KeyboardWorker.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QThread>
#include <QVariant>

// The device: the board mirror (KB2ActionData), which the feature
// interfaces edit, and the device worker (KeyboardWorker), which runs on its
// own thread, owns the HID handle and takes the records the mirror changes.
// The GUI thread only queues work here and hears the worker's reports
// (reports()) as queued signals; see KeyboardWorker for the states and the
// queue. In the program only the keyboard controller holds it.
class KeyboardAction : public QObject,
                       public BoardControl,
                       public LiveControl,
                       public ConnectionControl,
                       private KB2ActionData::Outlet {
    Q_OBJECT
public:
    // The values of mode(), and the walk a read failure names.
    enum Mode {
        Idle = int(WorkerState::Idle),
        InitialWalk = int(WorkerState::InitialWalk),
        LayoutWalk = int(WorkerState::LayoutWalk),
        ColourWalk = int(WorkerState::ColourWalk),
        Calibration = int(WorkerState::Calibration),
        KeyTest = int(WorkerState::KeyTest),
    };
    // Results of connecting and reconnecting.
    enum ConnectResult {
        Connected = KeyboardWorker::Connected,
        NoKeyboard = KeyboardWorker::NoKeyboard,
        OpenFailed = KeyboardWorker::OpenFailed,
    };
    static constexpr unsigned short VendorId = KeyboardWorker::VendorId;
    static constexpr unsigned short ProductId = KeyboardWorker::ProductId;
    // A walk's request is sent again this many times when its answer is lost
    // or corrupt; so is a queued request.
    static constexpr int Retries = KeyboardWorker::Retries;
    using LiveStats = KeyboardWorker::LiveStats;

    // The process-wide worker, created on first call.
    static KeyboardAction *instance(QObject *parent = nullptr);

    explicit KeyboardAction(QObject *parent = nullptr);
    ~KeyboardAction() override;

    // Ends the worker thread and closes the device, for the end of the
    // program (the process-wide worker itself is never destroyed).
    void shutdown();
    // The worker thread runs (it starts with the first work).
    bool isRunning() const;
    WorkerState state() const { return m_worker.state(); }

    // --- Connection. These return at once; the worker does the I/O and
    // reports with sigConnectFinished (and sigKeyboardArrived).
    // Finds the keyboard among the interfaces with its ids, probes them
    // (vendor-defined usage pages first) and opens the one that answers.
    void requestConnect() override { m_worker.requestConnect(); }
    // An interface arrived: when nothing is open and it is one of the
    // keyboard's, connect as above.
    void requestArrival(const QString &path) override { m_worker.requestArrival(path); }
    // Reopens the remembered interface.
    void requestReconnect() override { m_worker.requestReconnect(); }
    // The same, waiting (bounded) for the result: for the command line and
    // tests, never for the GUI thread.
    int connectDevice() { return m_worker.connectDevice(); }
    int reconnect() { return m_worker.reconnect(); }
    // Probes one interface (closing an open session first) and leaves it
    // closed; remembers its path and board information when it answers.
    bool probePath(const QString &path) { return m_worker.probePath(path); }
    // Ends the session now: walks and polls stop, queued requests are
    // dropped, the worker closes the handle before it does anything else.
    void closeDevice() override { m_worker.closeDevice(); }
    // While held (the firmware engine has the keyboard), the session is
    // closed and stays closed: connections queued before and asked for
    // meanwhile are dropped (a waiting caller gets its failure at once).
    void setHeld(bool held) override { m_worker.setHeld(held); }
    bool isHeld() const { return m_worker.isHeld(); }

    bool isDeviceOpen() const override { return m_worker.isDeviceOpen(); }
    QString devicePathString() const { return m_worker.devicePathString(); }
    bool isInitialising() const { return m_worker.isInitialising(); }
    int mode() const { return m_worker.mode(); }

    void queryKeyboardName();
    void queryPrecision();
    void setPollingRate(int index) override;
    // SystemWindows or SystemMac: the switch, then the layout read.
    void switchSystemMode(int mode) override;
    void queryKeyMatrix(int firstRow, int secondRow);
    // Reads count steps of macro store number `number`; the answers land
    // in the board-side copy (board().macroStoreWords).
    void queryMacroSteps(int number, int count);
    void queryWinMode();
    void queryMacMode();
    void switchToWin();
    void switchToMac();
    void saveToKeyboard();
    void restoreFactory();
    // Asks for the board information again; its answer is reported as on
    // connecting, so the window reads the whole keyboard back.
    void queryBoardInfo();
    void startInitialRead() { m_worker.startInitialRead(); }
    void startLayoutRead() { m_worker.startLayoutRead(); }
    void startCalibration() override { m_worker.startCalibration(); }
    // Sends the stop only when a calibration is running or about to.
    void stopCalibration() override { m_worker.stopCalibration(); }
    void startKeyTest() override { m_worker.startKeyTest(); }
    void stopKeyTest() override { m_worker.stopKeyTest(); }

    // Builds the request's frame and appends it to the queue; false when the
    // type queues nothing.
    bool queueRequest(const KB2Request &request) { return m_worker.queueRequest(request); }
    int queuedCount() const { return m_worker.queuedCount(); }
    // Counts everything the worker has been given; sigKB2Idle carries the
    // count it had done when it fell asleep.
    quint64 workSerial() const { return m_worker.workSerial(); }
    // The worker has done everything it was given and runs nothing.
    bool isIdle() const { return m_worker.isIdle(); }

    // The pause before the first write after opening (1 s, for the keyboard
    // to settle), the wait for a probe's answer (500 ms) and for any other
    // answer (250 ms). Tests shorten them.
    void setFirstWriteDelay(int ms) { m_worker.setFirstWriteDelay(ms); }
    void setProbeTimeout(int ms) { m_worker.setProbeTimeout(ms); }
    void setAnswerTimeout(int ms) { m_worker.setAnswerTimeout(ms); }

    // The board information of the last probe or 0x81 answer.
    STU_BoardInfo2 boardInfo() const override { return m_board.boardInfo(); }

    // The board mirror, for what reads the board as read back.
    const KB2ActionData &board() const { return m_board; }
    // What the keyboard reports: the worker's signals, heard where they are
    // emitted (its thread, or the live rounds' delivery on this one). The
    // controller hears them once; nothing relays them.
    KeyboardWorker *reports() { return &m_worker; }

    // --- The board's features (BoardControl): the mirror's record
    // operations; what they change goes to the worker's queue.
    STU_BoardFromPRGB boardPRGB() const override { return m_board.boardPRGB(); }
    void setLightingMode(int mode) override { m_board.setLightingMode(mode); }
    void setLightingDirection(bool on) override { m_board.setLightingDirection(on); }
    void setBrightness(quint8 value) override { m_board.setBrightness(value); }
    void setSpeed(quint8 value) override { m_board.setSpeed(value); }
    void setSleep(quint8 value) override { m_board.setSleep(value); }
    void setLightingValues(int mode, quint8 brightness, quint8 speed, bool direction, quint8 sleep) override
    {
        m_board.setLightingValues(mode, brightness, speed, direction, sleep);
    }
    void setKeyColour(int keyType, quint8 red, quint8 green, quint8 blue) override
    {
        m_board.setKeyColour(keyType, red, green, blue);
    }
    void setKeyColours(const QMap<int, QColor> &colours) override { m_board.setKeyColours(colours); }

    STU_BoardFromDB boardDB() const override { return m_board.boardDB(); }
    STU_BoardFromLayout boardLayout() const override { return m_board.boardLayout(); }
    void setGlobalTravel(quint16 um) override { m_board.setGlobalTravel(um); }
    void setPressDeadZone(quint16 um) override { m_board.setPressDeadZone(um); }
    void setReleaseDeadZone(quint16 um) override { m_board.setReleaseDeadZone(um); }
    void setPerformanceValues(quint16 globalTravelUm, quint16 pressDeadZoneUm, quint16 releaseDeadZoneUm,
                              bool lowLatency) override
    {
        m_board.setPerformanceValues(globalTravelUm, pressDeadZoneUm, releaseDeadZoneUm, lowLatency);
    }
    void setLowLatency(bool on) override { m_board.setLowLatency(on); }
    void sendSingleKeyData(const QList<KeyParam> &entries) override { m_board.sendSingleKeyData(entries); }

    MapKB2DockerKey layoutKeyMap() const override { return m_board.layoutKeyMap(); }
    void setLayerKey(int layer, int keyType, int newKeyType) override { m_board.setLayerKey(layer, keyType, newKeyType); }
    void setLayer(int layer, const QMap<int, int> &keys) override { m_board.setLayer(layer, keys); }

    int macroCount() const override { return m_board.macroCount(); }
    int macroNumber(int keyType) const override { return m_board.macroNumber(keyType); }
    bool hasWireCode(int keyType) const override { return m_board.hasWireCode(keyType); }
    QList<QVariant> advancedMapVariants() const override { return m_board.advancedMapVariants(); }
    bool writeAdvancedBinding(const AdvancedRecord &record) override { return m_board.writeAdvancedBinding(record); }
    void removeAdvancedBinding(int keyType, int bindKind) override { m_board.removeAdvancedBinding(keyType, bindKind); }

    // Live poll rounds read, and those that reached the GUI thread: a round
    // that a newer one replaced before delivery is dropped, never queued
    // behind it.
    LiveStats liveStats() const { return m_worker.liveStats(); }

signals:
    // The board copy's tables after a parameter walk (the worker's own
    // reports come from reports()).
    void sigKB2LayoutDB(const QVariant &map);
    void sigKB2LayoutKey(const QVariant &map);
    void sigKB2LayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                         const QList<QList<quint16>> &release);
    void sigKB2AdvancedKey(const QVariant &map);

private:
    // KB2ActionData::Outlet: the mirror's records go to the queue, its
    // tables out as this object's signals.
    void sendRecord(const QVariant &record) override;
    void emitLayoutDB() override;
    void emitLayoutKey() override;
    void emitLayoutDis() override;
    void emitAdvancedKey(const QVariant &map) override;

    QThread m_thread;
    KB2ActionData m_board{*this};
    KeyboardWorker m_worker{m_board, this};
};
