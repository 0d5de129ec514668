#include "VirtualKeyboard.h"

#include "SimCrc.h"
#include "SimFamilyMatrix.h"
#include "SimWire.h"
#include "VirtualHidBackend.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcSim, "corvane.sim", QtWarningMsg)

using namespace simwire;

VirtualKeyboard::VirtualKeyboard(VirtualHidBackend &backend, int index, const Options &options)
    : m_backend(backend), m_index(index), m_family(options.family), m_options(options),
      m_state(factoryState(options))
{
    m_plugged = true;
}

VirtualKeyboard::~VirtualKeyboard() = default;

VirtualKeyboard::State VirtualKeyboard::factoryState(const Options &options)
{
    State s;
    s.boardId = (uint32_t(options.family & 0xFF) << 24) | (options.boardIdLow & 0xFFFFFF);
    s.boardValue = options.boardValue;
    s.serial = options.serial;
    s.appVersion = options.appVersion;
    s.bootVersion = options.bootVersion;
    s.thirdString = options.thirdString;
    s.bootLoader = options.startInBootLoader;

    const auto &codes = simFamilyMatrix(options.family);
    for (int c = 0; c < Cells; ++c) {
        emptyCell(s, c);
        if (!codes[c])
            continue;
        s.matrix[c] = simWireCodeOf(codes[c]);
        for (int layer = 0; layer < 4; ++layer)
            s.params[layer][c] = codes[c];
    }
    s.deadBand = DeadBand{0, 2000, 100, 100, 10, 20, 30};
    s.lighting.background = 0;
    s.lighting.colours = {0x00000000, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                          0xFF0000FF, 0xFF7F007F, 0xFF007F7F, 0xFFFFFFFF};
    s.lighting.bitmap = 5;
    s.lighting.grayscale = 3;
    s.lighting.rgbMode = 3;
    s.lighting.rgbSpeed = 2;
    s.lighting.rgbSleep = 0;
    s.name = "Virtual Keyboard";

    s.flash.assign(options.flashSize, 0xFF);
    // A small application image, so that the first CRC query of an update
    // differs from any new image.
    const size_t appSize = std::min<size_t>(options.flashSize, 8192);
    for (size_t i = 0; i < appSize; ++i)
        s.flash[i] = static_cast<uint8_t>((i * 131 + 7) & 0xFF);
    s.runningImage.assign(s.flash.begin(), s.flash.begin() + static_cast<long>(appSize));

    s.latencyUs = options.latencyUs;
    s.rebootDelayMs = options.rebootDelayMs;
    s.detachDelayMs = options.detachDelayMs;
    s.eraseAnswers = options.eraseAnswers;
    s.eraseStepUs = options.eraseStepUs;
    return s;
}

void VirtualKeyboard::emptyCell(State &s, int c)
{
    if (c < 0 || c >= Cells)
        return;
    s.matrix[c] = 0;
    for (auto &parameter : s.params)
        parameter[c] = 0;
    s.params[param::Travel][c] = 2000;
    s.params[5][c] = 10;
    s.params[6][c] = 20;
    s.params[7][c] = 30;
    s.params[20][c] = 300;
    s.params[21][c] = 300;
    s.keyColours[c] = Rgb{255, 255, 255};
    s.table2[c] = s.table6[c] = 0;
    s.table3[c] = 0;
}

int VirtualKeyboard::configInterface() const
{
    return m_options.silentFirstInterface ? 1 : 0;
}

std::string VirtualKeyboard::interfacePath(int interfaceNumber) const
{
    return "sim:kb" + std::to_string(m_index) + ":if" + std::to_string(interfaceNumber);
}

std::vector<std::string> VirtualKeyboard::interfacePaths() const
{
    std::vector<std::string> paths;
    for (int i = 0; i <= configInterface(); ++i)
        paths.push_back(interfacePath(i));
    return paths;
}

VirtualKeyboard::State VirtualKeyboard::state() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_state;
}

void VirtualKeyboard::modify(const std::function<void(State &)> &change)
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    change(m_state);
}

