#include "InterruptWatch.h"

InterruptWatch *InterruptWatch::s_current = nullptr;

InterruptWatch *InterruptWatch::current()
{
    return s_current;
}

void InterruptWatch::deliver(int signalNumber)
{
    if (m_signal == 0)
        m_signal = signalNumber;
    emit interrupted(signalNumber);
}
