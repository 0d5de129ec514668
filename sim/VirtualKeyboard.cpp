#include "VirtualKeyboard.h"

#include "SimCrc.h"
#include "SimFamilyMatrix.h"
#include "VirtualHidBackend.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcSim, "corvane.sim")

namespace {

using Frame = std::vector<uint8_t>;

constexpr uint8_t StartByte = 0x5C;
constexpr int MaxPayload = 252;
constexpr uint8_t StatusOk = 0;
constexpr uint8_t StatusRefused = 1;

uint8_t frameChecksum(const Frame &f)
{
    const int length = f[1];
    unsigned sum = f[0] + f[1] + f[2] + 0x35u + (length >= 1 ? f[3 + length] : 0u);
    return static_cast<uint8_t>(sum & 0xFF);
}

// Reads a request's payload; bytes past its length read as 0 so that a short
// request can never reach beyond what the host sent.
class Payload {
public:
    explicit Payload(const Frame &f) : m_f(f), m_length(f[1]) {}
    int length() const { return m_length; }
    uint8_t u8(int off) const { return off >= 0 && off < m_length ? m_f[4 + off] : 0; }
    uint16_t u16(int off) const { return static_cast<uint16_t>(u8(off) | (u8(off + 1) << 8)); }
    uint32_t u32(int off) const { return uint32_t(u16(off)) | (uint32_t(u16(off + 2)) << 16); }
    bool has(int off, int size) const { return off + size <= m_length; }

private:
    const Frame &m_f;
    int m_length;
};

class Writer {
public:
    Writer &u8(unsigned v) { m_p.push_back(static_cast<uint8_t>(v)); return *this; }
    Writer &u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Writer &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Writer &raw(const uint8_t *p, size_t n) { m_p.insert(m_p.end(), p, p + n); return *this; }
    Frame frame(uint8_t command) const
    {
        Frame f(4 + m_p.size(), 0);
        f[0] = StartByte;
        f[1] = static_cast<uint8_t>(m_p.size());
        f[2] = command;
        std::copy(m_p.begin(), m_p.end(), f.begin() + 4);
        f[3] = frameChecksum(f);
        return f;
    }

private:
    std::vector<uint8_t> m_p;
};

Frame statusOnly(uint8_t command, uint8_t status)
{
    return Writer().u8(status).frame(static_cast<uint8_t>(command + 0x80));
}

bool takeFault(int &counter)
{
    if (counter == 0)
        return false;
    if (counter > 0)
        --counter;
    return true;
}

// Length-prefixed string field of the information answer: one length byte and
// a 16-byte area.
void putString16(Writer &w, const std::string &s)
{
    const size_t n = std::min<size_t>(s.size(), 16);
    w.u8(static_cast<unsigned>(n));
    for (size_t i = 0; i < 16; ++i)
        w.u8(i < n ? static_cast<uint8_t>(s[i]) : 0);
}

// Advanced-key records: entry size, count, and where each entry byte goes.
// Slot -1 is the key itself; 0..21 a per-key parameter; a u16 field is
// marked by the flag and takes two bytes.
struct AdvancedField {
    int parameter;
    bool wide;
};
struct AdvancedRecord {
    uint8_t command;
    int entries;
    uint8_t type; // low nibble of parameter 8
    std::vector<AdvancedField> fields;
};

const std::vector<AdvancedRecord> &advancedRecords()
{
    static const std::vector<AdvancedRecord> records = {
        {0x24, 14, 3, {{9, false}, {10, false}, {19, false}}},                        // MT
        {0x25, 19, 4, {{9, false}, {19, false}}},                                     // TGL
        {0x26, 5, 1, {{9, false}, {10, false}, {11, false}, {12, false}, {13, false},
                      {14, false}, {15, false}, {16, false}, {5, true}}},            // DKS
        {0x27, 5, 2, {{9, false}, {10, false}, {11, false}, {5, true}, {6, true}, {7, true}}}, // MPT
        {0x28, 29, 5, {{9, false}}},                                                  // END
        {0x2C, 29, 8, {{9, false}}},                                                  // SOCD
        {0x2D, 29, 9, {{9, false}}},                                                  // RS
    };
    return records;
}

int entrySize(const AdvancedRecord &r)
{
    int size = 1;
    for (const AdvancedField &f : r.fields)
        size += f.wide ? 2 : 1;
    return size;
}

} // namespace

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
        s.matrix[c] = codes[c] ? simWireCodeOf(codes[c]) : 0;
        for (int layer = 0; layer < 4; ++layer)
            s.params[layer][c] = codes[c];
        s.params[4][c] = 2000;
        s.params[5][c] = 10;
        s.params[6][c] = 20;
        s.params[7][c] = 30;
        s.params[20][c] = 300;
        s.params[21][c] = 300;
        s.keyColours[c] = Rgb{255, 255, 255};
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
        s.params[4][c] = static_cast<uint16_t>(1000 + c * 7);
        s.params[5][c] = static_cast<uint16_t>(200 + c);
        s.params[6][c] = static_cast<uint16_t>(300 + c);
        s.params[7][c] = static_cast<uint16_t>(400 + c);
        s.params[8][c] = (c % 3 == 0) ? 0x10 : (c % 3 == 1) ? 0x20 : 0x00;
        s.params[20][c] = static_cast<uint16_t>(100 + c * 3);
        s.params[21][c] = static_cast<uint16_t>(150 + c * 3);
        s.keyColours[c] = Rgb{uint8_t(c), uint8_t(255 - c), uint8_t((c * 3) & 0xFF)};
    }

    auto bind = [&](uint8_t key, uint8_t type, std::initializer_list<std::pair<int, uint16_t>> values) {
        const int c = cellOfLocked(key);
        if (c < 0)
            return;
        s.params[8][c] = static_cast<uint16_t>((s.params[8][c] & 0xF0) | type);
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

void VirtualKeyboard::pressKey(int row, int column, double millimetres)
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return;
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    const int c = State::cell(row, column);
    const long um = std::lround(std::max(0.0, millimetres) * 1000.0);
    const uint16_t value = static_cast<uint16_t>(std::min<long>(um, 0xFFFF));
    m_state.table2[c] = value;
    m_state.table6[c] = value;
    m_state.table3[c] = (value > 0 && value >= m_state.params[4][c]) ? 1 : 0;
}

