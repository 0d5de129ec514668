#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// Every INI settings object of the program comes from here, so that each
// one reads and writes UTF-8 (names and paths may be Chinese).
std::unique_ptr<QSettings> openIniSettings(const QString &path);
