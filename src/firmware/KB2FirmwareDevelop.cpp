#include "KB2FirmwareDevelop.h"

#include "FirmwareImage.h"
#include "FirmwareLog.h"
#include "FirmwareMessages.h"
#include "Kb2Commands.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint8 BootLoaderRunning = 0xFF;
constexpr int ReadSliceMs = 50;      // longest read between two looks at the stop flag
constexpr int DrainLimit = 256;      // reports; a device that never falls silent is not waited for
constexpr int EraseDrainMs = 50;
constexpr int EraseRetryDelayMs = 200;
constexpr int FailureDelayMs = 100;

QString message(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

KB2FirmwareDevelop::KB2FirmwareDevelop(QObject *parent)
    : QThread(parent)
{
    m_elapsed.start();
}

KB2FirmwareDevelop::~KB2FirmwareDevelop()
{
    {
        QMutexLocker lock(&m_mutex);
        m_quit = true;
        m_stop = true;
        m_wake.wakeAll();
    }
    // Every wait of the run wakes on the stop, so this join is short.
    wait();
    close();
}

bool KB2FirmwareDevelop::startUpdate(const QByteArray &image)
{
    if (image.isEmpty()) {
        qCWarning(lcFirmware) << "empty firmware image refused";
        emit sigNotifyMessage(message(FwMessage::UpdateFailed));
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        if (m_busy || m_quit) {
            // Swapping the image under a running update would write a mix of two.
            qCWarning(lcFirmware) << "an update is already running";
            return false;
        }
        m_image = image;
        m_pending = true;
        m_busy = true;
        m_stop = false;
        m_wake.wakeAll();
    }
    if (!isRunning())
        start();
    return true;
}

void KB2FirmwareDevelop::cancel()
{
    QMutexLocker lock(&m_mutex);
    if (!m_busy)
        return;
    qCDebug(lcFirmware) << "update cancelled";
    m_stop = true;
    m_wake.wakeAll();
}

bool KB2FirmwareDevelop::isUpdating() const
{
    QMutexLocker lock(&m_mutex);
    return m_busy;
}

STU_BoardInfo2 KB2FirmwareDevelop::boardInfo() const
{
    QMutexLocker lock(&m_mutex);
    return m_info;
}

void KB2FirmwareDevelop::run()
{
    for (;;) {
        QByteArray image;
        bool abandoned = false;
        {
            QMutexLocker lock(&m_mutex);
            while (!m_quit && !m_pending)
                m_wake.wait(&m_mutex);
            abandoned = m_quit && m_pending;
            if (m_quit && !m_pending)
                break;
            image = m_image;
            m_pending = false;
        }
        const bool ok = abandoned ? endWith(FwMessage::UpdateFailed) : performUpdate(image);
        close();
        {
            QMutexLocker lock(&m_mutex);
            m_busy = false;
            m_image.clear();
        }
        emit sigUpdateFinished(ok);
        if (abandoned)
            break;
    }
    close();
}

// ---- waiting ---------------------------------------------------------------

bool KB2FirmwareDevelop::sleepFor(int ms)
{
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer deadline(ms);
    while (!m_stop.load()) {
        if (!m_wake.wait(&m_mutex, deadline))
            break;
    }
    return !m_stop.load();
}

int KB2FirmwareDevelop::readFor(quint8 *report, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        if (stopped())
            return 0;
        const int slice = int(std::min<qint64>(deadline.remainingTime(), ReadSliceMs));
        const int n = readReport(report, slice);
        if (n != 0)
            return n;
    } while (!deadline.hasExpired());
    return 0;
}

void KB2FirmwareDevelop::drainInput(int timeoutMs)
{
    quint8 report[ReportSize];
    for (int i = 0; i < DrainLimit && readFor(report, timeoutMs) > 0; ++i) {
    }
}

bool KB2FirmwareDevelop::endWith(const char *text)
{
    if (stopped() || !text) {
        qCDebug(lcFirmware) << "update stopped";
        text = FwMessage::UpdateFailed;
    }
    emit sigNotifyMessage(message(text));
    return false;
}

// ---- the update --------------------------------------------------------------

