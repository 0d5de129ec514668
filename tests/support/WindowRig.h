#pragma once

// The main window on the virtual keyboard, in a fresh working folder, with
// the prompts answered by the test: for the window's own tests and for the
// walks over everything it opens.

#include "DeviceLifecycle.h"
#include "DeviceNotifier.h"
#include "HidBackend.h"
#include "KeyboardAction.h"
#include "MainWindow.h"
#include "ProfileManager.h"
#include "QueuedSpy.h"
#include "SystemConfig.h"
#include "UserMessage.h"
#include "VirtualHidBackend.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>
#include <memory>

struct WindowRig {
    // prepare runs in the working folder before the window is built.
    explicit WindowRig(int family = 0, bool bootLoader = false, const std::function<void()> &prepare = {})
    {
        QDir::setCurrent(dir.path());
        if (prepare)
            prepare();
        SystemConfig().setLanguage("Chinese"); // the texts below are the Chinese sources
        VirtualKeyboard::Options o;
        o.family = family;
        o.startInBootLoader = bootLoader;
        o.latencyUs = 0;
        kb = &backend.addKeyboard(o);
        kb->fillDistinctive();
        HidBackend::setInstance(&backend);
        worker = std::make_unique<KeyboardAction>();
        worker->setFirstWriteDelay(0);
        worker->setProbeTimeout(30);
        worker->setAnswerTimeout(60);
        profiles = std::make_unique<ProfileManager>();
        window = std::make_unique<MainWindow>(&notifier, worker.get(), profiles.get());
        // Connected after the window's own listeners, so each idle report
        // reaches this spy last: when the spy has it, so has the window (the
        // read-back ends on it, for one).
        idleSpy = std::make_unique<QueuedSpy>(worker->reports(), &KeyboardWorker::sigKB2Idle);
        UserPrompts p;
        p.ask = [this](const QString &title, const QString &text) {
            questions << title + "|" + text;
            return answer;
        };
        p.inform = [this](const QString &title, const QString &text) { notes << title + "|" + text; };
        p.askProfileName = [this] { return nextName; };
        p.chooseImportFile = [this](const QString &) { return nextFile; };
        p.chooseExportFile = [this](const QString &) { return nextFile; };
        window->setPrompts(p);
        setUserMessageSink([this](const QString &title, const QString &text) { notes << title + "|" + text; });
        backend.addPlugListener([this](const std::string &path, bool arrived) {
            if (forwardPlugging)
                notifier.notify(QString::fromStdString(path), arrived);
        });
    }
    ~WindowRig()
    {
        setUserMessageSink({});
        window.reset();
        idleSpy.reset();
        worker.reset();
        HidBackend::setInstance(nullptr);
    }
    bool connected()
    {
        QSignalSpy done(window->lifecycle(), &DeviceLifecycle::initialReadFinished);
        window->startDevice();
        return done.wait(20000) && idle();
    }
    // The worker has done all it was given, and what it reported has arrived.
    bool idle()
    {
        const quint64 target = worker->workSerial();
        QDeadlineTimer deadline(20000);
        while (idleSpy->isEmpty() || idleSpy->last().first().toULongLong() < target) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }
    QVector<int> sentCommands() const
    {
        QVector<int> out;
        for (const auto &f : kb->frameLog())
            if (f.direction == VirtualKeyboard::Direction::ToKeyboard && f.interfaceNumber == kb->configInterface())
                out.append(f.bytes[2] == 0 ? 0x100 + f.bytes[4] : f.bytes[2]);
        return out;
    }

    QTemporaryDir dir;
    VirtualHidBackend backend;
    VirtualKeyboard *kb = nullptr;
    ExternalDeviceNotifier notifier;
    std::unique_ptr<KeyboardAction> worker;
    std::unique_ptr<QueuedSpy> idleSpy;
    std::unique_ptr<ProfileManager> profiles;
    std::unique_ptr<MainWindow> window;
    QStringList questions, notes;
    bool answer = true;
    bool forwardPlugging = true; // false: the window hears of no plug or unplug
    QString nextName, nextFile;
};
