#include "VirtualHidBackend.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t MaxQueuedReports = 256;

// The two foreign devices each keyboard brings onto the virtual bus: one of
// another vendor, one of the keyboard's vendor with another product, so that
// filtering by both ids is exercised. Both are mice to the usage tables.
struct ForeignDevice {
    uint16_t vendorId;
    uint16_t productId;
    const wchar_t *product;
};
const ForeignDevice kForeign[2] = {
    {0x046D, 0xC077, L"Optical Mouse"},
    {0x1C4F, 0x0002, L"Receiver"},
};

std::string foreignPath(int keyboard, int which)
{
    return "sim:kb" + std::to_string(keyboard) + ":other" + std::to_string(which);
}

} // namespace

VirtualHidBackend::VirtualHidBackend()
{
    m_timer = std::thread([this] { timerLoop(); });
}

VirtualHidBackend::~VirtualHidBackend()
{
    {
        std::lock_guard<std::mutex> lock(m_timerMutex);
        m_stopping = true;
    }
    m_timerWake.notify_all();
    m_timer.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (VirtualHidHandle *h : m_handles)
        delete h;
    m_handles.clear();
}

VirtualKeyboard &VirtualHidBackend::addKeyboard(const VirtualKeyboard::Options &options)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int index = int(m_keyboards.size());
    m_keyboards.emplace_back(new VirtualKeyboard(*this, index, options));
    return *m_keyboards.back();
}

VirtualKeyboard &VirtualHidBackend::keyboard(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return *m_keyboards.at(size_t(index));
}

int VirtualHidBackend::keyboardCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_keyboards.size());
}

int VirtualHidBackend::openHandleCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_handles.size());
}

int VirtualHidBackend::foreignReportsWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_foreignWrites;
}

int VirtualHidBackend::addPlugListener(PlugListener listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int id = m_nextListener++;
    m_listeners[id] = std::move(listener);
    return id;
}

void VirtualHidBackend::removePlugListener(int id)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_listeners.erase(id);
    }
    // Wait out a delivery on another thread that may be inside the listener.
    // From a listener itself there is nothing to wait for: announce looks
    // each listener up again before calling it.
    if (m_announcer.load() != std::this_thread::get_id()) {
        std::lock_guard<std::mutex> wait(m_announceMutex);
    }
}

void VirtualHidBackend::queueNoticeLocked(const std::string &path, bool arrived)
{
    m_notices.push_back({path, arrived});
    ++m_unannounced;
}

void VirtualHidBackend::announce()
{
    // A listener that plugs a keyboard lands here again on the same thread;
    // the delivery below already running picks the change up, in order.
    if (m_announcer.load() == std::this_thread::get_id())
        return;
    std::lock_guard<std::mutex> delivering(m_announceMutex);
    m_announcer = std::this_thread::get_id();
    for (;;) {
        PlugNotice notice;
        std::vector<int> ids;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_notices.empty())
                break;
            notice = std::move(m_notices.front());
            m_notices.pop_front();
            for (const auto &l : m_listeners)
                ids.push_back(l.first);
        }
        for (int id : ids) {
            PlugListener listener;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                const auto it = m_listeners.find(id);
                if (it == m_listeners.end())
                    continue;
                listener = it->second;
            }
            listener(notice.path, notice.arrived);
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_unannounced;
        m_changed.notify_all();
    }
    m_announcer = std::thread::id();
}

void VirtualHidBackend::schedule(VirtualKeyboard::Clock::time_point at, std::function<void()> action)
{
    {
        std::lock_guard<std::mutex> lock(m_timerMutex);
        m_timers.emplace(at, std::move(action));
    }
    m_timerWake.notify_all();
}

void VirtualHidBackend::timerLoop()
{
    std::unique_lock<std::mutex> lock(m_timerMutex);
    while (!m_stopping) {
        if (m_timers.empty()) {
            m_timerWake.wait(lock);
            continue;
        }
        const auto next = m_timers.begin()->first;
        if (VirtualKeyboard::Clock::now() < next) {
            m_timerWake.wait_until(lock, next);
            continue;
        }
        auto action = std::move(m_timers.begin()->second);
        m_timers.erase(m_timers.begin());
        lock.unlock();
        {
            std::lock_guard<std::mutex> main(m_mutex);
            action();
        }
        announce();
        lock.lock();
    }
}

// ---- HidBackend -----------------------------------------------------------

int VirtualHidBackend::init()
{
    return 0;
}

int VirtualHidBackend::exit()
{
    return 0;
}

