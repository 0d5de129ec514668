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
// bindings. The binding list and the keys' badges show the configuration's
// bindings, drawn again whenever it changes. A committed editor's record is
// one edit of the configuration (the keyboard and the current profile
// follow); so is a removed binding. A key tester shows the keys held down.
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

signals:
    // A free key was clicked: the kind chooser opens for it there.
    void sigOpenAdvanceTypeChooser(const KeyInfo &info, const QPoint &globalPos);

protected:
    void buildWidgets(QVBoxLayout *layout) override;
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    // A binding the configuration or a profile holds: listed (while the
    // list has room) and shown on the keys, sending nothing. Only while the
    // page is active.
    void listBinding(KeyInfo info, int kind);
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
    static QString bindingText(int kind);
    // Every key's badge taken off, sending nothing.
    void unmarkKeys();
    // The list and the badges as the configuration holds them.
    void showBindings(const KeyboardConfig &config);

    // The list alone.
    void upsertEntry(const KeyInfo &info);
    void removeEntry(int firstType);
    void clearEntries();
    void listChanged();
    int macroEntries() const;

    // The key as the layer-0 view shows it (fallback when it has no key
    // there), with its binding as the configuration holds it.
    KeyInfo keyData(int firstType, const KeyInfo &fallback = KeyInfo()) const;
    int boundKeyCount(const QSet<int> &except = QSet<int>()) const;
    void markKey(int firstType, const KeyInfo &binding);

    Hook *m_hook = nullptr;
    KeyTesterWgt *m_tester = nullptr;
    QLabel *m_listTitle = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_macroCounter = nullptr;
    AdvanceTypeChooseWindow *m_chooser = nullptr;
    QPointer<AdvanceKeySetWindow> m_editor;
    bool m_listFull = false;
};
