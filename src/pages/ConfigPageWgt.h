#pragma once

#include "AppParams.h"

#include <QList>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QWidget>

struct KeyboardConfig;
struct KeyboardCapabilities;
struct ProfileData;
class KeyboardConfigModel;
class KeyboardController;
class KeyboardDeck;
class ProfileManager;
class QVBoxLayout;

// What every configuration page is. A page is built once, wires itself in
// setupConnections(), and from then on:
// - shows what the keyboard reports and what an applied profile holds,
//   filling its controls under QSignalBlocker (fill()), so that showing a
//   value never sends it; only a user's action sends;
// - is active while a keyboard model is shown: its connections exist only
//   then, so an inactive page reacts to nothing;
// - is entered when it comes on screen and left when another page does;
//   leaving ends its live work (key test, calibration, recording);
// - owns what a click on the keyboard view means while it is on screen.
class ConfigPageWgt : public QWidget {
    Q_OBJECT
public:
    struct Services {
        // The keyboard: what the page hears of it, and every user edit
        // (through its configuration) goes through it.
        KeyboardController *keyboard = nullptr;
        ProfileManager *profiles = nullptr;
        KeyboardDeck *keyboards = nullptr;
    };

    explicit ConfigPageWgt(ConfigPage page, QWidget *parent = nullptr);

    ConfigPage page() const { return m_page; }
    // The page's name in the page menu, in the current language.
    virtual QString title() const = 0;

    // Once, before anything else: what the page talks to, then its widgets.
    void setServices(const Services &services) { m_services = services; }
    void build();

    void activate(bool on);
    bool isActive() const { return m_active; }
    void enter();
    void leave();
    bool isCurrent() const { return m_current; }

    virtual void retranslate();
    // An applied profile, as sent to the keyboard: the page shows its groups.
    virtual void showProfile(const ProfileData &profile) { (void)profile; }
    // What the keyboard holds: after its read-back and its own reports
    // (fromKeyboard), after an undo or a redo. By default the page shows it
    // as it shows a profile that sets every group.
    virtual void showConfig(const KeyboardConfig &config, bool fromKeyboard);
    // The keyboard goes back to its factory settings: the page drops what
    // it showed and any edit under way, as when it was built; the read-back
    // that follows fills it again.
    virtual void resetToFirstState() {}

protected:
    // The page's own widgets.
    virtual void buildWidgets(QVBoxLayout *layout) { (void)layout; }
    // Connects to the hub, the keyboard controller, the profile manager and
    // the keyboard views with connectTracked(); run on every activation.
    virtual void setupConnections() = 0;
    virtual void onEnter() {}
    virtual void onLeave() {}

    template <typename Sender, typename Signal, typename Slot>
    void connectTracked(const Sender *sender, Signal signal, Slot slot)
    {
        m_connections << connect(sender, signal, this, slot);
    }

    // Runs set on the widget with its signals blocked: for values that come
    // from the keyboard or a profile.
    template <typename Widget, typename Set>
    static void fill(Widget *widget, Set set)
    {
        const QSignalBlocker blocker(widget);
        set(widget);
    }

    KeyboardController *keyboard() const { return m_services.keyboard; }
    ProfileManager *profiles() const { return m_services.profiles; }
    KeyboardDeck *keyboards() const { return m_services.keyboards; }
    KeyboardConfigModel *config() const;
    const KeyboardCapabilities &capabilities() const;
    // What a key's cap shows, for naming it in an undo step.
    QString keyLegend(int keyType) const;

    void changeEvent(QEvent *event) override;

private:
    ConfigPage m_page;
    Services m_services;
    bool m_built = false;
    bool m_active = false;
    bool m_current = false;
    QList<QMetaObject::Connection> m_connections;
};