std::vector<HidDeviceInfo> VirtualHidBackend::enumerate(uint16_t vendorId, uint16_t productId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<HidDeviceInfo> all;
    auto addForeign = [&](int keyboard, int which) {
        HidDeviceInfo info;
        info.path = foreignPath(keyboard, which);
        info.vendorId = kForeign[which].vendorId;
        info.productId = kForeign[which].productId;
        info.interfaceNumber = 0;
        info.usagePage = 0x01;
        info.usage = 0x02;
        info.manufacturer = L"Other";
        info.product = kForeign[which].product;
        all.push_back(info);
    };
    for (const auto &kb : m_keyboards) {
        if (kb->m_options.unrelatedDevices)
            addForeign(kb->m_index, 0);
        if (kb->m_plugged) {
            std::vector<int> order;
            for (int i = 0; i <= kb->configInterface(); ++i)
                order.push_back(i);
            if (!kb->m_options.silentListedFirst)
                std::reverse(order.begin(), order.end());
            for (int i : order) {
                const bool config = i == kb->configInterface();
                HidDeviceInfo info;
                info.path = kb->interfacePath(i);
                info.vendorId = KeyboardVendorId;
                info.productId = KeyboardProductId;
                info.interfaceNumber = i;
                // The configuration interface is vendor-defined; the silent
                // one is the boot keyboard the system types with.
                info.usagePage = config ? 0xFF00 : 0x01;
                info.usage = config ? 0x01 : 0x06;
                info.manufacturer = L"Virtual";
                info.product = kb->m_state.bootLoader ? L"Virtual Keyboard Boot" : L"Virtual Keyboard";
                info.serialNumber = std::wstring(kb->m_state.serial.begin(), kb->m_state.serial.end());
                all.push_back(info);
            }
        }
        if (kb->m_options.unrelatedDevices)
            addForeign(kb->m_index, 1);
    }
    std::vector<HidDeviceInfo> matching;
    for (const auto &info : all)
        if ((vendorId == 0 || info.vendorId == vendorId) && (productId == 0 || info.productId == productId))
            matching.push_back(info);
    return matching;
}

void VirtualHidBackend::setAccessDenied(const std::string &path, bool denied)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (denied)
        m_denied.insert(path);
    else
        m_denied.erase(path);
}

HidNodeAccess VirtualHidBackend::nodeAccess(const std::string &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto &kb : m_keyboards)
        for (int i = 0; i <= kb->configInterface(); ++i)
            if (path == kb->interfacePath(i))
                return !kb->m_plugged ? HidNodeAccess::Missing
                       : m_denied.count(path) ? HidNodeAccess::Denied
                                              : HidNodeAccess::Allowed;
    return HidNodeAccess::Missing;
}

HidHandle *VirtualHidBackend::open(const std::string &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_denied.count(path)) {
        m_lastError = L"Permission denied";
        return nullptr;
    }
    for (const auto &kb : m_keyboards) {
        for (int which = 0; which < 2 && kb->m_options.unrelatedDevices; ++which) {
            if (path == foreignPath(kb->m_index, which)) {
                auto *h = new VirtualHidHandle;
                h->keyboard = kb.get();
                h->foreign = true;
                m_handles.insert(h);
                return h;
            }
        }
        for (int i = 0; i <= kb->configInterface(); ++i) {
            if (path != kb->interfacePath(i))
                continue;
            if (!kb->m_plugged) {
                m_lastError = L"no such device";
                return nullptr;
            }
            auto *h = new VirtualHidHandle;
            h->keyboard = kb.get();
            h->interfaceNumber = i;
            h->generation = kb->m_generation;
            m_handles.insert(h);
            return h;
        }
    }
    m_lastError = L"no such device";
    return nullptr;
}

void VirtualHidBackend::close(HidHandle *handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualHidHandle *h = findHandleLocked(handle);
    if (!h)
        return;
    VirtualKeyboard *keyboard = h->foreign ? nullptr : h->keyboard;
    m_handles.erase(h);
    delete h;
    if (keyboard)
        keyboard->answerTakenLocked();
    // A reader blocked on this handle must notice that it is gone.
    m_changed.notify_all();
}

VirtualHidHandle *VirtualHidBackend::findHandleLocked(HidHandle *handle) const
{
    auto *h = static_cast<VirtualHidHandle *>(handle);
    return m_handles.count(h) ? h : nullptr;
}

