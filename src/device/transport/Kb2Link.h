#pragma once

#include "Kb2Frame.h"
#include "Kb2ReportAssembler.h"

#include <functional>

class HidUSB;

// One request and its answer over an open HidUSB: write the reports, read
// until a whole frame that answers the request is in, validate it. Shared by
// the device worker and the firmware engine.
//
// Return contract (Kb2Errors.h): Ok with a valid answer whose status is 0;
// Refused with the answer (its status is not 0); NoAnswer when nothing that
// answers the request arrived in time (stale answers to earlier requests and
// foreign frames are read and dropped meanwhile, for at most
// answerDeadlineMs in all); Corrupt when a frame
// arrived but failed validation; WriteFailed, ReadFailed or Closed when the
// device is gone; Stopped when the interrupt check asked to stop.
class Kb2Link {
public:
    using Accept = std::function<bool(const Kb2Frame &answer)>;

    explicit Kb2Link(HidUSB &usb) : m_usb(usb) {}

    // The longest one receive waits, whatever arrives: an answer is at most
    // MaxReports reports and each may take the read time-out to come. A
    // keyboard that keeps sending frames that do not answer cannot stretch
    // the wait beyond it; past it, only a frame whose reports are already
    // in is still finished.
    static qint64 answerDeadlineMs(int timeoutMs)
    {
        return qint64(Kb2ReportAssembler::MaxReports) * qMax(0, timeoutMs);
    }

    // Asked between read slices; true ends a wait with Stopped.
    void setInterrupt(std::function<bool()> interrupted) { m_interrupted = std::move(interrupted); }

    int exchange(const Kb2Frame &request, Kb2Frame &answer, int timeoutMs);
    // exchange, attempted again up to retries times when the answer was
    // lost or corrupt; a refusal or a lost device is final.
    int exchangeRetrying(const Kb2Frame &request, Kb2Frame &answer, int timeoutMs, int retries);
    // The request's reports only: Ok, WriteFailed or Closed.
    int send(const Kb2Frame &request);
    // The next valid frame that accept takes, waiting up to timeoutMs for
    // its first report (and as long again between reports of one frame),
    // and no longer than answerDeadlineMs(timeoutMs) in all.
    int receive(Kb2Frame &answer, int timeoutMs, const Accept &accept);
    // Drops whatever input has already arrived, without waiting.
    void discardPending();

private:
    bool interrupted() const { return m_interrupted && m_interrupted(); }

    HidUSB &m_usb;
    std::function<bool()> m_interrupted;
};

// Whether a valid frame answers the request: its command is the request's
// + 0x80 (or 0xFF), and the echoes the protocol defines agree (the sub-code
// of 0x00, the table of 0x12, the rows of 0x2B, the macro offset of 0x20,
// the first entry's key, and parameter, of the per-key and advanced-key
// records). A refusal carries no echoes and is taken on its command alone.
bool kb2_answer_matches(const Kb2Frame &request, const Kb2Frame &answer);
