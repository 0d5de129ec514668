#pragma once

#include <QString>

// corvane-cli flash FILE [--simulate[=FAMILY]]: one firmware update with a
// progress bar on stderr. simulateFamily -1 uses the real keyboard; 0..255
// flashes a virtual keyboard of that family. Returns 0 when the keyboard ends
// up holding the image ("Firmware update complete!" or "Don't have Download!"),
// non-zero with the message otherwise. Works with or without a
// QCoreApplication created by the caller.
int runFlashCommand(const QString &imagePath, int simulateFamily);
