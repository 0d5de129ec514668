#include "ReadBackText.h"

#include "KeyboardSession.h"

namespace {

const char *rateName(int index)
{
    static const char *const names[] = {"8 kHz", "4 kHz", "2 kHz", "1 kHz", "500 Hz", "250 Hz", "125 Hz"};
    return index >= 0 && index < 7 ? names[index] : "unknown";
}

QString modeText(const KeyboardReadBack &rb)
{
    QString text = rb.systemMode == SystemWindows ? QStringLiteral("Windows")
                   : rb.systemMode == SystemMac   ? QStringLiteral("Mac")
                                                  : QStringLiteral("unknown");
    if (rb.noWindowsMode)
        text += QStringLiteral(" (no Windows mode)");
    if (rb.noMacMode)
        text += QStringLiteral(" (no Mac mode)");
    return text;
}

} // namespace

QStringList readBackInfoLines(const KeyboardReadBack &rb, const QString &interfacePath)
{
    return {
        QStringLiteral("Interface:     %1").arg(interfacePath),
        QStringLiteral("Board ID:      %1 (family %2)").arg(rb.info.boardId).arg(rb.info.family()),
        QStringLiteral("Serial:        %1").arg(QString::fromUtf8(rb.info.serial)),
        QStringLiteral("Version:       %1").arg(QString::fromUtf8(rb.info.version)),
        QStringLiteral("Name:          %1").arg(rb.name),
        QStringLiteral("Precision:     %1 mm per step").arg(rb.precisionStep),
        QStringLiteral("Polling rate:  %1 (index %2)").arg(QLatin1String(rateName(rb.pollingRate))).arg(rb.pollingRate),
        QStringLiteral("Mode:          %1").arg(modeText(rb)),
    };
}
