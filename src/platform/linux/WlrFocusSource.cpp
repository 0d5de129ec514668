#ifdef CORVANE_HAVE_WAYLAND

#include "WlrFocusSource.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <poll.h>

Q_LOGGING_CATEGORY(lcWlrFocus, "corvane.platform.focus.wlr", QtWarningMsg)

namespace {

// Compositors answer a round trip at once; one that does not within this
// is treated as absent rather than holding up the start.
constexpr int RoundTripMs = 2000;
// Titles and app ids are the compositor's clients' own text: kept to a
// length a rule or a label can use.
constexpr int MaxTextLength = 1024;

constexpr uint32_t ProtocolVersion = 3;

QString boundedText(const char *text)
{
    if (!text)
        return QString();
    return QString::fromUtf8(text, int(strnlen(text, MaxTextLength * 4))).left(MaxTextLength);
}

// A round trip with a bound: dispatches what comes until the compositor has
// answered everything sent before it, or the time is up.
bool boundedRoundTrip(wl_display *display, int ms)
{
    bool done = false;
    static const wl_callback_listener listener = {
        [](void *data, wl_callback *, uint32_t) { *static_cast<bool *>(data) = true; }};
    wl_callback *callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, &done);
    const QDeadlineTimer deadline(ms);
    while (!done) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                break;
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            break;
        }
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        const int ready = poll(&p, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (ready <= 0) {
            wl_display_cancel_read(display);
            break;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            break;
    }
    wl_callback_destroy(callback);
    return done;
}

WlrFocusSource *sourceOf(void *data)
{
    return static_cast<WlrFocusSource *>(data);
}

void onTitle(void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *title)
{
    if (WlrFocusSource::Toplevel *t = sourceOf(data)->toplevel(handle))
        t->pendingTitle = boundedText(title);
}

void onAppId(void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *appId)
{
    if (WlrFocusSource::Toplevel *t = sourceOf(data)->toplevel(handle))
        t->pendingAppId = boundedText(appId);
}

void onOutput(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}

void onState(void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_array *state)
{
    WlrFocusSource::Toplevel *t = sourceOf(data)->toplevel(handle);
    if (!t)
        return;
    t->pendingActivated = false;
    const auto *entries = static_cast<const uint32_t *>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
        if (entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
            t->pendingActivated = true;
}

void onDone(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
{
    sourceOf(data)->toplevelDone(handle);
}

void onClosed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
{
    sourceOf(data)->toplevelClosed(handle);
}

void onParent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {}

const zwlr_foreign_toplevel_handle_v1_listener toplevelListener = {onTitle, onAppId, onOutput, onOutput,
                                                                   onState, onDone,  onClosed, onParent};

void onToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
{
    sourceOf(data)->toplevelAnnounced(handle);
}

void onFinished(void *data, zwlr_foreign_toplevel_manager_v1 *)
{
    sourceOf(data)->managerFinished();
}

const zwlr_foreign_toplevel_manager_v1_listener managerListener = {onToplevel, onFinished};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    sourceOf(data)->globalAnnounced(registry, name, interface, version);
}

void onGlobalRemove(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

} // namespace

WlrFocusSource::WlrFocusSource(const QString &display, QObject *parent) : FocusSource(parent), m_display(display) {}

WlrFocusSource::~WlrFocusSource()
{
    delete m_socket;
    for (auto it = m_toplevels.begin(); it != m_toplevels.end(); ++it) {
        zwlr_foreign_toplevel_handle_v1_destroy(it.key());
        delete it.value();
    }
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_conn)
        wl_display_disconnect(m_conn);
}

QString WlrFocusSource::name() const
{
    // The compositor as the session names it (Sway, Wayfire, Hyprland...).
    QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").section(QLatin1Char(':'), 0, 0).trimmed();
    if (desktop.isEmpty() || desktop.size() > 40)
        desktop = QStringLiteral("Wayland");
    else if (desktop.at(0).isLower())
        desktop[0] = desktop.at(0).toUpper();
    return desktop + QLatin1String(" (wlroots)");
}

void WlrFocusSource::globalAnnounced(wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    if (m_manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
        return;
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
        wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, qMin(version, ProtocolVersion)));
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &managerListener, this);
}

bool WlrFocusSource::offered(const QString &display)
{
    WlrFocusSource probe(display);
    return probe.start();
}

bool WlrFocusSource::start()
{
    if (m_conn)
        return m_manager != nullptr;
    const QByteArray name = m_display.toLocal8Bit();
    m_conn = wl_display_connect(name.isEmpty() ? nullptr : name.constData());
    if (!m_conn) {
        qCDebug(lcWlrFocus) << "no Wayland compositor to connect to" << m_display;
        return false;
    }
    m_registry = wl_display_get_registry(m_conn);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The globals, then the toplevels that exist already with their state.
    if (!boundedRoundTrip(m_conn, RoundTripMs) || !m_manager || !boundedRoundTrip(m_conn, RoundTripMs)) {
        qCDebug(lcWlrFocus) << "the compositor does not offer the foreign-toplevel protocol";
        return false;
    }
    m_socket = new QSocketNotifier(wl_display_get_fd(m_conn), QSocketNotifier::Read);
    connect(m_socket, &QSocketNotifier::activated, this, &WlrFocusSource::readEvents);
    wl_display_flush(m_conn);
    reportActive();
    return true;
}

void WlrFocusSource::readEvents()
{
    while (wl_display_prepare_read(m_conn) != 0)
        if (wl_display_dispatch_pending(m_conn) < 0)
            return stopFollowing("the Wayland connection failed");
    // The socket is readable: reading does not block.
    if (wl_display_read_events(m_conn) < 0 || wl_display_dispatch_pending(m_conn) < 0)
        return stopFollowing("the Wayland connection was lost");
    wl_display_flush(m_conn);
}

void WlrFocusSource::stopFollowing(const char *why)
{
    qCWarning(lcWlrFocus) << why << "; the focus is no longer followed";
    if (m_socket)
        m_socket->setEnabled(false);
}

void WlrFocusSource::toplevelAnnounced(zwlr_foreign_toplevel_handle_v1 *handle)
{
    m_toplevels.insert(handle, new Toplevel);
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, this);
}

void WlrFocusSource::toplevelDone(zwlr_foreign_toplevel_handle_v1 *handle)
{
    Toplevel *t = m_toplevels.value(handle);
    if (!t)
        return;
    t->title = t->pendingTitle;
    t->appId = t->pendingAppId;
    t->activated = t->pendingActivated;
    if (t->activated)
        m_active = handle;
    else if (m_active == handle)
        m_active = nullptr; // another one says it is activated in its own done, or none is
    else
        return;
    if (m_socket) // during start() the state is reported once, at its end
        reportActive();
}

void WlrFocusSource::toplevelClosed(zwlr_foreign_toplevel_handle_v1 *handle)
{
    delete m_toplevels.take(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (m_active == handle) {
        m_active = nullptr;
        reportActive();
    }
}

void WlrFocusSource::managerFinished()
{
    zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
    qCWarning(lcWlrFocus) << "the compositor stopped reporting its windows; the focus is no longer followed";
}

void WlrFocusSource::reportActive()
{
    FocusedApp app;
    if (const Toplevel *t = m_active ? m_toplevels.value(m_active) : nullptr) {
        app.windowClass = t->appId;
        app.title = t->title;
    }
    report(app);
}

#endif
