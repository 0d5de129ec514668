#pragma once

#include "KeyInfo.h"
#include "KeyboardBtn.h"

#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QObject>

class KeyboardBaseWgt;

// The keyboard views of the shown model, one per Fn layer, as the pages
// see them: what the user did on any layer's keys, and the keys of a
// layer. Travel, colours and bindings belong to the keys, not to a layer,
// so the pages keep them on the layer-0 view. The board's key identities
// and the way its travels are written reach every view here.
class KeyboardDeck : public QObject {
    Q_OBJECT
public:
    explicit KeyboardDeck(QObject *parent = nullptr);

    // Key type -> its wire codes, for every key the keyboard has.
    void setKeyCodes(const QMap<int, QList<int>> &map);
    // Millimetres with these decimals; a key-test depth is drawn against
    // the keyboard's longest travel.
    void setTravelFormat(int decimals, int maximumUm);

    // The four views of the model now shown, in layer order; empty for none.
    void setViews(const QList<KeyboardBaseWgt *> &views);
    QList<KeyboardBaseWgt *> views() const { return m_views; }
    KeyboardBaseWgt *view(int layer) const;
    // The Fn layer on screen (0..3), and its view.
    int currentLayer() const { return m_layer; }
    void setCurrentLayer(int layer) { m_layer = layer; }
    KeyboardBaseWgt *currentView() const;

    // The keys of layer 0, and of them the checked ones.
    QList<KeyboardBtn *> keys() const;
    QList<KeyboardBtn *> checkedKeys() const;
    KeyboardBtn *key(int firstType, int layer = 0) const;

    void setFace(KeyFace face);
    void restoreLegends();

signals:
    void keyClicked(int layer, KeyboardBtn *key);
    void keyDropped(int layer, int firstType, int newType);
    void keyCheckChanged(KeyboardBtn *key, bool checked);
    void viewsChanged();

private:
    void applyIdentities();

    QList<KeyboardBaseWgt *> m_views;
    QList<QMetaObject::Connection> m_connections;
    QMap<int, QList<int>> m_identities; // the board's, kept for views shown later
    int m_decimals = 2;
    int m_maximumUm = 4000;
    int m_layer = 0;
};
