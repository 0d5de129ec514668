#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The seam between the transport (HidUSB) and whatever speaks USB HID:
// hidapi on a real machine, the virtual keyboard in tests and --simulate.
// The operations mirror the hidapi calls the transport needs, with the same
// result conventions: > 0 data, 0 time-out, -1 error.

struct HidDeviceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = -1;
    // Of the interface's top-level collection: 0xFF00 and up are vendor-defined,
    // which is how the configuration interface tells itself apart.
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::wstring manufacturer;
    std::wstring product;
    std::wstring serialNumber;
};

// Whether the current user may open an interface, judged without opening it.
enum class HidNodeAccess {
    Allowed,
    Denied,  // the node is there, but the user may not read and write it
    Missing, // no such node
    Unknown, // this backend or system cannot tell
};

// An open device. Backends derive from it; the transport only passes it back.
class HidHandle {
public:
    virtual ~HidHandle() = default;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    virtual int init() = 0;
    virtual int exit() = 0;
    // vendorId/productId 0 match every device, as with hid_enumerate(0, 0).
    virtual std::vector<HidDeviceInfo> enumerate(uint16_t vendorId, uint16_t productId) = 0;
    // nullptr when the path cannot be opened.
    virtual HidHandle *open(const std::string &path) = 0;
    // Deletes the handle.
    virtual void close(HidHandle *handle) = 0;
    virtual int setNonBlocking(HidHandle *handle, int nonBlocking) = 0;
    // data[0] is the report id; returns the bytes written or -1.
    virtual int write(HidHandle *handle, const unsigned char *data, size_t length) = 0;
    // Returns the bytes read, 0 when nothing arrived within timeoutMs, -1 on error.
    virtual int readTimeout(HidHandle *handle, unsigned char *data, size_t length, int timeoutMs) = 0;
    // String getters return 0 on success, -1 on failure (as hidapi).
    virtual int manufacturerString(HidHandle *handle, wchar_t *buffer, size_t maxLength) = 0;
    virtual int productString(HidHandle *handle, wchar_t *buffer, size_t maxLength) = 0;
    virtual int serialNumberString(HidHandle *handle, wchar_t *buffer, size_t maxLength) = 0;
    virtual int indexedString(HidHandle *handle, int index, wchar_t *buffer, size_t maxLength) = 0;
    // Last error text for the handle (or of the library when handle is null).
    virtual std::wstring error(HidHandle *handle) = 0;
    // By default from the file system: a /dev node's permissions for this
    // process (ACLs included); Unknown for other paths.
    virtual HidNodeAccess nodeAccess(const std::string &path);

    // The process-wide backend. Chosen once at start-up; tests install the
    // virtual keyboard's backend before anything opens a device. The default
    // is hidapi. The caller keeps ownership of an installed backend.
    static HidBackend *instance();
    static void setInstance(HidBackend *backend);
};
