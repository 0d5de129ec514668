// Device-interface notifications for the HID class, delivered to a hidden
// window of ours through the application's native event filter.

#include "DeviceNotifier.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWindow>

#include <windows.h>
#include <dbt.h>

namespace {

Q_LOGGING_CATEGORY(lcHotplugWin, "corvane.platform", QtWarningMsg)

const GUID HidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

class WinDeviceNotifier : public DeviceNotifier, public QAbstractNativeEventFilter {
public:
    explicit WinDeviceNotifier(QObject *parent) : DeviceNotifier(parent) {}
    ~WinDeviceNotifier() override
    {
        // A child of the application goes after the application's own end.
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
        if (m_handle)
            UnregisterDeviceNotification(m_handle);
    }

    bool start() override
    {
        if (m_handle)
            return true;
        m_window.create();
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = HidInterfaceClass;
        m_handle = RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(m_window.winId()), &filter,
                                               DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!m_handle) {
            qCWarning(lcHotplugWin) << "HID设备注册失败";
            return false;
        }
        qCDebug(lcHotplugWin) << "HID设备注册成功";
        QCoreApplication::instance()->installNativeEventFilter(this);
        return true;
    }

    bool nativeEventFilter(const QByteArray &, void *message, long *) override
    {
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_DEVICECHANGE || msg->hwnd != reinterpret_cast<HWND>(m_window.winId()))
            return false;
        const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(msg->lParam);
        if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
            return false;
        const auto *iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
        const QString name = QString::fromWCharArray(iface->dbcc_name);
        if (msg->wParam == DBT_DEVICEARRIVAL)
            emit deviceArrived(name);
        else if (msg->wParam == DBT_DEVICEREMOVECOMPLETE)
            emit deviceRemoved(name);
        return false; // Qt goes on handling every message
    }

private:
    QWindow m_window;
    HDEVNOTIFY m_handle = nullptr;
};

} // namespace

DeviceNotifier *DeviceNotifier::createSystemNotifier(QObject *parent)
{
    return new WinDeviceNotifier(parent);
}
