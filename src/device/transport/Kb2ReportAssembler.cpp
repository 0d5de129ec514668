#include "Kb2ReportAssembler.h"

#include <QtGlobal>

#include <cstring>

Kb2ReportAssembler::Step Kb2ReportAssembler::add(const quint8 *report, Kb2Frame &frame)
{
    if (m_have == 0 && report[0] != Kb2Frame::StartByte)
        return Step::Skipped;
    // m_have stays below Size here: a frame never asks for more than
    // MaxReports reports, and a length byte past MaxPayload ends it at once.
    std::memcpy(m_buffer + m_have, report, ReportSize);
    m_have += ReportSize;
    const int claimed = int(m_buffer[1]) + Kb2Frame::HeaderSize;
    if (m_buffer[1] <= Kb2Frame::MaxPayload && claimed > m_have)
        return Step::NeedMore;
    m_lastCheck = kb2_frame_load(frame, m_buffer, m_have);
    m_lastSize = m_lastCheck > 0 ? m_lastCheck : qMin(m_have, claimed);
    m_have = 0;
    return m_lastCheck > Kb2Frame::HeaderSize ? Step::Frame : Step::Corrupt;
}
