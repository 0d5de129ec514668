#include "FlashCommand.h"

#include "CliCommon.h"
#include "FirmwareImage.h"
#include "FirmwareMessages.h"
#include "HidBackend.h"
#include "InterruptWatch.h"
#include "KB2FirmwareDevelop.h"
#include "KeyboardLock.h"
#include "KeyboardReturn.h"
#include "SimScenario.h"
#include "VirtualHidBackend.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

// Restores the process-wide HID backend when the command returns.
struct BackendGuard {
    HidBackend *previous = HidBackend::instance();
    ~BackendGuard() { HidBackend::setInstance(previous); }
};

// How long a keyboard may take to come back after an update.
constexpr int ReturnTimeoutMs = 15000;

} // namespace

int runFlashCommand(const QString &imagePath, int simulateFamily, bool waitForKeyboard)
{
    // As in the settings dialog: firmware comes as a .bin file, and nothing
    // else is written to the keyboard.
    if (QFileInfo(imagePath).suffix().compare(QLatin1String("bin"), Qt::CaseInsensitive) != 0) {
        std::fprintf(stderr, "corvane-cli: %s is not a firmware image: only .bin files are written to the keyboard\n",
                     imagePath.toLocal8Bit().constData());
        return 1;
    }
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "corvane-cli: cannot read %s: %s\n", imagePath.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
        return 1;
    }
    if (file.size() > FwMaxImageSize) {
        std::fprintf(stderr, "corvane-cli: %s is not a firmware image: %lld bytes, more than a firmware can be\n",
                     imagePath.toLocal8Bit().constData(), static_cast<long long>(file.size()));
        return 1;
    }
    const QByteArray image = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "corvane-cli: cannot read %s: %s\n", imagePath.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
        return 1;
    }
    if (image.isEmpty()) {
        std::fprintf(stderr, "corvane-cli: %s is empty, nothing to flash\n", imagePath.toLocal8Bit().constData());
        return 1;
    }

    // The engine reports through queued signals, which need an application
    // object on this thread.
    std::unique_ptr<QCoreApplication> ownApp;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "corvane-cli";
        static char *argv[] = {name, nullptr};
        ownApp = std::make_unique<QCoreApplication>(argc, argv);
    }

    // Held until the keyboard is back: while it restarts into its boot
    // loader and out again, Corvane leaves it alone.
    KeyboardLock lock(QStringLiteral("corvane-cli flash"));
    if (const int refused = takeKeyboard(lock, QStringLiteral("flash"), CliOutput()))
        return refused;
    InterruptWatch *interrupts = InterruptWatch::current();

    BackendGuard guard;
    std::unique_ptr<VirtualHidBackend> simulated;
    if (simulateFamily >= 0) {
        SimScenario scenario;
        scenario.distinctive = false;
        std::string error;
        if (!simScenarioFromEnvironment(simulateFamily, scenario, error)) {
            std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
            return 1;
        }
        simulated = std::make_unique<VirtualHidBackend>();
        addScenarioKeyboard(*simulated, scenario);
        HidBackend::setInstance(simulated.get());
    }

    ProgressLine line;
    QString lastMessage;
    bool finished = false;
    QEventLoop loop;
    {
        KB2FirmwareDevelop engine;
        QObject::connect(&engine, &KB2FirmwareDevelop::sigNotifyProgress, &loop,
                         [&](int value) { line.setProgress(value); });
        // Only the last message is the outcome; the ones before it are steps.
        QObject::connect(&engine, &KB2FirmwareDevelop::sigNotifyMessage, &loop,
                         [&](const QString &text) { lastMessage = text; });
        QObject::connect(&engine, &KB2FirmwareDevelop::sigUpdateFinished, &loop, [&] {
            finished = true;
            loop.quit();
        });
        // Ctrl-C cancels the engine: it stops at its next wait and abandons
        // the block in hand (a block goes out as one report, never half), and
        // its last message says where it left the keyboard.
        if (interrupts)
            QObject::connect(interrupts, &InterruptWatch::interrupted, &engine, &KB2FirmwareDevelop::cancel);
        if (!interruptRequested() && engine.startUpdate(image))
            loop.exec();
        // Messages queued before the end have been delivered: they precede
        // sigUpdateFinished on the same connection order.
    }
    line.end();

    const bool ok = finished && (lastMessage == QLatin1String(FwMessage::Complete) ||
                                 lastMessage == QLatin1String(FwMessage::NoDownload));
    if (interruptRequested()) {
        if (ok)
            std::fprintf(stderr, "corvane-cli: interrupted after the update: %s\n", lastMessage.toLocal8Bit().constData());
        else if (lastMessage == QLatin1String(FwMessage::FailedInBootLoader))
            std::fputs("corvane-cli: interrupted: the keyboard is waiting in its boot loader without firmware; "
                       "run the same flash again to finish the update\n",
                       stderr);
        else
            std::fputs("corvane-cli: interrupted before anything was erased; the keyboard keeps its firmware\n", stderr);
        return InterruptedExitCode;
    }
    if (!ok) {
        std::fprintf(stderr, "corvane-cli: firmware update failed: %s\n",
                     lastMessage.isEmpty() ? "no answer" : lastMessage.toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stderr, "%s\n", lastMessage.toLocal8Bit().constData());
    if (!waitForKeyboard)
        return 0;

    // The keyboard restarts into its new firmware; a script wants to know it
    // is back, and with which version, before it goes on.
    // On a thread of its own, so that Ctrl-C is heard meanwhile.
    STU_BoardInfo2 info;
    std::atomic<bool> stopWaiting{false};
    bool back = false;
    QEventLoop waitLoop;
    QThread *waiter = QThread::create([&] { back = waitForKeyboardApplication(ReturnTimeoutMs, &info, &stopWaiting); });
    QObject::connect(waiter, &QThread::finished, &waitLoop, &QEventLoop::quit);
    if (interrupts)
        QObject::connect(interrupts, &InterruptWatch::interrupted, &waitLoop, [&] { stopWaiting = true; });
    waiter->start();
    waitLoop.exec();
    waiter->wait();
    delete waiter;
    if (interruptRequested()) {
        std::fputs("corvane-cli: interrupted while waiting for the keyboard; the update itself is complete\n", stderr);
        return InterruptedExitCode;
    }
    if (!back) {
        std::fprintf(stderr, "corvane-cli: the keyboard did not come back within %d s; unplug it and plug it in again\n",
                     ReturnTimeoutMs / 1000);
        return 1;
    }
    std::printf("firmware %s\n", QByteArray(info.version).constData());
    return 0;
}