bool KB2FirmwareDevelop::findKeyboard()
{
    QStringList paths;
    findDevicePaths(paths, VendorId, ProductId);
    QByteArray found;
    for (const QString &path : qAsConst(paths)) {
        if (stopped())
            break;
        close();
        if (openPath(path.toUtf8()) && queryInfo() == 0) {
            found = path.toUtf8();
            break;
        }
    }
    close();
    if (found.isEmpty())
        return endWith(FwMessage::NoDevice);
    setDevicePath(found);
    if (!open())
        return endWith(FwMessage::CannotOpen);
    return true;
}

bool KB2FirmwareDevelop::performUpdate(const QByteArray &image)
{
    // The probe runs here rather than on the caller's thread: it may wait
    // half a second on every silent interface.
    if (!findKeyboard())
        return false;

    const QByteArray padded = fw_pad_image(image);
    const qint64 paddedSize = padded.size();
    const quint16 imageCrc = fw_crc16(padded);
    qCDebug(lcFirmware, "[%s--%d] FW Size: %d %dKB Write Size %d %dKB", __func__, __LINE__, image.size(),
            image.size() / 1024, int(paddedSize), int(paddedSize / 1024));
    qCDebug(lcFirmware, "[%s--%d] CRC fw_size:%d %dKB", __func__, __LINE__, int(paddedSize), int(paddedSize / 1024));
    emit sigNotifyMessage(message(FwMessage::Verify));

    if (queryInfo() != 0)
        return endWith(FwMessage::CheckKeyboard);
    if (!pause())
        return endWith(nullptr);
    progress(5);
    if (!pause())
        return endWith(nullptr);

    if (boardInfo().bootState < BootLoaderRunning) {
        if (queryFlashCrc(paddedSize) == imageCrc) {
            emit sigNotifyMessage(message(FwMessage::NoDownload));
            return true;
        }
        if (stopped())
            return endWith(nullptr);
        progress(10);
        if (!pause())
            return endWith(nullptr);
        if (erase(paddedSize) != 0)
            return endWith(FwMessage::EraseFailed);
        if (!restartIntoBootLoader())
            return false;
    }
    return updateFromBootLoader(padded, imageCrc);
}

bool KB2FirmwareDevelop::restartIntoBootLoader()
{
    if (!pause() || !pause())
        return endWith(nullptr);
    Kb2Frame answer;
    transaction(kb2_build_plain(Kb2Cmd::FwRebootToBoot), answer); // it leaves the bus; the answer may not come
    close();
    progress(15);
    if (!sleepFor(m_restartWaitMs))
        return endWith(nullptr);

    for (int i = 0; i < BootLoaderSearchAttempts && !stopped(); ++i) {
        if (findDevicePath(VendorId, ProductId))
            break;
    }
    if (!pause())
        return endWith(nullptr);
    if (!open())
        return endWith(FwMessage::CheckKeyboard);
    progress(20);
    if (!pause())
        return endWith(nullptr);
    if (queryInfo() != 0 || boardInfo().bootState < BootLoaderRunning)
        return endWith(FwMessage::CheckKeyboard);
    progress(25);
    return true;
}

bool KB2FirmwareDevelop::updateFromBootLoader(const QByteArray &padded, quint16 imageCrc)
{
    const qint64 paddedSize = padded.size();
    if (!pause())
        return endWith(nullptr);
    if (queryFlashCrc(paddedSize) == imageCrc) {
        // A refused finish leaves the keyboard in its boot loader: not a success.
        if (finish(paddedSize, imageCrc) != 0)
            return endWith(FwMessage::UpdateFailed);
        emit sigNotifyMessage(message(FwMessage::NoDownload));
        return true;
    }
    if (stopped())
        return endWith(nullptr);
    progress(30);
    if (!pause())
        return endWith(nullptr);
    if (erase(paddedSize) != 0)
        return endWith(FwMessage::EraseFailed);
    progress(35);
    if (!pause())
        return endWith(nullptr);
    if (!writeImage(padded))
        return false;

    progress(90);
    if (!pause())
        return endWith(nullptr);
    const int flashCrc = queryFlashCrc(paddedSize);
    qCDebug(lcFirmware, "image CRC 0x%04X, flash CRC 0x%04X", imageCrc, unsigned(flashCrc) & 0xFFFF);
    if (flashCrc != imageCrc)
        return endWith(FwMessage::UpdateFailed);
    progress(95);
    if (!pause())
        return endWith(nullptr);
    if (finish(paddedSize, imageCrc) != 0)
        return endWith(FwMessage::UpdateFailed);
    emit sigNotifyMessage(message(FwMessage::Complete));
    progress(100);
    return true;
}

