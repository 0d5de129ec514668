#include "Hook.h"

#include "VirtualKeyTable.h"

#include <QMetaEnum>

namespace {
const QLatin1String kPrefix("KEY_");
}

Hook::Hook(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<Hook::Type>("Hook::Type");
}

Hook::~Hook()
{
    if (m_installed)
        removePlatformHook();
}

bool Hook::install()
{
    if (!m_installed)
        m_installed = installPlatformHook();
    return m_installed;
}

void Hook::handleKeyMessage(int message, int virtualKey)
{
    if (message != MsgKeyDown && message != MsgKeyUp)
        return;
    // A key the table does not know is dropped rather than reported as a
    // key it is not.
    const int type = hookTypeForVirtualKey(virtualKey);
    if (type < 0)
        return;
    if (message == MsgKeyDown)
        emit sendPressKeyType(Type(type));
    else
        emit sendUpKeyType(Type(type));
}

int Hook::typeFromName(const QString &name)
{
    if (name.isEmpty())
        return -1;
    const QMetaEnum e = QMetaEnum::fromType<Type>();
    bool ok = false;
    const int value = e.keyToValue(QString(kPrefix + name).toLatin1().constData(), &ok);
    return ok ? value : -1;
}

QString Hook::nameOfType(int type)
{
    const char *key = QMetaEnum::fromType<Type>().valueToKey(type);
    return key ? QString::fromLatin1(key).mid(kPrefix.size()) : QString();
}
