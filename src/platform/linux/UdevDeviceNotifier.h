#pragma once

#include "DeviceNotifier.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Hot-plug from a libudev monitor on the "udev" source filtered to hidraw,
// read when its socket becomes readable: no polling of the enumeration.
class UdevDeviceNotifier : public DeviceNotifier {
    Q_OBJECT
public:
    explicit UdevDeviceNotifier(QObject *parent = nullptr);
    ~UdevDeviceNotifier() override;
    bool start() override;

private:
    void readEvents();

    struct udev *m_udev = nullptr;
    struct udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_socket = nullptr;
};
