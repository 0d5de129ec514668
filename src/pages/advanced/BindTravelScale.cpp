#include "BindTravelScale.h"

#include "AppParams.h"

#include <QtGlobal>

#include <cmath>

BindTravelScale BindTravelScale::current()
{
    BindTravelScale s;
    s.stepUm = qMax(1, int(std::lround(AppParams::travelStep() * 1000.0)));
    s.minimumUm = int(std::lround(AppParams::minTravel() * 1000.0));
    s.maximumUm = qMax(s.minimumUm, int(std::lround(AppParams::maxTravel() * 1000.0)));
    s.positions = qMax(1, AppParams::travelSteps());
    return s;
}

int BindTravelScale::micronsAt(int position) const
{
    const int p = qBound(1, position, positions);
    return qMin(maximumUm, minimumUm + stepUm * (p - 1));
}

int BindTravelScale::positionOfMicrons(int um) const
{
    if (um >= maximumUm)
        return positions;
    if (um <= minimumUm)
        return 1;
    const int p = int(std::lround(double(um - minimumUm) / stepUm)) + 1;
    return qBound(1, p, positions);
}

int BindTravelScale::positionOfMm(double mm) const
{
    return positionOfMicrons(int(std::lround(mm * 1000.0)));
}

QString bindTravelText(double mm)
{
    return QString::number(mm, 'f', AppParams::decimals());
}

bool isWholeTravelText(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && !t.startsWith(QLatin1Char('.')) && !t.endsWith(QLatin1Char('.'));
}
