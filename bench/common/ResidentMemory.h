#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
#include <windows.h>
#include <psapi.h>
#endif

namespace Bench {

// This process's resident memory in KiB (Windows: its working set); -1 when
// the system does not say.
inline long residentKiB()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return long(counters.WorkingSetSize / 1024);
#else
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
#endif
}

} // namespace Bench
