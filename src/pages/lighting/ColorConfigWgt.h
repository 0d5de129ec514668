#pragma once

#include "KeyboardCapabilities.h"
#include "ConfigPageWgt.h"
#include "LightingPresetStore.h"
#include "LightingTables.h"

#include <QColor>
#include <QMap>

#include <functional>

class ColorChooseWgt;
class KeyPaintStroke;
class KeyboardBtn;
class QButtonGroup;
class QComboBox;
class QLabel;
class QSlider;
class QToolButton;
class SwitchControl;

// The lighting page: the effect (or a per-key colour preset), brightness,
// speed, direction and sleep time, and the colour chooser. Every change the
// user makes goes to the keyboard at once and into the current profile;
// while the keyboard runs super light speed, whose scan leaves the lighting
// off, the user is first asked whether to leave that mode.
//
// In per-key mode a click on a key paints it with the chooser's colour, a
// drag across keys paints each key it reaches (sent once, on release), and
// a whole preset is painted and sent as full colour records.
class ColorConfigWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    // What each key was last given or shown.
    QMap<int, QColor> keyColourCache() const { return m_keyColourCache; }
    // The Yes/No question (title, text); true for Yes.
    using Ask = std::function<bool(const QString &title, const QString &text)>;

    explicit ColorConfigWgt(QWidget *parent = nullptr);
    ~ColorConfigWgt() override;
    QString title() const override;
    void retranslate() override;
    void showProfile(const ProfileData &profile) override;
    void showConfig(const KeyboardConfig &config, bool fromKeyboard) override;

    // A message box unless replaced.
    void setAsk(const Ask &ask) { m_ask = ask; }
    // Where the presets are read and written; "config/settings.ini" in the
    // working directory unless set (before or after build()).
    void setPresetStore(const LightingPresetStore &store);

    // What the page shows, and its controls (for tests and screenshots).
    int mode() const { return m_view.mode; }
    // Whether a click or a drag on a key paints it (the per-key presets).
    bool isPerKeyColouring() const { return m_perKey; }
    // Turns key painting on or off and shows the keys' own colours or none.
    void setPerKeyColouring(bool on);
    int brightness() const { return m_brightness; }
    int speed() const { return m_speed; }
    bool direction() const { return m_direction; }
    int sleepIndex() const { return m_sleepIndex; }
    QToolButton *effectButton(int mode) const;
    QSlider *brightnessSlider() const { return m_brightnessSlider; }
    QSlider *speedSlider() const { return m_speedSlider; }
    QLabel *speedValue() const { return m_speedValue; }
    QComboBox *sleepBox() const { return m_sleepBox; }
    SwitchControl *directionSwitch() const { return m_directionSwitch; }
    QLabel *directionText() const { return m_directionText; }
    QWidget *speedRow() const { return m_speedRow; }
    QWidget *sleepRow() const { return m_sleepRow; }
    QWidget *directionRow() const { return m_directionRow; }
    ColorChooseWgt *chooser() const { return m_chooser; }

    // A whole colour map, as a preset is painted: every key shows its
    // colour (keys the map leaves out are dark) and the keyboard gets them.
    // Only while the page is active and on screen.
    void paintPreset(const QMap<int, QColor> &colours);

public slots:
    void updateSleepTime(int index);

protected:
    void buildWidgets(QVBoxLayout *layout) override;
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    QWidget *buildEffectPanel();
    QWidget *buildControls();

    // --- What the user does.
    void onEffectClicked(int mode);
    void onPresetClicked(int preset);
    void onBrightness(int value);
    void onSpeed(int value);
    void onDirection(bool reversed);
    // Asks before a change while super light speed runs; false when the
    // user keeps that mode. *asked tells whether the question was put.
    bool mayChange(bool *asked);
    void leaveLightSpeed(bool asked);
    // Sends the mode and stores it in the profile.
    void sendMode(const Lighting::ModeView &view);

    // --- What the keys show and send.
    void onKeyClicked(KeyboardBtn *key);
    void onStrokeKey(KeyboardBtn *key);
    void finishStroke();
    void onFillAll();
    void onKeyColourCache(int keyType, const QColor &colour);
    void showKeyboardColours(const QMap<int, QColor> &colours);
    void adoptKeyboardColours();
    void paintKeys(const QMap<int, QColor> &colours, const QColor &missing);
    void sendKeyColours(const QMap<int, QColor> &colours);
    void showKeyColours(bool show);
    void onPresetsReset();
    void onSaveFailed();

    // --- What the keyboard or a profile reports (nothing is sent).
    void showKeyboardLighting(const LightingReport &record);
    void showMode(const Lighting::ModeView &view);
    void showBrightness(int value);
    void showSpeed(int value);
    void showDirection(bool reversed);
    void showSleep(int index);
    void updateDirectionText();

    Ask m_ask;
    LightingPresetStore m_store;
    Lighting::ModeView m_view;
    bool m_perKey = true;
    int m_brightness = Lighting::MaxLevel;
    int m_speed = Lighting::MaxLevel;
    bool m_direction = false;
    int m_sleepIndex = Lighting::SleepNeverIndex;
    QMap<int, QColor> m_stroke; // painted by the drag under way, not yet sent
    // The keyboard's colour table of this connection, until its lighting
    // record says which preset it belongs to.
    QMap<int, QColor> m_boardColours;
    // What each key was last given or shown, for painting the keys again
    // when per-key colouring comes back on.
    QMap<int, QColor> m_keyColourCache;
    bool m_boardColoursPending = false;
    bool m_boardLightingKnown = false;
    int m_boardPreset = -1; // the preset the keyboard runs, -1 for an effect

    QLabel *m_effectTitle = nullptr;
    QButtonGroup *m_effects = nullptr;
    QLabel *m_brightnessLabel = nullptr;
    QSlider *m_brightnessSlider = nullptr;
    QWidget *m_speedRow = nullptr;
    QLabel *m_speedLabel = nullptr;
    QSlider *m_speedSlider = nullptr;
    QLabel *m_speedValue = nullptr;
    QLabel *m_speedMarks[3] = {};
    QWidget *m_sleepRow = nullptr;
    QLabel *m_sleepLabel = nullptr;
    QComboBox *m_sleepBox = nullptr;
    QWidget *m_directionRow = nullptr;
    QLabel *m_directionLabel = nullptr;
    SwitchControl *m_directionSwitch = nullptr;
    QLabel *m_directionText = nullptr;
    ColorChooseWgt *m_chooser = nullptr;
    KeyPaintStroke *m_strokeWatch = nullptr;
};
