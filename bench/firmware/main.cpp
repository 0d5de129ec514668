// Time to flash a 64 KiB image into a virtual keyboard at 1 ms latency, beside
// its floor: the fixed pauses and the restart wait, plus one round trip per
// block (four paced reports out, the acknowledgement back), measured first.
//
//   bench_firmware [--from-boot] [--pause MS]
//
// BENCH_QUICK=1: a 16 KiB image and a tenth of the round trips measured.

#include "common/BenchMode.h"

#include "FirmwareImage.h"
#include "HidUSB.h"
#include "Kb2Commands.h"
#include "Kb2Frame.h"
#include "FirmwareMessages.h"
#include "KB2FirmwareDevelop.h"
#include "VirtualHidBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>

#include <cstdio>

namespace {

// Mean time of one block write and its acknowledgement, straight through the
// transport, against a keyboard of its own waiting in its boot loader.
double measureRoundTripMs(int latencyUs, int blockSize, int rounds)
{
    VirtualHidBackend backend;
    VirtualKeyboard::Options options;
    options.latencyUs = latencyUs;
    options.startInBootLoader = true;
    VirtualKeyboard &kb = backend.addKeyboard(options);
    HidBackend::setInstance(&backend);
    double meanMs = 0;
    {
        HidUSB usb;
        usb.openPath(QByteArray::fromStdString(kb.configPath()));
        QByteArray data(blockSize, char(0x5A));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < rounds; ++i) {
            Kb2Frame frame;
            kb2_frame_begin(frame, Kb2Cmd::FwWriteBlock);
            kb2_put_u32(frame, quint32(i * blockSize));
            kb2_put_u16(frame, quint16(blockSize));
            kb2_put_raw(frame, reinterpret_cast<const quint8 *>(data.constData()), blockSize);
            kb2_frame_seal(frame);
            usb.write(frame.data, frame.frameSize());
            quint8 report[HidUSB::ReportSize];
            usb.readReport(report, 500);
        }
        meanMs = timer.nsecsElapsed() / 1e6 / rounds;
    }
    HidBackend::setInstance(nullptr);
    return meanMs;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
    const QStringList args = app.arguments();
    const bool fromBoot = args.contains(QStringLiteral("--from-boot"));
    const int pauseIndex = args.indexOf(QStringLiteral("--pause"));
    const int pauseMs = pauseIndex > 0 ? args.value(pauseIndex + 1).toInt() : 500;

    const int ImageSize = Bench::scaled(64, 16) * 1024;
    constexpr int LatencyUs = 1000;
    // Pauses of one update: 7 once the boot loader runs, 5 more (and the
    // restart wait) when the application has to be restarted first.
    const int pauses = fromBoot ? 7 : 12;

    const double roundTripMs = measureRoundTripMs(LatencyUs, KB2FirmwareDevelop::BlockSize, Bench::scaled(200, 20));

    VirtualHidBackend backend;
    VirtualKeyboard::Options options;
    options.latencyUs = LatencyUs;
    options.startInBootLoader = fromBoot;
    backend.addKeyboard(options);
    HidBackend::setInstance(&backend);

    QByteArray image(ImageSize, Qt::Uninitialized);
    for (int i = 0; i < ImageSize; ++i)
        image[i] = char((i * 131 + (i >> 9)) & 0xFF);

    QString last;
    bool ok = false;
    qint64 elapsedMs = 0;
    {
        KB2FirmwareDevelop engine;
        engine.setPauseMs(pauseMs);
        QEventLoop loop;
        QObject::connect(&engine, &KB2FirmwareDevelop::sigNotifyMessage, &loop, [&](const QString &m) { last = m; });
        QObject::connect(&engine, &KB2FirmwareDevelop::sigUpdateFinished, &loop, [&](bool success) {
            ok = success;
            loop.quit();
        });
        QElapsedTimer timer;
        timer.start();
        if (engine.startUpdate(image))
            loop.exec();
        elapsedMs = timer.elapsed();
        const qint64 padded = get_fw_size(image.size());
        const int blocks = int((padded + KB2FirmwareDevelop::BlockSize - 1) / KB2FirmwareDevelop::BlockSize);
        const double floorMs = pauses * double(pauseMs) + (fromBoot ? 0 : engine.restartWaitMs()) + blocks * roundTripMs;

        std::printf("flash %d KiB from the %s, latency %d us: %s\n", ImageSize / 1024,
                    fromBoot ? "boot loader" : "application", LatencyUs, qPrintable(last));
        std::printf("measured  %8.3f s\n", elapsedMs / 1000.0);
        std::printf("floor     %8.3f s  (%d pauses x %d ms%s + %d blocks x %.2f ms round trip)\n", floorMs / 1000.0, pauses,
                    pauseMs, fromBoot ? "" : qPrintable(QStringLiteral(" + %1 ms restart wait").arg(engine.restartWaitMs())),
                    blocks, roundTripMs);
        std::printf("ratio     %8.3f  (target <= 1.2)\n", elapsedMs / floorMs);
    }
    HidBackend::setInstance(nullptr);
    return ok ? 0 : 1;
}
