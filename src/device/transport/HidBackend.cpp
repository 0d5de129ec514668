#include "HidBackend.h"

#include "HidApiBackend.h"

#include <atomic>

#if defined(__unix__)
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

HidNodeAccess HidBackend::nodeAccess(const std::string &path)
{
#if defined(__unix__)
    if (path.compare(0, 5, "/dev/") != 0)
        return HidNodeAccess::Unknown;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? HidNodeAccess::Missing : HidNodeAccess::Unknown;
    if (::access(path.c_str(), R_OK | W_OK) == 0)
        return HidNodeAccess::Allowed;
    return errno == EACCES || errno == EPERM ? HidNodeAccess::Denied : HidNodeAccess::Unknown;
#else
    (void)path;
    return HidNodeAccess::Unknown;
#endif
}
