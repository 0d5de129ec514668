#pragma once

// The HID library's lifetime, owned in one place: hid_init runs once before
// the first enumeration or open, hid_exit once at the end of the program,
// after every handle is closed. Transports only report their handles here.
class HidLibrary {
public:
    // Initialises the process-wide backend if it has not been yet (again
    // after the backend was swapped, as tests do). Thread-safe.
    static void ensureInitialised();
    static void handleOpened();
    static void handleClosed();
    static int openHandles();
    // hid_exit, when the library was initialised and no handle is open;
    // false (and nothing done) while a handle is still open.
    static bool shutdown();
};