bool KB2FirmwareDevelop::writeImage(const QByteArray &padded)
{
    const qint64 paddedSize = padded.size();
    qint64 offset = 0;
    int attempts = 0;
    while (offset < paddedSize) {
        if (stopped())
            return endWith(nullptr);
        qCDebug(lcFirmware) << "升级日志：flash_write！";
        const BlockResult result = writeBlock(padded, offset);
        if (result == BlockResult::DeviceGone) {
            qCWarning(lcFirmware) << "keyboard gone while writing at" << offset;
            return endWith(FwMessage::UpdateFailed);
        }
        if (result == BlockResult::Advanced) {
            attempts = 0;
        } else if (++attempts >= MaxBlockAttempts) {
            qCWarning(lcFirmware) << "block at" << offset << "not taken after" << attempts << "attempts";
            return endWith(FwMessage::UpdateFailed);
        }
        progress(35 + int(offset * 55 / paddedSize));
    }
    return true;
}

// ---- requests ----------------------------------------------------------------

int KB2FirmwareDevelop::transaction(const Kb2Frame &request, Kb2Frame &response)
{
    drainInput(0); // a late answer to an earlier request must not pass for this one
    const int written = write(request.data, request.frameSize());
    if (written < 0) {
        qCDebug(lcFirmware, "111kb2_len<====>%d", written);
        return -1;
    }
    quint8 received[4 * ReportSize] = {};
    int got = 0;
    while (got < int(sizeof received)) {
        if (readFor(received + got, m_answerTimeoutMs) <= 0)
            break;
        got += ReportSize;
        // Stop at a whole frame instead of waiting out the time-out.
        if (received[0] == Kb2Frame::StartByte && received[1] + Kb2Frame::HeaderSize <= got)
            break;
    }
    const int len = kb2_frame_load(response, received, got);
    if (len <= Kb2Frame::HeaderSize) {
        qCDebug(lcFirmware, "kb2_len<====>%d", len);
        return -8;
    }
    const quint8 status = kb2_get_u8(response, 0);
    if (status != 0) {
        qCDebug(lcFirmware, "222kb2_len<====>%d", status);
        return -1;
    }
    const quint8 command = response.command();
    if (command != quint8(request.command() + Kb2Cmd::ResponseFlag) && command < Kb2Cmd::AnyResponse)
        return -2;
    return 0;
}

int KB2FirmwareDevelop::queryInfo()
{
    Kb2Frame answer;
    if (transaction(kb2_build_plain(Kb2Cmd::FwInfo), answer) != 0)
        return -1;
    if (answer.command() != quint8(Kb2Cmd::FwInfo + Kb2Cmd::ResponseFlag))
        return -1;
    STU_BoardInfo2 info;
    if (!kb2_decode_board_info(answer.data, Kb2Frame::Size, info))
        return -1;
    QMutexLocker lock(&m_mutex);
    m_info = info;
    return 0;
}

int KB2FirmwareDevelop::queryFlashCrc(qint64 paddedSize)
{
    Kb2Frame request;
    kb2_frame_begin(request, Kb2Cmd::FwFlashCrc);
    kb2_put_u32(request, 0);
    kb2_put_u32(request, quint32(paddedSize));
    kb2_put_u8(request, 0xFF);
    kb2_put_u8(request, 0xFF);
    kb2_frame_seal(request);

    Kb2Frame answer;
    const int rc = transaction(request, answer);
    if (rc < 0) {
        if (!stopped())
            emit sigNotifyMessage(message(FwMessage::ReadWriteAbnormal) + QLatin1Char(' ') + QString::number(rc));
        return -1;
    }
    if (answer.command() != quint8(Kb2Cmd::FwFlashCrc + Kb2Cmd::ResponseFlag) && answer.command() < Kb2Cmd::AnyResponse)
        return -2;
    return kb2_get_u16(answer, 9);
}

