// Corvane: the configurator's entry point.

#include "CorvaneCommands.h"
#include "CorvaneVersion.h"
#include "CommandClient.h"
#include "CommandEndpoint.h"
#include "DeviceNotifier.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "LanguageManager.h"
#include "FocusSource.h"
#include "MainWindow.h"
#include "ModalGuard.h"
#include "ProcessControl.h"
#include "RemoteCommand.h"
#include "RemoteControl.h"
#ifdef CORVANE_HAVE_DBUS
#include "DesktopFocus.h"
#include <QDBusConnection>
#endif
#include "ShellResources.h"
#include "SystemConfig.h"
#include "SimScenario.h"
#include "SimTyping.h"
#include "VirtualHidBackend.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcApp, "corvane.app", QtWarningMsg)

struct Options {
    int simulateFamily = -1; // -1: the real keyboard through hidapi
    QString workDir;
    bool verbose = false;
    bool background = false; // start hidden in the system tray
    bool ok = true;
};

Options parseOptions(const QStringList &args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--simulate")) {
            o.simulateFamily = 0;
        } else if (a.startsWith(QLatin1String("--simulate="))) {
            bool ok = false;
            o.simulateFamily = a.section(QLatin1Char('='), 1).toInt(&ok);
            o.ok = o.ok && ok && o.simulateFamily >= 0 && o.simulateFamily < 256;
        } else if (a == QLatin1String("--background")) {
            o.background = true;
        } else if (a == QLatin1String("--verbose")) {
            o.verbose = true;
        } else if (a == QLatin1String("--workdir") && i + 1 < args.size()) {
            o.workDir = args.at(++i);
        } else if (a.startsWith(QLatin1String("--workdir="))) {
            o.workDir = a.section(QLatin1Char('='), 1);
        }
        // Qt's own options (-platform, -style ...) pass through.
    }
    return o;
}

void setApplicationFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("res/HarmonyOS_SansSC_Light.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    qCDebug(lcApp) << "fontfamilies:" << families;
    QString family = QStringLiteral("HarmonyOS Sans SC Light");
    if (families.isEmpty()) {
        // Without the bundled font, take an installed one that has the
        // Chinese texts, so nothing renders as boxes.
        const QStringList cjk = QFontDatabase().families(QFontDatabase::SimplifiedChinese);
        family = cjk.contains(QLatin1String("WenQuanYi Micro Hei")) ? QStringLiteral("WenQuanYi Micro Hei")
                 : cjk.isEmpty()                                     ? QString()
                                                                     : cjk.first();
    }
    qCDebug(lcApp) << "fontName:" << family;
    if (family.isEmpty())
        return;
    QApplication::setFont(QFont(family, 12));
    // The key legends ask for Microsoft YaHei; where it is missing (Wine,
    // Linux) this face stands in, not the platform's serif default.
    QFont::insertSubstitution(QStringLiteral("Microsoft Yahei"), family);
}

// A second start: the running Corvane is asked to show its window. False
// when it cannot be reached (an older Corvane, or one still starting).
bool showRunningCorvane()
{
    constexpr int AnswerWithinMs = 10000;
    CommandClient client;
    client.setStallTimeout(AnswerWithinMs);
    QEventLoop loop;
    QObject::connect(&client, &CommandClient::finished, &loop, &QEventLoop::quit);
    RemoteCommand show;
    show.verb = RemoteCommand::Verb::Show;
    client.start(show, CommandEndpoint::address(KeyboardLock::defaultKey()));
    if (client.outcome() == CommandClient::Outcome::Pending)
        loop.exec();
    if (client.outcome() != CommandClient::Outcome::Replied)
        qCDebug(lcApp) << "the running Corvane was not reached:" << client.detail();
    return client.outcome() == CommandClient::Outcome::Replied && client.reply().exitCode == 0;
}

// The running Corvane takes commands from outside (corvane-cli, a second
// start, the session bus), run by handler, until the result is destroyed;
// the handler must outlive it.
std::unique_ptr<RemoteControl> startRemoteControl(RemoteCommandHandler *handler)
{
    auto control = std::make_unique<RemoteControl>(handler);
    control->start(KeyboardLock::defaultKey());
    return control;
}

// KDE Plasma and GNOME Shell tell the window in front only from inside: our
// KWin script and GNOME Shell extension report it over the session bus.
void followDesktopReports(FocusSource *focus, RemoteControl *remote, MainWindow *window)
{
    auto *reported = qobject_cast<ReportedFocusSource *>(focus);
    if (!reported)
        return;
    QObject::connect(remote, &RemoteControl::focusReported, reported, &ReportedFocusSource::windowActivated);
#ifdef CORVANE_HAVE_DBUS
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (reported->desktop() == ReportedFocusSource::Desktop::Kde) {
        QFile script(QStringLiteral(":/linux/corvane-focus.js"));
        script.open(QIODevice::ReadOnly);
        DesktopFocus::loadKWinScript(bus, script.readAll(), reported, [](const QString &problem) {
            if (!problem.isEmpty())
                qCWarning(lcApp).noquote() << "profiles cannot follow the application in front:" << problem;
        });
    } else {
        QPointer<MainWindow> shown(window);
        DesktopFocus::askGnomeExtension(bus, reported, [shown](bool enabled) {
            if (shown && !enabled)
                shown->setFocusSourceInfo(QStringLiteral("GNOME Shell"), DesktopFocus::gnomeEnableCommand());
        });
    }
#else
    Q_UNUSED(window)
#endif
}

} // namespace

