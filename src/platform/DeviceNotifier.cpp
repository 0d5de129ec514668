#include "DeviceNotifier.h"

#include <QMetaObject>

void ExternalDeviceNotifier::notify(const QString &path, bool arrived)
{
    QMetaObject::invokeMethod(
        this,
        [this, path, arrived] {
            if (arrived)
                emit deviceArrived(path);
            else
                emit deviceRemoved(path);
        },
        Qt::QueuedConnection);
}
