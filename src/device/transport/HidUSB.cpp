#include "HidUSB.h"

#include "DeviceLog.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "HidPermission.h"

#include <QThread>

#include <cstring>

HidUSB::HidUSB() = default;

HidUSB::~HidUSB()
{
    close();
}

// Every enumeration lists the devices afresh (hidapi asks the system each
// time), so a keyboard that has just re-enumerated into its boot loader or
// back is seen without restarting the library, which would invalidate the
// handles of other transports.
bool HidUSB::findDevicePath(unsigned short vendorId, unsigned short productId)
{
    HidLibrary::ensureInitialised();
    bool found = false;
    for (const HidDeviceInfo &info : HidBackend::instance()->enumerate(0, 0)) {
        if (info.vendorId == vendorId && info.productId == productId) {
            m_path = QByteArray::fromStdString(info.path);
            found = true;
        }
    }
    return found;
}

bool HidUSB::findDevicePaths(QStringList &paths, unsigned short vendorId, unsigned short productId)
{
    HidLibrary::ensureInitialised();
    QStringList vendorPage, others;
    for (const HidDeviceInfo &info : HidBackend::instance()->enumerate(0, 0)) {
        if (info.vendorId != vendorId || info.productId != productId)
            continue;
        qCDebug(lcDevice) << "scanDevice:" << info.interfaceNumber << info.path.c_str() << Qt::hex
                          << "usage page" << info.usagePage;
        // The configuration interface sits on a vendor-defined page: trying it
        // first spares the wait on a keyboard interface that never answers.
        (info.usagePage >= VendorUsagePage ? vendorPage : others).append(QString::fromStdString(info.path));
    }
    HidPermission::keepOnly(vendorPage + others);
    paths += vendorPage + others;
    return !vendorPage.isEmpty() || !others.isEmpty();
}

bool HidUSB::open()
{
    return openInto(m_path);
}

bool HidUSB::openPath(const QByteArray &path)
{
    return openInto(path);
}

bool HidUSB::openInto(const QByteArray &path)
{
    if (path.isEmpty())
        return false;
    close();
    HidLibrary::ensureInitialised();
    HidBackend *b = HidBackend::instance();
    HidHandle *h = b->open(path.toStdString());
    if (!h) {
        const bool denied = b->nodeAccess(path.toStdString()) == HidNodeAccess::Denied;
        if (denied)
            qCDebug(lcDevice) << "permission denied:" << path;
        HidPermission::noteOpen(path, denied);
        return false;
    }
    HidPermission::noteOpen(path, false);
    HidLibrary::handleOpened();

    // The strings are only logged; a keyboard without them still opens.
    wchar_t text[255];
    auto logString = [&](int rc, const char *label, const char *failure) {
        if (rc < 0)
            qCDebug(lcDevice, "%s", failure);
        else
            qCDebug(lcDevice, "%s %s", label, qUtf8Printable(QString::fromWCharArray(text)));
    };
    text[0] = 0;
    logString(b->manufacturerString(h, text, 255), "Manufacturer String:", "Unable to read manufacturer string");
    text[0] = 0;
    logString(b->productString(h, text, 255), "Product String:", "Unable to read product string");
    text[0] = 0;
    logString(b->serialNumberString(h, text, 255), "Serial Number String:", "Unable to read serial number string");
    text[0] = 0;
    logString(b->indexedString(h, 1, text, 255), "Indexed String 1:", "Unable to read indexed string 1");

    b->setNonBlocking(h, 1);
    m_backend = b;
    m_handle = h;
    return true;
}

void HidUSB::setDevicePath(const QByteArray &path)
{
    if (m_path != path)
        m_path = path;
}

QByteArray HidUSB::devicePath() const
{
    return m_path;
}

void HidUSB::close()
{
    if (m_handle) {
        m_backend->close(m_handle);
        m_handle = nullptr;
        m_backend = nullptr;
        HidLibrary::handleClosed();
    }
}

bool HidUSB::isOpen() const
{
    return m_handle != nullptr;
}

int HidUSB::write(const unsigned char *data, int length)
{
    if (!m_handle || length <= 0)
        return 0;
    unsigned char report[ReportSize + 1];
    int total = 0;
    while (total < length) {
        report[0] = 0;
        std::memcpy(report + 1, data + total, ReportSize);
        int rc = m_backend->write(m_handle, report, sizeof report);
        if (rc <= 0) {
            // The caller reports the failure; this line is for a protocol trace.
            qCDebug(lcDevice) << "hid_write failed:" << rc << QString::fromStdWString(m_backend->error(m_handle));
            return rc < 0 ? rc : -1;
        }
        // The keyboard needs a pause between reports.
        QThread::usleep(1000);
        total += ReportSize;
    }
    return total;
}

int HidUSB::readReport(unsigned char *buffer, int timeoutMs)
{
    if (!m_handle)
        return -1;
    int rc = m_backend->readTimeout(m_handle, buffer, ReportSize, timeoutMs);
    if (rc < 0)
        qCDebug(lcDevice) << "hid_read_timeout failed:" << QString::fromStdWString(m_backend->error(m_handle));
    return rc;
}
