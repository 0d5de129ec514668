#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class VirtualHidBackend;
struct VirtualHidHandle;

// One keyboard in software, answering KB2 frames at the report level like its
// application firmware and its boot loader. It lives inside a
// VirtualHidBackend, whose lock guards it: every public operation is
// thread-safe and may be called from any thread while a device worker talks
// to the keyboard through the backend.
class VirtualKeyboard {
public:
    static constexpr int Rows = 6;
    static constexpr int Columns = 21;
    static constexpr int Cells = Rows * Columns;
    static constexpr int ParamCount = 22;

    using Clock = std::chrono::steady_clock;

    struct Options {
        int family = 0;                   // top byte of the board id, selects the key matrix
        int latencyUs = 1000;             // request's last report -> answer readable
        bool silentFirstInterface = true; // interface 0 takes writes and never answers
        bool silentListedFirst = true;    // enumeration order of the two interfaces
        bool unrelatedDevices = true;     // two foreign devices around the keyboard's interfaces
        bool startInBootLoader = false;
        int rebootDelayMs = 100;          // off the bus -> re-enumerated (into or out of the boot loader)
        int detachDelayMs = 2;            // restart answer readable -> off the bus
        int eraseAnswers = 3;             // 0x89 frames per erase, the last one ends it
        int eraseStepUs = 1000;           // spacing of those frames
        size_t flashSize = 256 * 1024;
        uint32_t boardIdLow = 0x000102;   // board id below the family byte
        uint16_t boardValue = 0x0203;     // the u16 after the board id
        std::string serial = "SIM0000000000001";
        std::string appVersion = "V1.0.3";
        std::string bootVersion = "Boot V1.0";
        std::string thirdString = "VKB";
    };

    struct Rgb {
        uint8_t red = 0, green = 0, blue = 0;
        bool operator==(const Rgb &o) const { return red == o.red && green == o.green && blue == o.blue; }
    };

    // Command 0x29, in wire order.
    struct DeadBand {
        uint16_t ticks = 0, gdBi = 0, dtDB = 0, dtRdB = 0, db1 = 0, db2 = 0, db3 = 0;
    };

    // Command 0x18, in wire order.
    struct Lighting {
        uint32_t background = 0;
        std::array<uint32_t, 8> colours{};
        uint8_t bitmap = 0, grayscale = 0, rgbMode = 0, rgbSpeed = 0, rgbSleep = 0;
    };

    struct State {
        // Identity
        uint32_t boardId = 0;
        uint16_t boardValue = 0;
        std::string serial, appVersion, bootVersion, thirdString;
        bool bootLoader = false;

        // Configuration as the firmware keeps it
        std::array<uint8_t, Cells> matrix{};                          // wire key codes, 0 = empty cell
        std::array<std::array<uint16_t, Cells>, ParamCount> params{}; // per-key parameters 0..21
        DeadBand deadBand;
        Lighting lighting;
        std::array<Rgb, Cells> keyColours{};
        std::map<uint16_t, uint32_t> macroSteps; // offset = macro number * 256 + step index
        int systemMode = 0;                      // 0 Windows, 1 Mac (2, 3: the locked variants)
        uint8_t precision = 10;                  // travel step in micrometres
        uint16_t minTravel = 100, maxTravel = 4000;
        std::string name;                        // UTF-8, at most 32 bytes on the wire
        uint8_t pollingRate = 0;                 // 0 = 8 kHz ... 6 = 125 Hz
        std::array<uint16_t, Cells> table2{}, table6{};
        std::array<uint8_t, Cells> table3{};
        bool calibrating = false;
        bool saved = false;                      // set by "store", cleared by any write
        int saveCount = 0;
        int factoryResets = 0;

        // Firmware
        std::vector<uint8_t> flash;
        std::vector<uint8_t> runningImage;       // what the application runs (set by a good finish)

        // Behaviour
        int latencyUs = 1000;
        int rebootDelayMs = 100;
        int detachDelayMs = 2;
        int eraseAnswers = 3;
        int eraseStepUs = 1000;

        uint8_t bootState() const { return bootLoader ? 0xFF : 0x00; }
        const std::string &version() const { return bootLoader ? bootVersion : appVersion; }
        static int cell(int row, int column) { return row * Columns + column; }
    };

