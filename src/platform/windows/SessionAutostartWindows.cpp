#include "SessionAutostart.h"

#include <QDir>
#include <QSettings>

namespace {

const char *const RunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *const ValueName = "Corvane";

// One argument as CommandLineToArgvW reads it back: quoted when it has
// blanks or quotes, a quote escaped, and backslashes doubled only where
// they come before a quote.
QString quoted(const QString &arg)
{
    if (!arg.isEmpty() && !arg.contains(QLatin1Char(' ')) && !arg.contains(QLatin1Char('\t'))
        && !arg.contains(QLatin1Char('"')))
        return arg;
    QString out(QLatin1Char('"'));
    int backslashes = 0;
    for (const QChar c : arg) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"'))
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        else
            out += QString(backslashes, QLatin1Char('\\'));
        backslashes = 0;
        out += c;
    }
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
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
    // The program always quoted: "C:\Program Files" must not be read as "C:\Program".
    QStringList parts{QLatin1Char('"') + QDir::toNativeSeparators(program) + QLatin1Char('"')};
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
