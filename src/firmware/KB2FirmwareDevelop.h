#pragma once

#include "BoardRecords.h"
#include "HidUSB.h"
#include "Kb2Frame.h"
#include "Kb2Link.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

// Replaces the keyboard's application firmware over its configuration
// interface: finds the keyboard, restarts it into its boot loader when it
// runs its application, erases, writes the image in 244-byte blocks, compares
// the keyboard's flash CRC with the image's and starts the new firmware.
//
// The update runs on the object's own thread, which owns the device handle
// for the whole run; the owner only calls startUpdate, cancel and the
// setters, and hears of the run through queued signals. Every wait of the
// run wakes on cancel() or destruction, so a stop takes effect within a
// fraction of a second and leaves the device closed.
//
// The configuration worker must have closed its own handle before an update
// starts: the device search restarts the HID library.
class KB2FirmwareDevelop : public QThread, public HidUSB {
    Q_OBJECT

public:
    static constexpr unsigned short VendorId = 0x1C4F;
    static constexpr unsigned short ProductId = 0xEE88;
    static constexpr int BlockSize = 244;
    // A block that the keyboard has not acknowledged after this many tries
    // ends the update: it is not coming back.
    static constexpr int MaxBlockAttempts = 30;
    static constexpr int BootLoaderSearchAttempts = 101;
    // Spacing of those attempts: together about four seconds for the
    // keyboard to come back under its boot loader.
    static constexpr int BootLoaderSearchIntervalMs = 40;
    // A keyboard found in that search that does not answer as its boot
    // loader (the application still leaving, or a node not yet open to us)
    // is tried this many times in all.
    static constexpr int BootLoaderOpenAttempts = 5;
    // An erase that has fallen silent is given this long, then one more
    // answer time-out, before it counts as failed. It is never asked for a
    // second time: the first may still be running.
    static constexpr int EraseSilencePauseMs = 200;

    explicit KB2FirmwareDevelop(QObject *parent = nullptr);
    // Stops a running update (with a failure message) and joins the thread.
    ~KB2FirmwareDevelop() override;

    // Starts one update with the image as read from the file. Refused, with
    // false, for an empty image (with a failure message, before anything is
    // sent) and while an update is running.
    bool startUpdate(const QByteArray &image);
    // Ends a running update: it closes the device and reports
    // "Keyboard device firmware update failed!". No effect when idle.
    void cancel();
    bool isUpdating() const;

    // The fixed pause between the steps (500 ms).
    void setPauseMs(int ms) { m_pauseMs = qMax(0, ms); }
    int pauseMs() const { return m_pauseMs; }
    // The wait after the restart into the boot loader, before the search (1000 ms).
    void setRestartWaitMs(int ms) { m_restartWaitMs = qMax(0, ms); }
    int restartWaitMs() const { return m_restartWaitMs; }
    // How long a request waits for its answer (500 ms; a frame of an erase
    // is waited for three times as long).
    void setAnswerTimeoutMs(int ms) { m_answerTimeoutMs = qMax(1, ms); }
    int answerTimeoutMs() const { return m_answerTimeoutMs; }
    // A finish whose answer does not come in time is judged within this long
    // (15 s): by its late answer, or by the keyboard back in its application.
    void setFinishVerdictMs(int ms) { m_finishVerdictMs = qMax(0, ms); }

    // The keyboard's answer to the last information query.
    STU_BoardInfo2 boardInfo() const;

signals:
    void sigNotifyMessage(QString strText);
    void sigNotifyProgress(int value);
    // The keyboard answered during a long step that reports no progress
    // (each frame of an erase): it is still at work.
    void sigStillWorking();
    // The finish is on its way: the keyboard's verdict on the image follows
    // within the engine's own bound (the answer time-out plus the finish
    // verdict time), as sigUpdateFinished.
    void sigAwaitingVerdict();
    // Once per started update, after its last message.
    void sigUpdateFinished(bool success);

protected:
    void run() override;

private:
    enum class BlockResult { Advanced, NotAdvanced, DeviceGone };

    bool performUpdate(const QByteArray &image);
    bool findKeyboard();
    bool updateFromBootLoader(const QByteArray &padded, quint16 imageCrc);
    bool restartIntoBootLoader();
    bool writeImage(const QByteArray &padded);

    // One request and its answer (Kb2Errors.h codes).
    int transaction(const Kb2Frame &request, Kb2Frame &response);
    int queryInfo();
    int queryFlashCrc(qint64 paddedSize);
    int erase(qint64 paddedSize);
    BlockResult writeBlock(const QByteArray &padded, qint64 &offset);
    // 0 only when the keyboard took the image: it answered the finish with
    // success, or it came back running its application.
    int finish(qint64 paddedSize, quint16 imageCrc);
    bool waitForApplication(const QDeadlineTimer &deadline);

    bool stopped() const { return m_stop.load(); }
    // Interruptible waits: false once a stop is requested.
    bool pause() { return sleepFor(m_pauseMs); }
    bool sleepFor(int ms);
    // One report within timeoutMs, read in short slices so that a stop is
    // seen; 0 on time-out or stop, negative when the device is gone.
    int readFor(quint8 *report, int timeoutMs);
    void drainInput(int timeoutMs);
    // Emits the message that ends the update and returns false. A stopped
    // update, or a null message, reports the general failure.
    bool endWith(const char *message);
    void progress(int value) { emit sigNotifyProgress(value); }

    mutable QMutex m_mutex;
    QWaitCondition m_wake;  // new image, cancel, destruction
    QByteArray m_image;     // guarded by m_mutex
    bool m_pending = false; // an accepted image waits for the thread
    bool m_busy = false;    // from an accepted startUpdate to the end of its run
    bool m_quit = false;
    std::atomic<bool> m_stop{false};
    // Once the application has been erased (or was missing from the start),
    // a failed update leaves the keyboard in its boot loader. Update thread only.
    bool m_inBootLoader = false;
    Kb2Link m_link{*this};

    std::atomic<int> m_pauseMs{500};
    std::atomic<int> m_restartWaitMs{1000};
    std::atomic<int> m_answerTimeoutMs{500};
    std::atomic<int> m_finishVerdictMs{15000};

    STU_BoardInfo2 m_info; // guarded by m_mutex
    QElapsedTimer m_elapsed;
};
