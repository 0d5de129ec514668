#pragma once

#include "HidBackend.h"
#include "VirtualKeyboard.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

// An open virtual device. Input reports are queued per handle, as the
// operating system does for each open file of a HID device.
struct VirtualHidHandle : HidHandle {
    struct Report {
        VirtualKeyboard::Clock::time_point readableAt;
        std::array<uint8_t, 64> bytes{};
    };
    VirtualKeyboard *keyboard = nullptr;
    int interfaceNumber = 0;
    bool foreign = false;         // one of the unrelated devices: takes writes, never answers
    uint64_t generation = 0;      // the keyboard's plug generation when opened
    bool nonBlocking = false;
    std::deque<Report> input;
};

// The HidBackend of the virtual keyboards. Install it with
// HidBackend::setInstance(&backend) before anything opens a device. All
// operations are thread-safe; reads block on a condition variable in real
// time, up to their time-out.
class VirtualHidBackend : public HidBackend {
public:
    using PlugListener = std::function<void(const std::string &path, bool arrived)>;

    VirtualHidBackend();
    ~VirtualHidBackend() override;

    VirtualKeyboard &addKeyboard(const VirtualKeyboard::Options &options = {});
    VirtualKeyboard &keyboard(int index = 0);
    int keyboardCount() const;
    int openHandleCount() const;
    // Reports written to the unrelated devices since creation: a program that
    // talks to the keyboard alone leaves this at 0.
    int foreignReportsWritten() const;

    // Called for every interface path of a keyboard that arrives or leaves,
    // in the order of the changes, one at a time, on the thread that caused
    // one (a test, the device's writer, or the backend's timer), never under
    // the backend's lock. Once removePlugListener returns, the listener is
    // neither running on another thread nor called again.
    int addPlugListener(PlugListener listener);
    void removePlugListener(int id);

    // A node the current user may not open, as a hidraw node without the
    // udev rule: open fails and nodeAccess says Denied.
    void setAccessDenied(const std::string &path, bool denied);

    int init() override;
    int exit() override;
    std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) override;
    HidHandle *open(const std::string &path) override;
    void close(HidHandle *handle) override;
    int setNonBlocking(HidHandle *handle, int nonBlocking) override;
    int write(HidHandle *handle, const unsigned char *data, size_t length) override;
    int readTimeout(HidHandle *handle, unsigned char *data, size_t length, int timeoutMs) override;
    int manufacturerString(HidHandle *handle, wchar_t *buffer, size_t maxLength) override;
    int productString(HidHandle *handle, wchar_t *buffer, size_t maxLength) override;
    int serialNumberString(HidHandle *handle, wchar_t *buffer, size_t maxLength) override;
    int indexedString(HidHandle *handle, int index, wchar_t *buffer, size_t maxLength) override;
    std::wstring error(HidHandle *handle) override;
    HidNodeAccess nodeAccess(const std::string &path) override;

    static constexpr uint16_t KeyboardVendorId = 0x1C4F;
    static constexpr uint16_t KeyboardProductId = 0xEE88;

private:
    friend class VirtualKeyboard;
    struct PlugNotice {
        std::string path;
        bool arrived = false;
    };

    VirtualHidHandle *findHandleLocked(HidHandle *handle) const;
    void pushInputLocked(VirtualKeyboard *keyboard, int interfaceNumber,
                         const VirtualHidHandle::Report &report);
    void dropHandlesInputLocked(VirtualKeyboard *keyboard);
    void queueNoticeLocked(const std::string &path, bool arrived);
    // Delivers the queued plug changes; called without the lock.
    void announce();
    // Runs action under the lock at the given time on the timer thread.
    void schedule(VirtualKeyboard::Clock::time_point at, std::function<void()> action);
    void timerLoop();
    int copyString(const std::wstring &text, wchar_t *buffer, size_t maxLength) const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;   // input, frames, plugging
    std::vector<std::unique_ptr<VirtualKeyboard>> m_keyboards;
    std::set<VirtualHidHandle *> m_handles;
    std::map<int, PlugListener> m_listeners;
    int m_nextListener = 1;
    std::deque<PlugNotice> m_notices; // queued in the order of the changes
    int m_unannounced = 0;  // plug changes whose listeners have not run yet
    int m_foreignWrites = 0;
    std::set<std::string> m_denied;
    std::wstring m_lastError;

    // Held while listeners run, so that changes from several threads are heard
    // in order and a removed listener is not left running. Taken before m_mutex.
    std::mutex m_announceMutex;
    std::atomic<std::thread::id> m_announcer{}; // the thread delivering, if any

    std::mutex m_timerMutex;
    std::condition_variable m_timerWake;
    std::multimap<VirtualKeyboard::Clock::time_point, std::function<void()>> m_timers;
    bool m_stopping = false;
    std::thread m_timer;
};