void VirtualKeyboard::releaseAllKeys()
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_state.table2.fill(0);
    m_state.table6.fill(0);
    m_state.table3.fill(0);
}

void VirtualKeyboard::plug()
{
    Notices notices;
    {
        std::lock_guard<std::mutex> lock(m_backend.m_mutex);
        ++m_restartToken;
        attachLocked(notices);
    }
    m_backend.announce(notices);
}

void VirtualKeyboard::unplug()
{
    Notices notices;
    {
        std::lock_guard<std::mutex> lock(m_backend.m_mutex);
        ++m_restartToken;
        detachLocked(notices);
    }
    m_backend.announce(notices);
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

VirtualKeyboard::Faults VirtualKeyboard::faults() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_faults;
}

void VirtualKeyboard::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    m_faults = faults;
}

std::vector<VirtualKeyboard::LoggedFrame> VirtualKeyboard::frameLog() const
{
    std::lock_guard<std::mutex> lock(m_backend.m_mutex);
    return m_log;
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

void VirtualKeyboard::detachLocked(Notices &notices)
{
    if (!m_plugged)
        return;
    m_plugged = false;
    ++m_generation;
    m_assembly.clear();
    m_backend.dropHandlesInputLocked(this);
    for (const std::string &p : interfacePaths()) {
        notices.push_back({p, false});
        ++m_backend.m_unannounced;
    }
    qCDebug(lcSim) << "keyboard" << m_index << "left the bus";
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::attachLocked(Notices &notices)
{
    if (m_plugged)
        return;
    m_plugged = true;
    for (const std::string &p : interfacePaths()) {
        notices.push_back({p, true});
        ++m_backend.m_unannounced;
    }
    qCDebug(lcSim) << "keyboard" << m_index << "arrived" << (m_state.bootLoader ? "(boot loader)" : "");
    m_backend.m_changed.notify_all();
}

void VirtualKeyboard::scheduleRestartLocked(bool intoBootLoader, Clock::time_point answerReadable)
{
    const uint64_t token = ++m_restartToken;
    const auto detachAt = answerReadable + std::chrono::milliseconds(m_state.detachDelayMs);
    m_backend.schedule(detachAt, [this, token, intoBootLoader](Notices &notices) {
        if (token != m_restartToken)
            return;
        detachLocked(notices);
        m_state.bootLoader = intoBootLoader;
        if (m_faults.noReenumeration)
            return;
        const auto attachAt = Clock::now() + std::chrono::milliseconds(m_state.rebootDelayMs);
        m_backend.schedule(attachAt, [this, token](Notices &later) {
            if (token == m_restartToken)
                attachLocked(later);
        });
    });
}

// ---- reports and frames ---------------------------------------------------

void VirtualKeyboard::receiveReportLocked(int interfaceNumber, const uint8_t *report, Notices &notices)
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
    m_backend.m_changed.notify_all();

    if (m_faults.unplugAfterFrames > 0 && --m_faults.unplugAfterFrames == 0) {
        ++m_restartToken;
        detachLocked(notices);
        return;
    }
    if (interfaceNumber != configInterface())
        return;
    if (frame[3] != frameChecksum(frame)) {
        ++m_badFrames;
        qCDebug(lcSim) << "frame with a bad checksum ignored, command" << Qt::hex << int(frame[2]);
        return;
    }
    handleFrameLocked(frame, now, notices);
}

void VirtualKeyboard::handleFrameLocked(const Frame &frame, Clock::time_point now, Notices &)
{
    std::vector<Frame> answers = m_state.bootLoader ? answerBootLoaderLocked(frame, now)
                                                    : answerApplicationLocked(frame, now);
    deliverLocked(std::move(answers), now);
}

void VirtualKeyboard::deliverLocked(std::vector<Frame> answers, Clock::time_point now)
{
    if (answers.empty())
        return;
    if (takeFault(m_faults.dropAnswers)) {
        qCDebug(lcSim) << "answer dropped";
        return;
    }
    const bool foreign = takeFault(m_faults.foreignCommand);
    const bool fail = takeFault(m_faults.failStatus);
    const bool corrupt = takeFault(m_faults.corruptChecksum);
    auto readable = now + std::chrono::microseconds(m_state.latencyUs);
    for (Frame &f : answers) {
        if (foreign)
            f[2] = m_faults.foreignCode;
        if (fail && f[1] >= 1)
            f[4] = StatusRefused;
        f[3] = frameChecksum(f);
        if (corrupt)
            f[3] ^= 0xFF;
        m_log.push_back({Direction::FromKeyboard, readable, configInterface(), f});

        Frame padded = f;
        padded.resize((padded.size() + 63) / 64 * 64, 0);
        for (size_t off = 0; off < padded.size(); off += 64) {
            VirtualHidHandle::Report report;
            report.readableAt = readable;
            std::copy(padded.begin() + static_cast<long>(off), padded.begin() + static_cast<long>(off + 64),
                      report.bytes.begin());
            m_backend.pushInputLocked(this, configInterface(), report);
        }
        readable += std::chrono::microseconds(m_state.eraseStepUs);
    }
    m_backend.m_changed.notify_all();
}

VirtualKeyboard::Frame VirtualKeyboard::infoAnswerLocked() const
{
    Writer w;
    w.u8(StatusOk).u32(m_state.boardId).u16(m_state.boardValue).u8(m_state.bootState());
    putString16(w, m_state.serial);
    putString16(w, m_state.version());
    putString16(w, m_state.thirdString);
    return w.frame(0x81);
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerApplicationLocked(const Frame &frame, Clock::time_point now)
{
    const uint8_t command = frame[2];
    switch (command) {
    case 0x00:
        return answerSubCodeLocked(frame);
    case 0x01:
        return {infoAnswerLocked()};
    case 0x0A: {
        // Restart into the boot loader once the answer has gone out.
        const auto readable = now + std::chrono::microseconds(m_state.latencyUs);
        scheduleRestartLocked(true, readable);
        return {statusOnly(command, StatusOk)};
    }
    case 0x09:
    case 0x0E:
        return answerFlashLocked(frame, now);
    case 0x12:
        return answerTableLocked(frame);
    case 0x23:
        return answerPerKeyLocked(frame);
    case 0x24: case 0x25: case 0x26: case 0x27: case 0x28: case 0x2C: case 0x2D:
        return answerAdvancedLocked(frame);
    default:
        break;
    }

    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    const bool write = selector == 1;
    if (selector > 1)
        return {statusOnly(command, StatusRefused)};

    switch (command) {
    case 0x18: {
        Lighting &l = m_state.lighting;
        if (write) {
            if (!p.has(1, 41))
                return {statusOnly(command, StatusRefused)};
            l.background = p.u32(1);
            for (int i = 0; i < 8; ++i)
                l.colours[i] = p.u32(5 + 4 * i);
            l.bitmap = p.u8(37);
            l.grayscale = p.u8(38);
            l.rgbMode = p.u8(39);
            l.rgbSpeed = p.u8(40);
            l.rgbSleep = p.u8(41);
            markChangedLocked();
        }
        Writer w;
        w.u8(StatusOk).u32(l.background);
        for (uint32_t c : l.colours)
            w.u32(c);
        w.u8(l.bitmap).u8(l.grayscale).u8(l.rgbMode).u8(l.rgbSpeed).u8(l.rgbSleep);
        return {w.frame(0x98)};
    }
    case 0x20: {
        const uint16_t offset = p.u16(1);
        const int count = p.u8(3);
        if (count > 14 || (write && !p.has(4, 4 * count)))
            return {statusOnly(command, StatusRefused)};
        Writer w;
        w.u8(StatusOk).u16(offset).u8(static_cast<unsigned>(count));
        for (int i = 0; i < 14; ++i) {
            const uint16_t at = static_cast<uint16_t>(offset + i);
            if (i < count && write) {
                m_state.macroSteps[at] = p.u32(4 + 4 * i);
                markChangedLocked();
            }
            const auto it = m_state.macroSteps.find(at);
            w.u32(i < count && it != m_state.macroSteps.end() ? it->second : 0);
        }
        return {w.frame(0xA0)};
    }
    case 0x29: {
        DeadBand &d = m_state.deadBand;
        if (write) {
            if (!p.has(1, 14))
                return {statusOnly(command, StatusRefused)};
            d = DeadBand{p.u16(1), p.u16(3), p.u16(5), p.u16(7), p.u16(9), p.u16(11), p.u16(13)};
            markChangedLocked();
        }
        Writer w;
        w.u8(StatusOk).u16(d.ticks).u16(d.gdBi).u16(d.dtDB).u16(d.dtRdB).u16(d.db1).u16(d.db2).u16(d.db3);
        return {w.frame(0xA9)};
    }
    case 0x2A: {
        Writer w;
        w.u8(StatusOk);
        for (int i = 0; i < 14; ++i) {
            const int base = 1 + 4 * i;
            uint8_t key = p.u8(base), r = p.u8(base + 1), g = p.u8(base + 2), b = p.u8(base + 3);
            const int c = p.has(base, 4) ? cellOfLocked(key) : -1;
            if (c >= 0) {
                if (write) {
                    m_state.keyColours[c] = Rgb{r, g, b};
                    markChangedLocked();
                }
                r = m_state.keyColours[c].red;
                g = m_state.keyColours[c].green;
                b = m_state.keyColours[c].blue;
            }
            w.u8(key).u8(r).u8(g).u8(b);
        }
        return {w.frame(0xAA)};
    }
    case 0x2B: {
        const int first = p.u8(1), second = p.u8(2);
        if (first >= Rows || second >= Rows)
            return {statusOnly(command, StatusRefused)};
        Writer w;
        w.u8(StatusOk);
        for (int row : {first, second}) {
            w.u8(static_cast<unsigned>(row));
            w.raw(m_state.matrix.data() + row * Columns, Columns);
        }
        return {w.frame(0xAB)};
    }
    default:
        qCDebug(lcSim) << "unknown command" << Qt::hex << int(command);
        return {statusOnly(command, StatusRefused)};
    }
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerSubCodeLocked(const Frame &frame)
{
    const Payload p(frame);
    const uint8_t sub = p.u8(0);
    // "sub-code, argument, 0xFF, 0xFF": the argument is there when L = 4.
    const bool hasArgument = p.length() >= 4;
    Writer w;
    w.u8(StatusOk).u8(sub);
    switch (sub) {
    case 2:
        m_state.saved = true;
        ++m_state.saveCount;
        break;
    case 12:
        m_state.calibrating = true;
        break;
    case 13:
        m_state.calibrating = false;
        break;
    case 17: {
        State fresh = factoryState(m_options);
        State &s = m_state;
        s.params = fresh.params;
        s.deadBand = fresh.deadBand;
        s.lighting = fresh.lighting;
        s.keyColours = fresh.keyColours;
        s.macroSteps.clear();
        s.systemMode = fresh.systemMode;
        s.name = fresh.name;
        s.pollingRate = fresh.pollingRate;
        s.calibrating = false;
        ++s.factoryResets;
        break;
    }
    case 33:
        w.u8(m_state.systemMode == 0 ? 1 : m_state.systemMode == 2 ? 0xFF : 0);
        break;
    case 34:
        w.u8(m_state.systemMode == 1 ? 1 : m_state.systemMode == 3 ? 0xFF : 0);
        break;
    case 37:
        w.u8(m_state.precision).u16(m_state.minTravel).u16(m_state.maxTravel);
        break;
    case 38: {
        // 32 bytes, cut at a character boundary so the text stays valid UTF-8.
        size_t n = std::min<size_t>(m_state.name.size(), 32);
        while (n > 0 && n < m_state.name.size() && (uint8_t(m_state.name[n]) & 0xC0) == 0x80)
            --n;
        for (size_t i = 0; i < 32; ++i)
            w.u8(i < n ? uint8_t(m_state.name[i]) : 0);
        break;
    }
    case 48:
        m_state.systemMode = 0;
        break;
    case 49:
        m_state.systemMode = 1;
        break;
    case 80:
        // Indices past 6 (the connection sends 7) only ask for the current rate.
        if (hasArgument && p.u8(1) <= 6)
            m_state.pollingRate = p.u8(1);
        w.u8(m_state.pollingRate);
        break;
    default:
        return {Writer().u8(StatusRefused).u8(sub).frame(0x80)};
    }
    return {w.frame(0x80)};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerPerKeyLocked(const Frame &frame)
{
    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    if (selector > 1)
        return {statusOnly(0x23, StatusRefused)};
    Writer w;
    w.u8(StatusOk);
    for (int i = 0; i < 14; ++i) {
        const int base = 1 + 4 * i;
        const uint8_t key = p.u8(base), parameter = p.u8(base + 1);
        uint16_t value = p.u16(base + 2);
        const int c = p.has(base, 4) ? cellOfLocked(key) : -1;
        if (c >= 0 && parameter < ParamCount) {
            if (selector == 1) {
                m_state.params[parameter][c] = value;
                markChangedLocked();
            }
            value = m_state.params[parameter][c];
        }
        w.u8(key).u8(parameter).u16(value);
    }
    return {w.frame(0xA3)};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerAdvancedLocked(const Frame &frame)
{
    const uint8_t command = frame[2];
    const auto &records = advancedRecords();
    const auto rec = std::find_if(records.begin(), records.end(),
                                  [&](const AdvancedRecord &r) { return r.command == command; });
    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    if (rec == records.end() || selector > 1)
        return {statusOnly(command, StatusRefused)};

    const int size = entrySize(*rec);
    Writer w;
    w.u8(StatusOk);
    for (int i = 0; i < rec->entries; ++i) {
        const int base = 1 + size * i;
        const uint8_t key = p.u8(base);
        const int c = p.has(base, size) ? cellOfLocked(key) : -1;
        if (c >= 0 && selector == 1) {
            m_state.params[8][c] = static_cast<uint16_t>((m_state.params[8][c] & 0xF0) | rec->type);
            markChangedLocked();
        }
        w.u8(key);
        int off = base + 1;
        for (const AdvancedField &f : rec->fields) {
            const uint16_t sent = f.wide ? p.u16(off) : p.u8(off);
            uint16_t value = sent;
            if (c >= 0) {
                if (selector == 1)
                    m_state.params[f.parameter][c] = sent;
                value = m_state.params[f.parameter][c];
            }
            if (f.wide)
                w.u16(value);
            else
                w.u8(value & 0xFF);
            off += f.wide ? 2 : 1;
        }
    }
    return {w.frame(static_cast<uint8_t>(command + 0x80))};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerTableLocked(const Frame &frame)
{
    const Payload p(frame);
    const uint8_t table = p.u8(0), part = p.u8(1);
    Writer w;
    w.u8(StatusOk).u8(table);
    if ((table == 2 || table == 6) && (part == 1 || part == 2)) {
        const auto &values = table == 2 ? m_state.table2 : m_state.table6;
        const int first = (part - 1) * 3 * Columns;
        for (int c = first; c < first + 3 * Columns; ++c)
            w.u16(values[c]);
    } else if (table == 3 && part == 1) {
        w.raw(m_state.table3.data(), Cells);
    } else {
        return {Writer().u8(StatusRefused).u8(table).frame(0x92)};
    }
    return {w.frame(0x92)};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerFlashLocked(const Frame &frame, Clock::time_point now)
{
    const uint8_t command = frame[2];
    const Payload p(frame);
    std::vector<uint8_t> &flash = m_state.flash;
    // Ranges are checked in 64 bits: a start near 4 GiB must not wrap around.
    auto inFlash = [&](uint64_t start, uint64_t size) { return start + size <= flash.size(); };

    switch (command) {
    case 0x09: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u8(0xFF).frame(0x89)};
        std::fill(flash.begin() + start, flash.begin() + start + size, 0xFF);
        std::vector<Frame> series;
        const int n = std::max(1, m_state.eraseAnswers);
        for (int i = 0; i < n; ++i)
            series.push_back(Writer().u8(StatusOk).u8(i == n - 1 ? 0xFF : unsigned(i)).frame(0x89));
        return series;
    }
    case 0x0C: {
        const uint32_t address = p.u32(0);
        const uint16_t count = p.u16(4);
        if (takeFault(m_faults.refuseBlocks)) {
            if (!m_faults.refuseWithNack)
                return {};
            return {Writer().u8(StatusRefused).u32(address).u16(count).frame(0x8C)};
        }
        if (!p.has(6, count) || !inFlash(address, count))
            return {Writer().u8(StatusRefused).u32(address).u16(count).frame(0x8C)};
        // Flash programming only clears bits: a block written over unerased
        // flash reads back as the AND of both.
        for (int i = 0; i < count; ++i)
            flash[address + i] &= p.u8(6 + i);
        return {Writer().u8(StatusOk).u32(address).u16(count).frame(0x8C)};
    }
    case 0x0E: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u32(start).u32(size).u16(0).frame(0x8E)};
        uint16_t crc = simCrc16Kermit(flash.data() + start, size);
        if (takeFault(m_faults.wrongCrc))
            crc ^= 0x5A5A;
        return {Writer().u8(StatusOk).u32(start).u32(size).u16(crc).frame(0x8E)};
    }
    case 0x0B: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        const uint16_t expected = p.u16(8);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u16(0).frame(0x8B)};
        const uint16_t crc = simCrc16Kermit(flash.data() + start, size);
        if (crc != expected)
            return {Writer().u8(StatusRefused).u16(crc).frame(0x8B)};
        m_state.runningImage.assign(flash.begin() + start, flash.begin() + start + size);
        scheduleRestartLocked(false, now + std::chrono::microseconds(m_state.latencyUs));
        return {Writer().u8(StatusOk).u16(crc).frame(0x8B)};
    }
    default:
        return {statusOnly(command, StatusRefused)};
    }
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerBootLoaderLocked(const Frame &frame, Clock::time_point now)
{
    switch (frame[2]) {
    case 0x01:
        return {infoAnswerLocked()};
    case 0x0A:
        return {statusOnly(0x0A, StatusOk)}; // already there
    case 0x09:
    case 0x0B:
    case 0x0C:
    case 0x0E:
        return answerFlashLocked(frame, now);
    default:
        return {statusOnly(frame[2], StatusRefused)};
    }
}
