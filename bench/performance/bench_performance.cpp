// Figures of the performance page's live views against the virtual keyboard
// at 1 ms latency, a key being typed all the while:
// - a 10 s key test: live rounds per second from the device and those that
//   reached the page, repaints per second of the keyboard view, CPU of the
//   GUI thread and of the whole process (the virtual keyboard included),
//   and the most live deliveries ever waiting for the GUI thread at once;
// - a 10 s key test on a keyboard streaming every key (all 126 cells moving
//   all the time, one key selected so the bar draws its marks): GUI-thread
//   CPU, rounds that reached the page (updates drawn) and repaints per
//   second of the keys and of the bar;
// - the travel scope on four keys at the key test's full rate, every key
//   moving, for BENCH_SCOPE_SECONDS (60 unless set): GUI-thread CPU, the
//   most live deliveries waiting at once, resident memory at its start and
//   its end;
// - a calibration of BENCH_CALIBRATION_MINUTES minutes (10 unless set):
//   resident memory at its start and its end.
// Run with QT_QPA_PLATFORM=offscreen or under a display. BENCH_QUICK=1: each
// key test for 1 s, the scope for 2 s and the calibration measured over 2 s.

#include "common/BenchMode.h"
#include "common/ResidentMemory.h"

#include "BoardProfile.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "DeviceNotifier.h"
#include "KeyboardAction.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "KeyboardSession.h"
#include "PerformancePageWgt.h"
#include "PressProgressBar.h"
#include "ProfileManager.h"
#include "TravelScopeWindow.h"
#include "VirtualHidBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <ctime>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

using Bench::residentKiB;

