#pragma once

#include <QByteArray>
#include <QStringList>

class HidBackend;
class HidHandle;

// The lowest layer between the configurator and the keyboard: finds the
// keyboard's interfaces, opens one by path, writes frames as 64-byte output
// reports and reads 64-byte input reports with a time-out. It knows nothing
// of the frames' contents. One thread uses an object at a time.
class HidUSB {
public:
    static constexpr int ReportSize = 64;
    // Usage pages from here on are vendor-defined: where a keyboard puts its
    // configuration interface.
    static constexpr unsigned short VendorUsagePage = 0xFF00;

    HidUSB();
    virtual ~HidUSB();
    HidUSB(const HidUSB &) = delete;
    HidUSB &operator=(const HidUSB &) = delete;

    // Stores the path of the last interface with these ids, in enumeration
    // order; false when there is none.
    bool findDevicePath(unsigned short vendorId, unsigned short productId);
    // Appends the path of every interface with these ids: those on a
    // vendor-defined usage page first, then the others, each group in
    // enumeration order. False when there is none.
    bool findDevicePaths(QStringList &paths, unsigned short vendorId, unsigned short productId);
    bool open();
    bool openPath(const QByteArray &path);
    void setDevicePath(const QByteArray &path);
    QByteArray devicePath() const;
    void close();
    bool isOpen() const;
    // Sends length bytes of a frame buffer (at least a multiple of 64 long,
    // normally 256) as reports; returns 64 x reports sent, 0 when nothing was
    // open, or the failing write's result (negative: the device is gone).
    int write(const unsigned char *data, int length);
    // One input report: bytes read, 0 on time-out, negative on error (also
    // when nothing is open).
    int readReport(unsigned char *buffer, int timeoutMs);

private:
    bool openInto(const QByteArray &path);

    // The backend that opened the handle serves it until it is closed, even
    // if the process-wide backend changes meanwhile.
    HidBackend *m_backend = nullptr;
    HidHandle *m_handle = nullptr;
    QByteArray m_path;
};
