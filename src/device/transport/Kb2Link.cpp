#include "Kb2Link.h"

#include "DeviceLog.h"
#include "FrameRing.h"
#include "HidUSB.h"
#include "Kb2Commands.h"
#include "Kb2Errors.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cstring>

namespace {

// Longest single read, so that an interrupt is seen promptly.
constexpr int ReadSliceMs = 50;
// A keyboard that keeps talking is not drained for ever.
constexpr int DiscardLimit = 256;

static_assert(Kb2ReportAssembler::ReportSize == HidUSB::ReportSize, "input reports are what the transport reads");

} // namespace

const char *kb2ErrorName(int code)
{
    switch (code) {
    case Kb2Error::Ok: return "ok";
    case Kb2Error::Refused: return "refused by the keyboard";
    case Kb2Error::Foreign: return "answer to another request";
    case Kb2Error::NoAnswer: return "no answer";
    case Kb2Error::Corrupt: return "corrupt answer";
    case Kb2Error::WriteFailed: return "write failed";
    case Kb2Error::ReadFailed: return "read failed";
    case Kb2Error::Closed: return "device closed";
    case Kb2Error::Stopped: return "stopped";
    default: return "error";
    }
}

bool kb2_answer_matches(const Kb2Frame &request, const Kb2Frame &answer)
{
    const quint8 command = answer.command();
    if (!kb2_response_matches(request.command(), command))
        return false;
    if (command == Kb2Cmd::AnyResponse || kb2_get_u8(answer, 0) != 0)
        return true;
    const int length = answer.length();
    auto echoes = [&](int answerOffset, int requestOffset, int count) {
        if (answerOffset + count > length)
            return true; // nothing to compare: take it on its command
        return std::memcmp(answer.payload() + answerOffset, request.payload() + requestOffset, size_t(count)) == 0;
    };
    switch (request.command()) {
    case Kb2Cmd::SubCode:
        return echoes(1, 0, 1);
    case Kb2Cmd::TableQuery:
        return echoes(1, 0, 1);
    case Kb2Cmd::KeyMatrix:
        return echoes(1, 1, 1) && echoes(23, 2, 1);
    case Kb2Cmd::Macro:
        return echoes(1, 1, 2);
    case Kb2Cmd::Key:
        return echoes(1, 1, 2);
    case Kb2Cmd::KRGB:
    case Kb2Cmd::MT:
    case Kb2Cmd::TGL:
    case Kb2Cmd::TDKS:
    case Kb2Cmd::DDKS:
    case Kb2Cmd::END:
        return echoes(1, 1, 1);
    default:
        return true;
    }
}

void Kb2Link::discardPending()
{
    unsigned char report[HidUSB::ReportSize];
    for (int i = 0; i < DiscardLimit && m_usb.readReport(report, 0) > 0; ++i) {
    }
}

int Kb2Link::send(const Kb2Frame &request)
{
    if (!m_usb.isOpen())
        return Kb2Error::Closed;
    FrameRing::record(FrameRing::Direction::ToKeyboard, request.data, request.frameSize());
    const int written = m_usb.write(request.data, request.frameSize());
    if (written <= 0)
        return Kb2Error::WriteFailed;
    return Kb2Error::Ok;
}

int Kb2Link::receive(Kb2Frame &answer, int timeoutMs, const Accept &accept)
{
    if (!m_usb.isOpen())
        return Kb2Error::Closed;
    Kb2ReportAssembler assembler;
    QDeadlineTimer deadline(qMax(0, timeoutMs)); // this read
    const QDeadlineTimer overall(answerDeadlineMs(timeoutMs));
    int dropped = 0;
    const auto timedOut = [&] {
        qCDebug(lcDevice, "no answer within %lld ms; %d other frames dropped", answerDeadlineMs(timeoutMs), dropped);
        return Kb2Error::NoAnswer;
    };
    for (bool first = true;; first = false) {
        if (interrupted())
            return Kb2Error::Stopped;
        // Past the overall bound nothing more is waited for: only a frame
        // whose reports are already in is finished.
        const bool late = !first && overall.hasExpired();
        if (late && !assembler.pending())
            return timedOut();
        unsigned char report[HidUSB::ReportSize];
        const qint64 slice =
            late ? 0 : std::min<qint64>({deadline.remainingTime(), overall.remainingTime(), ReadSliceMs});
        const int n = m_usb.readReport(report, int(qMax<qint64>(0, slice)));
        if (n < 0)
            return Kb2Error::ReadFailed;
        if (n == 0) {
            if (late)
                return timedOut();
            if (deadline.hasExpired())
                return assembler.pending() ? Kb2Error::Corrupt : Kb2Error::NoAnswer;
            continue;
        }
        const Kb2ReportAssembler::Step step = assembler.add(report, answer);
        if (step == Kb2ReportAssembler::Step::Skipped)
            continue;
        if (step == Kb2ReportAssembler::Step::NeedMore) {
            // More reports of this frame are on their way.
            deadline = QDeadlineTimer(qMax(0, timeoutMs));
            continue;
        }
        // What arrived, valid or not, as far as its length byte claims.
        FrameRing::record(FrameRing::Direction::FromKeyboard, assembler.lastBytes(), assembler.lastSize());
        if (step == Kb2ReportAssembler::Step::Corrupt) {
            qCDebug(lcDevice, "kb2_len<====>%d", assembler.lastCheck());
            // Give up on this answer at once: asking again is quicker than
            // waiting out the time-out for a frame that will not come again.
            return Kb2Error::Corrupt;
        }
        if (!accept || accept(answer))
            return kb2_get_u8(answer, 0) == 0 ? Kb2Error::Ok : Kb2Error::Refused;
        ++dropped;
        qCDebug(lcDevice, "stale or foreign answer 0x%02X dropped", unsigned(answer.command()));
    }
}

int Kb2Link::exchange(const Kb2Frame &request, Kb2Frame &answer, int timeoutMs)
{
    if (!m_usb.isOpen())
        return Kb2Error::Closed;
    // A late answer to an earlier request must not pass for this one.
    discardPending();
    const int sent = send(request);
    if (sent != Kb2Error::Ok)
        return sent;
    return receive(answer, timeoutMs, [&request](const Kb2Frame &a) { return kb2_answer_matches(request, a); });
}

int Kb2Link::exchangeRetrying(const Kb2Frame &request, Kb2Frame &answer, int timeoutMs, int retries)
{
    int rc = exchange(request, answer, timeoutMs);
    for (int attempt = 0; attempt < retries && kb2Retryable(rc); ++attempt) {
        qCDebug(lcDevice, "command 0x%02X: %s, trying again", unsigned(request.command()), kb2ErrorName(rc));
        rc = exchange(request, answer, timeoutMs);
    }
    return rc;
}
