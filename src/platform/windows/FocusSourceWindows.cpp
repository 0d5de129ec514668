#include "FocusSource.h"

#include <QFileInfo>

#include <windows.h>

namespace {

// The event hook's callback has no context: the one source it feeds.
class WinFocusSource;
WinFocusSource *g_source = nullptr;

FocusedApp describe(HWND window)
{
    FocusedApp app;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    app.pid = pid;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, path, &size))
            app.executable = QFileInfo(QString::fromWCharArray(path, int(size))).fileName();
        CloseHandle(process);
    }
    wchar_t cls[256];
    const int n = GetClassNameW(window, cls, 256);
    if (n > 0)
        app.windowClass = QString::fromWCharArray(cls, n);
    return app;
}

class WinFocusSource : public FocusSource {
public:
    using FocusSource::FocusSource;
    ~WinFocusSource() override
    {
        if (m_hook)
            UnhookWinEvent(m_hook);
        if (g_source == this)
            g_source = nullptr;
    }
    bool start() override
    {
        if (m_hook)
            return true;
        if (g_source)
            return false;
        // Out of context: the callback runs on this thread's message loop.
        // Corvane's own windows are reported too: the focus policy needs to
        // see them come to the front to cancel a change still settling.
        m_hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &WinFocusSource::onEvent, 0,
                                 0, WINEVENT_OUTOFCONTEXT);
        if (!m_hook)
            return false;
        g_source = this;
        if (HWND window = GetForegroundWindow())
            report(describe(window));
        return true;
    }
    QString name() const override { return QStringLiteral("Windows"); }

private:
    static void CALLBACK onEvent(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD)
    {
        if (g_source && window)
            g_source->report(describe(window));
    }

    HWINEVENTHOOK m_hook = nullptr;
};

} // namespace

FocusSource *FocusSource::createSystemSource(QObject *parent, const QString &)
{
    return new WinFocusSource(parent);
}