// Counts paint events of the view and of its keys.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QPushButton *buttonNamed(QWidget *root, const QString &text)
{
    for (QPushButton *b : root->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::unattended();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));

    VirtualHidBackend backend;
    VirtualKeyboard::Options options; // 1 ms latency
    VirtualKeyboard &kb = backend.addKeyboard(options);
    kb.setFrameLogLimit(1000); // what the virtual keyboard keeps is not the configurator's memory
    HidBackend::setInstance(&backend);

    {
        KeyboardAction worker;
        worker.setFirstWriteDelay(0);
        ProfileManager profiles;
        ExternalDeviceNotifier notifier;
        KeyboardController keyboard(&worker, &notifier, &profiles);
        KeyboardDeck deck;
        QObject::connect(&keyboard, &KeyboardController::keyCodesRead, &deck, &KeyboardDeck::setKeyCodes);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        QList<KeyboardBaseWgt *> views;
        for (int layer = 0; layer < 4; ++layer) {
            KeyboardBaseWgt *v = createKeyboardView(0, layer);
            v->setParent(&window);
            v->setVisible(layer == 0);
            v->activate(true);
            views << v;
        }
        layout->addWidget(views.first());
        deck.setViews(views);
        auto *page = new PerformancePageWgt(&window);
        page->setServices({&keyboard, &profiles, &deck});
        page->build();
        layout->addWidget(page);
        window.show();
        page->activate(true);
        page->enter();

        KeyboardSession session(&worker);
        QEventLoop loop;
        QObject::connect(&session, &KeyboardSession::readBackFinished, &loop, [&] {
            // As the controller takes it when it drives the keyboard itself.
            keyboard.config()->reset(configFromReadBack(session.readBack()), session.isComplete());
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (worker.connectDevice() != 0) {
            std::printf("no keyboard\n");
            return 1;
        }
        loop.exec();
        if (!session.isComplete()) {
            std::fprintf(stderr, "bench_performance: the keyboard could not be read back\n");
            return 1;
        }

        // A finger typing on A and J, one stroke every 30 ms.
        QTimer typing;
        bool down = false;
        QObject::connect(&typing, &QTimer::timeout, [&] {
            down = !down;
            kb.typeKey(0x04, down);
            kb.typeKey(0x0D, !down);
        });
        typing.start(30);

        PaintCounter counter;
        views.first()->installEventFilter(&counter);
        for (KeyboardBtn *b : views.first()->buttons())
            b->installEventFilter(&counter);

        // 1. The key test.
        QPushButton *test = buttonNamed(page, QStringLiteral("开始测试"));
        test->click();
        runFor(500); // the poll under way
        const KeyboardAction::LiveStats start = worker.liveStats();
        counter.paints = 0;
        const double gui0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const double proc0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const int testMs = Bench::scaled(10000, 1000);
        QElapsedTimer wall;
        wall.start();
        runFor(testMs);
        const double seconds = wall.nsecsElapsed() / 1e9;
        const double guiCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - gui0) / seconds * 100;
        const double procCpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - proc0) / seconds * 100;
        const KeyboardAction::LiveStats end = worker.liveStats();
        test->click();
        std::printf("key test over %.1f s: %.0f rounds/s from the device, %.0f/s reached the page, "
                    "%.0f repaints/s of the keyboard view (view and keys)\n",
                    seconds, (end.rounds - start.rounds) / seconds, (end.delivered - start.delivered) / seconds,
                    counter.paints / seconds);
        std::printf("key test CPU: GUI thread %.1f %% of one core (target < 25 %%), whole process with the "
                    "virtual keyboard %.1f %%\n",
                    guiCpu, procCpu);
        std::printf("live deliveries waiting for the GUI thread at once: at most %d (target 1)\n",
                    end.mostQueued);

        // 2. Every key streaming: a thread moves all cells every 5 ms, faster
        // than the keyboard's poll, so every round differs for every key.
        typing.stop();
        kb.releaseAllKeys();
        KeyboardBtn *selected = views.first()->buttons().value(40);
        selected->setKeyChecked(true);
        PressProgressBar *bar = page->findChild<PressProgressBar *>();
        PaintCounter barCounter;
        bar->installEventFilter(&barCounter);
        std::atomic<bool> streaming{true};
        std::thread finger([&] {
            int tick = 0;
            while (streaming) {
                ++tick;
                for (int row = 0; row < 6; ++row)
                    for (int column = 0; column < 21; ++column)
                        kb.pressKey(row, column, 2.0 + 1.9 * std::sin((tick + row * 21 + column) / 10.0));
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        test->click();
        runFor(500);
        const KeyboardAction::LiveStats s0 = worker.liveStats();
        counter.paints = 0;
        barCounter.paints = 0;
        const double g0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        wall.restart();
        runFor(testMs);
        const double secs = wall.nsecsElapsed() / 1e9;
        const double gCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - g0) / secs * 100;
        const KeyboardAction::LiveStats s1 = worker.liveStats();
        const QString shown = bar->shownKey();
        test->click();
        streaming = false;
        finger.join();
        kb.releaseAllKeys();
        selected->setKeyChecked(false);
        std::printf("every key streaming over %.1f s: %.0f rounds/s from the device, %.0f updates/s drawn by the "
                    "page, %.0f repaints/s of the keyboard view (view and keys), %.0f of the bar (showing key \"%s\")\n",
                    secs, (s1.rounds - s0.rounds) / secs, (s1.delivered - s0.delivered) / secs,
                    counter.paints / secs, barCounter.paints / secs, qPrintable(shown));
        std::printf("every key streaming CPU: GUI thread %.1f %% of one core (target < 25 %%); live deliveries "
                    "waiting at once: at most %d (target 1)\n",
                    gCpu, s1.mostQueued);

        // 3. The scope on four keys at the key test's full rate: those four
        // keys moving all the while, first with the scope closed (the key
        // test's own cost), then with it open.
        QList<KeyboardBtn *> four;
        for (int i = 0; i < TravelScopeWgt::MaxKeys; ++i) {
            four << views.first()->buttons().value(40 + i);
            four.last()->setKeyChecked(true);
        }
        streaming = true;
        std::thread mover([&] {
            int tick = 0;
            while (streaming) {
                ++tick;
                for (int i = 0; i < four.size(); ++i)
                    kb.pressKey(four[i]->matrixRow(), four[i]->matrixColumn(),
                                2.0 + 1.9 * std::sin((tick + i * 7) / 10.0));
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        const int scopeSeconds = qEnvironmentVariableIsSet("BENCH_SCOPE_SECONDS")
                                     ? qEnvironmentVariableIntValue("BENCH_SCOPE_SECONDS")
                                     : 60;
        const int scopeMs = Bench::scaled(scopeSeconds * 1000, 2000);
        // The stream under way (a loaded machine may take a while to start it).
        auto streamFlowing = [&] {
            const quint64 before = worker.liveStats().delivered;
            for (int i = 0; i < 100 && worker.liveStats().delivered < before + 3; ++i)
                runFor(100);
        };
        test->click();
        streamFlowing();
        const double bg0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        wall.restart();
        runFor(Bench::scaled(10000, 1000));
        const double baseCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - bg0) / (wall.nsecsElapsed() / 1e9) * 100;
        test->click();
        buttonNamed(page, QStringLiteral("行程曲线"))->click(); // starts the key test again
        TravelScopeWindow *scope = page->scope();
        streamFlowing();
        runFor(1000); // the window fills
        const KeyboardAction::LiveStats c0 = worker.liveStats();
        const long scopeRss0 = residentKiB();
        const double sg0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        wall.restart();
        runFor(scopeMs);
        const double scopeSecs = wall.nsecsElapsed() / 1e9;
        const double scopeCpu = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - sg0) / scopeSecs * 100;
        const long scopeRss1 = residentKiB();
        const KeyboardAction::LiveStats c1 = worker.liveStats();
        const int scopeKeys = scope->plot()->keys().size();
        const int kept = scope->plot()->samples(0).size();
        scope->close(); // ends the key test it started
        streaming = false;
        mover.join();
        kb.releaseAllKeys();
        for (KeyboardBtn *b : four)
            b->setKeyChecked(false);
        std::printf("scope of %d keys over %.1f s: %.0f rounds/s drawn, %d samples kept per key; GUI thread %.1f %% "
                    "of one core with the key test (%.1f %% without the scope; the scope's share %.1f %%, target < 10 "
                    "%%); live deliveries waiting at once: at most %d (target 1); resident memory %ld KiB at the "
                    "start, %ld KiB at the end (growth %ld KiB)\n",
                    scopeKeys, scopeSecs, (c1.delivered - c0.delivered) / scopeSecs, kept, scopeCpu, baseCpu,
                    scopeCpu - baseCpu, c1.mostQueued, scopeRss0, scopeRss1, scopeRss1 - scopeRss0);
        typing.start(30);

        // 4. A long calibration.
        const int minutes = qEnvironmentVariableIsSet("BENCH_CALIBRATION_MINUTES")
                                ? qEnvironmentVariableIntValue("BENCH_CALIBRATION_MINUTES")
                                : 10;
        const int calibrationMs = Bench::scaled(minutes * 60000, 2000);
        buttonNamed(page, QStringLiteral("键盘校准"))->click();
        QPushButton *calibrate = buttonNamed(page, QStringLiteral("开始校准"));
        calibrate->click();
        runFor(2000); // the chart filled to its 200 points
        const long rss0 = residentKiB();
        runFor(calibrationMs);
        const long rss1 = residentKiB();
        calibrate->click();
        std::printf("calibration over %.0f s: resident memory %ld KiB at the start, %ld KiB at the end "
                    "(growth %ld KiB; target < 5120 KiB)\n",
                    calibrationMs / 1000.0, rss0, rss1, rss1 - rss0);
        typing.stop();
        page->activate(false);
        for (KeyboardBaseWgt *v : views)
            v->activate(false);
        worker.closeDevice();
    }
    HidLibrary::shutdown();
    HidBackend::setInstance(nullptr);
    return 0;
}
