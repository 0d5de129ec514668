#pragma once

#include "ConfigPageWgt.h"
#include "KeyInfo.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QVariant>

class AdvanceKeySetWindow;
class AdvanceTypeChooseWindow;
class BindItemWgt;
class Hook;
class KeyTesterWgt;
class KeyboardBtn;
class QLabel;
class QListWidget;

// The advanced-key page. On it a click on a bound key opens its editor, and
// a click on a free key offers the binding kinds, up to the limit of
// bindings. The binding list mirrors the keyboard: it is emptied when the
// keyboard's per-key table is read again and refilled from the bindings it
// reports. A committed editor's record goes to the keyboard, into the list
// and into the current profile; a removed binding leaves all three. A key
// tester shows the keys held down.
class AdvancedKeySetPageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    // The bindings the user may make; the keyboard is never sent more.
    static constexpr int MaxAdvancedKeys = 32;
    // Entries the list takes from the keyboard's read-back.
    static constexpr int MaxListEntries = 100;
    static constexpr int MaxMacroEntries = 16;

    explicit AdvancedKeySetPageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;
    void showConfig(const KeyboardConfig &config, bool fromKeyboard) override;
    void resetToFirstState() override;
    void retranslate() override;

    // What the page shows, for tests and tools.
    QListWidget *bindList() const { return m_list; }
    QList<BindItemWgt *> bindItems() const;
    BindItemWgt *bindItem(int firstType) const;
    AdvanceTypeChooseWindow *typeChooser() const { return m_chooser; }
    // The editor open now, if any.
    AdvanceKeySetWindow *editor() const;
    KeyTesterWgt *keyTester() const { return m_tester; }
    Hook *hook() const { return m_hook; }
    QLabel *macroCounter() const { return m_macroCounter; }
    bool isListFull() const { return m_listFull; }

    // A binding the keyboard or a profile reports: listed (while the list
    // has room) and shown on the keys, sending nothing. Only while the page
    // is active.
    void listBinding(KeyInfo info, int kind);

signals:
    // A free key was clicked: the kind chooser opens for it there.
    void sigOpenAdvanceTypeChooser(const KeyInfo &info, const QPoint &globalPos);

protected:
    void buildWidgets(QVBoxLayout *layout) override;
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    void onKeyClicked(KeyboardBtn *key);
    // A key the keyboard has no code for takes no binding.
    void showNoWireCode();
    void onAddAdvanceBind(const KeyInfo &info, int kind);
    void openEditor(const KeyInfo &info, int kind);
    void closeEditor();
    void commitEditor(AdvanceKeySetWindow *editor);
    // Takes the binding off the keyboard, the profile and the list; with
    // the partner, the other half of a SOCD or RS pair goes too.
    void removeBinding(const KeyInfo &info, bool withPartner);
    // Takes a binding off the list and the keys, sending nothing.
    void unlistBinding(const KeyInfo &info);
    static QString bindingText(int kind);
    // The bindings are read again: none is shown until they are.
    void onLayoutDB();

    // The list alone.
    void upsertEntry(const KeyInfo &info);
    void removeEntry(int firstType);
    void clearEntries();
    void listChanged();
    int macroEntries() const;

    // The key's data as the layer-0 view holds it, with fallback.
    KeyInfo keyData(int firstType, const KeyInfo &fallback = KeyInfo()) const;
    int boundKeyCount(const QSet<int> &except = QSet<int>()) const;
    void markKey(int firstType, const KeyInfo &binding);
    void onAdvancedKey(const QVariant &map);
    template <typename Map>
    bool markFrom(const QVariant &map, int kind);

    Hook *m_hook = nullptr;
    KeyTesterWgt *m_tester = nullptr;
    QLabel *m_listTitle = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_macroCounter = nullptr;
    AdvanceTypeChooseWindow *m_chooser = nullptr;
    QPointer<AdvanceKeySetWindow> m_editor;
    bool m_listFull = false;
};
