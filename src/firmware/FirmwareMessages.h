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
constexpr char Complete[] = "Firmware update complete!";
constexpr char NoDevice[] = "No new device is found!";
constexpr char CannotOpen[] = "Don't Have Device!";
} // namespace FwMessage
