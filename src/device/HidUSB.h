#pragma once

#include <QByteArray>
#include <QStringList>

class HidBackend;
class HidHandle;

// The lowest layer between the configurator and the keyboard: finds the
// keyboard's interfaces, opens one by path, writes frames as 64-byte output
// reports and reads 64-byte input reports with a time-out. It knows nothing
// of the frames' contents.
class HidUSB {
public:
    static constexpr int ReportSize = 64;

    HidUSB();
    virtual ~HidUSB();
    HidUSB(const HidUSB &) = delete;
    HidUSB &operator=(const HidUSB &) = delete;

    bool findDevicePath(unsigned short vendorId, unsigned short productId);
    bool findDevicePaths(QStringList &paths, unsigned short vendorId, unsigned short productId);
    bool open();
    bool openPath(const QByteArray &path);
    void setDevicePath(const QByteArray &path);
    QByteArray devicePath() const;
    void close();
    bool isOpen() const;
    // Sends length bytes of a frame buffer (at least a multiple of 64 long,
    // normally 256) as reports; returns 64 x reports sent, or the failing
    // write's result (0 or negative).
    int write(const unsigned char *data, int length);
    // One input report: bytes read, 0 on time-out, negative on error. An error
    // closes the handle: hidapi handles do not recover from one.
    int readReport(unsigned char *buffer, int timeoutMs);

private:
    void resetLibrary();
    bool openInto(const QByteArray &path);

    // The backend that opened the handle serves it until it is closed, even
    // if the process-wide backend changes meanwhile.
    HidBackend *m_backend = nullptr;
    HidHandle *m_handle = nullptr;
    QByteArray m_path;
};
