#pragma once

#include "BoardRecords.h"

#include <atomic>

// After a successful update the keyboard restarts into its new firmware and
// comes back on the bus a moment later. Waits, up to timeoutMs, until an
// interface with the keyboard's ids answers the information query as its
// application, and gives that answer. It blocks its caller: for the command
// line, never for the GUI thread (the window hears of the keyboard through
// its device notifications instead). Setting *stop from another thread ends
// the wait early, with false.
bool waitForKeyboardApplication(int timeoutMs, STU_BoardInfo2 *info, const std::atomic<bool> *stop = nullptr);