uint16_t VirtualKeyboard::param(int parameter, int row, int column) const
{
    if (parameter < 0 || parameter >= ParamCount || row < 0 || row >= Rows || column < 0 || column >= Columns)
        return 0;
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_state.params[parameter][State::cell(row, column)];
}

void VirtualKeyboard::setParam(int parameter, int row, int column, uint16_t value)
{
    if (parameter < 0 || parameter >= ParamCount || row < 0 || row >= Rows || column < 0 || column >= Columns)
        return;
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_state.params[parameter][State::cell(row, column)] = value;
}

int VirtualKeyboard::cellOf(uint8_t wireKey) const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return cellOfLocked(wireKey);
}

bool VirtualKeyboard::liveHandleLocked(const VirtualHidHandle *handle) const
{
    return handle->foreign || (m_plugged && handle->generation == m_generation);
}

int VirtualKeyboard::cellOfLocked(uint8_t wireKey) const
{
    // 0 marks empty cells and 0xFF an empty entry: neither names a key.
    if (wireKey == 0 || wireKey == 0xFF)
        return -1;
    for (int c = 0; c < Cells; ++c)
        if (m_state.matrix[c] == wireKey)
            return c;
    return -1;
}

void VirtualKeyboard::fillDistinctive()
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    State &s = m_state;
    static const uint8_t otherLayers[] = {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
                                          0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
                                          0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22};
    const int otherCount = int(sizeof(otherLayers));
    for (int c = 0; c < Cells; ++c) {
        if (!s.matrix[c])
            continue;
        for (int layer = 1; layer < 4; ++layer)
            s.params[layer][c] = otherLayers[(c + layer * 7) % otherCount];
        s.params[param::Travel][c] = static_cast<uint16_t>(1000 + c * 7);
        s.params[5][c] = static_cast<uint16_t>(200 + c);
        s.params[6][c] = static_cast<uint16_t>(300 + c);
        s.params[7][c] = static_cast<uint16_t>(400 + c);
        s.params[param::Mode][c] = (c % 3 == 0) ? 0x10 : (c % 3 == 1) ? 0x20 : 0x00;
        s.params[20][c] = static_cast<uint16_t>(100 + c * 3);
        s.params[21][c] = static_cast<uint16_t>(150 + c * 3);
        s.keyColours[c] = Rgb{uint8_t(c), uint8_t(255 - c), uint8_t((c * 3) & 0xFF)};
    }

    auto bind = [&](uint8_t key, uint8_t type, std::initializer_list<std::pair<int, uint16_t>> values) {
        const int c = cellOfLocked(key);
        if (c < 0)
            return;
        s.params[param::Mode][c] = static_cast<uint16_t>((s.params[param::Mode][c] & 0xF0) | type);
        for (const auto &pv : values)
            s.params[pv.first][c] = pv.second;
    };
    bind(0x04, 3, {{9, 0x05}, {10, 0x06}, {19, 20}});                               // MT on A
    bind(0x07, 1, {{9, 0x08}, {10, 0x09}, {11, 0x0A}, {12, 0x0B},
                   {13, 0x01}, {14, 0x02}, {15, 0x04}, {16, 0x18}, {5, 1500}});     // DKS on D
    bind(0x16, 4, {{9, 0x17}, {19, 30}});                                            // TGL on S
    bind(0x0B, 2, {{9, 0x1E}, {10, 0x1F}, {11, 0x20}, {5, 800}, {6, 1600}, {7, 2400}}); // MPT on H
    bind(0x0D, 5, {{9, 0x0E}});                                                      // END on J
    bind(0x14, 8, {{9, 0x1A}});                                                      // SOCD Q <-> W
    bind(0x1A, 8, {{9, 0x14}});
    bind(0x1D, 9, {{9, 0x1B}});                                                      // RS Z <-> X
    bind(0x1B, 9, {{9, 0x1D}});
    if (cellOfLocked(0x1C) >= 0) {                                                   // macro 0 on Y
        bind(0x1C, 6, {{17, 0}, {18, 3}});
        s.macroSteps[0] = 0x10000000u | (10u << 16) | 0x04;
        s.macroSteps[1] = 0x80000000u | (20u << 16) | 0x04;
        s.macroSteps[2] = 0x10000000u | 0x05;
    }

    s.deadBand = DeadBand{7, 1234, 111, 222, 11, 22, 33};
    s.lighting.background = 0xFF102030;
    for (int i = 0; i < 8; ++i)
        s.lighting.colours[i] = 0xFF000000u | (uint32_t(i + 1) * 0x112233u);
    s.lighting.bitmap = 0x13;
    s.lighting.grayscale = 4;
    s.lighting.rgbMode = 7;
    s.lighting.rgbSpeed = 3;
    s.lighting.rgbSleep = 5;
    s.systemMode = 1;
    s.precision = 5;
    s.minTravel = 50;
    s.maxTravel = 3800;
    s.name = "Distinct \xCE\xA9 Board";
    s.pollingRate = 2;
}

