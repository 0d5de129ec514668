#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class CommandQueue;

// Corvane on the session bus, for desktop scripts and extensions:
// org.corvane.Corvane1 at /org/corvane/Corvane1, interface
// org.corvane.Corvane1. ApplyProfile runs through the same queue and
// handler as corvane-cli's commands; ActiveProfile announces its changes
// with PropertiesChanged.
class SessionBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.corvane.Corvane1")
    Q_PROPERTY(QString ActiveProfile READ activeProfile)
public:
    static const char *const ServiceName;
    static const char *const ObjectPath;
    static const char *const InterfaceName;

    explicit SessionBusService(CommandQueue *queue, QObject *parent = nullptr);
    ~SessionBusService() override;

    // Registers on the bus; false (said in the debug log) when there is no
    // bus or the name is taken.
    bool start(const QDBusConnection &bus);
    void stop();

    QString activeProfile() const;

    // Whose desktop this is: this process's user unless set otherwise (a
    // test stands for another user with it).
    void setSessionUser(uint uid);

public slots:
    // (exit code, message): the exit code corvane-cli apply NAME would
    // have, and its last line.
    Q_SCRIPTABLE int ApplyProfile(const QString &name, QString &text);
    Q_SCRIPTABLE QStringList ListProfiles() const;
    // Called when the profile in use changed; emits PropertiesChanged
    // when it differs from what was last announced.
    void notifyActiveProfile(const QString &name);
    // The desktop's script or extension (KWin, GNOME Shell) says which window
    // came to the front: its class (resource class, wm_class), its process
    // id as decimal text ("0" or empty: not known) and its title; all empty:
    // no window. Only a caller of this user is heard; text that is too long,
    // holds control characters or a pid that is not a plain number is
    // refused with an error and changes nothing.
    Q_SCRIPTABLE void ReportFocus(const QString &windowClass, const QString &pid, const QString &title);

signals:
    void focusReported(const QString &windowClass, qint64 pid, const QString &title);

private:
    CommandQueue *m_queue;
    QDBusConnection m_bus;
    bool m_registered = false;
    QString m_announced;
    QHash<QString, bool> m_callers; // unique bus name -> of this user (a bounded cache)
    uint m_user;
};
