#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class KeyboardBaseWgt;
class KeyboardBtn;

// Follows a press on a key and the drag across other keys of the same view
// with the button held. A key grabs the mouse while pressed, so the moves
// reach the pressed key; the key under the pointer is found from the
// pointer's position. A press and release on one key is left to the click.
class KeyPaintStroke : public QObject {
    Q_OBJECT
public:
    explicit KeyPaintStroke(QObject *parent = nullptr);

    // Watches the keys of these views (and no others from now on).
    void watch(const QList<KeyboardBaseWgt *> &views);
    void unwatch();
    // Whether the click that follows a drag's release on this key belongs
    // to the drag (and so means nothing more).
    bool clickEndsDrag(const KeyboardBtn *key) const;

signals:
    // The drag has reached a key, once per key and stroke: first the key
    // pressed, as soon as the pointer reaches another one, then each other.
    void keyReached(KeyboardBtn *key);
    // The button was released after keys were reached.
    void dragFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyboardBtn *keyAt(const QPoint &globalPos) const;
    void reach(KeyboardBtn *key);

    QList<QPointer<KeyboardBaseWgt>> m_views;
    QPointer<KeyboardBtn> m_pressed;
    QPointer<KeyboardBaseWgt> m_view; // the pressed key's
    QList<KeyboardBtn *> m_reached;
    QPointer<KeyboardBtn> m_dragEndedOn;
};
