#include "UdevDeviceNotifier.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <libudev.h>

Q_LOGGING_CATEGORY(lcHotplug, "corvane.platform", QtWarningMsg)

DeviceNotifier *DeviceNotifier::createSystemNotifier(QObject *parent)
{
    return new UdevDeviceNotifier(parent);
}

UdevDeviceNotifier::UdevDeviceNotifier(QObject *parent) : DeviceNotifier(parent) {}

UdevDeviceNotifier::~UdevDeviceNotifier()
{
    delete m_socket;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool UdevDeviceNotifier::start()
{
    if (m_monitor)
        return true;
    m_udev = udev_new();
    if (!m_udev)
        return false;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        qCWarning(lcHotplug) << "HID设备注册失败";
        return false;
    }
    m_socket = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_socket, &QSocketNotifier::activated, this, &UdevDeviceNotifier::readEvents);
    qCDebug(lcHotplug) << "HID设备注册成功";
    return true;
}

void UdevDeviceNotifier::readEvents()
{
    while (udev_device *dev = udev_monitor_receive_device(m_monitor)) {
        const char *action = udev_device_get_action(dev);
        const char *node = udev_device_get_devnode(dev);
        if (action && node) {
            const QString path = QString::fromLocal8Bit(node);
            if (qstrcmp(action, "add") == 0)
                emit deviceArrived(path);
            else if (qstrcmp(action, "remove") == 0)
                emit deviceRemoved(path);
        }
        udev_device_unref(dev);
    }
}
