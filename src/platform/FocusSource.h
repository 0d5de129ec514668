#pragma once

#include <QObject>
#include <QString>

// The application whose window is in front. Any part may be empty when the
// system does not say it.
struct FocusedApp {
    QString executable;     // base name of the process image
    QString windowInstance; // X11: first half of WM_CLASS
    QString windowClass;    // X11: second half of WM_CLASS; Windows: window class
    qint64 pid = 0;
    bool operator==(const FocusedApp &o) const
    {
        return executable == o.executable && windowInstance == o.windowInstance && windowClass == o.windowClass
               && pid == o.pid;
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
    // The last application reported.
    FocusedApp current() const { return m_current; }

    // The source of this platform: X11 through xcb on Linux (display empty:
    // the session's own, or none in a Wayland session), the foreground-window
    // event on Windows.
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

// Says no: the session has no focus information.
class UnavailableFocusSource : public FocusSource {
    Q_OBJECT
public:
    using FocusSource::FocusSource;
    bool start() override { return false; }
};
