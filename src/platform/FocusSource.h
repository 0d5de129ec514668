#pragma once

#include <QObject>
#include <QString>

// The application whose window is in front. Any part may be empty when the
// system does not say it.
struct FocusedApp {
    QString executable;     // base name of the process image
    QString windowInstance; // X11: first half of WM_CLASS
    QString windowClass;    // X11: second half of WM_CLASS; Wayland: app id; KDE: resource class; Windows: window class
    QString title;          // the window's caption, where the desktop says it
    qint64 pid = 0;
    bool operator==(const FocusedApp &o) const
    {
        return executable == o.executable && windowInstance == o.windowInstance && windowClass == o.windowClass
               && title == o.title && pid == o.pid;
    }
    bool operator!=(const FocusedApp &o) const { return !(*this == o); }
};

// Reports every change of the application in front, as the desktop says
// it, "no window" included. What a change means (settling, Corvane's own
// windows) is the focus policy's business.
class FocusSource : public QObject {
    Q_OBJECT
public:
    explicit FocusSource(QObject *parent = nullptr);
    ~FocusSource() override = default;

    // Starts following the focus; false when this session gives no focus
    // information (e.g. Wayland without X11), and nothing is ever reported.
    virtual bool start() = 0;
    // The desktop's way it follows, as the settings name it ("X11",
    // "Sway (wlroots)"); empty when there is none.
    virtual QString name() const { return QString(); }
    // The last application reported.
    FocusedApp current() const { return m_current; }

    // The source of this platform, chosen by what the session offers. Linux:
    // X11 through xcb (display names an X display: that one, whatever the
    // session), the foreign-toplevel protocol of a wlroots compositor, or a
    // ReportedFocusSource for KDE Plasma and GNOME Shell, whose script or
    // extension reports over the session bus. Windows: the foreground-window
    // event.
    static FocusSource *createSystemSource(QObject *parent = nullptr, const QString &display = QString());

signals:
    void applicationChanged(const FocusedApp &app);

protected:
    // A body calls this for every change of the window in front.
    void report(const FocusedApp &app);

private:
    FocusedApp m_current;
    bool m_reported = false;
};

// A source fed from outside (tests, or a session without a system source).
class ExternalFocusSource : public FocusSource {
    Q_OBJECT
public:
    using FocusSource::FocusSource;
    bool start() override { return true; }
    void setFocus(const FocusedApp &app) { report(app); }
};

// Fed by the desktop's own script or extension (KWin, GNOME Shell) through
// Corvane's session bus service, which checks the caller. The executable
// comes from the process the desktop names, as for X11.
class ReportedFocusSource : public FocusSource {
    Q_OBJECT
public:
    enum class Desktop { Kde, Gnome };
    explicit ReportedFocusSource(Desktop desktop, QObject *parent = nullptr)
        : FocusSource(parent), m_desktop(desktop)
    {
    }
    bool start() override
    {
        m_started = true;
        return true;
    }
    QString name() const override;
    Desktop desktop() const { return m_desktop; }
    // A window came to the front (windowClass empty: none). Nothing is
    // reported before start().
    void windowActivated(const QString &windowClass, qint64 pid, const QString &title);

private:
    Desktop m_desktop;
    bool m_started = false;
};

// Says no: the session has no focus information.
class UnavailableFocusSource : public FocusSource {
    Q_OBJECT
public:
    using FocusSource::FocusSource;
    bool start() override { return false; }
};
