#ifdef CORVANE_HAVE_XCB

#include "X11FocusSource.h"

#include "ProcessInfo.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cstdlib>
#include <cstring>

Q_LOGGING_CATEGORY(lcFocus, "corvane.platform.focus", QtWarningMsg)

namespace {

// Reads a property; empty when the window or property is gone.
QByteArray readProperty(xcb_connection_t *conn, xcb_window_t window, xcb_atom_t name, xcb_atom_t type, uint32_t longs)
{
    xcb_get_property_reply_t *reply =
        xcb_get_property_reply(conn, xcb_get_property(conn, 0, window, name, type, 0, longs), nullptr);
    if (!reply)
        return QByteArray();
    const QByteArray value(static_cast<const char *>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

} // namespace

X11FocusSource::X11FocusSource(const QString &display, QObject *parent) : FocusSource(parent), m_display(display) {}

X11FocusSource::~X11FocusSource()
{
    delete m_socket;
    if (m_conn)
        xcb_disconnect(m_conn);
}

xcb_atom_t X11FocusSource::atom(const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
}

bool X11FocusSource::start()
{
    if (m_conn)
        return true;
    int screenNumber = 0;
    const QByteArray display = m_display.toLocal8Bit();
    m_conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber);
    if (xcb_connection_has_error(m_conn)) {
        qCWarning(lcFocus) << "cannot connect to the X display" << m_display;
        xcb_disconnect(m_conn);
        m_conn = nullptr;
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_activeAtom = atom("_NET_ACTIVE_WINDOW");
    m_pidAtom = atom("_NET_WM_PID");
    m_nameAtom = atom("_NET_WM_NAME");
    m_utf8Atom = atom("UTF8_STRING");
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_conn);
    m_socket = new QSocketNotifier(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read);
    connect(m_socket, &QSocketNotifier::activated, this, &X11FocusSource::readEvents);
    readActiveWindow();
    return true;
}

void X11FocusSource::readEvents()
{
    // Replies read while describing a window can queue events behind them,
    // so the queue is emptied until xcb has nothing more.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (notify->window == m_root && notify->atom == m_activeAtom)
                readActiveWindow();
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_conn)) {
        qCWarning(lcFocus) << "the X connection was lost; the focus is no longer followed";
        m_socket->setEnabled(false);
    }
}

void X11FocusSource::readActiveWindow()
{
    const QByteArray value = readProperty(m_conn, m_root, m_activeAtom, XCB_ATOM_WINDOW, 1);
    xcb_window_t window = 0;
    if (value.size() >= int(sizeof window))
        std::memcpy(&window, value.constData(), sizeof window);
    report(window ? describe(window) : FocusedApp());
}

FocusedApp X11FocusSource::describe(xcb_window_t window)
{
    FocusedApp app;
    const QByteArray pid = readProperty(m_conn, window, m_pidAtom, XCB_ATOM_CARDINAL, 1);
    if (pid.size() >= 4) {
        uint32_t n = 0;
        std::memcpy(&n, pid.constData(), sizeof n);
        app.pid = n;
        app.executable = executableOfProcess(n);
    }
    // WM_CLASS holds two NUL-terminated strings: instance, then class.
    const QList<QByteArray> parts = readProperty(m_conn, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 64).split('\0');
    app.windowInstance = QString::fromLocal8Bit(parts.value(0));
    app.windowClass = QString::fromLocal8Bit(parts.value(1));
    // The caption: _NET_WM_NAME in UTF-8, else the legacy WM_NAME.
    QByteArray title = readProperty(m_conn, window, m_nameAtom, m_utf8Atom, 256);
    app.title = !title.isEmpty() ? QString::fromUtf8(title)
                                 : QString::fromLocal8Bit(
                                       readProperty(m_conn, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 256));
    return app;
}

#endif