int KB2FirmwareDevelop::erase(qint64 paddedSize)
{
    drainInput(EraseDrainMs);
    Kb2Frame request;
    kb2_frame_begin(request, Kb2Cmd::FwErase);
    kb2_put_u32(request, 0);
    kb2_put_u32(request, quint32(paddedSize));
    kb2_put_u8(request, 0xFF);
    kb2_frame_seal(request);
    if (write(request.data, request.frameSize()) < 1)
        return -2;

    const int eraseTimeoutMs = 3 * m_answerTimeoutMs;
    for (;;) {
        quint8 report[ReportSize] = {};
        int n = readFor(report, eraseTimeoutMs);
        qCDebug(lcFirmware) << "first:" << m_elapsed.elapsed() / 1000.0;
        if (n == 0 && sleepFor(EraseRetryDelayMs))
            n = readFor(report, eraseTimeoutMs);
        qCDebug(lcFirmware) << "second:" << m_elapsed.elapsed() / 1000.0;

        quint8 frame[Kb2Frame::Size] = {};
        const int len = kb2_frame_copy_check(frame, report, n > 0 ? ReportSize : 0);
        if (len < 0) {
            sleepFor(FailureDelayMs);
            qCDebug(lcFirmware) << "&&&&&&&&&&&&len:" << len;
            return -1;
        }
        const quint8 command = frame[2];
        if (command != quint8(Kb2Cmd::FwErase + Kb2Cmd::ResponseFlag) && command < Kb2Cmd::AnyResponse)
            return -2;
        // A refusal (a range outside the flash, say) also ends the series.
        if (frame[Kb2Frame::HeaderSize] != 0) {
            qCWarning(lcFirmware) << "erase refused, status" << frame[Kb2Frame::HeaderSize];
            return -3;
        }
        if (frame[Kb2Frame::HeaderSize + 1] == 0xFF)
            return 0;
    }
}

KB2FirmwareDevelop::BlockResult KB2FirmwareDevelop::writeBlock(const QByteArray &padded, qint64 &offset)
{
    const qint64 paddedSize = padded.size();
    if (offset >= paddedSize)
        return BlockResult::Advanced;
    const int count = int(std::min<qint64>(paddedSize - offset, BlockSize));
    qCDebug(lcFirmware) << "升级日志：boardWriteCode！" << offset << count;

    Kb2Frame request;
    kb2_frame_begin(request, Kb2Cmd::FwWriteBlock);
    kb2_put_u32(request, quint32(offset));
    kb2_put_u16(request, quint16(count));
    kb2_put_raw(request, reinterpret_cast<const quint8 *>(padded.constData() + offset), count);
    kb2_frame_seal(request);

    drainInput(0);
    qCDebug(lcFirmware) << "升级日志：写数据！" << request.frameSize();
    const int written = write(request.data, request.frameSize());
    qCDebug(lcFirmware) << "升级日志：写完成！" << written;
    if (written < 1)
        return isOpen() ? BlockResult::NotAdvanced : BlockResult::DeviceGone;

    quint8 report[ReportSize] = {};
    const int n = readFor(report, m_answerTimeoutMs);
    if (n < 0 || !isOpen())
        return BlockResult::DeviceGone;
    quint8 frame[Kb2Frame::Size] = {};
    if (n == 0 || kb2_frame_copy_check(frame, report, ReportSize) < 0)
        return BlockResult::NotAdvanced;
    const quint8 command = frame[2];
    const quint8 status = frame[Kb2Frame::HeaderSize];
    if ((command == quint8(Kb2Cmd::FwWriteBlock + Kb2Cmd::ResponseFlag) || command == Kb2Cmd::AnyResponse) && status == 0) {
        offset += count;
        return BlockResult::Advanced;
    }
    // Refused (or a foreign answer): the block was not stored.
    qCDebug(lcFirmware) << "block at" << offset << "refused, command" << command << "status" << status;
    sleepFor(FailureDelayMs);
    return BlockResult::NotAdvanced;
}

int KB2FirmwareDevelop::finish(qint64 paddedSize, quint16 imageCrc)
{
    Kb2Frame request;
    kb2_frame_begin(request, Kb2Cmd::FwFinish);
    kb2_put_u32(request, 0);
    kb2_put_u32(request, quint32(paddedSize));
    kb2_put_u16(request, imageCrc);
    kb2_put_u8(request, 0xFF);
    kb2_put_u8(request, 0xFF);
    kb2_frame_seal(request);
    Kb2Frame answer;
    const int rc = transaction(request, answer);
    if (rc != 0)
        qCDebug(lcFirmware) << "finish answered" << rc;
    // Only a refusal, or a request that never went out, is a failure: the
    // keyboard may restart before its answer is read.
    return rc == -1 ? -1 : 0;
}
