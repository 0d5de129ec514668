// Applying a profile at 1 ms device latency, by its difference from the
// keyboard and as the whole plan: frames sent and the time from the first
// request queued to the last answer, for a profile that differs in one
// key's travel and for one that differs in everything. BENCH_QUICK=1: one
// run per figure instead of the median of five.

#include "common/BenchMode.h"

#include "BoardProfile.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "KeyboardAction.h"
#include "KeyboardConfig.h"
#include "KeyboardSession.h"
#include "ProfilePlan.h"
#include "VirtualHidBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int Runs = Bench::scaled(5, 1);

bool runUntil(QEventLoop &loop, int ms)
{
    bool timedOut = false;
    QTimer::singleShot(ms, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    return !timedOut;
}

// Connects and reads the keyboard as it is now.
bool readKeyboard(KeyboardAction &worker, KeyboardConfig *config)
{
    KeyboardSession session(&worker);
    QEventLoop loop;
    QObject::connect(&session, &KeyboardSession::readBackFinished, &loop, &QEventLoop::quit);
    if (worker.connectDevice() != 0 || !runUntil(loop, 60000) || !session.isComplete()) {
        std::fprintf(stderr, "bench_apply: the keyboard could not be read\n");
        return false;
    }
    *config = configFromReadBack(session.readBack());
    return true;
}

struct Figure {
    int frames = 0;
    double ms = 0;
};

// A fresh connection to the keyboard as it was, then the plan for the
// profile, timed until the worker has had every answer.
Figure applyOnce(VirtualKeyboard &kb, const VirtualKeyboard::State &start, const ProfileData &profile, bool full)
{
    kb.modify([&start](VirtualKeyboard::State &s) { s = start; });
    KeyboardAction worker;
    KeyboardConfig holds;
    if (!readKeyboard(worker, &holds))
        return {};
    const BoardKeys board = boardKeysOf(worker);
    const QList<ProfileStep> plan = full ? planWholeProfile(profile, holds, board.keys, {})
                                         : planChange(holds, configWithProfile(holds, profile, board.keys), {});
    kb.clearFrameLog();
    QEventLoop idle;
    quint64 target = ~quint64(0);
    QObject::connect(worker.reports(), &KeyboardWorker::sigKB2Idle, &idle, [&](quint64 serial) {
        if (serial >= target)
            idle.quit();
    });
    QElapsedTimer timer;
    timer.start();
    for (const ProfileStep &step : plan)
        runProfileStep(step, worker);
    target = worker.workSerial();
    if (planSends(plan))
        runUntil(idle, 60000);
    Figure f;
    f.ms = timer.nsecsElapsed() / 1e6;
    for (const auto &frame : kb.frameLog())
        f.frames += frame.direction == VirtualKeyboard::Direction::ToKeyboard;
    worker.closeDevice();
    return f;
}

Figure median(VirtualKeyboard &kb, const VirtualKeyboard::State &start, const ProfileData &profile, bool full)
{
    std::vector<Figure> runs;
    for (int i = 0; i < Runs; ++i)
        runs.push_back(applyOnce(kb, start, profile, full));
    std::sort(runs.begin(), runs.end(), [](const Figure &a, const Figure &b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

void print(const char *what, const Figure &difference, const Figure &whole)
{
    std::printf("%s: by difference %d frames in %.1f ms; whole plan %d frames in %.1f ms (median of %d)\n", what,
                difference.frames, difference.ms, whole.frames, whole.ms, Runs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));

    VirtualHidBackend backend;
    VirtualKeyboard::Options options; // 1 ms latency
    VirtualKeyboard &kb = backend.addKeyboard(options);
    kb.fillDistinctive();
    HidBackend::setInstance(&backend);
    const VirtualKeyboard::State start = kb.state();

    // The keyboard's own configuration, as a profile.
    KeyboardConfig holds;
    {
        KeyboardAction worker;
        if (!readKeyboard(worker, &holds))
            return 1;
        worker.closeDevice();
    }

    // One key's travel.
    ProfileData oneKey = profileOfConfig(holds);
    const int key = oneKey.keyTravel->firstKey();
    KeyTravelRecord &rec = (*oneKey.keyTravel)[key];
    rec.workMode = 1;
    rec.keyTouchDis = quint16(rec.keyTouchDis == 1230 ? 1240 : 1230);
    print("one key's travel", median(kb, start, oneKey, false), median(kb, start, oneKey, true));

    // Everything: lighting, travel and dead zones, every layer key, every
    // key's travel.
    ProfileData all = profileOfConfig(holds);
    all.lighting->mode = all.lighting->mode == 3 ? 4 : 3;
    all.lighting->brightness = 4 - all.lighting->brightness;
    all.performance->globalTravelUm += 100;
    all.performance->pressDeadZoneUm += 10;
    const QList<int> keys = all.layers->at(0).keys();
    for (auto &layer : *all.layers)
        for (int i = 0; i < keys.size(); ++i)
            layer.insert(keys.at(i), keys.at((i + 1) % keys.size()));
    for (auto it = all.keyTravel->begin(); it != all.keyTravel->end(); ++it) {
        it->workMode = it->workMode == 2 ? 1 : 2;
        it->keyTouchDis = quint16(it->keyTouchDis + 10);
        it->quickTouchPressDis = 300;
        it->quickTouchUpDis = 200;
    }
    print("everything", median(kb, start, all, false), median(kb, start, all, true));

    HidLibrary::shutdown();
    HidBackend::setInstance(nullptr);
    return 0;
}
