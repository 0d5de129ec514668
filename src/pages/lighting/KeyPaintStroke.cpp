#include "KeyPaintStroke.h"

#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"

#include <QMouseEvent>

KeyPaintStroke::KeyPaintStroke(QObject *parent) : QObject(parent) {}

void KeyPaintStroke::watch(const QList<KeyboardBaseWgt *> &views)
{
    unwatch();
    for (KeyboardBaseWgt *view : views) {
        m_views << view;
        for (KeyboardBtn *key : view->buttons())
            key->installEventFilter(this);
    }
}

void KeyPaintStroke::unwatch()
{
    for (const QPointer<KeyboardBaseWgt> &view : qAsConst(m_views)) {
        if (!view)
            continue;
        for (KeyboardBtn *key : view->buttons())
            key->removeEventFilter(this);
    }
    m_views.clear();
    m_pressed = nullptr;
    m_view = nullptr;
    m_reached.clear();
    m_dragEndedOn = nullptr;
}

bool KeyPaintStroke::clickEndsDrag(const KeyboardBtn *key) const
{
    return key && m_dragEndedOn == key;
}

KeyboardBtn *KeyPaintStroke::keyAt(const QPoint &globalPos) const
{
    if (!m_view)
        return nullptr;
    for (KeyboardBtn *key : m_view->buttons()) {
        if (key->isVisible() && key->rect().contains(key->mapFromGlobal(globalPos)))
            return key;
    }
    return nullptr;
}

void KeyPaintStroke::reach(KeyboardBtn *key)
{
    if (!key || m_reached.contains(key))
        return;
    m_reached << key;
    emit keyReached(key);
}

bool KeyPaintStroke::eventFilter(QObject *watched, QEvent *event)
{
    auto *key = qobject_cast<KeyboardBtn *>(watched);
    if (!key)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        m_pressed = key;
        m_view = qobject_cast<KeyboardBaseWgt *>(key->parentWidget());
        for (QWidget *w = key->parentWidget(); w && !m_view; w = w->parentWidget())
            m_view = qobject_cast<KeyboardBaseWgt *>(w);
        m_reached.clear();
        m_dragEndedOn = nullptr;
        break;
    }
    case QEvent::MouseMove: {
        if (!m_pressed)
            break;
        auto *me = static_cast<QMouseEvent *>(event);
        KeyboardBtn *under = keyAt(key->mapToGlobal(me->pos()));
        if (under && (under != m_pressed || !m_reached.isEmpty())) {
            reach(m_pressed);
            reach(under);
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton || !m_pressed)
            break;
        const bool dragged = !m_reached.isEmpty();
        m_dragEndedOn = dragged ? m_pressed.data() : nullptr;
        m_pressed = nullptr;
        m_reached.clear();
        if (dragged)
            emit dragFinished();
        break;
    }
    default:
        break;
    }
    return false;
}
