#include "FocusSource.h"

#include <QCoreApplication>

FocusSource::FocusSource(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &FocusSource::settled);
}

void FocusSource::report(const FocusedApp &app)
{
    if (app.pid != 0 && app.pid == QCoreApplication::applicationPid())
        return;
    m_pending = app;
    m_settle.start(); // restarts: only the focus that stays counts
}

void FocusSource::settled()
{
    if (m_reported && m_pending == m_current)
        return;
    m_reported = true;
    m_current = m_pending;
    emit applicationChanged(m_current);
}
