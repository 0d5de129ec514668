// Profiles that follow the application in front: from the moment another
// window becomes active (on a private Xvfb, as test_focusswitch does, and on
// a headless Sway when it is installed) to the
// last configuration frame on the wire of the virtual keyboard at 1 ms
// latency, for profiles that differ from the one in use in one key and in
// everything. Also from the focus having settled (the source waits
// FocusPolicy::SettleMs for a flicker to come back) to that frame.
// Run with QT_QPA_PLATFORM=offscreen; needs Xvfb. BENCH_ROUNDS sets the
// number of switches per case (20 unless set; 2 with BENCH_QUICK=1).

#include "common/BenchMode.h"

#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "FocusPolicy.h"
#include "FocusSource.h"
#include "HidBackend.h"
#include "KeyboardAction.h"
#include "MainWindow.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "QueuedSpy.h"
#include "ShellResources.h"
#include "SystemConfig.h"
#include "UserMessage.h"
#include "VirtualHidBackend.h"
#include "XvfbDisplay.h"
#ifdef CORVANE_HAVE_WAYLAND
#include "SwayHeadless.h"
#include "linux/WlrFocusSource.h"
#endif

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = VirtualKeyboard::Clock;

void writeProfileData(const QString &name, const ProfileData &data)
{
    QDir().mkpath(ProfileManager::profileFolder());
    if (!writeProfileFile(QDir(ProfileManager::profileFolder()).filePath(name + ".kb"), writeProfile(data)))
        std::fprintf(stderr, "cannot write profile %s\n", qPrintable(name));
}

