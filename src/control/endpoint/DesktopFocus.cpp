#include "DesktopFocus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QVariantMap>

#include <memory>

Q_LOGGING_CATEGORY(lcDesktopFocus, "corvane.endpoint.desktopfocus", QtWarningMsg)

namespace {

constexpr int CallTimeoutMs = 5000;
const char *const KWinService = "org.kde.KWin";
const char *const KWinScripting = "/Scripting";
const char *const KWinScriptingInterface = "org.kde.kwin.Scripting";
const char *const ScriptName = "corvane-focus";

// One asynchronous call; then(reply) runs on context's thread.
void call(const QDBusConnection &bus, QDBusMessage message, QObject *context,
          std::function<void(const QDBusMessage &)> then)
{
    QDBusConnection connection = bus;
    auto *watcher = new QDBusPendingCallWatcher(connection.asyncCall(message, CallTimeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, then] {
        watcher->deleteLater();
        then(watcher->reply());
    });
}

QDBusMessage kwinCall(const char *method, const QVariantList &args = {})
{
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(KWinService), QLatin1String(KWinScripting),
                                                    QLatin1String(KWinScriptingInterface), QLatin1String(method));
    m.setArguments(args);
    return m;
}

} // namespace

namespace DesktopFocus {

const char *const GnomeExtensionUuid = "corvane-focus@corvane.org";

QString gnomeEnableCommand()
{
    return QStringLiteral("gnome-extensions enable %1").arg(QLatin1String(GnomeExtensionUuid));
}

void loadKWinScript(const QDBusConnection &bus, const QByteArray &scriptText, QObject *context,
                    std::function<void(const QString &problem)> done)
{
    // KWin reads the script from a file: one in the user's own runtime
    // folder, written whole.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir() || !QFileInfo(runtime).isWritable()) {
        done(QStringLiteral("no runtime folder to hand KWin the script in"));
        return;
    }
    const QString path = QDir(runtime).filePath(QStringLiteral("corvane-kwin-focus.js"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(scriptText) != scriptText.size() || !file.commit()) {
        done(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return;
    }
    // A copy loaded by an earlier start goes first; then load, then run.
    const QString name = QLatin1String(ScriptName);
    call(bus, kwinCall("unloadScript", {name}), context, [bus, path, name, context, done](const QDBusMessage &) {
        call(bus, kwinCall("loadScript", {path, name}), context, [bus, context, done](const QDBusMessage &loaded) {
            if (loaded.type() == QDBusMessage::ErrorMessage) {
                done(QStringLiteral("KWin did not load the script: %1").arg(loaded.errorMessage()));
                return;
            }
            if (loaded.arguments().value(0).toInt() < 0) {
                done(QStringLiteral("KWin refused the script"));
                return;
            }
            call(bus, kwinCall("start"), context, [done](const QDBusMessage &started) {
                done(started.type() == QDBusMessage::ErrorMessage
                         ? QStringLiteral("KWin did not run the script: %1").arg(started.errorMessage())
                         : QString());
            });
        });
    });
}

void unloadKWinScript(const QDBusConnection &bus)
{
    QDBusConnection connection = bus;
    connection.call(kwinCall("unloadScript", {QLatin1String(ScriptName)}), QDBus::NoBlock);
}

void askGnomeExtension(const QDBusConnection &bus, QObject *context, std::function<void(bool enabled)> done)
{
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("/org/gnome/Shell/Extensions"),
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("GetExtensionInfo"));
    m.setArguments({QLatin1String(GnomeExtensionUuid)});
    call(bus, m, context, [done](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            qCDebug(lcDesktopFocus) << "GNOME Shell did not say whether the extension is on:" << reply.errorMessage();
            done(false);
            return;
        }
        // An a{sv}; "state" 1 is enabled (GNOME Shell's ExtensionState.ENABLED;
        // 43 and later also say "enabled").
        const QVariantMap info = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        const QVariant enabled = info.value(QStringLiteral("enabled"));
        done(enabled.isValid() ? enabled.toBool() : info.value(QStringLiteral("state")).toDouble() == 1.0);
    });
}

} // namespace DesktopFocus
