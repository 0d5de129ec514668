// Figures of the device link against the virtual keyboard at 1 ms latency:
// connect plus the whole read-back beside the protocol's lower bound, the
// idle CPU of a connected worker, and how long a GUI-thread call that queues
// a request can be held up while the worker is busy.

#include "HidBackend.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "VirtualHidBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The least one exchange can take under the protocol's own rules: its reports
// paced 1 ms apart, the keyboard's latency, then the drain that waits out
// the command's read time-out after the last report.
double exchangeFloorMs(const std::vector<uint8_t> &frame, bool probe, bool walk, double latencyMs)
{
    const int reports = (int(frame.size()) + 63) / 64;
    double drain;
    if (probe)
        drain = 500;
    else if (walk)
        drain = 1; // the walks drain with 1 ms
    else if (frame[2] == 0x2A)
        drain = 1;
    else if (frame[2] == 0x23)
        drain = 3;
    else
        drain = 100; // 0x00 and every other command keep the 100 ms default
    return reports * 1.0 + latencyMs + drain;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));

    VirtualHidBackend backend;
    VirtualKeyboard::Options options; // 1 ms latency, a silent first interface
    VirtualKeyboard &kb = backend.addKeyboard(options);
    kb.fillDistinctive();
    HidBackend::setInstance(&backend);

    // 1. Connect and read everything back.
    auto workerOwner = std::make_unique<KeyboardAction>();
    KeyboardAction &worker = *workerOwner;
    KeyboardSession session(&worker);
    QEventLoop loop;
    QObject::connect(&session, &KeyboardSession::readBackComplete, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    if (worker.connectDevice() != 0) {
        std::fprintf(stderr, "bench_device: connect failed\n");
        return 1;
    }
    loop.exec();
    const double readBackMs = timer.nsecsElapsed() / 1e6;
    if (!session.isComplete()) {
        std::fprintf(stderr, "bench_device: read-back did not finish\n");
        return 1;
    }

    double floorMs = 0;
    int exchanges = 0;
    int probes = 0;
    for (const auto &f : kb.frameLog()) {
        if (f.direction != VirtualKeyboard::Direction::ToKeyboard)
            continue;
        ++exchanges;
        const bool probe = f.bytes[2] == 0x01 && f.bytes[1] == 2; // the probe carries no nonce
        probes += probe;
        const bool walk = f.bytes[2] == 0x23 || f.bytes[2] == 0x2A;
        floorMs += exchangeFloorMs(f.bytes, probe, walk, options.latencyUs / 1000.0);
    }
    const double withSettle = floorMs + 1000; // the pause before the first write after opening
    std::printf("connect + read-back: %.0f ms for %d exchanges (%d probes)\n", readBackMs, exchanges, probes);
    std::printf("  protocol lower bound: %.0f ms (%.0f ms with the 1 s settle pause); ratio %.2f (%.2f)\n", floorMs,
                withSettle, readBackMs / floorMs, readBackMs / withSettle);

    // 2. Idle CPU of the connected worker.
    const double cpu0 = cpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const double idleCpu = (cpuSeconds() - cpu0) / (idle.nsecsElapsed() / 1e9) * 100.0;
    std::printf("idle CPU over %.1f s: %.3f %% of one core\n", idle.nsecsElapsed() / 1e9, idleCpu);

    // 3. Queueing from the GUI thread while the worker drains 0x00 requests.
    for (int i = 0; i < 200; ++i)
        worker.queryPrecision();
    qint64 worstNs = 0;
    int calls = 0;
    QElapsedTimer busy;
    busy.start();
    while (!worker.isIdle() && busy.elapsed() < 30000) {
        QElapsedTimer call;
        call.start();
        worker.queryKeyboardName();
        worstNs = qMax(worstNs, call.nsecsElapsed());
        ++calls;
        QCoreApplication::processEvents();
        if (calls >= 200)
            break;
    }
    std::printf("queueing while busy: worst %.3f ms over %d calls\n", worstNs / 1e6, calls);

    workerOwner.reset();
    HidBackend::setInstance(nullptr);
    return 0;
}
