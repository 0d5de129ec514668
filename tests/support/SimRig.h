#pragma once

// A device worker on a virtual keyboard with no latency, for tests that
// drive the worker end to end.

#include "HidBackend.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "SoftwareConfig.h"
#include "VirtualHidBackend.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

struct SimRig {
    explicit SimRig(VirtualKeyboard::Options options = fastOptions()) : kb(backend.addKeyboard(options))
    {
        HidBackend::setInstance(&backend);
        SoftwareConfig::instance()->clearMatrix();
        worker = std::make_unique<KeyboardAction>();
        worker->setFirstWriteDelay(0);
        worker->setProbeTimeout(30);
    }
    ~SimRig()
    {
        worker.reset();
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
    // Connects and runs the whole read-back.
    bool readBack(KeyboardSession &session)
    {
        QSignalSpy done(&session, &KeyboardSession::readBackComplete);
        return worker->connectDevice() == 0 && done.wait(20000);
    }
    // Waits until the worker has sent everything and sleeps.
    bool waitIdle()
    {
        QElapsedTimer t;
        t.start();
        while (!worker->isIdle() && t.elapsed() < 5000)
            QTest::qWait(2);
        QCoreApplication::processEvents();
        return worker->isIdle();
    }
    int cellOf(int keyType) const { return kb.cellOf(quint8(keyTypeCode(keyType))); }
    quint16 param(int p, int keyType) const { return kb.state().params[p][cellOf(keyType)]; }

    VirtualHidBackend backend;
    VirtualKeyboard &kb;
    std::unique_ptr<KeyboardAction> worker;
};
