#include "FirmwareStatusText.h"

#include "FirmwareMessages.h"

#include <QCoreApplication>

QString firmwareMessageText(const QString &message)
{
    struct Entry {
        const char *engine;
        const char *shown;
    };
    static const Entry table[] = {
        {FwMessage::Verify, QT_TRANSLATE_NOOP("FirmwareStatusText", "正在校验固件信息，请稍候...")},
        {FwMessage::CheckKeyboard, QT_TRANSLATE_NOOP("FirmwareStatusText", "请检查键盘是否正常工作！")},
        {FwMessage::NoDownload, QT_TRANSLATE_NOOP("FirmwareStatusText", "键盘已经是这个固件，无需升级。")},
        {FwMessage::EraseFailed, QT_TRANSLATE_NOOP("FirmwareStatusText", "键盘数据擦除异常！")},
        {FwMessage::UpdateFailed, QT_TRANSLATE_NOOP("FirmwareStatusText", "固件升级失败！")},
        {FwMessage::FailedInBootLoader,
         QT_TRANSLATE_NOOP("FirmwareStatusText", "固件升级失败！键盘停留在升级模式，请再次升级以恢复键盘。")},
        {FwMessage::DeviceLost, QT_TRANSLATE_NOOP("FirmwareStatusText", "设备断开，升级失败，请重试。")},
        {FwMessage::Complete, QT_TRANSLATE_NOOP("FirmwareStatusText", "固件升级完成！")},
        {FwMessage::NoDevice, QT_TRANSLATE_NOOP("FirmwareStatusText", "没有找到键盘！")},
        {FwMessage::CannotOpen, QT_TRANSLATE_NOOP("FirmwareStatusText", "无法打开键盘！")},
    };
    for (const Entry &e : table) {
        if (message == QLatin1String(e.engine))
            return QCoreApplication::translate("FirmwareStatusText", e.shown);
    }
    // "...abnormal!" comes with the error code after it.
    if (message.startsWith(QLatin1String(FwMessage::ReadWriteAbnormal)))
        return QCoreApplication::translate("FirmwareStatusText", "键盘读写异常！");
    return message;
}
