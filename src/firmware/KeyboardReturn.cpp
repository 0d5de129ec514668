#include "KeyboardReturn.h"

#include "FirmwareLog.h"
#include "HidUSB.h"
#include "KB2FirmwareDevelop.h"
#include "Kb2Builders.h"
#include "Kb2Commands.h"
#include "Kb2Decoders.h"
#include "Kb2Errors.h"
#include "Kb2Link.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

constexpr int AnswerTimeoutMs = 250;
// Nothing tells a program without an event loop that the keyboard is back:
// it looks again this often.
constexpr int LookAgainMs = 100;

// The board information of one interface; false when it does not answer.
bool queryInfo(const QString &path, STU_BoardInfo2 *info)
{
    HidUSB usb;
    if (!usb.openPath(path.toUtf8()))
        return false;
    Kb2Link link(usb);
    Kb2Frame answer;
    const bool ok = link.exchange(kb2_build_plain(Kb2Cmd::FwInfo), answer, AnswerTimeoutMs) == Kb2Error::Ok &&
                    answer.command() == quint8(Kb2Cmd::FwInfo + Kb2Cmd::ResponseFlag) &&
                    kb2_decode_board_info(answer.data, Kb2Frame::Size, *info);
    usb.close();
    return ok;
}

} // namespace

bool waitForKeyboardApplication(int timeoutMs, STU_BoardInfo2 *info, const std::atomic<bool> *stop)
{
    QDeadlineTimer deadline(timeoutMs);
    HidUSB finder;
    for (;;) {
        if (stop && stop->load())
            return false;
        QStringList paths;
        finder.findDevicePaths(paths, KB2FirmwareDevelop::VendorId, KB2FirmwareDevelop::ProductId);
        for (const QString &path : qAsConst(paths)) {
            STU_BoardInfo2 answer;
            if (queryInfo(path, &answer) && answer.bootState < 0xFF) {
                *info = answer;
                return true;
            }
        }
        if (deadline.remainingTime() <= LookAgainMs) {
            qCDebug(lcFirmware) << "the keyboard did not come back as its application";
            return false;
        }
        QThread::msleep(LookAgainMs);
    }
}
