#include "FocusSource.h"

FocusSource::FocusSource(QObject *parent) : QObject(parent) {}

void FocusSource::report(const FocusedApp &app)
{
    if (m_reported && app == m_current)
        return;
    m_reported = true;
    m_current = app;
    emit applicationChanged(m_current);
}
