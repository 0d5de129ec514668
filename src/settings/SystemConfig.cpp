#include "SystemConfig.h"

#include "SettingsFactory.h"
#include "SettingsLog.h"

namespace {

// The file is anyone's to edit: a text read from it is used only when it is
// plain (no control characters) and of a sensible length; otherwise it
// reads as missing.
QString plainText(const QVariant &value, int maxLength)
{
    const QString text = value.toString();
    if (text.size() > maxLength)
        return QString();
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return QString();
    return text;
}

constexpr int MaxLanguageLength = 32;
constexpr int MaxNameLength = 128;
constexpr int MaxVersionLength = 64;
constexpr int MaxAddressLength = 2048;
// The model is the family byte of a board id.
constexpr int MaxKeyboardModel = 0xFF;

} // namespace

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
    return plainText(m_settings->value(LanguageKey), MaxLanguageLength);
}

void SystemConfig::setLanguage(const QString &language)
{
    m_settings->setValue(LanguageKey, language);
}

QString SystemConfig::softwareName() const
{
    return plainText(m_settings->value(SoftwareNameKey), MaxNameLength);
}

void SystemConfig::setSoftwareName(const QString &name)
{
    m_settings->setValue(SoftwareNameKey, name);
}

QString SystemConfig::softwareVersion() const
{
    const QString version = plainText(m_settings->value(SoftwareVersionKey), MaxVersionLength);
    for (const QChar c : version)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('.') && c != QLatin1Char('-')
            && c != QLatin1Char('_') && c != QLatin1Char('+'))
            return QString();
    return version;
}

void SystemConfig::setSoftwareVersion(const QString &version)
{
    m_settings->setValue(SoftwareVersionKey, version);
}

int SystemConfig::keyboardModel() const
{
    // Written as a number, read back as text; anything else (a list, a
    // serialised variant, a number out of range) is no model.
    const QVariant stored = m_settings->value(KeyboardModelKey);
    if (stored.userType() != QMetaType::QString && stored.userType() != QMetaType::Int)
        return 0;
    bool ok = false;
    const int model = stored.toString().trimmed().toInt(&ok);
    return ok && model >= 0 && model <= MaxKeyboardModel ? model : 0;
}

void SystemConfig::setKeyboardModel(int model)
{
    m_settings->setValue(KeyboardModelKey, model);
}

QString SystemConfig::updateEndpoint() const
{
    return plainText(m_settings->value(UpdateEndpointKey), MaxAddressLength).trimmed();
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
