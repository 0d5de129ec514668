#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

// Setting up the desktop's own reporter of the window in front, for the
// desktops that only tell it from inside (KDE Plasma, GNOME Shell). Both
// work through asynchronous bus calls: nothing here waits.
namespace DesktopFocus {

// The GNOME Shell extension we ship, and the one command that enables it.
extern const char *const GnomeExtensionUuid;
QString gnomeEnableCommand();

// Writes the KWin script (scriptText) to the user's runtime folder and has
// KWin load and run it, replacing a copy of an earlier start. done runs once
// (on context's thread) with an empty text, or what went wrong.
void loadKWinScript(const QDBusConnection &bus, const QByteArray &scriptText, QObject *context,
                    std::function<void(const QString &problem)> done);

// Has KWin drop the script again (Corvane ends); sent without waiting.
void unloadKWinScript(const QDBusConnection &bus);

// Asks GNOME Shell whether our extension is enabled; done runs once with
// the answer (false also when GNOME Shell does not answer).
void askGnomeExtension(const QDBusConnection &bus, QObject *context, std::function<void(bool enabled)> done);

} // namespace DesktopFocus
