#pragma once

#include "HidBackend.h"

// HidBackend on hidapi (hidraw on Linux).
class HidApiBackend : public HidBackend {
public:
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
};
