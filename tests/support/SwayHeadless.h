#pragma once

// A headless Sway for tests of the wlroots focus source: its own runtime
// folder, no outputs but a virtual one, no input devices. Sway refuses to
// run as root, so as root it runs (with its clients) as the unprivileged
// user "nobody". Clients are foot terminals with the app id and title given;
// swaymsg moves the focus.

#include <QDir>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <pwd.h>
#include <unistd.h>

class SwayHeadless {
public:
    ~SwayHeadless()
    {
        if (m_sway.state() != QProcess::NotRunning) {
            command(QStringLiteral("exit"));
            if (!m_sway.waitForFinished(20000)) {
                m_sway.kill();
                m_sway.waitForFinished(20000);
            }
        }
        for (auto &client : m_clients)
            client->waitForFinished(20000);
    }

    // Empty when sway and foot are there; else why the test is skipped.
    static QString missing()
    {
        for (const char *program : {"sway", "swaymsg", "foot"})
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(program));
        if (::getuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            return QStringLiteral("running as root without runuser to start sway as another user");
        return QString();
    }

    // Empty on success, else what went wrong.
    QString start()
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        m_runtime = m_dir.path();
        if (::getuid() == 0) {
            const passwd *nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(m_runtime.toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0)
                return QStringLiteral("cannot hand the runtime folder to nobody");
        }
        QFile config(QDir(m_runtime).filePath(QStringLiteral("config")));
        if (!config.open(QIODevice::WriteOnly) || config.write("output HEADLESS-1 resolution 640x480\n") <= 0)
            return QStringLiteral("cannot write the sway configuration");
        config.close();
        config.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        QFileSystemWatcher watcher({m_runtime});
        QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
        m_sway.setStandardOutputFile(QProcess::nullDevice());
        m_sway.setStandardErrorFile(QProcess::nullDevice());
        run(m_sway, QStringLiteral("sway"), {QStringLiteral("-c"), config.fileName()},
            {QStringLiteral("WLR_BACKENDS=headless"), QStringLiteral("WLR_RENDERER=pixman"),
             QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1")});
        if (!m_sway.waitForStarted(20000))
            return QStringLiteral("sway did not start");
        // Ready once both its sockets are there.
        while (m_display.isEmpty() || m_ipc.isEmpty()) {
            for (const QString &entry : QDir(m_runtime).entryList(QDir::System)) {
                if (entry.startsWith(QLatin1String("wayland-")) && !entry.endsWith(QLatin1String(".lock")))
                    m_display = QDir(m_runtime).filePath(entry);
                if (entry.startsWith(QLatin1String("sway-ipc")))
                    m_ipc = QDir(m_runtime).filePath(entry);
            }
            if ((m_display.isEmpty() || m_ipc.isEmpty()) && !changed.wait(20000))
                return QStringLiteral("sway made no sockets");
        }
        return QString();
    }

    // The Wayland display, as a path (for wl_display_connect).
    QString display() const { return m_display; }

    // A terminal window with its app id and title; it takes the focus when
    // it appears.
    void openWindow(const QString &appId, const QString &title)
    {
        auto client = std::make_unique<QProcess>();
        client->setStandardOutputFile(QProcess::nullDevice());
        client->setStandardErrorFile(QProcess::nullDevice());
        run(*client, QStringLiteral("foot"),
            {QStringLiteral("--app-id=") + appId, QStringLiteral("--title=") + title, QStringLiteral("sh"),
             QStringLiteral("-c"), QStringLiteral("read x")},
            {});
        m_clients.push_back(std::move(client));
    }

    // A sway command ("[app_id=\"a\"] focus"); true when sway took it.
    bool command(const QString &text)
    {
        QProcess msg;
        msg.setStandardOutputFile(QProcess::nullDevice());
        run(msg, QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, text}, {});
        return msg.waitForFinished(20000) && msg.exitStatus() == QProcess::NormalExit && msg.exitCode() == 0;
    }

private:
    void run(QProcess &process, const QString &program, const QStringList &args, const QStringList &env)
    {
        QStringList environment = {QStringLiteral("XDG_RUNTIME_DIR=") + m_runtime, QStringLiteral("HOME=") + m_runtime,
                                   QStringLiteral("PATH=") + qEnvironmentVariable("PATH")};
        if (!m_display.isEmpty())
            environment << QStringLiteral("WAYLAND_DISPLAY=") + QFileInfo(m_display).fileName();
        environment += env;
        // The caller's folder may be closed to the other user.
        process.setWorkingDirectory(m_runtime);
        if (::getuid() == 0) {
            process.start(QStringLiteral("runuser"),
                          QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                                      QStringLiteral("env"), QStringLiteral("-i")}
                              + environment + QStringList{program} + args);
        } else {
            QProcessEnvironment e;
            for (const QString &pair : environment)
                e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
            process.setProcessEnvironment(e);
            process.start(program, args);
        }
    }

    QTemporaryDir m_dir;
    QString m_runtime, m_display, m_ipc;
    QProcess m_sway;
    std::vector<std::unique_ptr<QProcess>> m_clients;
};
