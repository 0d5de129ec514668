#include "KB2FirmwareDevelop.h"

#include "FirmwareImage.h"
#include "FirmwareLog.h"
#include "FirmwareMessages.h"
#include "Kb2Commands.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "Kb2Errors.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint8 BootLoaderRunning = 0xFF;
// Spacing of the looks for a keyboard coming back from its restart.
constexpr int LookAgainMs = 100;
constexpr int ReadSliceMs = 50;      // longest read between two looks at the stop flag
constexpr int DrainLimit = 256;      // reports; a device that never falls silent is not waited for
constexpr int EraseDrainMs = 50;
constexpr int FailureDelayMs = 100;
// However the progress frames come, an erase ends within this.
constexpr int EraseDeadlineMs = 60000;

QString message(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

KB2FirmwareDevelop::KB2FirmwareDevelop(QObject *parent)
    : QThread(parent)
{
    m_elapsed.start();
    m_link.setInterrupt([this] { return stopped(); });
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
    if (image.isEmpty() || image.size() > FwMaxImageSize) {
        qCDebug(lcFirmware) << "firmware image of" << image.size() << "bytes refused";
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
        m_inBootLoader = false;
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
    // Whatever went wrong, the user needs to know the keyboard is not dead.
    if (m_inBootLoader)
        text = FwMessage::FailedInBootLoader;
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

    m_inBootLoader = boardInfo().bootState >= BootLoaderRunning;
    if (!m_inBootLoader) {
        if (queryFlashCrc(paddedSize) == imageCrc) {
            emit sigNotifyMessage(message(FwMessage::NoDownload));
            return true;
        }
        if (stopped())
            return endWith(nullptr);
        progress(10);
        if (!pause())
            return endWith(nullptr);
        // From the first erase on, the application may be gone.
        m_inBootLoader = true;
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

    // The application may still be on the bus for a moment after its answer,
    // and a node that has just appeared may not be open to us yet: only the
    // boot loader itself ends the search.
    int tries = 0;
    for (int i = 0; i < BootLoaderSearchAttempts && tries < BootLoaderOpenAttempts; ++i) {
        if (stopped())
            return endWith(nullptr);
        if (findDevicePath(VendorId, ProductId)) {
            ++tries;
            // A boot loader that has just enumerated is given a pause before
            // it is opened, and another before it is asked who it is.
            if (!pause())
                return endWith(nullptr);
            if (open()) {
                progress(20);
                if (!pause())
                    return endWith(nullptr);
                if (queryInfo() == 0 && boardInfo().bootState >= BootLoaderRunning) {
                    progress(25);
                    return true;
                }
                close();
            }
        }
        if (!sleepFor(BootLoaderSearchIntervalMs))
            return endWith(nullptr);
    }
    return endWith(FwMessage::CheckKeyboard);
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
            qCDebug(lcFirmware) << "keyboard gone while writing at" << offset;
            emit sigNotifyMessage(message(FwMessage::DeviceLost));
            return endWith(FwMessage::UpdateFailed);
        }
        if (result == BlockResult::Advanced) {
            attempts = 0;
        } else if (++attempts >= MaxBlockAttempts) {
            qCDebug(lcFirmware) << "block at" << offset << "not taken after" << attempts << "attempts";
            return endWith(FwMessage::UpdateFailed);
        }
        progress(35 + int(offset * 55 / paddedSize));
    }
    return true;
}

// ---- requests ----------------------------------------------------------------

int KB2FirmwareDevelop::transaction(const Kb2Frame &request, Kb2Frame &response)
{
    const int rc = m_link.exchange(request, response, m_answerTimeoutMs);
    if (rc != Kb2Error::Ok)
        qCDebug(lcFirmware, "command 0x%02X: %s", unsigned(request.command()), kb2ErrorName(rc));
    return rc;
}

int KB2FirmwareDevelop::queryInfo()
{
    Kb2Frame answer;
    if (transaction(kb2_build_plain(Kb2Cmd::FwInfo), answer) != Kb2Error::Ok)
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
    if (rc != Kb2Error::Ok) {
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
    Kb2Frame request;
    kb2_frame_begin(request, Kb2Cmd::FwErase);
    kb2_put_u32(request, 0);
    kb2_put_u32(request, quint32(paddedSize));
    kb2_put_u8(request, 0xFF);
    kb2_frame_seal(request);

    // Sent once and waited for: the boot loader is never asked to erase
    // again while its first erase may still be running.
    drainInput(EraseDrainMs);
    const int sent = m_link.send(request);
    if (sent != Kb2Error::Ok)
        return sent;
    const int frameTimeoutMs = 3 * m_answerTimeoutMs;
    const auto progressFrame = [](const Kb2Frame &f) {
        return f.command() == quint8(Kb2Cmd::FwErase + Kb2Cmd::ResponseFlag) || f.command() == Kb2Cmd::AnyResponse;
    };
    QDeadlineTimer deadline(EraseDeadlineMs);
    int badFrames = 0;
    bool silentBefore = false;
    while (!deadline.hasExpired()) {
        Kb2Frame frame;
        const int rc = m_link.receive(frame, frameTimeoutMs, progressFrame);
        qCDebug(lcFirmware) << "erase frame:" << kb2ErrorName(rc) << m_elapsed.elapsed() / 1000.0;
        if (rc == Kb2Error::NoAnswer) {
            // Silent: a short pause, then one more wait for the next frame.
            if (silentBefore)
                break;
            silentBefore = true;
            if (!sleepFor(EraseSilencePauseMs))
                return Kb2Error::Stopped;
            continue;
        }
        silentBefore = false;
        if (rc == Kb2Error::Corrupt) {
            // The next frame, or the end marker, still tells where the erase is.
            qCDebug(lcFirmware) << "&&&&&&&&&&&&len:" << rc;
            ++badFrames;
            continue;
        }
        if (rc == Kb2Error::Refused) {
            // A refusal (a range outside the flash, say) ends the series.
            qCDebug(lcFirmware) << "erase refused, status" << kb2_get_u8(frame, 0);
            return rc;
        }
        if (rc != Kb2Error::Ok)
            return rc;
        emit sigStillWorking();
        if (kb2_get_u8(frame, 1) == 0xFF)
            return 0;
    }
    qCDebug(lcFirmware) << "erase did not end;" << badFrames << "bad progress frames";
    return Kb2Error::NoAnswer;
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

    qCDebug(lcFirmware) << "升级日志：写数据！" << request.frameSize();
    // A late acknowledgement of an earlier try must not pass for this one.
    m_link.discardPending();
    int rc = m_link.send(request);
    qCDebug(lcFirmware) << "升级日志：写完成！" << kb2ErrorName(rc);
    if (rc != Kb2Error::Ok)
        return kb2DeviceGone(rc) ? BlockResult::DeviceGone : BlockResult::NotAdvanced;
    // The first whole frame, whatever it answers; nothing, or a corrupt
    // frame, has the block sent again.
    Kb2Frame answer;
    rc = m_link.receive(answer, m_answerTimeoutMs, nullptr);
    if (kb2DeviceGone(rc))
        return BlockResult::DeviceGone;
    if (rc != Kb2Error::Ok && rc != Kb2Error::Refused)
        return BlockResult::NotAdvanced;
    const quint8 command = answer.command();
    if (command == quint8(Kb2Cmd::FwWriteBlock + Kb2Cmd::ResponseFlag) || command == Kb2Cmd::AnyResponse) {
        // An acknowledgement moves on, whatever its status says: the CRC of
        // the whole flash at the end is what proves the image.
        if (rc == Kb2Error::Refused)
            qCDebug(lcFirmware) << "block at" << offset << "acknowledged with status" << kb2_get_u8(answer, 0);
        offset += count;
        return BlockResult::Advanced;
    }
    qCDebug(lcFirmware, "answer 0x%02X to the block at %lld: sending it again", unsigned(command), offset);
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
    emit sigAwaitingVerdict();
    Kb2Frame answer;
    int rc = transaction(request, answer);
    if (rc == Kb2Error::Ok)
        return 0;
    if (rc != Kb2Error::NoAnswer && rc != Kb2Error::Corrupt && rc != Kb2Error::ReadFailed)
        return -1; // refused, never sent, or stopped

    // No answer in time: the keyboard may be slow to answer, or may have
    // restarted before its answer was read. The verdict is the late answer,
    // or else the keyboard coming back running its application.
    QDeadlineTimer deadline(m_finishVerdictMs.load());
    const auto answersFinish = [&request](const Kb2Frame &f) { return kb2_answer_matches(request, f); };
    while (rc != Kb2Error::ReadFailed && !stopped() && !deadline.hasExpired()) {
        rc = m_link.receive(answer, int(qMin<qint64>(deadline.remainingTime(), m_answerTimeoutMs)), answersFinish);
        if (rc == Kb2Error::Ok)
            return 0;
        if (rc == Kb2Error::Refused || rc == Kb2Error::Closed || rc == Kb2Error::Stopped)
            return -1;
    }
    close();
    if (stopped() || !waitForApplication(deadline)) {
        qCDebug(lcFirmware) << "the finish was not answered and the keyboard did not come back";
        return -1;
    }
    return 0;
}

bool KB2FirmwareDevelop::waitForApplication(const QDeadlineTimer &deadline)
{
    while (!stopped()) {
        QStringList paths;
        findDevicePaths(paths, VendorId, ProductId);
        for (const QString &path : qAsConst(paths)) {
            close();
            if (openPath(path.toUtf8()) && queryInfo() == 0 && boardInfo().bootState < BootLoaderRunning) {
                close();
                return true;
            }
        }
        close();
        if (deadline.remainingTime() <= LookAgainMs || !sleepFor(LookAgainMs))
            return false;
    }
    return false;
}
