// Start-up of the configurator to its first painted main window, and its
// resident memory once connected to the virtual keyboard with the whole
// read-back done, and how long the GUI thread is held by the window's own
// work while it connects and reads back. Runs the same steps as the
// program's entry point.
// Run with QT_QPA_PLATFORM=offscreen or under a display. One start-up is
// already short: BENCH_QUICK changes nothing here.

#include "common/BenchMode.h"
#include "common/GuiThreadWatch.h"
#include "common/ResidentMemory.h"

#include "CommandClient.h"
#include "CommandEndpoint.h"
#include "CorvaneCommands.h"
#include "DeviceLifecycle.h"
#include "KeyboardConfig.h"
#include "KeyboardConfigModel.h"
#include "KeyboardController.h"
#include "KeyboardLock.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "RemoteCommand.h"
#include "RemoteControl.h"
#include "DeviceNotifier.h"
#include "HidBackend.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "MainWindow.h"
#include "ShellResources.h"
#include "VirtualHidBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Notices the first paint of a widget.
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

using Bench::residentKiB;

// `corvane-cli profile use NAME` as it reaches the running Corvane: the
// command on the local endpoint, the profile applied by difference through
// the controller, to the last frame the keyboard takes. The profile is the
// one key's travel and nothing else (written before the window lists the
// profiles).
bool writeOneKeyProfile()
{
    ProfileData profile;
    profile.name = QStringLiteral("OneKey");
    KeyTravelRecord a;
    a.workMode = 1; // rapid trigger, with a travel of its own
    a.keyTouchDis = 1500;
    a.quickTouchPressDis = 300;
    a.quickTouchUpDis = 300;
    profile.keyTravel = QMap<int, KeyTravelRecord>{{51 /* A */, a}};
    return QDir().mkpath(QStringLiteral("LocalProfile")) &&
           writeProfileFile(QStringLiteral("LocalProfile/OneKey.kb"), writeProfile(profile));
}

double profileUseThroughTheEndpoint(MainWindow &window, VirtualKeyboard &keyboard, int *frames)
{
    KeyboardController *controller = window.keyboard();
    auto fail = [](const char *why) {
        std::fprintf(stderr, "profile use: %s\n", why);
        return -1.0;
    };
    if (!controller->config()->hasConfig())
        return fail("no configuration read");
    CorvaneCommands commands(&window);
    RemoteControl remote(&commands);
    if (!remote.start(KeyboardLock::defaultKey()))
        return fail("the endpoint did not open");
    keyboard.clearFrameLog();
    RemoteCommand use;
    use.verb = RemoteCommand::Verb::ProfileUse;
    use.name = QStringLiteral("OneKey");
    CommandClient client;
    QEventLoop loop;
    QObject::connect(&client, &CommandClient::finished, &loop, &QEventLoop::quit);
    const auto sent = VirtualKeyboard::Clock::now();
    client.start(use, CommandEndpoint::address(KeyboardLock::defaultKey()));
    loop.exec();
    if (client.outcome() != CommandClient::Outcome::Replied || client.reply().exitCode != 0) {
        std::fprintf(stderr, "%s%s\n", qPrintable(client.detail()), qPrintable(client.reply().err));
        return fail("the command failed");
    }
    // The answer comes once the keyboard has taken the profile.
    auto last = sent;
    *frames = 0;
    for (const VirtualKeyboard::LoggedFrame &f : keyboard.frameLog())
        if (f.direction == VirtualKeyboard::Direction::ToKeyboard) {
            last = std::max(last, f.time);
            ++*frames;
        }
    return std::chrono::duration<double, std::milli>(last - sent).count();
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    Bench::unattended();
    GuiThreadApplication<QApplication> app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
    corvaneInitResources();
    app.setStyleSheet(corvaneStyleSheet());
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    VirtualHidBackend backend;
    VirtualKeyboard &keyboard = backend.addKeyboard();
    keyboard.fillDistinctive(); // 1 ms latency
    HidBackend::setInstance(&backend);
    ExternalDeviceNotifier notifier;

    double shownMs = 0, readMs = 0, useMs = -1;
    int useFrames = 0;
    GuiThreadWatch watch;
    long rss = 0;
    const bool oneKeyWritten = writeOneKeyProfile();
    {
        MainWindow window(&notifier);
        FirstPaint paint;
        window.installEventFilter(&paint);
        window.resize(1390, 850);
        window.show();
        while (!paint.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        shownMs = clock.nsecsElapsed() / 1e6;

        QEventLoop loop;
        // The read-back is whole once the session following it says so.
        QObject::connect(window.lifecycle()->session(), &KeyboardSession::readBackFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        watch.start();
        window.startDevice();
        loop.exec();
        watch.stop();
        readMs = clock.nsecsElapsed() / 1e6 - shownMs;
        rss = residentKiB();
        if (oneKeyWritten)
            useMs = profileUseThroughTheEndpoint(window, keyboard, &useFrames);
    }
    std::printf("start-up to the first painted main window: %.0f ms (target < 1000 ms)\n", shownMs);
    std::printf("connect + read-back from the window: %.0f ms\n", readMs);
    std::printf("GUI thread during connect + read-back: longest gap between 1 ms ticks %.2f ms; held by the "
                "window's own work between two ticks %.2f ms (%.2f ms on a processor; most in %s); handlers that "
                "slept: %ld\n",
                watch.worstGapMs(), watch.worstBusyMs(), watch.worstCpuMs(), watch.heaviestReceiver(), watch.blocked());
    std::printf("  that stretch by receiver:");
    for (const auto &share : watch.worstShares())
        std::printf(" %s %.2f ms (%d);", share.receiver, share.ns / 1e6, share.events);
    std::printf("\n");
    std::printf("resident memory when connected and read back: %.1f MB (target < 200 MB)\n", rss / 1024.0);
    std::printf("profile use through the running Corvane's endpoint, one key's travel different: %.1f ms to the "
                "last frame (frames sent: %d; target < 100 ms)\n",
                useMs, useFrames);
    KeyboardAction::instance()->shutdown();
    HidBackend::setInstance(nullptr);
    return 0;
}
