#include "CustomDoubleValidator.h"

#include "ShellLog.h"

CustomDoubleValidator::CustomDoubleValidator(double bottom, double top, int decimals, QObject *parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
}

QValidator::State CustomDoubleValidator::validate(QString &input, int &) const
{
    if (input.isEmpty() || input == QLatin1String("0") || input == QLatin1String("0.")
        || input == QLatin1String("0.0"))
        return Intermediate;

    const int dot = input.indexOf(QLatin1Char('.'));
    const int fractionDigits = dot < 0 ? 0 : input.size() - dot - 1;
    if (dot > 0 && fractionDigits > decimals())
        return Invalid;

    bool ok = false;
    const double value = input.toDouble(&ok);
    if (!ok || value > top())
        return Invalid;
    if (value < bottom()) {
        // "1" on the way to "1.5" when the bottom is 1.5, or "0.00" on the
        // way to "0.001" with three decimals: more digits can still bring
        // it into range.
        return fractionDigits < decimals() && value >= 0 ? Intermediate : Invalid;
    }
    return Acceptable;
}

void CustomDoubleValidator::fixup(QString &input) const
{
    qCDebug(lcShell) << "fixup============input==============" << input;
    bool ok = false;
    const double value = input.toDouble(&ok);
    if (!ok || value < bottom())
        input = QString::number(bottom(), 'g');
}
