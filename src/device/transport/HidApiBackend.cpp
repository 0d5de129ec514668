#include "HidApiBackend.h"

#include <hidapi.h>

namespace {

struct HidApiHandle : HidHandle {
    explicit HidApiHandle(hid_device *d) : dev(d) {}
    hid_device *dev;
};

hid_device *dev(HidHandle *h)
{
    auto *a = static_cast<HidApiHandle *>(h);
    return a ? a->dev : nullptr;
}

std::wstring wstr(const wchar_t *s)
{
    return s ? std::wstring(s) : std::wstring();
}

} // namespace

int HidApiBackend::init()
{
    return hid_init();
}

int HidApiBackend::exit()
{
    return hid_exit();
}

std::vector<HidDeviceInfo> HidApiBackend::enumerate(uint16_t vendorId, uint16_t productId)
{
    std::vector<HidDeviceInfo> out;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (hid_device_info *i = list; i; i = i->next) {
        HidDeviceInfo info;
        info.path = i->path ? i->path : "";
        info.vendorId = i->vendor_id;
        info.productId = i->product_id;
        info.interfaceNumber = i->interface_number;
        info.usagePage = i->usage_page;
        info.usage = i->usage;
        info.manufacturer = wstr(i->manufacturer_string);
        info.product = wstr(i->product_string);
        info.serialNumber = wstr(i->serial_number);
        out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return out;
}

HidHandle *HidApiBackend::open(const std::string &path)
{
    hid_device *d = hid_open_path(path.c_str());
    return d ? new HidApiHandle(d) : nullptr;
}

void HidApiBackend::close(HidHandle *handle)
{
    if (!handle)
        return;
    hid_close(dev(handle));
    delete handle;
}

int HidApiBackend::setNonBlocking(HidHandle *handle, int nonBlocking)
{
    return hid_set_nonblocking(dev(handle), nonBlocking);
}

int HidApiBackend::write(HidHandle *handle, const unsigned char *data, size_t length)
{
    return hid_write(dev(handle), data, length);
}

int HidApiBackend::readTimeout(HidHandle *handle, unsigned char *data, size_t length, int timeoutMs)
{
    return hid_read_timeout(dev(handle), data, length, timeoutMs);
}

int HidApiBackend::manufacturerString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    return hid_get_manufacturer_string(dev(handle), buffer, maxLength);
}

int HidApiBackend::productString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    return hid_get_product_string(dev(handle), buffer, maxLength);
}

int HidApiBackend::serialNumberString(HidHandle *handle, wchar_t *buffer, size_t maxLength)
{
    return hid_get_serial_number_string(dev(handle), buffer, maxLength);
}

int HidApiBackend::indexedString(HidHandle *handle, int index, wchar_t *buffer, size_t maxLength)
{
    return hid_get_indexed_string(dev(handle), index, buffer, maxLength);
}

std::wstring HidApiBackend::error(HidHandle *handle)
{
    return wstr(hid_error(dev(handle)));
}
