#pragma once

// The engine's state and error messages. The firmware dialog and the command
// line react to these exact texts, so they are written once, here.
namespace FwMessage {
constexpr char Verify[] = "Verify the firmware information, Please wait...";
constexpr char CheckKeyboard[] = "Please check keyboard is work!";
constexpr char NoDownload[] = "Don't have Download!";
constexpr char EraseFailed[] = "Keyboard data erasure exception!";
// Followed by the numeric error code.
constexpr char ReadWriteAbnormal[] = "Keyboard read and write operations are abnormal!";
constexpr char UpdateFailed[] = "Keyboard device firmware update failed!";
// A failure after the application was erased: the keyboard waits in its boot
// loader, and another update from there brings it back.
constexpr char FailedInBootLoader[] = "Keyboard device firmware update failed! The keyboard is waiting in its boot "
                                      "loader: run the update again to recover it.";
// The keyboard left the bus while the image was written; the message that
// ends the update follows.
constexpr char DeviceLost[] = "The keyboard was disconnected during the update!";
constexpr char Complete[] = "Firmware update complete!";
constexpr char NoDevice[] = "No new device is found!";
constexpr char CannotOpen[] = "Don't Have Device!";
} // namespace FwMessage
