#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// "sysConfig.ini" in the working directory, group "Kinetra". Made for the
// moment it is needed and dropped right after, which writes the changes;
// nothing keeps one open.
class SystemConfig {
public:
    static constexpr const char *FileName = "sysConfig.ini";
    static constexpr const char *LanguageKey = "Kinetra/language";
    static constexpr const char *SoftwareNameKey = "Kinetra/softwareName";
    static constexpr const char *SoftwareVersionKey = "Kinetra/softwareVersion";
    static constexpr const char *KeyboardModelKey = "Kinetra/keyboardModel";
    // The update server's base address ("http://host:port"); empty: none.
    static constexpr const char *UpdateEndpointKey = "Kinetra/updateEndpoint";

    SystemConfig();
    explicit SystemConfig(const QString &path);

    // The readers below give a value only when it is plain text of a
    // sensible length (a version: letters, digits and . - _ +; a model:
    // 0..255); anything else reads as missing.
    QString language() const; // "Chinese", "English", or empty when unset
    void setLanguage(const QString &language);
    QString softwareName() const;
    void setSoftwareName(const QString &name);
    QString softwareVersion() const;
    void setSoftwareVersion(const QString &version);
    int keyboardModel() const; // 0 when unset, not a number or not 0..255
    void setKeyboardModel(int model);
    QString updateEndpoint() const;
    void setUpdateEndpoint(const QString &address);

    QVariant value(const QString &key, const QVariant &fallback = QVariant()) const;
    void setValue(const QString &key, const QVariant &value);
    // The keys directly inside a group, and removing a key or a whole group.
    QStringList childKeys(const QString &group) const;
    void remove(const QString &key);
    // Writes pending changes now; false when the file cannot be written.
    bool sync();

private:
    std::unique_ptr<QSettings> m_settings;
};
