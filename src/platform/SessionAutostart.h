#pragma once

#include <QString>
#include <QStringList>

// Starting a program with the desktop session. Linux: an XDG autostart
// entry, $XDG_CONFIG_HOME/autostart/corvane.desktop (~/.config when unset).
// Windows: a value under the user's Run key.
namespace SessionAutostart {

// False where this build cannot register anything.
bool isSupported();
// Where the entry lives (the .desktop file; the Run key's value on Windows).
QString entryLocation();
bool isEnabled();
// Registers program with arguments, replacing an older entry. The file is
// written whole or not at all. False with a reason in error on failure.
bool enable(const QString &program, const QStringList &arguments, QString *error = nullptr);
// Removes the entry; true when there is none afterwards.
bool disable(QString *error = nullptr);

// The command line that starts program: on Linux the Exec line of a desktop
// entry, on Windows the Run value; each argument quoted where it must be,
// with the characters the format reserves escaped.
QString desktopExecLine(const QString &program, const QStringList &arguments);

} // namespace SessionAutostart