    // Counters: n > 0 acts on the next n occasions, a negative value on every
    // one, 0 is off. Each answer is the whole reply to one request (an erase
    // reply is its whole series of frames).
    //
    // The *Every faults hit the n-th, 2n-th, ... answer, each kind counting
    // on its own from the last setFaults (a dropped answer still counts for
    // the other kinds). onlyCommand narrows every answer fault (the counters
    // above and the *Every ones) to answers to that request command; other
    // answers pass untouched and count for nothing. The series faults, the
    // flash faults and the unplug ignore it.
    struct Faults {
        int dropAnswers = 0;
        int corruptChecksum = 0;
        int failStatus = 0;           // payload 0 = 1
        int foreignCommand = 0;       // answer with foreignCode instead of command + 0x80
        uint8_t foreignCode = 0xB7;
        int dropEvery = 0, corruptEvery = 0, failEvery = 0;
        int onlyCommand = -1;         // request command byte, -1 for all
        // One-shot: in the next answer of more than i frames, frame i alone is
        // dropped / has a bad checksum; then back to -1.
        int dropFrameOfSeries = -1, corruptFrameOfSeries = -1;
        int unplugAfterFrames = 0;    // vanish right after the n-th further frame (no answer to it)
        int replugAfterMs = -1;       // back on the bus this long after a fault took it off, -1 never
        bool noReenumeration = false; // a restart takes the keyboard off the bus for good
        int refuseBlocks = 0;         // block writes not stored
        bool refuseWithNack = false;  // refused blocks answered with status 1 instead of silence
        int wrongCrc = 0;             // flash CRC answers off by 0x5A5A
        int delayAnswersMs = 0;       // eligible answers become readable this much later (a slow keyboard)
        // Writes of a record (lighting, dead bands, colours, macro steps,
        // per-key and advanced-key records) answered as taken but not
        // stored: the answer shows what the keyboard still holds.
        int ignoreWrites = 0;
        // While above 0, a frame nobody asked for (command foreignCode,
        // three reports long, checksum right) every this many ms on the
        // configuration interface, whatever the host sends: a keyboard that
        // keeps talking. Answers go out as usual unless dropped.
        int foreignStreamMs = 0;
    };

    enum class Direction { ToKeyboard, FromKeyboard };
    struct LoggedFrame {
        Direction direction = Direction::ToKeyboard;
        Clock::time_point time;        // received, or readable by the host
        int interfaceNumber = 0;
        std::vector<uint8_t> bytes;    // header + payload (L + 4 bytes)
    };

    VirtualKeyboard(const VirtualKeyboard &) = delete;
    VirtualKeyboard &operator=(const VirtualKeyboard &) = delete;
    ~VirtualKeyboard();

    int index() const { return m_index; }
    int family() const { return m_family; }
    int configInterface() const;                   // 1 with a silent interface 0, else 0
    std::string interfacePath(int interfaceNumber) const; // "sim:kb0:if1"
    std::string configPath() const { return interfacePath(configInterface()); }
    std::vector<std::string> interfacePaths() const;

    // State: a copy, and a change made under the lock.
    State state() const;
    void modify(const std::function<void(State &)> &change);
    uint16_t param(int parameter, int row, int column) const;
    void setParam(int parameter, int row, int column, uint16_t value);
    int cellOf(uint8_t wireKey) const;             // first cell holding the key, -1 for none
    static State factoryState(const Options &options);
    static void emptyCell(State &state, int cell); // as the factory leaves a cell without a key
    void fillDistinctive();                        // every table non-default (see the source)

    // Live travel: table 2 and 6 get the travel in micrometres, table 3 is 1
    // while the key is past its actuation point (parameter 4). Both void a
    // typing stroke under way on their keys.
    void pressKey(int row, int column, double millimetres);
    void releaseAllKeys();

    // A finger on the first key holding wireKey: on down it travels from
    // where it is to full travel (maxTravel), on up back to 0, by
    // TypingSteps-th of full travel every TypingStepMs on the backend's
    // timer, so a whole stroke takes about 40 ms. A new stroke on the same
    // key turns it round from where it is. A key the matrix lacks is ignored.
    static constexpr int TypingSteps = 8;
    static constexpr int TypingStepMs = 5;
    void typeKey(uint8_t wireKey, bool down);
    // Waits until the cell's travel (table 2) reads um.
    bool waitForKeyDepth(int cell, uint16_t um, int timeoutMs) const;

    // Plugging. Listeners of the backend hear of every change.
    void plug();
    void unplug();
    // A cable pulled ms from now: a fault, so replugAfterMs brings it back.
    void unplugAfter(int ms);
    bool isPlugged() const;
    // Returns once the keyboard is (un)plugged and every listener has heard
    // of it; not to be called from a listener.
    bool waitForPlugged(bool plugged, int timeoutMs) const;
    // How often the keyboard has left the bus since it was made. Waiting on
    // it also sees a restart that is already over (off the bus and back).
    int departures() const;
    bool waitForDepartures(int count, int timeoutMs) const;

