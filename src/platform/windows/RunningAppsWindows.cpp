#include "RunningApps.h"

#include <QSet>

#include <algorithm>

#include <windows.h>
#include <tlhelp32.h>

QStringList runningApplicationNames()
{
    QSet<QString> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return {};
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        names.insert(QString::fromWCharArray(entry.szExeFile));
    CloseHandle(snapshot);
    QStringList out(names.begin(), names.end());
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return out;
}