void VirtualKeyboard::setTravelLocked(int c, uint16_t um)
{
    m_state.table2[c] = um;
    m_state.table6[c] = um;
    m_state.table3[c] = (um > 0 && um >= m_state.params[param::Travel][c]) ? 1 : 0;
}

void VirtualKeyboard::pressKey(int row, int column, double millimetres)
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return;
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    const int c = State::cell(row, column);
    const long um = std::lround(std::max(0.0, millimetres) * 1000.0);
    ++m_stroke[c];
    setTravelLocked(c, static_cast<uint16_t>(std::min<long>(um, 0xFFFF)));
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::releaseAllKeys()
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    for (uint64_t &stroke : m_stroke)
        ++stroke;
    m_state.table2.fill(0);
    m_state.table6.fill(0);
    m_state.table3.fill(0);
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::typeKey(uint8_t wireKey, bool down)
{
    int c = -1;
    uint64_t stroke = 0;
    {
        std::lock_guard<std::mutex> lock(m_backend.m_mutex);
        c = cellOfLocked(wireKey);
        if (c < 0)
            return;
        m_strokeDown[c] = down;
        stroke = ++m_stroke[c];
    }
    m_backend.schedule(Clock::now() + std::chrono::milliseconds(TypingStepMs),
                       [this, c, stroke] { typingStepLocked(c, stroke); });
}

void VirtualKeyboard::typingStepLocked(int c, uint64_t stroke)
{
    if (stroke != m_stroke[c])
        return;
    const int full = m_state.maxTravel;
    const int step = std::max(1, (full + TypingSteps - 1) / TypingSteps);
    const int at = m_state.table2[c];
    const int target = m_strokeDown[c] ? full : 0;
    const int next = target > at ? std::min(target, at + step) : std::max(target, at - step);
    setTravelLocked(c, static_cast<uint16_t>(next));
    m_backend.m_changed.notify_all();
    if (next != target)
        m_backend.schedule(Clock::now() + std::chrono::milliseconds(TypingStepMs),
                           [this, c, stroke] { typingStepLocked(c, stroke); });
}

bool VirtualKeyboard::waitForKeyDepth(int cell, uint16_t um, int timeoutMs) const
{
    if (cell < 0 || cell >= Cells)
        return false;
    std::unique_lock<std::mutex> lock(m_backend.m_mutex);
    return m_backend.m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return m_state.table2[cell] == um; });
}

void VirtualKeyboard::plug()
{
    {
        std::lock_guard<std::mutex> lock(m_backend.m_mutex);
        ++m_restartToken;
        attachLocked();
    }
    m_backend.announce();
}

void VirtualKeyboard::unplug()
{
    {
        std::lock_guard<std::mutex> lock(m_backend.m_mutex);
        ++m_restartToken;
        detachLocked();
    }
    m_backend.announce();
}

void VirtualKeyboard::unplugAfter(int ms)
{
    // Not tied to the restart token: a cable is pulled whatever the firmware
    // is doing at the time.
    m_backend.schedule(Clock::now() + std::chrono::milliseconds(std::max(0, ms)),
                       [this] { faultUnplugLocked(); });
}

bool VirtualKeyboard::isPlugged() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_plugged;
}

bool VirtualKeyboard::waitForPlugged(bool plugged, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_backend.m_mutex);
    return m_backend.m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return m_plugged == plugged && m_backend.m_unannounced == 0; });
}

int VirtualKeyboard::departures() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return int(m_generation - 1);
}