    Faults faults() const;
    void setFaults(const Faults &faults);

    std::vector<LoggedFrame> frameLog() const;
    void clearFrameLog();
    // The log keeps the newest frames up to the limit, so a long session
    // (a key test left running, --simulate) does not grow without bound.
    static constexpr size_t DefaultFrameLogLimit = 200000;
    void setFrameLogLimit(size_t frames);
    int framesReceived() const;                    // whole frames, every interface, since creation
    int badFrames() const;                         // bad start byte, length or checksum: ignored
    bool waitForFramesReceived(int count, int timeoutMs) const;

private:
    friend class VirtualHidBackend;
    using Frame = std::vector<uint8_t>;

    VirtualKeyboard(VirtualHidBackend &backend, int index, const Options &options);

    // Everything below runs with the backend lock held. Plug changes are
    // queued on the backend; whoever releases the lock announces them.
    void receiveReportLocked(int interfaceNumber, const uint8_t *report);
    void handleFrameLocked(const Frame &frame, Clock::time_point now);
    bool ignoresWriteLocked(const Frame &frame); // takes an ignoreWrites fault
    std::vector<Frame> answerApplicationLocked(const Frame &frame, Clock::time_point now);
    std::vector<Frame> answerBootLoaderLocked(const Frame &frame, Clock::time_point now);
    std::vector<Frame> answerSubCodeLocked(const Frame &frame);
    std::vector<Frame> answerPerKeyLocked(const Frame &frame);
    std::vector<Frame> answerAdvancedLocked(const Frame &frame);
    std::vector<Frame> answerTableLocked(const Frame &frame);
    std::vector<Frame> answerFlashLocked(const Frame &frame, Clock::time_point now);
    Frame infoAnswerLocked() const;
    // When the host can read the last frame of the answer; none if it was dropped.
    std::optional<Clock::time_point> deliverLocked(uint8_t requestCommand, std::vector<Frame> answers,
                                                   Clock::time_point now);
    // The frame's reports, readable by the host from `readable` on.
    void pushFrameLocked(const Frame &frame, Clock::time_point readable);
    void streamForeignLocked();
    void detachLocked();
    void attachLocked();
    void faultUnplugLocked();
    void scheduleRestartLocked(bool intoBootLoader, Clock::time_point answerReadable);
    void restartAnswerSentLocked(Clock::time_point readable);
    void answerTakenLocked();
    void restartNowLocked(uint64_t token);
    bool restartAnswerUnreadLocked() const;
    int cellOfLocked(uint8_t wireKey) const;
    void markChangedLocked() { m_state.saved = false; }
    void setTravelLocked(int cell, uint16_t um);
    void typingStepLocked(int cell, uint64_t stroke);
    bool liveHandleLocked(const VirtualHidHandle *handle) const;

    VirtualHidBackend &m_backend;
    int m_index;
    int m_family;
    Options m_options;
    State m_state;
    Faults m_faults;
    bool m_plugged = true;
    uint64_t m_generation = 1;    // bumped whenever the keyboard leaves the bus
    uint64_t m_restartToken = 0;  // a pending restart is void once this changes
    // A restart waits until the host has its answer (or let it go), as the
    // operating system holds a real keyboard's answer before the reset is seen.
    struct PendingRestart {
        uint64_t token = 0;
        bool intoBootLoader = false;
        Clock::time_point answerReadable;
        bool answerSent = false;  // its answer is on its way to the host (readable at answerReadable)
        bool due = false;         // the detach delay after the answer has passed
    };
    std::optional<PendingRestart> m_pendingRestart;
    static constexpr int UnreadAnswerGraceMs = 2000;
    bool m_streaming = false; // a foreignStreamMs tick is scheduled
    std::map<int, Frame> m_assembly;
    std::deque<LoggedFrame> m_log;
    size_t m_logLimit = DefaultFrameLogLimit;
    int m_framesReceived = 0;
    int m_badFrames = 0;
    // Typing: the stroke under way on each cell (a step of an older one is
    // void) and where it is heading.
    std::array<uint64_t, Cells> m_stroke{};
    std::array<bool, Cells> m_strokeDown{};
    // Eligible answers seen by each periodic fault since setFaults.
    int m_dropSeen = 0, m_corruptSeen = 0, m_failSeen = 0;
};