int main(int argc, char **argv)
{
    // Asked by Update (and by people) before anything else: no display, no
    // settings, no keyboard, no window.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Corvane %s\n", CORVANE_VERSION);
            return 0;
        }
    }
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    corvaneInitResources();

    const Options options = parseOptions(app.arguments());
    if (!options.ok) {
        std::fputs("usage: Corvane [--simulate[=FAMILY]] [--workdir DIR] [--verbose] [--background] [--version]\n", stderr);
        return 2;
    }
    // Warnings only by default; the debug categories are for bug reports
    // (QT_LOGGING_RULES still wins).
    if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=true"));
    // A new version started by Update runs as this one does.
    QStringList keep;
    if (options.simulateFamily >= 0)
        keep << QStringLiteral("--simulate=%1").arg(options.simulateFamily);
    if (options.verbose)
        keep << QStringLiteral("--verbose");
    setRestartArguments(keep);

    // Every relative path (settings, profiles, cache) lives in the per-user
    // data folder unless a folder is named.
    const QString workDir = options.workDir.isEmpty()
                                ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                : options.workDir;
    if (!QDir().mkpath(workDir) || !QDir::setCurrent(workDir)) {
        std::fprintf(stderr, "Corvane: cannot use the folder %s\n", qPrintable(workDir));
        return 1;
    }
    LanguageManager::instance()->reloadTranslator();

    // A simulated keyboard has a lock and an endpoint of its own, shared
    // with corvane-cli --simulate of the family.
    if (options.simulateFamily >= 0)
        KeyboardLock::setDefaultKey(KeyboardLock::simulatedKey(options.simulateFamily));

    // One copy at a time. A copy that crashed leaves a stale lock that the
    // next start takes over. Started again, the running copy shows its
    // window; started with the session again, there is nothing to do.
    QLockFile lock(singleInstanceLockPath(workDir));
    if (!lock.tryLock(100)) {
        if (!options.background && !showRunningCorvane())
            std::fprintf(stderr, "%s\n", QCoreApplication::translate("main", "应用程序已运行！").toUtf8().constData());
        return 0;
    }

    // Asked to end (the updater replacing this program, a logout): close as
    // the user would, which saves the current profile. Installed at once, so
    // that a request during start-up is not a kill; it is handled once the
    // event loop runs.
    QPointer<MainWindow> shownWindow;
    // A close the window refuses (a firmware update is being written) is not
    // overruled: the asker times out and says so instead.
    installTerminationHandler(&app, [&shownWindow] {
        if (shownWindow && !shownWindow->closeForQuit())
            return;
        QCoreApplication::quit();
    });

    // The old version an update had to move aside while it ran (Windows).
    removeFilesSetAside(QCoreApplication::applicationDirPath());

    QDir().mkpath(QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                      .filePath(QStringLiteral("keyboardSoft/profiles")));
    setApplicationFont();
    app.setStyleSheet(corvaneStyleSheet());

    std::unique_ptr<VirtualHidBackend> simulated;
    std::unique_ptr<SimTyping> typing; // after the backend, so it goes first
    DeviceNotifier *notifier = nullptr;
    if (options.simulateFamily >= 0) {
        SimScenario scenario;
        std::string error;
        if (!simScenarioFromEnvironment(options.simulateFamily, scenario, error)) {
            std::fprintf(stderr, "Corvane: %s\n", error.c_str());
            return 2;
        }
        simulated = std::make_unique<VirtualHidBackend>();
        VirtualKeyboard &keyboard = addScenarioKeyboard(*simulated, scenario);
        keyboard.setFrameLogLimit(1000); // nobody reads it here; a long session stays small
        typing = std::make_unique<SimTyping>(keyboard);
        app.installEventFilter(typing.get());
        HidBackend::setInstance(simulated.get());
        auto *external = new ExternalDeviceNotifier(&app);
        simulated->addPlugListener([external](const std::string &path, bool arrived) {
            external->notify(QString::fromStdString(path), arrived);
        });
        notifier = external;
    } else {
        notifier = DeviceNotifier::createSystemNotifier(&app);
    }

    int rc = 0;
    {
        MainWindow window(notifier);
        window.resize(1390, 850);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            window.move(screen->availableGeometry().center() - window.rect().center());
        // The window may be hidden in the tray: Corvane ends when the window
        // closes for good, not when the last visible window goes.
        QApplication::setQuitOnLastWindowClosed(false);
        QObject::connect(&window, &MainWindow::quitRequested, &app, &QCoreApplication::quit);
        // Started with the session: straight into the tray, if there is one.
        if (!options.background || !window.hideToTray())
            window.show();
        shownWindow = &window;
        CorvaneCommands commands(&window);
        const std::unique_ptr<RemoteControl> remote = startRemoteControl(&commands);
        QObject::connect(&window, &MainWindow::activeProfileChanged, remote.get(), &RemoteControl::notifyActiveProfile);
        window.startDevice();
        FocusSource *focus = FocusSource::createSystemSource(&app);
        window.setFocusSource(focus);
        window.setFocusAvailable(focus->start());
        window.setFocusSourceInfo(focus->name(), QString());
        followDesktopReports(focus, remote.get(), &window);
        rc = app.exec();
        shownWindow = nullptr;
#ifdef CORVANE_HAVE_DBUS
        // KWin keeps a script until told: it would call a Corvane that is gone.
        auto *reported = qobject_cast<ReportedFocusSource *>(focus);
        if (reported && reported->desktop() == ReportedFocusSource::Desktop::Kde)
            DesktopFocus::unloadKWinScript(QDBusConnection::sessionBus());
#endif
    }
    // Stop talking to the keyboard before the backend goes away.
    KeyboardAction::instance()->shutdown();
    HidLibrary::shutdown();
    HidBackend::setInstance(nullptr);
    return rc;
}
