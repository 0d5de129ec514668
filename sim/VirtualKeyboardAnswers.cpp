// The virtual keyboard's answers: application firmware and boot loader.

#include "VirtualKeyboard.h"

#include "SimCrc.h"
#include "SimFamilyMatrix.h"
#include "SimWire.h"
#include "VirtualHidBackend.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

using namespace simwire;

VirtualKeyboard::Frame VirtualKeyboard::infoAnswerLocked() const
{
    Writer w;
    w.u8(StatusOk).u32(m_state.boardId).u16(m_state.boardValue).u8(m_state.bootState());
    putString16(w, m_state.serial);
    putString16(w, m_state.version());
    putString16(w, m_state.thirdString);
    return w.frame(cmd::answer(cmd::Info));
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerApplicationLocked(const Frame &frame, Clock::time_point now)
{
    const uint8_t command = frame[2];
    switch (command) {
    case cmd::SubCode:
        return answerSubCodeLocked(frame);
    case cmd::Info:
        return {infoAnswerLocked()};
    case cmd::EnterBootLoader: {
        // Restart into the boot loader once the answer has gone out.
        const auto readable = now + std::chrono::microseconds(m_state.latencyUs);
        scheduleRestartLocked(true, readable);
        return {statusOnly(command, StatusOk)};
    }
    case cmd::FlashErase:
    case cmd::FlashCrc:
        return answerFlashLocked(frame, now);
    case cmd::Table:
        return answerTableLocked(frame);
    case cmd::PerKey:
        return answerPerKeyLocked(frame);
    case cmd::MT: case cmd::TGL: case cmd::DKS: case cmd::MPT: case cmd::END: case cmd::SOCD: case cmd::RS:
        return answerAdvancedLocked(frame);
    default:
        break;
    }

    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    const bool write = selector == SelectorWrite;
    if (selector > SelectorWrite)
        return {statusOnly(command, StatusRefused)};

    switch (command) {
    case cmd::Lighting: {
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
        return {w.frame(cmd::answer(cmd::Lighting))};
    }
    case cmd::MacroSteps: {
        const uint16_t offset = p.u16(1);
        const int count = p.u8(3);
        if (count > EntriesPerRecord || (write && !p.has(4, 4 * count)))
            return {statusOnly(command, StatusRefused)};
        Writer w;
        w.u8(StatusOk).u16(offset).u8(static_cast<unsigned>(count));
        for (int i = 0; i < EntriesPerRecord; ++i) {
            const uint16_t at = static_cast<uint16_t>(offset + i);
            if (i < count && write) {
                m_state.macroSteps[at] = p.u32(4 + 4 * i);
                markChangedLocked();
            }
            const auto it = m_state.macroSteps.find(at);
            w.u32(i < count && it != m_state.macroSteps.end() ? it->second : 0);
        }
        return {w.frame(cmd::answer(cmd::MacroSteps))};
    }
    case cmd::DeadBand: {
        DeadBand &d = m_state.deadBand;
        if (write) {
            if (!p.has(1, 14))
                return {statusOnly(command, StatusRefused)};
            d = DeadBand{p.u16(1), p.u16(3), p.u16(5), p.u16(7), p.u16(9), p.u16(11), p.u16(13)};
            markChangedLocked();
        }
        Writer w;
        w.u8(StatusOk).u16(d.ticks).u16(d.gdBi).u16(d.dtDB).u16(d.dtRdB).u16(d.db1).u16(d.db2).u16(d.db3);
        return {w.frame(cmd::answer(cmd::DeadBand))};
    }
    case cmd::KeyColour: {
        Writer w;
        w.u8(StatusOk);
        for (int i = 0; i < EntriesPerRecord; ++i) {
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
        return {w.frame(cmd::answer(cmd::KeyColour))};
    }
    case cmd::Matrix: {
        const int first = p.u8(1), second = p.u8(2);
        if (first >= Rows || second >= Rows)
            return {statusOnly(command, StatusRefused)};
        Writer w;
        w.u8(StatusOk);
        for (int row : {first, second}) {
            w.u8(static_cast<unsigned>(row));
            w.raw(m_state.matrix.data() + row * Columns, Columns);
        }
        return {w.frame(cmd::answer(cmd::Matrix))};
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
    case sub::Save:
        m_state.saved = true;
        ++m_state.saveCount;
        break;
    case sub::CalibrationOn:
        m_state.calibrating = true;
        break;
    case sub::CalibrationOff:
        m_state.calibrating = false;
        break;
    case sub::FactoryReset: {
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
    case sub::WindowsMode:
        w.u8(m_state.systemMode == 0 ? 1 : m_state.systemMode == 2 ? 0xFF : 0);
        break;
    case sub::MacMode:
        w.u8(m_state.systemMode == 1 ? 1 : m_state.systemMode == 3 ? 0xFF : 0);
        break;
    case sub::Precision:
        w.u8(m_state.precision).u16(m_state.minTravel).u16(m_state.maxTravel);
        break;
    case sub::Name: {
        // 32 bytes, cut at a character boundary so the text stays valid UTF-8.
        size_t n = std::min<size_t>(m_state.name.size(), 32);
        while (n > 0 && n < m_state.name.size() && (uint8_t(m_state.name[n]) & 0xC0) == 0x80)
            --n;
        for (size_t i = 0; i < 32; ++i)
            w.u8(i < n ? uint8_t(m_state.name[i]) : 0);
        break;
    }
    case sub::ToWindows:
        m_state.systemMode = 0;
        break;
    case sub::ToMac:
        m_state.systemMode = 1;
        break;
    case sub::PollingRate:
        // Indices past 6 (the connection sends 7) only ask for the current rate.
        if (hasArgument && p.u8(1) <= 6)
            m_state.pollingRate = p.u8(1);
        w.u8(m_state.pollingRate);
        break;
    default:
        return {Writer().u8(StatusRefused).u8(sub).frame(cmd::answer(cmd::SubCode))};
    }
    return {w.frame(cmd::answer(cmd::SubCode))};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerPerKeyLocked(const Frame &frame)
{
    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    if (selector > SelectorWrite)
        return {statusOnly(cmd::PerKey, StatusRefused)};
    Writer w;
    w.u8(StatusOk);
    for (int i = 0; i < EntriesPerRecord; ++i) {
        const int base = 1 + 4 * i;
        const uint8_t key = p.u8(base), parameter = p.u8(base + 1);
        uint16_t value = p.u16(base + 2);
        const int c = p.has(base, 4) ? cellOfLocked(key) : -1;
        if (c >= 0 && parameter < ParamCount) {
            if (selector == SelectorWrite) {
                m_state.params[parameter][c] = value;
                markChangedLocked();
            }
            value = m_state.params[parameter][c];
        }
        w.u8(key).u8(parameter).u16(value);
    }
    return {w.frame(cmd::answer(cmd::PerKey))};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerAdvancedLocked(const Frame &frame)
{
    const uint8_t command = frame[2];
    const auto &records = advancedRecords();
    const auto rec = std::find_if(records.begin(), records.end(),
                                  [&](const AdvancedRecord &r) { return r.command == command; });
    const Payload p(frame);
    const uint8_t selector = p.u8(0);
    if (rec == records.end() || selector > SelectorWrite)
        return {statusOnly(command, StatusRefused)};

    const int size = entrySize(*rec);
    Writer w;
    w.u8(StatusOk);
    for (int i = 0; i < rec->entries; ++i) {
        const int base = 1 + size * i;
        const uint8_t key = p.u8(base);
        const int c = p.has(base, size) ? cellOfLocked(key) : -1;
        if (c >= 0 && selector == SelectorWrite) {
            uint16_t &mode = m_state.params[param::Mode][c];
            mode = static_cast<uint16_t>((mode & param::TriggerModeMask) | rec->type);
            markChangedLocked();
        }
        w.u8(key);
        int off = base + 1;
        for (const AdvancedField &f : rec->fields) {
            const uint16_t sent = f.wide ? p.u16(off) : p.u8(off);
            uint16_t value = sent;
            if (c >= 0) {
                if (selector == SelectorWrite)
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
    return {w.frame(cmd::answer(command))};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerTableLocked(const Frame &frame)
{
    const Payload p(frame);
    const uint8_t table = p.u8(0), part = p.u8(1);
    Writer w;
    w.u8(StatusOk).u8(table);
    if ((table == table::Travel || table == table::Calibration)
        && (part == table::FirstHalf || part == table::SecondHalf)) {
        const auto &values = table == table::Travel ? m_state.table2 : m_state.table6;
        const int first = (part - table::FirstHalf) * 3 * Columns;
        for (int c = first; c < first + 3 * Columns; ++c)
            w.u16(values[c]);
    } else if (table == table::KeyState && part == table::FirstHalf) {
        w.raw(m_state.table3.data(), Cells);
    } else {
        return {Writer().u8(StatusRefused).u8(table).frame(cmd::answer(cmd::Table))};
    }
    return {w.frame(cmd::answer(cmd::Table))};
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerFlashLocked(const Frame &frame, Clock::time_point now)
{
    const uint8_t command = frame[2];
    const Payload p(frame);
    std::vector<uint8_t> &flash = m_state.flash;
    // Ranges are checked in 64 bits: a start near 4 GiB must not wrap around.
    auto inFlash = [&](uint64_t start, uint64_t size) { return start + size <= flash.size(); };

    switch (command) {
    case cmd::FlashErase: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u8(0xFF).frame(cmd::answer(cmd::FlashErase))};
        std::fill(flash.begin() + start, flash.begin() + start + size, 0xFF);
        std::vector<Frame> series;
        const int n = std::max(1, m_state.eraseAnswers);
        for (int i = 0; i < n; ++i)
            series.push_back(Writer().u8(StatusOk).u8(i == n - 1 ? 0xFF : unsigned(i)).frame(cmd::answer(cmd::FlashErase)));
        return series;
    }
    case cmd::FlashWrite: {
        const uint32_t address = p.u32(0);
        const uint16_t count = p.u16(4);
        if (takeFault(m_faults.refuseBlocks)) {
            if (!m_faults.refuseWithNack)
                return {};
            return {Writer().u8(StatusRefused).u32(address).u16(count).frame(cmd::answer(cmd::FlashWrite))};
        }
        if (!p.has(6, count) || !inFlash(address, count))
            return {Writer().u8(StatusRefused).u32(address).u16(count).frame(cmd::answer(cmd::FlashWrite))};
        // Flash programming only clears bits: a block written over unerased
        // flash reads back as the AND of both.
        for (int i = 0; i < count; ++i)
            flash[address + i] &= p.u8(6 + i);
        return {Writer().u8(StatusOk).u32(address).u16(count).frame(cmd::answer(cmd::FlashWrite))};
    }
    case cmd::FlashCrc: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u32(start).u32(size).u16(0).frame(cmd::answer(cmd::FlashCrc))};
        uint16_t crc = simCrc16Kermit(flash.data() + start, size);
        if (takeFault(m_faults.wrongCrc))
            crc ^= 0x5A5A;
        return {Writer().u8(StatusOk).u32(start).u32(size).u16(crc).frame(cmd::answer(cmd::FlashCrc))};
    }
    case cmd::FlashCheckAndRun: {
        const uint32_t start = p.u32(0), size = p.u32(4);
        const uint16_t expected = p.u16(8);
        if (!inFlash(start, size))
            return {Writer().u8(StatusRefused).u16(0).frame(cmd::answer(cmd::FlashCheckAndRun))};
        const uint16_t crc = simCrc16Kermit(flash.data() + start, size);
        if (crc != expected)
            return {Writer().u8(StatusRefused).u16(crc).frame(cmd::answer(cmd::FlashCheckAndRun))};
        m_state.runningImage.assign(flash.begin() + start, flash.begin() + start + size);
        scheduleRestartLocked(false, now + std::chrono::microseconds(m_state.latencyUs));
        return {Writer().u8(StatusOk).u16(crc).frame(cmd::answer(cmd::FlashCheckAndRun))};
    }
    default:
        return {statusOnly(command, StatusRefused)};
    }
}

std::vector<VirtualKeyboard::Frame> VirtualKeyboard::answerBootLoaderLocked(const Frame &frame, Clock::time_point now)
{
    switch (frame[2]) {
    case cmd::Info:
        return {infoAnswerLocked()};
    case cmd::EnterBootLoader:
        return {statusOnly(cmd::EnterBootLoader, StatusOk)}; // already there
    case cmd::FlashErase:
    case cmd::FlashCheckAndRun:
    case cmd::FlashWrite:
    case cmd::FlashCrc:
        return answerFlashLocked(frame, now);
    default:
        return {statusOnly(frame[2], StatusRefused)};
    }
}
