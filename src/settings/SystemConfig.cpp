#include "SystemConfig.h"

#include "SettingsFactory.h"
#include "SettingsLog.h"

SystemConfig::SystemConfig()
    : SystemConfig(QString::fromLatin1(FileName))
{
}

SystemConfig::SystemConfig(const QString &path)
    : m_settings(openIniSettings(path))
{
}

QString SystemConfig::language() const
{
    return m_settings->value(LanguageKey).toString();
}

void SystemConfig::setLanguage(const QString &language)
{
    m_settings->setValue(LanguageKey, language);
}

QString SystemConfig::softwareName() const
{
    return m_settings->value(SoftwareNameKey).toString();
}

void SystemConfig::setSoftwareName(const QString &name)
{
    m_settings->setValue(SoftwareNameKey, name);
}

QString SystemConfig::softwareVersion() const
{
    return m_settings->value(SoftwareVersionKey).toString();
}

void SystemConfig::setSoftwareVersion(const QString &version)
{
    m_settings->setValue(SoftwareVersionKey, version);
}

int SystemConfig::keyboardModel() const
{
    bool ok = false;
    const int model = m_settings->value(KeyboardModelKey).toInt(&ok);
    return ok ? model : 0;
}

void SystemConfig::setKeyboardModel(int model)
{
    m_settings->setValue(KeyboardModelKey, model);
}

QString SystemConfig::updateEndpoint() const
{
    return m_settings->value(UpdateEndpointKey).toString().trimmed();
}

void SystemConfig::setUpdateEndpoint(const QString &address)
{
    m_settings->setValue(UpdateEndpointKey, address);
}

QVariant SystemConfig::value(const QString &key, const QVariant &fallback) const
{
    return m_settings->value(key, fallback);
}

void SystemConfig::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
}

QStringList SystemConfig::childKeys(const QString &group) const
{
    m_settings->beginGroup(group);
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    return keys;
}

void SystemConfig::remove(const QString &key)
{
    m_settings->remove(key);
}

bool SystemConfig::sync()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    qCDebug(lcSettings) << "无法写入设置文件：" << m_settings->fileName();
    return false;
}
