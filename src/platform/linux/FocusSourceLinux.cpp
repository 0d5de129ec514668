#include "FocusSource.h"

#ifdef CORVANE_HAVE_XCB
#include "X11FocusSource.h"
#endif
#ifdef CORVANE_HAVE_WAYLAND
#include "WlrFocusSource.h"
#endif

namespace {

bool desktopIs(const char *name)
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QLatin1String(name), Qt::CaseInsensitive);
}

} // namespace

FocusSource *FocusSource::createSystemSource(QObject *parent, const QString &display)
{
#ifdef CORVANE_HAVE_XCB
    if (!display.isEmpty())
        return new X11FocusSource(display, parent);
#endif
    // In a Wayland session an X server only sees its own clients, so its
    // active window says nothing about the native ones: there the
    // compositor's own way is asked for.
    // (Xwayland sets DISPLAY too: a Wayland display decides.)
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
                         || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (wayland) {
        if (desktopIs("KDE"))
            return new ReportedFocusSource(ReportedFocusSource::Desktop::Kde, parent);
        if (desktopIs("GNOME"))
            return new ReportedFocusSource(ReportedFocusSource::Desktop::Gnome, parent);
#ifdef CORVANE_HAVE_WAYLAND
        if (WlrFocusSource::offered(QString()))
            return new WlrFocusSource(QString(), parent);
#endif
        return new UnavailableFocusSource(parent);
    }
#ifdef CORVANE_HAVE_XCB
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return new X11FocusSource(QString(), parent);
#endif
    return new UnavailableFocusSource(parent);
}
