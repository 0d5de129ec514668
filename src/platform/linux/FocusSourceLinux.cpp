#include "FocusSource.h"

#ifdef CORVANE_HAVE_XCB
#include "X11FocusSource.h"
#endif

FocusSource *FocusSource::createSystemSource(QObject *parent, const QString &display)
{
#ifdef CORVANE_HAVE_XCB
    // In a Wayland session an X server only sees its own clients, so its
    // active window says nothing about the native ones.
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    if (!display.isEmpty() || (!wayland && !qEnvironmentVariableIsEmpty("DISPLAY")))
        return new X11FocusSource(display, parent);
#else
    Q_UNUSED(display)
#endif
    return new UnavailableFocusSource(parent);
}
