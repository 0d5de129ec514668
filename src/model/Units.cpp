#include "Units.h"

#include <cmath>

quint16 mmToMicrons(double mm)
{
    if (!(mm > 0.0)) // also catches NaN
        return 0;
    const double um = std::trunc(mm * 1000.0 + 1e-6);
    if (um >= 65535.0)
        return 65535;
    return quint16(um);
}
