#pragma once

#include "Kb2Frame.h"

// Puts frames together from 64-byte input reports as they arrive. A frame
// starts at a report boundary and takes the reports its length byte asks
// for (at most four); anything else before a start is dropped. No I/O and
// no clock: any bytes may be fed.
class Kb2ReportAssembler {
public:
    static constexpr int ReportSize = 64;
    static constexpr int MaxReports = Kb2Frame::Size / ReportSize;

    enum class Step {
        Skipped,  // not the start of a frame: noise, or the tail of a lost one
        NeedMore, // part of a frame; its next report is awaited
        Frame,    // a valid frame with a payload, loaded into the caller's frame
        Corrupt,  // a whole frame that failed validation (or had no payload)
    };

    // report: ReportSize bytes.
    Step add(const quint8 *report, Kb2Frame &frame);
    bool pending() const { return m_have > 0; }
    void reset() { m_have = 0; }
    // The last finished frame as it arrived, as far as its length byte
    // claims (within what arrived), and its validation result.
    const quint8 *lastBytes() const { return m_buffer; }
    int lastSize() const { return m_lastSize; }
    int lastCheck() const { return m_lastCheck; }

private:
    quint8 m_buffer[Kb2Frame::Size] = {};
    int m_have = 0;
    int m_lastSize = 0;
    int m_lastCheck = 0;
};
