#include "FocusSource.h"

#include "ProcessInfo.h"

FocusSource::FocusSource(QObject *parent) : QObject(parent) {}

void FocusSource::report(const FocusedApp &app)
{
    if (m_reported && app == m_current)
        return;
    m_reported = true;
    m_current = app;
    emit applicationChanged(m_current);
}

QString ReportedFocusSource::name() const
{
    return m_desktop == Desktop::Kde ? QStringLiteral("KDE Plasma (KWin)") : QStringLiteral("GNOME Shell");
}

void ReportedFocusSource::windowActivated(const QString &windowClass, qint64 pid, const QString &title)
{
    if (!m_started)
        return;
    FocusedApp app;
    if (!windowClass.isEmpty() || pid > 0) {
        app.windowClass = windowClass;
        app.title = title;
        app.pid = pid;
        app.executable = pid > 0 ? executableOfProcess(pid) : QString();
    }
    report(app);
}
