#pragma once

#include <QByteArray>
#include <QStringList>

// The keyboard's interfaces that the last attempt to open refused for want of
// permission. The transport notes every open and every enumeration here, so
// the window can say why connecting failed without touching the device
// itself. Any thread.
namespace HidPermission {

// After an open of path: denied, or not (opened, or failed for another reason).
void noteOpen(const QByteArray &path, bool denied);
// After an enumeration: interfaces no longer listed are forgotten.
void keepOnly(const QStringList &listedPaths);
// In the order they were refused.
QStringList deniedPaths();
void clear();

} // namespace HidPermission