bool VirtualKeyboard::waitForDepartures(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_backend.m_mutex);
    return m_backend.m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return int(m_generation - 1) >= count; });
}

VirtualKeyboard::Faults VirtualKeyboard::faults() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_faults;
}

void VirtualKeyboard::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_faults = faults;
    m_dropSeen = m_corruptSeen = m_failSeen = 0;
    if (m_faults.foreignStreamMs > 0 && !m_streaming) {
        m_streaming = true;
        m_backend.schedule(Clock::now(), [this] { streamForeignLocked(); });
    }
}

void VirtualKeyboard::streamForeignLocked()
{
    if (m_faults.foreignStreamMs <= 0) {
        m_streaming = false;
        return;
    }
    if (m_plugged) {
        // Long enough to take three reports, so a reader has to wait for
        // its tail each time.
        constexpr int Length = 126;
        Frame f(4 + Length, 0);
        f[0] = StartByte;
        f[1] = Length;
        f[2] = m_faults.foreignCode;
        for (int i = 1; i < Length; ++i)
            f[4 + i] = static_cast<uint8_t>(i);
        f[3] = frameChecksum(f);
        pushFrameLocked(f, Clock::now());
        m_backend.m_changed.notify_all();
    }
    m_backend.schedule(Clock::now() + std::chrono::milliseconds(m_faults.foreignStreamMs),
                       [this] { streamForeignLocked(); });
}

std::vector<VirtualKeyboard::LoggedFrame> VirtualKeyboard::frameLog() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return std::vector<LoggedFrame>(m_log.begin(), m_log.end());
}

void VirtualKeyboard::setFrameLogLimit(size_t frames)
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_logLimit = frames;
    while (m_log.size() > m_logLimit)
        m_log.pop_front();
}

void VirtualKeyboard::clearFrameLog()
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_log.clear();
}

int VirtualKeyboard::framesReceived() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_framesReceived;
}

int VirtualKeyboard::badFrames() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_badFrames;
}

bool VirtualKeyboard::waitForFramesReceived(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_backend.m_mutex);
    return m_backend.m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return m_framesReceived >= count; });
}

// ---- plugging -------------------------------------------------------------

