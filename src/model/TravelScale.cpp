#include "TravelScale.h"

#include "Units.h"

#include <QtGlobal>

#include <cmath>

TravelScale TravelScale::fromKeyboard(double precisionMm, int minimumUm, int maximumUm)
{
    TravelScale s;
    s.stepUm = qMax(1, int(std::lround(precisionMm * 1000.0)));
    s.minimumUm = qMax(0, minimumUm);
    s.maximumUm = qMax(s.minimumUm, maximumUm);
    const int range = s.maximumUm - s.minimumUm;
    // 1 + the range in steps, rounded up: a partial last step still counts.
    s.positions = 1 + range / s.stepUm + (range % s.stepUm ? 1 : 0);
    return s;
}

int TravelScale::micronsAt(int position) const
{
    const int p = qBound(1, position, positions);
    return qMin(maximumUm, (p - 1) * stepUm + minimumUm);
}

int TravelScale::positionOfMm(double mm) const
{
    const int um = mmToMicrons(mm);
    if (um >= maximumUm)
        return positions;
    return positionOfMicrons(um);
}

int TravelScale::positionOfMicrons(int um) const
{
    if (um >= maximumUm)
        return positions;
    if (um <= minimumUm)
        return 1;
    return qBound(1, 1 + (um - minimumUm) / stepUm, positions);
}

int TravelScale::nearestPositionOfMicrons(int um) const
{
    if (um >= maximumUm)
        return positions;
    if (um <= minimumUm)
        return 1;
    return qBound(1, int(std::lround(double(um - minimumUm) / stepUm)) + 1, positions);
}

int TravelScale::deadZonePositions() const
{
    return 1000 / stepUm;
}

int TravelScale::deadZoneMicronsAt(int position) const
{
    return qMin(1000, qBound(0, position, deadZonePositions()) * stepUm);
}

int TravelScale::deadZonePositionOfMicrons(int um) const
{
    return qBound(0, um / stepUm, deadZonePositions());
}

QString travelText(double mm, int decimals)
{
    return QString::number(mm, 'f', decimals);
}

bool isCompleteNumber(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && !t.startsWith(QLatin1Char('.')) && !t.endsWith(QLatin1Char('.'));
}
