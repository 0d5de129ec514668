#pragma once

#include "ConfigPageWgt.h"

#include <QMap>
#include <QVariant>

class KeyboardBaseWgt;
class KeyboardBtn;

// The key remapping page. On it a click marks the key that waits for a new
// assignment (the picker or a dropped key name gives it), and a predefined
// layout rewrites the layer on screen. Every change goes to the keyboard
// and into the current profile. It shows each layer's assignments as the
// keyboard reports them, and colours the Fn-function keys.
class CustomKeySetPageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    explicit CustomKeySetPageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;

    // The colour of a key of that type on the remapping page: its category's,
    // or the neutral colour.
    static QColor categoryColour(int type);

protected:
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    void onKeyClicked(int layer, KeyboardBtn *key);
    void onModifyKeyType(int newType);
    void applyKeyChange(int layer, int firstType, int newType);
    void onResetCustomKeyType(int resetId, const QMap<int, int> &map);
    void sendWholeLayer(KeyboardBaseWgt *view);
    void showFnKeyColours();
    void onLayoutKey(const QVariant &map);
};
