#pragma once

#include "KeyInfo.h"
#include "KeyTravelEdit.h"

#include <QColor>
#include <QFrame>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QVariant>
#include <QVariantHash>

#include <functional>

class KeyboardAction;
class KeyboardBtn;
class ProfileManager;
class QButtonGroup;
class QGridLayout;
class QHBoxLayout;

// The drawn keyboard of one model on one Fn layer. It owns the key buttons,
// routes key clicks by page, mirrors what the keyboard and a profile report,
// and sends single-key, layer, colour and per-key travel edits to the
// keyboard and into the current profile. A view that is not active is
// connected to nothing and reacts to nothing.
class KeyboardBaseWgt : public QFrame {
    Q_OBJECT
public:
    static constexpr int MaxAdvancedKeys = 32;

    explicit KeyboardBaseWgt(QWidget *parent = nullptr);
    ~KeyboardBaseWgt() override;

    // Adds the button to the group under the next id; its key data carries
    // that id (or the given type) as original and current type.
    int registerButton(KeyboardBtn *button);
    int registerButton(KeyboardBtn *button, int type);
    // Rebuilds the index from original type to button.
    void buildButtonIndex();

    void setLayer(int layer);
    int layer() const { return m_layer; }
    void setModelId(int id) { m_modelId = id; }
    int modelId() const { return m_modelId; }

    // The worker and the profile manager the view talks to; the process-wide
    // ones unless set before activation.
    void setKeyboardAction(KeyboardAction *action) { m_action = action; }
    void setProfileManager(ProfileManager *manager) { m_profiles = manager; }

    void activate(bool on);
    bool isActive() const { return m_active; }

    QButtonGroup *buttonGroup() const { return m_group; }
    QList<KeyboardBtn *> buttons() const;
    KeyboardBtn *buttonForType(int firstType) const { return m_index.value(firstType); }
    KeyboardBtn *buttonAt(int row, int column) const;
    QList<QHBoxLayout *> rowLayouts() const { return m_rows; }
    QGridLayout *numpadGrid() const { return m_numpad; }
    QMap<int, quint16> defaultCodeMap() const { return m_defaultCodes; }

    // The key data of the layer-0 view's buttons, by original type, as last
    // published on sigKeyBoardUpdate (read by the advanced-key page).
    static QMap<int, KeyInfo> keyTable();

    // How the view tells the user something (title, text). The default shows
    // a message box; tests replace it.
    using MessageSink = std::function<void(const QString &title, const QString &text)>;
    static void setMessageSink(const MessageSink &sink);

signals:
    // A key without a binding was clicked on the advanced-key page: the
    // advanced type chooser opens for it at the given global position.
    void sigOpenAdvanceTypeChooser(const KeyInfo &info, const QPoint &globalPos);

protected:
    void setRowLayouts(const QList<QHBoxLayout *> &rows, QGridLayout *numpad);

private:
    using Connection = QMetaObject::Connection;

    KeyboardAction *action();
    ProfileManager *profiles();
    void setupConnections();
    bool isCurrentLayer() const;
    static void tellUser(const QString &title, const QString &text);

    // Clicks and remapping.
    void onGroupClicked(int id);
    void onNewKey(int firstType, int newType);
    void onModifyKeyType(int newType);
    void applyKeyChange(int firstType, int newType);
    void onResetCustomKeyType(int resetId, const QMap<int, int> &map);
    void sendWholeLayer(bool toProfile);
    void onResetKeyText();
    void onKeyBoardUpdate();
    void onShowFnKeyColor();
    void onShowKRGBColor(bool show);
    void onChangeRGB(const QMap<int, QColor> &colours);
    void onBindFinished(const KeyInfo &info);
    void onDeleteKeyBind(const KeyInfo &info);
    void onChooseAllKey(bool on);
    void onChooseASDWKey();

    // Travel and rapid trigger on the checked keys.
    KeyTravelState travelState(const KeyboardBtn *button) const;
    void writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records);
    void onKeyOptional(bool on);
    void onModifyChoosedKeyTouch(double mm);
    void onOpenQuickTouchMode();
    void onCloseQuickTouchMode();
    void onUpdateChooseKeyQuickTouchDis(double press, double release);
    void onUpdateOtherKeyTouch();
    void onResetAllKeyTouchDis();
    void onShowTouchDisKeyBorder(bool on);
    void onShowQuickTouchKeyBorder(bool on);
    void onSetQuickTouchKeyChoosed();
    void onSetChoosedKeyQuickTouck();

    // What the keyboard reports.
    void onLayoutKey(const QVariant &map);
    void onLayoutDB(const QVariant &map);
    void onLayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                     const QList<QList<quint16>> &release);
    void onAdvancedKey(const QVariant &map);
    void onOriginalKeyValueMap(const QMap<int, QList<int>> &map);
    void onUpdateKRGBInfo(const QMap<int, QColor> &colours);
    void onAdjustingData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    void onMMData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);

    // A profile being applied.
    void onProfileLayoutKey(const QVariantHash &custom);
    void onProfileLayoutDB(const QVariantHash &touch);
    void onProfileAdvancedKey(const QVariantHash &advanced);
    void onProfileClearAdvancedKey();
    void onProfileKeyColorClear();

    QMap<int, quint16> m_defaultCodes;
    QButtonGroup *m_group = nullptr;
    QGridLayout *m_numpad = nullptr;
    QList<QHBoxLayout *> m_rows;
    QHash<int, KeyboardBtn *> m_index;
    int m_layer = 0;
    int m_modelId = 0;
    KeyboardAction *m_action = nullptr;
    ProfileManager *m_profiles = nullptr;
    bool m_active = false;
    QList<Connection> m_connections;
};
