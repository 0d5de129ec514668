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

#include "DeviceLifecycle.h"
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
    backend.addKeyboard().fillDistinctive(); // 1 ms latency
    HidBackend::setInstance(&backend);
    ExternalDeviceNotifier notifier;

    double shownMs = 0, readMs = 0;
    GuiThreadWatch watch;
    long rss = 0;
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
    KeyboardAction::instance()->shutdown();
    HidBackend::setInstance(nullptr);
    return 0;
}