void VirtualKeyboard::detachLocked()
{
    if (!m_plugged)
        return;
    m_plugged = false;
    ++m_generation;
    m_assembly.clear();
    m_backend.dropHandlesInputLocked(this);
    for (const std::string &p : interfacePaths())
        m_backend.queueNoticeLocked(p, false);
    qCDebug(lcSim) << "keyboard" << m_index << "left the bus";
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::attachLocked()
{
    if (m_plugged)
        return;
    m_plugged = true;
    for (const std::string &p : interfacePaths())
        m_backend.queueNoticeLocked(p, true);
    qCDebug(lcSim) << "keyboard" << m_index << "arrived" << (m_state.bootLoader ? "(boot loader)" : "");
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::scheduleRestartLocked(bool intoBootLoader, Clock::time_point answerReadable)
{
    const uint64_t token = ++m_restartToken;
    m_pendingRestart = PendingRestart{token, intoBootLoader, answerReadable, false, false};
    m_backend.schedule(answerReadable + std::chrono::milliseconds(m_state.detachDelayMs), [this, token] {
        if (!m_pendingRestart || m_pendingRestart->token != token)
            return;
        m_pendingRestart->due = true;
        if (!restartAnswerUnreadLocked())
            restartNowLocked(token);
    });
}

void VirtualKeyboard::restartAnswerSentLocked(Clock::time_point readable)
{
    if (!m_pendingRestart || m_pendingRestart->answerSent)
        return;
    m_pendingRestart->answerSent = true;
    m_pendingRestart->answerReadable = readable;
    // A host that keeps its handle open but never reads still sees the restart.
    const uint64_t token = m_pendingRestart->token;
    m_backend.schedule(readable + std::chrono::milliseconds(std::max(m_state.detachDelayMs, UnreadAnswerGraceMs)),
                       [this, token] { restartNowLocked(token); });
}

bool VirtualKeyboard::restartAnswerUnreadLocked() const
{
    for (const VirtualHidHandle *h : m_backend.m_handles) {
        if (h->foreign || h->keyboard != this || !liveHandleLocked(h))
            continue;
        for (const auto &report : h->input)
            if (report.readableAt <= m_pendingRestart->answerReadable)
                return true;
    }
    return false;
}

void VirtualKeyboard::answerTakenLocked()
{
    if (!m_pendingRestart || !m_pendingRestart->due || restartAnswerUnreadLocked())
        return;
    // Left to the timer thread, which announces the plug change.
    const uint64_t token = m_pendingRestart->token;
    m_backend.schedule(Clock::now(), [this, token] { restartNowLocked(token); });
}

void VirtualKeyboard::restartNowLocked(uint64_t token)
{
    if (!m_pendingRestart || m_pendingRestart->token != token)
        return;
    const bool intoBootLoader = m_pendingRestart->intoBootLoader;
    m_pendingRestart.reset();
    if (token != m_restartToken)
        return;
    detachLocked();
    m_state.bootLoader = intoBootLoader;
    if (m_faults.noReenumeration)
        return;
    m_backend.schedule(Clock::now() + std::chrono::milliseconds(m_state.rebootDelayMs), [this, token] {
        if (token == m_restartToken)
            attachLocked();
    });
}

void VirtualKeyboard::faultUnplugLocked()
{
    // Voids a pending restart, as a pulled cable would; a later plug() or
    // unplug() voids the replug in turn.
    const uint64_t token = ++m_restartToken;
    detachLocked();
    if (m_faults.replugAfterMs < 0)
        return;
    m_backend.schedule(Clock::now() + std::chrono::milliseconds(m_faults.replugAfterMs), [this, token] {
        if (token == m_restartToken)
            attachLocked();
    });
}

// ---- reports and frames ---------------------------------------------------

void VirtualKeyboard::receiveReportLocked(int interfaceNumber, const uint8_t *report)
{
    Frame &pending = m_assembly[interfaceNumber];
    if (pending.empty()) {
        // A frame has to start at a report boundary; anything else is noise.
        if (report[0] != StartByte || report[1] > MaxPayload) {
            ++m_badFrames;
            qCDebug(lcSim) << "report without a frame start ignored";
            return;
        }
    }
    pending.insert(pending.end(), report, report + 64);
    const size_t needed = size_t(pending[1]) + 4;
    if (pending.size() < needed)
        return;
    Frame frame(pending.begin(), pending.begin() + static_cast<long>(needed));
    pending.clear();

    const Clock::time_point now = Clock::now();
    ++m_framesReceived;
    m_log.push_back({Direction::ToKeyboard, now, interfaceNumber, frame});
    if (m_log.size() > m_logLimit)
        m_log.pop_front();
    m_backend.m_changed.notify_all();

    if (m_faults.unplugAfterFrames > 0 && --m_faults.unplugAfterFrames == 0) {
        faultUnplugLocked();
        return;
    }
    if (interfaceNumber != configInterface())
        return;
    if (frame[3] != frameChecksum(frame)) {
        ++m_badFrames;
        qCDebug(lcSim) << "frame with a bad checksum ignored, command" << Qt::hex << int(frame[2]);
        return;
    }
    handleFrameLocked(frame, now);
}

void VirtualKeyboard::handleFrameLocked(const Frame &frame, Clock::time_point now)
{
    const uint64_t restartBefore = m_restartToken;
    if (!m_state.bootLoader && ignoresWriteLocked(frame)) {
        // Answered as the read of the same record: taken, nothing stored.
        Frame read = frame;
        read[4] = SelectorRead;
        deliverLocked(frame[2], answerApplicationLocked(read, now), now);
        return;
    }
    std::vector<Frame> answers = m_state.bootLoader ? answerBootLoaderLocked(frame, now)
                                                    : answerApplicationLocked(frame, now);
    const auto readable = deliverLocked(frame[2], std::move(answers), now);
    if (m_restartToken != restartBefore && readable)
        restartAnswerSentLocked(*readable);
}

bool VirtualKeyboard::ignoresWriteLocked(const Frame &frame)
{
    if (frame.size() < 5 || frame[1] < 1 || frame[4] != SelectorWrite)
        return false;
    switch (frame[2]) {
    case cmd::Lighting: case cmd::MacroSteps: case cmd::DeadBand: case cmd::KeyColour: case cmd::PerKey:
    case cmd::MT: case cmd::TGL: case cmd::DKS: case cmd::MPT: case cmd::END: case cmd::SOCD: case cmd::RS:
        break;
    default:
        return false;
    }
    if (m_faults.onlyCommand >= 0 && m_faults.onlyCommand != frame[2])
        return false;
    return takeFault(m_faults.ignoreWrites);
}

void VirtualKeyboard::pushFrameLocked(const Frame &frame, Clock::time_point readable)
{
    m_log.push_back({Direction::FromKeyboard, readable, configInterface(), frame});
    if (m_log.size() > m_logLimit)
        m_log.pop_front();

    Frame padded = frame;
    padded.resize((padded.size() + 63) / 64 * 64, 0);
    for (size_t off = 0; off < padded.size(); off += 64) {
        VirtualHidHandle::Report report;
        report.readableAt = readable;
        std::copy(padded.begin() + static_cast<long>(off), padded.begin() + static_cast<long>(off + 64),
                  report.bytes.begin());
        m_backend.pushInputLocked(this, configInterface(), report);
    }
}

std::optional<VirtualKeyboard::Clock::time_point>
VirtualKeyboard::deliverLocked(uint8_t requestCommand, std::vector<Frame> answers, Clock::time_point now)
{
    if (answers.empty())
        return std::nullopt;
    const bool eligible = m_faults.onlyCommand < 0 || m_faults.onlyCommand == requestCommand;
    // The periodic faults count every eligible answer, including one that is
    // then dropped, so that each kind keeps its own rhythm.
    auto nth = [eligible](int every, int &seen) {
        if (!eligible || every <= 0)
            return false;
        seen = (seen + 1) % every;
        return seen == 0;
    };
    const bool dropNth = nth(m_faults.dropEvery, m_dropSeen);
    const bool failNth = nth(m_faults.failEvery, m_failSeen);
    const bool corruptNth = nth(m_faults.corruptEvery, m_corruptSeen);
    if ((eligible && takeFault(m_faults.dropAnswers)) || dropNth) {
        qCDebug(lcSim) << "answer dropped";
        return std::nullopt;
    }
    const bool foreign = eligible && takeFault(m_faults.foreignCommand);
    const bool fail = (eligible && takeFault(m_faults.failStatus)) || failNth;
    const bool corrupt = (eligible && takeFault(m_faults.corruptChecksum)) || corruptNth;

    // Frame faults within a series: one-shot, on the first answer long enough.
    int dropFrame = -1, corruptFrame = -1;
    if (m_faults.dropFrameOfSeries >= 0 && answers.size() > size_t(m_faults.dropFrameOfSeries)) {
        dropFrame = m_faults.dropFrameOfSeries;
        m_faults.dropFrameOfSeries = -1;
    }
    if (m_faults.corruptFrameOfSeries >= 0 && answers.size() > size_t(m_faults.corruptFrameOfSeries)) {
        corruptFrame = m_faults.corruptFrameOfSeries;
        m_faults.corruptFrameOfSeries = -1;
    }

    std::optional<Clock::time_point> lastReadable;
    auto readable = now + std::chrono::microseconds(m_state.latencyUs);
    if (eligible && m_faults.delayAnswersMs > 0)
        readable += std::chrono::milliseconds(m_faults.delayAnswersMs);
    for (size_t i = 0; i < answers.size(); ++i, readable += std::chrono::microseconds(m_state.eraseStepUs)) {
        Frame &f = answers[i];
        if (int(i) == dropFrame) {
            qCDebug(lcSim) << "frame" << i << "of the answer dropped";
            continue;
        }
        if (foreign)
            f[2] = m_faults.foreignCode;
        if (fail && f[1] >= 1)
            f[4] = StatusRefused;
        f[3] = frameChecksum(f);
        if (corrupt || int(i) == corruptFrame)
            f[3] ^= 0xFF;
        pushFrameLocked(f, readable);
        lastReadable = readable;
    }
    m_backend.m_changed.notify_all();
    return lastReadable;
}