int VirtualHidBackend::setNonBlocking(HidHandle *handle, int nonBlocking)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualHidHandle *h = findHandleLocked(handle);
    if (!h || !h->keyboard->liveHandleLocked(h))
        return -1;
    h->nonBlocking = nonBlocking != 0;
    return 0;
}

int VirtualHidBackend::write(HidHandle *handle, const unsigned char *data, size_t length)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        VirtualHidHandle *h = findHandleLocked(handle);
        if (!h || !data || length == 0 || !h->keyboard->liveHandleLocked(h)) {
            m_lastError = L"device not available";
            return -1;
        }
        if (h->foreign) {
            ++m_foreignWrites;
            return int(length);
        }
        // data[0] is the report id; the keyboard sees the 64 bytes after it.
        uint8_t report[64] = {};
        std::memcpy(report, data + 1, std::min<size_t>(length - 1, 64));
        h->keyboard->receiveReportLocked(h->interfaceNumber, report);
    }
    announce();
    return int(length);
}

int VirtualHidBackend::readTimeout(HidHandle *handle, unsigned char *data, size_t length, int timeoutMs)
{
    using Clock = VirtualKeyboard::Clock;
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool forever = timeoutMs < 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        // Re-validated after every wait: the handle may have been closed meanwhile.
        VirtualHidHandle *h = findHandleLocked(handle);
        if (!h || !data || !h->keyboard->liveHandleLocked(h)) {
            m_lastError = L"device not available";
            return -1;
        }
        const auto now = Clock::now();
        auto wakeAt = deadline;
        bool haveWake = !forever;
        if (!h->input.empty()) {
            const auto &front = h->input.front();
            if (front.readableAt <= now) {
                const size_t n = std::min(length, front.bytes.size());
                std::memcpy(data, front.bytes.data(), n);
                h->input.pop_front();
                if (!h->foreign)
                    h->keyboard->answerTakenLocked();
                return int(n);
            }
            if (!haveWake || front.readableAt < wakeAt)
                wakeAt = front.readableAt;
            haveWake = true;
        }
        if (!forever && now >= deadline)
            return 0;
        if (haveWake)
            m_changed.wait_until(lock, wakeAt);
        else
            m_changed.wait(lock);
    }
}

void VirtualHidBackend::pushInputLocked(VirtualKeyboard *keyboard, int interfaceNumber,
                                        const VirtualHidHandle::Report &report)
{
    for (VirtualHidHandle *h : m_handles) {
        if (h->foreign || h->keyboard != keyboard || h->interfaceNumber != interfaceNumber
            || !keyboard->liveHandleLocked(h))
            continue;
        if (h->input.size() >= MaxQueuedReports)
            h->input.pop_front();
        h->input.push_back(report);
    }
}

void VirtualHidBackend::dropHandlesInputLocked(VirtualKeyboard *keyboard)
{
    for (VirtualHidHandle *h : m_handles)
        if (!h->foreign && h->keyboard == keyboard)
            h->input.clear();
}

int VirtualHidBackend::copyString(const std::wstring &text, wchar_t *buffer, size_t maxLength) const
{
    if (!buffer || maxLength == 0)
        return -1;
    const size_t n = std::min(text.size(), maxLength - 1);
    std::copy(text.begin(), text.begin() + static_cast<long>(n), buffer);
    buffer[n] = L'\0';
    return 0;
}

int VirtualHidBackend::manufacturerString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualHidHandle *h = findHandleLocked(handle);
    if (!h || !h->keyboard->liveHandleLocked(h))
        return -1;
    return copyString(h->foreign ? L"Other" : L"Virtual", buffer, maxLength);
}

int VirtualHidBackend::productString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualHidHandle *h = findHandleLocked(handle);
    if (!h || !h->keyboard->liveHandleLocked(h))
        return -1;
    return copyString(h->foreign ? L"Other device" : L"Virtual Keyboard", buffer, maxLength);
}

int VirtualHidBackend::serialNumberString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualHidHandle *h = findHandleLocked(handle);
    // The foreign devices have no serial number, as many cheap devices don't.
    if (!h || h->foreign || !h->keyboard->liveHandleLocked(h))
        return -1;
    const std::string &s = h->keyboard->m_state.serial;
    return copyString(std::wstring(s.begin(), s.end()), buffer, maxLength);
}

int VirtualHidBackend::indexedString(HidHandle *handle, int index, wchar_t *buffer, size_t maxLength)
{
    if (index != 1)
        return -1;
    return productString(handle, buffer, maxLength);
}

std::wstring VirtualHidBackend::error(HidHandle *)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}
