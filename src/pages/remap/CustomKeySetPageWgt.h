#pragma once

#include "ConfigPageWgt.h"
#include "ProfileData.h"

#include <QMap>
#include <QVariant>

class KeyChooseWgt;
class KeyboardBaseWgt;
class KeyboardBtn;
class QButtonGroup;
class QLabel;
class QToolButton;
class QVBoxLayout;

// The key remapping page. On it a click marks the key that waits for a new
// assignment (the picker or a dropped key name gives it), and a predefined
// layout rewrites the layer on screen (the main window's Fn-layer bar
// chooses it). Every change goes to the keyboard and into the current
// profile. It shows each layer's assignments as the keyboard reports them,
// and colours the Fn-function keys.
class CustomKeySetPageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    static constexpr int PanelWidth = 240;
    static constexpr int LayoutColumns = 3;
    static constexpr int PickerKeyUnit = 25; // px per key unit

    explicit CustomKeySetPageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;
    void showConfig(const KeyboardConfig &config, bool fromKeyboard) override;
    void retranslate() override;

    KeyChooseWgt *picker() const { return m_picker; }
    QToolButton *layoutButton(int id) const;
    // Layout resetId of the predefined layouts (its key map given) for the
    // layer on screen; only while the page is active.
    void applyLayout(int resetId, const QMap<int, int> &map);

public slots:
    // A predefined layout for the layer on screen.
    void onBtnTypeClicked(int btnId);

    // The colour of a key of that type on the remapping page: its category's,
    // or the neutral colour.
    static QColor categoryColour(int type);

protected:
    void buildWidgets(QVBoxLayout *layout) override;
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    void onKeyClicked(int layer, KeyboardBtn *key);
    void onModifyKeyType(int newType);
    void applyKeyChange(int layer, int firstType, int newType);
    void showEditedLayers();
    void showFnKeyColours();
    void showLayers(const ProfileLayers &layers);

    QLabel *m_description = nullptr;
    QButtonGroup *m_layouts = nullptr;
    KeyChooseWgt *m_picker = nullptr;
};
