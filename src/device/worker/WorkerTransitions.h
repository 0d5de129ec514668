#pragma once

// The device worker's states and the one table of how they change.

#include <optional>

// What the device worker is doing. The session states carry the numbers
// that mode() and sigKB2ReadFailed have always reported.
enum class WorkerState {
    Idle = 0,        // a session is open; queued requests go out in order
    InitialWalk = 1, // walks hold the queue until they end
    LayoutWalk = 2,
    ColourWalk = 4,
    Calibration = 5, // polls let queued requests out between their rounds
    KeyTest = 6,
    Closed = 16,     // no session; connecting and probing may run
    Closing = 17,    // the session is over; the worker has yet to close the handle
    Held = 18,       // closed, and nothing may open until given back
    Stopped = 19,    // closed for good: the worker has been shut down
};

constexpr bool isWalk(WorkerState s)
{
    return s == WorkerState::InitialWalk || s == WorkerState::LayoutWalk || s == WorkerState::ColourWalk;
}
constexpr bool isPoll(WorkerState s) { return s == WorkerState::Calibration || s == WorkerState::KeyTest; }
// A session is open: requests, walks and polls may run.
constexpr bool isSession(WorkerState s) { return s == WorkerState::Idle || isWalk(s) || isPoll(s); }

constexpr WorkerState AllWorkerStates[] = {
    WorkerState::Idle,    WorkerState::InitialWalk, WorkerState::LayoutWalk, WorkerState::ColourWalk,
    WorkerState::Calibration, WorkerState::KeyTest, WorkerState::Closed,     WorkerState::Closing,
    WorkerState::Held,    WorkerState::Stopped,
};

// What happens to the worker. Start and Finish name the walk or poll they
// are about (the "asked" state).
enum class WorkerEvent {
    Opened,        // the worker opened an interface for a session
    Start,         // a queued walk or poll comes up
    Finish,        // the worker's own walk or poll ends
    ColoursFollow, // the first walk ends and the colours are read next
    Stop,          // a walk or poll is stopped from outside
    Replace,       // a connection, reopen or probe replaces the session
    Close,         // closed from outside while the worker thread runs
    CloseUnstarted, // closed from outside before the worker thread runs
    HandleClosed,  // the worker carries out a close
    Lost,          // the keyboard stopped answering or went away
    Hold,          // the firmware engine takes the keyboard
    Release,       // and gives it back
    Shutdown,      // the end
};

constexpr WorkerEvent AllWorkerEvents[] = {
    WorkerEvent::Opened, WorkerEvent::Start,   WorkerEvent::Finish,         WorkerEvent::ColoursFollow,
    WorkerEvent::Stop,   WorkerEvent::Replace, WorkerEvent::Close,          WorkerEvent::CloseUnstarted,
    WorkerEvent::HandleClosed, WorkerEvent::Lost, WorkerEvent::Hold,        WorkerEvent::Release,
    WorkerEvent::Shutdown,
};

// What becomes of the worker's queue when an event is taken.
enum class WorkerQueue {
    Keep,
    DropSwitches, // queued walks and polls: a stop
    DropSession,  // and every request: the session is over
    DropAll,      // everything: the end
};

namespace worker_table {

using Mask = unsigned;
constexpr Mask bit(WorkerState s) { return Mask(1) << unsigned(s); }
constexpr Mask Sessions = bit(WorkerState::Idle) | bit(WorkerState::InitialWalk) | bit(WorkerState::LayoutWalk) |
                          bit(WorkerState::ColourWalk) | bit(WorkerState::Calibration) | bit(WorkerState::KeyTest);
constexpr Mask Polls = bit(WorkerState::Calibration) | bit(WorkerState::KeyTest);
constexpr Mask Any = ~Mask(0);
constexpr Mask Asked = 0; // from: only the walk or poll the event asks about

enum class To { Fixed, Same, AskedState };

struct Row {
    WorkerEvent event;
    Mask from;
    To to;
    WorkerState state; // for To::Fixed
};

// First row that matches wins; no row: the event is refused in that state.
constexpr Row Rows[] = {
    {WorkerEvent::Opened, bit(WorkerState::Closed), To::Fixed, WorkerState::Idle},
    {WorkerEvent::Start, bit(WorkerState::Idle) | Polls, To::AskedState, WorkerState::Idle},
    {WorkerEvent::Finish, Asked, To::Fixed, WorkerState::Idle},
    {WorkerEvent::ColoursFollow, bit(WorkerState::InitialWalk), To::Fixed, WorkerState::ColourWalk},
    {WorkerEvent::Stop, Sessions, To::Fixed, WorkerState::Idle},
    {WorkerEvent::Stop, Any, To::Same, WorkerState::Idle},
    {WorkerEvent::Replace, Sessions, To::Fixed, WorkerState::Closing},
    {WorkerEvent::Close, Sessions | bit(WorkerState::Closed) | bit(WorkerState::Closing), To::Fixed,
     WorkerState::Closing},
    {WorkerEvent::CloseUnstarted, Sessions, To::Fixed, WorkerState::Closing},
    {WorkerEvent::CloseUnstarted, bit(WorkerState::Closed) | bit(WorkerState::Closing), To::Fixed,
     WorkerState::Closed},
    {WorkerEvent::HandleClosed, bit(WorkerState::Closing), To::Fixed, WorkerState::Closed},
    {WorkerEvent::HandleClosed, bit(WorkerState::Closed) | bit(WorkerState::Held) | bit(WorkerState::Stopped),
     To::Same, WorkerState::Idle},
    {WorkerEvent::Lost, bit(WorkerState::Held) | bit(WorkerState::Stopped), To::Same, WorkerState::Idle},
    {WorkerEvent::Lost, Any, To::Fixed, WorkerState::Closed},
    {WorkerEvent::Hold, Any & ~bit(WorkerState::Held) & ~bit(WorkerState::Stopped), To::Fixed, WorkerState::Held},
    {WorkerEvent::Release, bit(WorkerState::Held), To::Fixed, WorkerState::Closed},
    {WorkerEvent::Shutdown, Any, To::Fixed, WorkerState::Stopped},
};

} // namespace worker_table

// The state event leads to from from; none when it is refused there.
// asked is the walk or poll Start and Finish are about.
constexpr std::optional<WorkerState> nextWorkerState(WorkerState from, WorkerEvent event,
                                                     WorkerState asked = WorkerState::Idle)
{
    using namespace worker_table;
    for (const Row &row : Rows) {
        if (row.event != event)
            continue;
        if (row.from == Asked ? from != asked || !(isWalk(asked) || isPoll(asked)) : !(row.from & bit(from)))
            continue;
        switch (row.to) {
        case To::Fixed:
            return row.state;
        case To::Same:
            return from;
        case To::AskedState:
            if (!isWalk(asked) && !isPoll(asked))
                return std::nullopt;
            return asked;
        }
    }
    return std::nullopt;
}

constexpr WorkerQueue workerQueueEffect(WorkerEvent event)
{
    switch (event) {
    case WorkerEvent::Stop:
        return WorkerQueue::DropSwitches;
    case WorkerEvent::Replace:
    case WorkerEvent::Close:
    case WorkerEvent::CloseUnstarted:
    case WorkerEvent::Lost:
    case WorkerEvent::Hold:
        return WorkerQueue::DropSession;
    case WorkerEvent::Shutdown:
        return WorkerQueue::DropAll;
    default:
        return WorkerQueue::Keep;
    }
}
