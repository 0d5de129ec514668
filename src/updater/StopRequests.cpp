#include "StopRequests.h"

void StopRequests::deliver()
{
    if (m_requested)
        return;
    m_requested = true;
    emit stopRequested();
}
