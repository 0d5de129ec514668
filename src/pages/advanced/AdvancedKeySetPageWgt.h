#pragma once

#include "ConfigPageWgt.h"
#include "KeyInfo.h"

#include <QVariant>

class KeyboardBtn;

// The advanced-key page. On it a click on a bound key opens its editor, and
// a click on a free key offers the binding kinds, up to the limit of
// bindings. It shows the bindings the keyboard reports on the keys.
class AdvancedKeySetPageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    static constexpr int MaxAdvancedKeys = 32;

    explicit AdvancedKeySetPageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;

signals:
    // A free key was clicked: the kind chooser opens for it there.
    void sigOpenAdvanceTypeChooser(const KeyInfo &info, const QPoint &globalPos);

protected:
    void setupConnections() override;
    void onEnter() override;

private:
    void onKeyClicked(KeyboardBtn *key);
    void markKey(int firstType, const KeyInfo &binding);
    void onAdvancedKey(const QVariant &map);
    template <typename Map, typename Info>
    bool markFrom(const QVariant &map, int kind, Info KeyInfo::*record);
};
