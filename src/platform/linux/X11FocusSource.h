#pragma once

#ifdef CORVANE_HAVE_XCB

#include "FocusSource.h"

#include <xcb/xcb.h>

class QSocketNotifier;

// Follows _NET_ACTIVE_WINDOW on the root window through PropertyNotify,
// read when the X connection's socket becomes readable: no polling.
class X11FocusSource : public FocusSource {
    Q_OBJECT
public:
    // display empty: $DISPLAY.
    explicit X11FocusSource(const QString &display, QObject *parent = nullptr);
    ~X11FocusSource() override;
    bool start() override;
    QString name() const override { return QStringLiteral("X11"); }

private:
    void readEvents();
    void readActiveWindow();
    FocusedApp describe(xcb_window_t window);
    xcb_atom_t atom(const char *name);

    QString m_display;
    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_activeAtom = XCB_ATOM_NONE;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    xcb_atom_t m_nameAtom = XCB_ATOM_NONE;
    xcb_atom_t m_utf8Atom = XCB_ATOM_NONE;
    QSocketNotifier *m_socket = nullptr;
};

#endif
