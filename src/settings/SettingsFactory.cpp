#include "SettingsFactory.h"

std::unique_ptr<QSettings> openIniSettings(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}
