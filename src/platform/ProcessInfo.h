#pragma once

#include <QByteArray>
#include <QString>

// What a process of this user says about itself, for matching the
// application in front. Another user's process, or one that is gone, gives
// empty answers; nothing here follows a link out of the process folder or
// reads more than a bound.

// The process image's base name (Linux: /proc/PID/exe, else the kernel's
// short name; Windows: empty, the focus source asks the system itself).
QString executableOfProcess(qint64 pid);

// The Steam app id a game was started with: SteamAppId in the process's
// environment (procRoot/PID/environ, read only for a process of this user);
// empty when there is none. procRoot is "/proc" outside tests.
QString steamAppIdOfProcess(qint64 pid, const QString &procRoot = QStringLiteral("/proc"));

// SteamAppId=<digits> out of an environment block (NUL-separated
// NAME=VALUE); empty when absent or not a plain number.
QString steamAppIdFromEnvironment(const QByteArray &environment);

// The app id of a window class Steam gives its games ("steam_app_<id>",
// any case); empty for any other class.
QString steamAppIdFromWindowClass(const QString &windowClass);