bool waitFor(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

struct Figures {
    std::vector<double> fromFocus, fromReport, fromSettled;
    std::vector<int> frames;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// The three windows of a desktop (base, one key, everything), and how one
// comes to the front.
struct Desktop {
    const char *name;
    std::function<std::unique_ptr<FocusSource>()> source;
    std::function<void(int window)> activate;
};

// Switches between the windows of a desktop; false (said on stderr) when a
// switch did not happen.
bool runDesktop(const Desktop &desktop, int rounds, Figures &oneKeyFigures, Figures &everythingFigures)
{
    VirtualHidBackend backend;
    VirtualKeyboard::Options o;
    o.latencyUs = 1000;
    VirtualKeyboard *kb = &backend.addKeyboard(o);
    kb->fillDistinctive();
    HidBackend::setInstance(&backend);
    auto worker = std::make_unique<KeyboardAction>();
    QueuedSpy idle(worker->reports(), &KeyboardWorker::sigKB2Idle);
    auto workerIdle = [&] {
        const quint64 target = worker->workSerial();
        return waitFor([&] { return !idle.isEmpty() && idle.last().first().toULongLong() >= target; });
    };
    ProfileManager profiles;
    ExternalDeviceNotifier notifier;
    MainWindow window(&notifier, worker.get(), &profiles);
    std::unique_ptr<FocusSource> focus = desktop.source();
    // Stamped before the window hears of the change: the window starts
    // applying the profile in its own handler.
    Clock::time_point settled;
    QObject::connect(window.focusPolicy(), &FocusPolicy::frontSettled, [&settled] { settled = Clock::now(); });
    window.setFocusSource(focus.get());
    // The first report of the desktop after the change was asked for: on
    // Sway the activation leaves out the start of swaymsg.
    Clock::time_point reported;
    bool haveReport = false;
    QObject::connect(focus.get(), &FocusSource::applicationChanged, [&] {
        if (!haveReport)
            reported = Clock::now();
        haveReport = true;
    });
    int switches = 0;
    QObject::connect(&window, &MainWindow::profileFollowedFocus, [&switches] { ++switches; });
    desktop.activate(0);
    if (!focus->start()) {
        std::fprintf(stderr, "bench_focus: %s: the focus source did not start\n", desktop.name);
        return false;
    }
    bool read = false;
    QObject::connect(window.lifecycle(), &DeviceLifecycle::initialReadFinished, [&read] { read = true; });
    window.startDevice();
    if (!waitFor([&] { return read; }, 60000) || !waitFor([&] { return switches == 1; }) || !workerIdle()) {
        std::fprintf(stderr, "bench_focus: %s: the keyboard did not take the first profile\n", desktop.name);
        return false;
    }

    // One switch to the window and back to the base; both directions
    // are the same difference.
    auto measure = [&](int to, Figures &figures) {
        for (int w : {to, 0}) {
            // The log keeps a bounded number of frames: start it afresh.
            kb->clearFrameLog();
            const int target = switches + 1;
            const Clock::time_point start = Clock::now();
            haveReport = false;
            desktop.activate(w);
            if (!waitFor([&] { return switches == target; }) || !workerIdle()) {
                std::fprintf(stderr, "bench_focus: %s: a switch did not happen\n", desktop.name);
                return false;
            }
            const auto log = kb->frameLog();
            Clock::time_point last = start;
            int frames = 0;
            for (const auto &frame : log) {
                if (frame.direction != VirtualKeyboard::Direction::ToKeyboard
                    || frame.interfaceNumber != kb->configInterface())
                    continue;
                last = frame.time;
                ++frames;
            }
            figures.fromFocus.push_back(std::chrono::duration<double, std::milli>(last - start).count());
            figures.fromReport.push_back(std::chrono::duration<double, std::milli>(last - reported).count());
            figures.fromSettled.push_back(std::chrono::duration<double, std::milli>(last - settled).count());
            figures.frames.push_back(frames);
        }
        return true;
    };
    bool ok = true;
    for (int i = 0; ok && i < rounds; ++i)
        ok = measure(1, oneKeyFigures) && measure(2, everythingFigures);
    focus.reset();
    worker.reset();
    HidBackend::setInstance(nullptr);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::unattended();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
    corvaneInitResources();
    if (!XvfbDisplay::available()) {
        std::fprintf(stderr, "bench_focus: Xvfb is not installed\n");
        return 1;
    }
    XvfbDisplay x;
    const QString problem = x.start();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "bench_focus: %s\n", qPrintable(problem));
        return 1;
    }
    const int asked = qEnvironmentVariableIntValue("BENCH_ROUNDS");
    const int rounds = asked > 0 ? asked : Bench::scaled(20, 2);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // The base, one that differs in one key's travel, one that differs in
    // everything it holds.
    ProfileData base = readProfile(defaultProfileDocument());
    QMap<int, KeyTravelRecord> travel = base.keyTravel.value_or(QMap<int, KeyTravelRecord>());
    for (int key = 0; key < 126; ++key)
        if (!travel.contains(key))
            travel.insert(key, KeyTravelRecord{0, 0, 2000, 300, 300, 0});
    base.keyTravel = travel;
    writeProfileData("Base", base);
    ProfileData oneKey = base;
    (*oneKey.keyTravel)[22].keyTouchDis = 1200;
    writeProfileData("OneKey", oneKey);
    ProfileData everything = base;
    LightingSettings lighting = everything.lighting.value_or(LightingSettings());
    lighting.mode = lighting.mode == 3 ? 4 : 3;
    lighting.brightness = lighting.brightness == 2 ? 3 : 2;
    lighting.speed = lighting.speed == 1 ? 2 : 1;
    everything.lighting = lighting;
    PerformanceSettings performance = everything.performance.value_or(PerformanceSettings());
    performance.globalTravelUm += 500;
    performance.pressDeadZoneUm += 100;
    performance.releaseDeadZoneUm += 100;
    everything.performance = performance;
    for (KeyTravelRecord &r : *everything.keyTravel) {
        r.workMode = 1;
        r.keyTouchDis = 1500;
        r.quickTouchPressDis = 150;
        r.quickTouchUpDis = 250;
    }
    writeProfileData("Everything", everything);
    SystemConfig config;
    config.setLanguage(QStringLiteral("Chinese"));
    AppProfileRules rules;
    rules.rules = {{"base", "Base"}, {"onekey", "OneKey"}, {"everything", "Everything"}};
    writeAppProfileRules(config, rules);
    config.sync();

    setUserMessageSink([](const QString &title, const QString &text) {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    });
    auto print = [](const char *desktop, const char *what, const Figures &f, const char *target) {
        std::printf("%s: focus change to the last frame, profiles differing in %s: median %.1f ms, worst %.1f ms%s\n",
                    desktop, what, median(f.fromFocus), worst(f.fromFocus), target);
        std::vector<double> frames(f.frames.begin(), f.frames.end());
        std::printf("  from the desktop's report of the change: median %.1f ms, worst %.1f ms\n", median(f.fromReport),
                    worst(f.fromReport));
        std::printf("  of which after the focus settled (%d ms): median %.1f ms, worst %.1f ms; "
                    "frames sent: median %.0f, most %.0f\n",
                    FocusPolicy::SettleMs, median(f.fromSettled), worst(f.fromSettled), median(frames), worst(frames));
    };
    std::printf("%d switches per case, virtual keyboard at 1 ms latency\n", 2 * rounds);

    // X11: windows on the private Xvfb made active as a window manager would.
    const char *const names[3][2] = {{"base", "Base"}, {"onekey", "OneKey"}, {"everything", "Everything"}};
    std::vector<xcb_window_t> windows;
    for (const auto &n : names)
        windows.push_back(x.createWindow(n[0], n[1], 0));
    Desktop x11{"X11", [&x] { return std::unique_ptr<FocusSource>(FocusSource::createSystemSource(nullptr, x.name())); },
                [&](int w) { x.activate({windows[size_t(w)]}); }};
    Figures oneKeyFigures, everythingFigures;
    if (!runDesktop(x11, rounds, oneKeyFigures, everythingFigures))
        return 1;
    print("X11", "one key", oneKeyFigures, " (target < 150 ms)");
    print("X11", "everything", everythingFigures, "");

    // Sway: a headless one, windows whose app ids the rules name, focused by
    // swaymsg (its start is part of the figure).
#ifdef CORVANE_HAVE_WAYLAND
    const QString missing = SwayHeadless::missing();
    if (!missing.isEmpty()) {
        std::printf("Sway (wlroots): not measured, %s\n", qPrintable(missing));
    } else {
        SwayHeadless sway;
        const QString swayProblem = sway.start();
        if (!swayProblem.isEmpty()) {
            std::fprintf(stderr, "bench_focus: %s\n", qPrintable(swayProblem));
            return 1;
        }
        // One window after the other, each in front once it is there; the
        // base last, so that it is in front at the start.
        {
            WlrFocusSource probe(sway.display());
            if (!probe.start()) {
                std::fprintf(stderr, "bench_focus: the headless Sway does not report its windows\n");
                return 1;
            }
            for (int w : {1, 2, 0}) {
                sway.openWindow(QLatin1String(names[w][0]), QLatin1String(names[w][1]));
                if (!waitFor([&] { return probe.current().windowClass == QLatin1String(names[w][0]); })) {
                    std::fprintf(stderr, "bench_focus: a window did not open on Sway (in front: \"%s\")\n",
                                 qPrintable(probe.current().windowClass));
                    return 1;
                }
            }
        }
        Desktop wlr{"Sway (wlroots)",
                    [&sway] { return std::unique_ptr<FocusSource>(new WlrFocusSource(sway.display())); },
                    [&](int w) { sway.command(QStringLiteral("[app_id=\"%1\"] focus").arg(QLatin1String(names[w][0]))); }};
        Figures swayOneKey, swayEverything;
        if (!runDesktop(wlr, rounds, swayOneKey, swayEverything))
            return 1;
        print("Sway (wlroots)", "one key", swayOneKey, " (target < 150 ms)");
        print("Sway (wlroots)", "everything", swayEverything, "");
    }
#else
    std::printf("Sway (wlroots): not measured, built without libwayland-client\n");
#endif
    setUserMessageSink({});
    return 0;
}
