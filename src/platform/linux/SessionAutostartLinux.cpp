#include "SessionAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString configHome()
{
    // XDG base directories ignore a relative XDG_CONFIG_HOME.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(QStringLiteral(".config"));
}

// One argument of an Exec key: quoted when it holds anything but plain
// characters; inside quotes ", `, $ and \ take a backslash, and the value
// as a whole escapes its backslashes again. A literal % is written %%.
QString execArgument(QString arg)
{
    arg.replace(QLatin1Char('%'), QLatin1String("%%"));
    static const QString plain = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./=+,:@%");
    bool quote = arg.isEmpty();
    for (const QChar c : qAsConst(arg))
        quote = quote || !plain.contains(c);
    if (!quote)
        return arg;
    QString out;
    for (const QChar c : qAsConst(arg)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

namespace SessionAutostart {

bool isSupported()
{
    return true;
}

QString entryLocation()
{
    return QDir(configHome()).filePath(QStringLiteral("autostart/corvane.desktop"));
}

bool isEnabled()
{
    return QFileInfo::exists(entryLocation());
}

QString desktopExecLine(const QString &program, const QStringList &arguments)
{
    QStringList parts{execArgument(program)};
    for (const QString &a : arguments)
        parts << execArgument(a);
    return parts.join(QLatin1Char(' '));
}

bool enable(const QString &program, const QStringList &arguments, QString *error)
{
    const QString path = entryLocation();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QFileInfo(path).absolutePath();
        return false;
    }
    QSaveFile file(path);
    QByteArray text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Corvane\n";
    text += "Exec=" + desktopExecLine(program, arguments).toUtf8() + '\n';
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        if (error)
            *error = path + QLatin1String(": ") + file.errorString();
        return false;
    }
    return true;
}

bool disable(QString *error)
{
    QFile file(entryLocation());
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = file.fileName() + QLatin1String(": ") + file.errorString();
    return false;
}

} // namespace SessionAutostart
