#pragma once

// A private X server for tests that need real X11 focus events: Xvfb picks
// a free display number itself (-displayfd), and windows with their own
// WM_CLASS and _NET_WM_PID are made active by setting _NET_ACTIVE_WINDOW on
// the root window, as a window manager would.

#ifdef CORVANE_HAVE_XCB

#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

class XvfbDisplay {
public:
    ~XvfbDisplay()
    {
        if (m_conn)
            xcb_disconnect(m_conn);
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(20000);
        }
    }

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }

    // Empty on success, else what went wrong.
    QString start()
    {
        m_xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                              QStringLiteral("-screen"), QStringLiteral("0"),
                                              QStringLiteral("320x240x24")});
        if (!m_xvfb.waitForStarted(20000))
            return QStringLiteral("Xvfb did not start");
        QByteArray out;
        while (!out.contains('\n')) {
            if (!m_xvfb.waitForReadyRead(20000))
                return QStringLiteral("Xvfb gave no display number");
            out += m_xvfb.readAllStandardOutput();
        }
        m_name = QLatin1Char(':') + QString::fromLatin1(out.trimmed());
        m_conn = xcb_connect(m_name.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(m_conn))
            return QStringLiteral("cannot connect to ") + m_name;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        return QString();
    }

    QString name() const { return m_name; }
    qint64 serverPid() const { return m_xvfb.processId(); }

    // pid 0: no _NET_WM_PID.
    xcb_window_t createWindow(const QByteArray &instance, const QByteArray &windowClass, uint32_t pid)
    {
        const xcb_window_t w = xcb_generate_id(m_conn);
        xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, m_root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray wmClass = instance + '\0' + windowClass + '\0';
        xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(wmClass.size()), wmClass.constData());
        if (pid)
            xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_flush(m_conn);
        return w;
    }

    // Several windows in turn, sent together.
    void activate(std::initializer_list<xcb_window_t> windows)
    {
        const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
        for (xcb_window_t w : windows)
            xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, m_root, active, XCB_ATOM_WINDOW, 32, 1, &w);
        xcb_flush(m_conn);
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r =
            xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    QProcess m_xvfb;
    QString m_name;
    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = 0;
};

#endif
