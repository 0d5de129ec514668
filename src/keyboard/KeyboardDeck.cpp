#include "KeyboardDeck.h"

#include "KeyboardBaseWgt.h"
#include "KeyboardLog.h"

KeyboardDeck::KeyboardDeck(QObject *parent) : QObject(parent) {}

void KeyboardDeck::setKeyCodes(const QMap<int, QList<int>> &map)
{
    qCDebug(lcKeyboard) << "key codes" << map;
    m_identities = map;
    applyIdentities();
}

void KeyboardDeck::setTravelFormat(int decimals, int maximumUm)
{
    m_decimals = decimals;
    m_maximumUm = maximumUm;
    for (KeyboardBaseWgt *view : qAsConst(m_views))
        for (KeyboardBtn *b : view->buttons())
            b->setTravelFormat(decimals, maximumUm);
}

void KeyboardDeck::setViews(const QList<KeyboardBaseWgt *> &views)
{
    for (const QMetaObject::Connection &c : qAsConst(m_connections))
        disconnect(c);
    m_connections.clear();
    m_views = views;
    for (KeyboardBaseWgt *view : views) {
        m_connections << connect(view, &KeyboardBaseWgt::keyClicked, this,
                                 [this, view](KeyboardBtn *key) { emit keyClicked(view->layer(), key); });
        m_connections << connect(view, &KeyboardBaseWgt::keyDropped, this,
                                 [this, view](int firstType, int newType) {
                                     emit keyDropped(view->layer(), firstType, newType);
                                 });
        m_connections << connect(view, &KeyboardBaseWgt::keyCheckChanged, this, &KeyboardDeck::keyCheckChanged);
        for (KeyboardBtn *b : view->buttons())
            b->setTravelFormat(m_decimals, m_maximumUm);
    }
    applyIdentities();
    emit viewsChanged();
}

void KeyboardDeck::applyIdentities()
{
    if (m_identities.isEmpty())
        return;
    for (KeyboardBaseWgt *view : qAsConst(m_views))
        view->setKeyIdentities(m_identities);
}

KeyboardBaseWgt *KeyboardDeck::view(int layer) const
{
    for (KeyboardBaseWgt *v : m_views)
        if (v->layer() == layer)
            return v;
    return nullptr;
}

KeyboardBaseWgt *KeyboardDeck::currentView() const
{
    return view(m_layer);
}

QList<KeyboardBtn *> KeyboardDeck::keys() const
{
    KeyboardBaseWgt *base = view(0);
    return base ? base->buttons() : QList<KeyboardBtn *>();
}

QList<KeyboardBtn *> KeyboardDeck::checkedKeys() const
{
    KeyboardBaseWgt *base = view(0);
    return base ? base->checkedButtons() : QList<KeyboardBtn *>();
}

KeyboardBtn *KeyboardDeck::key(int firstType, int layer) const
{
    KeyboardBaseWgt *v = view(layer);
    return v ? v->buttonForType(firstType) : nullptr;
}

void KeyboardDeck::setFace(KeyFace face)
{
    for (KeyboardBaseWgt *v : qAsConst(m_views))
        v->setFace(face);
}

void KeyboardDeck::restoreLegends()
{
    for (KeyboardBaseWgt *v : qAsConst(m_views))
        v->restoreLegends();
}
