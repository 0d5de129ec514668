#include "HidBackend.h"

#include "HidApiBackend.h"

#include <atomic>

namespace {
std::atomic<HidBackend *> g_backend{nullptr};
}

HidBackend *HidBackend::instance()
{
    HidBackend *b = g_backend.load();
    if (!b) {
        static HidApiBackend hidapi;
        HidBackend *expected = nullptr;
        g_backend.compare_exchange_strong(expected, &hidapi);
        b = g_backend.load();
    }
    return b;
}

void HidBackend::setInstance(HidBackend *backend)
{
    g_backend.store(backend);
}
