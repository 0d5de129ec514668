#pragma once

#include "LightingPresetStore.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QWidget>

class ColorWheel;
class LabelSpinBox;
class QButtonGroup;
class QLabel;
class QPushButton;
class QToolButton;
class Swatches;

// The colour chooser of the lighting page: one colour shown by the wheel,
// the swatches and six number fields (R, G, B, H, S, V), sixteen fixed
// swatch buttons, and the six per-key colour presets with their buttons,
// the two reset buttons and "fill all keys". It keeps the presets and saves
// a preset to the presets file whenever it changes; what a preset click or
// a fill means for the keyboard is the page's.
class ColorChooseWgt : public QWidget {
    Q_OBJECT
public:
    using Preset = LightingPresetStore::Preset;
    static constexpr int SwatchCount = 16;

    explicit ColorChooseWgt(QWidget *parent = nullptr);

    // Reads the six presets from the store's file; saves go there too.
    void setPresetStore(const LightingPresetStore &store);
    const LightingPresetStore &presetStore() const { return m_store; }

    QColor color() const { return m_color; }
    // What keys are painted with: the colour shown, 8 bits a component.
    QColor paintColor() const { return m_paintColor; }
    // Shows the colour everywhere and makes it the colour keys are painted with.
    void setColor(const QColor &color);
    // A colour the user painted with, offered again among the swatches.
    void rememberColor(const QColor &color);

    Preset preset(int n) const;
    int currentPreset() const { return m_current; }
    // Makes n the current preset and checks its button; nothing is sent.
    void setCurrentPreset(int n);
    // No preset button checked (the keyboard runs an effect).
    void clearPresetCheck();
    // Replaces preset n, or sets some of its keys, and saves it. False when
    // the file could not be written (the preset is changed all the same).
    bool setPreset(int n, const Preset &colours);
    bool setPresetKeys(int n, const Preset &changes);
    // "Fill all keys" and key painting are offered only in per-key mode.
    // Painting keys on or off; off with a reason shows the reason instead.
    void setPaintingEnabled(bool on, const QString &whyNot = QString());

    void retranslate();

    // The controls, for tests and for the page's layout.
    ColorWheel *wheel() const { return m_wheel; }
    Swatches *swatches() const { return m_swatches; }
    LabelSpinBox *field(int i) const { return m_fields.value(i); } // R, G, B, H, S, V
    QToolButton *swatchButton(int i) const;
    QToolButton *presetButton(int n) const;
    QPushButton *resetCurrentButton() const { return m_resetCurrent; }
    QPushButton *resetAllButton() const { return m_resetAll; }
    QPushButton *fillAllButton() const { return m_fillAll; }
    QLabel *paintingNote() const { return m_paintingNote; }

signals:
    // The user chose another colour (wheel, fields, swatches).
    void colorChanged(QColor color);
    void presetClicked(int n);
    // After a reset button restored the factory presets (and saved them).
    void presetsReset();
    void fillAllClicked();
    // A preset could not be written to the presets file.
    void saveFailed();

private slots:
    void onRgbSpinBoxChanged();
    void onHsvSpinBoxChanged();

private:
    enum Field { R, G, B, H, S, V };
    QWidget *buildPresetArea();
    // Shows m_color in the fields (all but the edited kind), the wheel and
    // the swatches, and makes it the painting colour.
    void showColor(bool rgbFields, bool hsvFields, bool wheel);
    bool save(int n);
    void resetPresets(bool all);

    LightingPresetStore m_store;
    LightingPresetStore::Presets m_presets;
    int m_current = 0;
    QColor m_color = Qt::red;
    QColor m_paintColor = QColor(245, 247, 250);

    ColorWheel *m_wheel = nullptr;
    Swatches *m_swatches = nullptr;
    QList<LabelSpinBox *> m_fields;
    QLabel *m_swatchTitle = nullptr;
    QLabel *m_paintingNote = nullptr;
    QButtonGroup *m_swatchGroup = nullptr;
    QButtonGroup *m_presetGroup = nullptr;
    QPushButton *m_resetCurrent = nullptr;
    QPushButton *m_resetAll = nullptr;
    QPushButton *m_fillAll = nullptr;
};
