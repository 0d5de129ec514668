#include "SessionAutostart.h"

#include <QDir>
#include <QSettings>

namespace {

const char *const RunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *const ValueName = "Corvane";

QString quoted(const QString &arg)
{
    return arg.contains(QLatin1Char(' ')) ? QLatin1Char('"') + arg + QLatin1Char('"') : arg;
}

} // namespace

namespace SessionAutostart {

bool isSupported()
{
    return true;
}

QString entryLocation()
{
    return QLatin1String(RunKey) + QLatin1Char('\\') + QLatin1String(ValueName);
}

bool isEnabled()
{
    return QSettings(QLatin1String(RunKey), QSettings::NativeFormat).contains(QLatin1String(ValueName));
}

QString desktopExecLine(const QString &program, const QStringList &arguments)
{
    QStringList parts{quoted(QDir::toNativeSeparators(program))};
    for (const QString &a : arguments)
        parts << quoted(a);
    return parts.join(QLatin1Char(' '));
}

bool enable(const QString &program, const QStringList &arguments, QString *error)
{
    QSettings run(QLatin1String(RunKey), QSettings::NativeFormat);
    run.setValue(QLatin1String(ValueName), desktopExecLine(program, arguments));
    run.sync();
    if (run.status() == QSettings::NoError)
        return true;
    if (error)
        *error = entryLocation();
    return false;
}

bool disable(QString *error)
{
    QSettings run(QLatin1String(RunKey), QSettings::NativeFormat);
    run.remove(QLatin1String(ValueName));
    run.sync();
    if (run.status() == QSettings::NoError)
        return true;
    if (error)
        *error = entryLocation();
    return false;
}

} // namespace SessionAutostart
