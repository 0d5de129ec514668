#pragma once

#ifdef CORVANE_HAVE_WAYLAND

#include "FocusSource.h"

#include <QHash>

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;
class QSocketNotifier;

// Follows the activated toplevel on a wlroots compositor (Sway and others
// that offer zwlr_foreign_toplevel_manager_v1): its app id and title, read
// when the Wayland socket becomes readable, no polling. The protocol names
// no process, so pid stays 0.
class WlrFocusSource : public FocusSource {
    Q_OBJECT
public:
    // display empty: $WAYLAND_DISPLAY.
    explicit WlrFocusSource(const QString &display, QObject *parent = nullptr);
    ~WlrFocusSource() override;
    // False when there is no compositor or it does not offer the protocol.
    bool start() override;
    QString name() const override;

    // Whether the compositor of display offers the protocol (a bounded
    // round trip); for choosing the source at start-up.
    static bool offered(const QString &display);

    // The protocol's callbacks.
    struct Toplevel {
        QString title, appId;
        bool activated = false;
        QString pendingTitle, pendingAppId;
        bool pendingActivated = false;
    };
    void toplevelAnnounced(zwlr_foreign_toplevel_handle_v1 *handle);
    void toplevelDone(zwlr_foreign_toplevel_handle_v1 *handle);
    void toplevelClosed(zwlr_foreign_toplevel_handle_v1 *handle);
    void managerFinished();
    Toplevel *toplevel(zwlr_foreign_toplevel_handle_v1 *handle) { return m_toplevels.value(handle); }
    void globalAnnounced(wl_registry *registry, uint32_t name, const char *interface, uint32_t version);

private:
    void readEvents();
    void reportActive();
    void stopFollowing(const char *why);

    QString m_display;
    wl_display *m_conn = nullptr;
    wl_registry *m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    QHash<zwlr_foreign_toplevel_handle_v1 *, Toplevel *> m_toplevels;
    zwlr_foreign_toplevel_handle_v1 *m_active = nullptr;
    QSocketNotifier *m_socket = nullptr;
};

#endif
