#include "Hook.h"

#include "QtVirtualKey.h"

#include <QCoreApplication>
#include <QKeyEvent>

// On Linux there is no system-wide hook for an ordinary program; an event
// filter on the application hears every key while Corvane has the focus.

bool Hook::installPlatformHook()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    app->installEventFilter(this);
    return true;
}

void Hook::removePlatformHook()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool Hook::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    // A key event reaches the window first and is then sent on to widgets;
    // taking it at the window alone reports each key once.
    if ((t == QEvent::KeyPress || t == QEvent::KeyRelease) && watched->isWindowType()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int vk = virtualKeyForQtKey(key->key(), key->modifiers(), key->nativeScanCode());
        // With Alt held Windows delivers system key messages; keep that.
        const bool system = key->modifiers() & Qt::AltModifier || key->key() == Qt::Key_Alt;
        const int message = t == QEvent::KeyPress ? (system ? MsgSysKeyDown : MsgKeyDown)
                                                  : (system ? MsgSysKeyUp : MsgKeyUp);
        handleKeyMessage(message, vk);
    }
    return QObject::eventFilter(watched, event);
}
