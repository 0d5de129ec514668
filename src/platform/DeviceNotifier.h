#pragma once

#include <QObject>
#include <QString>

// Tells the main window when a HID interface arrives or leaves. The path is
// the one the HID backend opens (a hidraw node on Linux).
class DeviceNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DeviceNotifier() override = default;

    // Starts listening; false when the system refused (hot-plug then goes
    // unnoticed and only a keyboard present at start is used).
    virtual bool start() = 0;

    // The notifier of this platform: libudev on Linux, device-interface
    // notifications on Windows.
    static DeviceNotifier *createSystemNotifier(QObject *parent = nullptr);

signals:
    void deviceArrived(const QString &path);
    void deviceRemoved(const QString &path);
};

// A notifier fed from outside, e.g. by the virtual keyboard's plug and
// unplug. notify() may be called from any thread; the signals are emitted
// on this object's thread.
class ExternalDeviceNotifier : public DeviceNotifier {
    Q_OBJECT
public:
    using DeviceNotifier::DeviceNotifier;
    bool start() override { return true; }
    void notify(const QString &path, bool arrived);
};
