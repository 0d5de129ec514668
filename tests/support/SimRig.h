#pragma once

// A device worker on a virtual keyboard with no latency, for tests that
// drive the worker end to end.

#include "HidBackend.h"
#include "HidLibrary.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "QueuedSpy.h"
#include "SimScenario.h"
#include "VirtualHidBackend.h"

#include <QSignalSpy>

#include <QTest>

#include <memory>
#include <vector>

struct SimRig {
    explicit SimRig(VirtualKeyboard::Options options = fastOptions()) : kb(backend.addKeyboard(options)) { setUp(); }
    // A keyboard described as for --simulate (latency 0 unless it says).
    explicit SimRig(const SimScenario &scenario) : kb(addScenarioKeyboard(backend, scenario)) { setUp(); }
    static SimScenario scenario(const std::string &text)
    {
        SimScenario s;
        s.options.latencyUs = 0;
        s.distinctive = false;
        std::string error;
        if (!parseSimScenario(text, s, error))
            qFatal("bad scenario %s: %s", text.c_str(), error.c_str());
        return s;
    }
    void setUp()
    {
        HidBackend::setInstance(&backend);
        worker = std::make_unique<KeyboardAction>();
        worker->setFirstWriteDelay(0);
        worker->setProbeTimeout(30);
        worker->setAnswerTimeout(60);
        idle = std::make_unique<QueuedSpy>(worker->reports(), &KeyboardWorker::sigKB2Idle);
    }
    ~SimRig()
    {
        idle.reset();
        worker.reset();
        HidLibrary::shutdown();
        HidBackend::setInstance(nullptr);
    }
    static VirtualKeyboard::Options fastOptions()
    {
        VirtualKeyboard::Options o;
        o.latencyUs = 0;
        return o;
    }
    // Frames the keyboard received on its configuration interface.
    std::vector<std::vector<uint8_t>> sentFrames() const
    {
        std::vector<std::vector<uint8_t>> out;
        for (const auto &f : kb.frameLog())
            if (f.direction == VirtualKeyboard::Direction::ToKeyboard && f.interfaceNumber == kb.configInterface())
                out.push_back(f.bytes);
        return out;
    }
    // Connects and runs the whole read-back; true when it is complete.
    bool readBack(KeyboardSession &session)
    {
        QSignalSpy done(&session, &KeyboardSession::readBackFinished);
        return worker->connectDevice() == 0 && done.wait(20000) && session.isComplete();
    }
    // Waits (bounded) until the worker has done everything it was given so
    // far and every signal it sent on the way has been delivered here.
    bool waitIdle(int timeoutMs = 10000)
    {
        const quint64 target = worker->workSerial();
        auto reached = [&] { return !idle->isEmpty() && idle->last().first().toULongLong() >= target; };
        QDeadlineTimer deadline(timeoutMs);
        while (!reached()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                            int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }
    int cellOf(int keyType) const { return kb.cellOf(quint8(keyTypeCode(keyType))); }
    quint16 param(int p, int keyType) const { return kb.state().params[p][cellOf(keyType)]; }

    VirtualHidBackend backend;
    VirtualKeyboard &kb;
    std::unique_ptr<KeyboardAction> worker;
    std::unique_ptr<QueuedSpy> idle;
};
