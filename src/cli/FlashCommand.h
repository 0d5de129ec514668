#pragma once

#include <QString>

// corvane-cli flash FILE [--no-wait] [--simulate[=FAMILY]]: one firmware
// update with a progress bar on stderr, then (when waitForKeyboard) a bounded
// wait for the keyboard to come back running its new firmware, whose version
// goes to stdout. simulateFamily -1 uses the real keyboard; 0..255 flashes a
// virtual keyboard of that family. Returns 0 when the keyboard ends up holding
// the image ("Firmware update complete!" or "Don't have Download!") and, when
// waited for, is back; non-zero with the message otherwise. Works with or
// without a QCoreApplication created by the caller.
int runFlashCommand(const QString &imagePath, int simulateFamily, bool waitForKeyboard = true);
