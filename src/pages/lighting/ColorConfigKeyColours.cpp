// The lighting page's key colours: painting keys by click, drag and fill,
// whole presets, and the colours the keyboard reports.

#include "ColorConfigWgt.h"

#include "ColorChooseWgt.h"
#include "KeyPaintStroke.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyTypeTable.h"
#include "KeyboardDeck.h"
#include "LightingLog.h"
#include "SignalObject.h"

#include <QDir>

// Key colours are one step of the history per click, drag, fill or preset.
void ColorConfigWgt::sendKeyColours(const QMap<int, QColor> &colours)
{
    const QString what = colours.size() == 1 ? tr("%1 的颜色").arg(keyLegend(colours.firstKey())) : tr("按键颜色");
    config()->edit({what, {}, {}}, KeyboardConfigModel::NoMerge, [&colours](KeyboardConfig &c) {
        for (auto it = colours.cbegin(); it != colours.cend(); ++it)
            c.keyColours.insert(it.key(), it.value());
    });
    // The keys show what the configuration now holds (while a keyboard is
    // being read there is none, and its read-back's end paints them).
    if (!config()->hasConfig())
        return;
    QMap<int, QColor> held;
    for (auto it = colours.cbegin(); it != colours.cend(); ++it)
        held.insert(it.key(), config()->config().keyColours.value(it.key()));
    paintKeys(held, QColor());
}

void ColorConfigWgt::showConfig(const KeyboardConfig &config, bool fromKeyboard)
{
    if (fromKeyboard) {
        // The lighting record came as the keyboard reported it.
        showKeyboardColours(config.keyColours);
        return;
    }
    // After an undo or a redo: the configuration's lighting and colours.
    ConfigPageWgt::showConfig(config, fromKeyboard);
    paintKeys(config.keyColours, QColor());
    for (auto it = config.keyColours.cbegin(); it != config.keyColours.cend(); ++it)
        m_keyColourCache.insert(it.key(), it.value());
}

void ColorConfigWgt::onKeyClicked(KeyboardBtn *key)
{
    if (!isCurrent() || !m_perKey || m_strokeWatch->clickEndsDrag(key))
        return;
    const QColor colour = m_chooser->paintColor();
    // The colour belongs to the key: every layer's view shows it.
    paintKeys({{key->firstType(), colour}}, QColor());
    sendKeyColours({{key->firstType(), colour}});
    m_chooser->rememberColor(colour);
    onKeyColourCache(key->firstType(), colour);
}

// A drag paints at once and sends each key's final colour when it ends.
void ColorConfigWgt::onStrokeKey(KeyboardBtn *key)
{
    if (!isCurrent() || !m_perKey)
        return;
    const QColor colour = m_chooser->paintColor();
    paintKeys({{key->firstType(), colour}}, QColor());
    m_stroke.insert(key->firstType(), colour);
}

void ColorConfigWgt::finishStroke()
{
    if (m_stroke.isEmpty())
        return;
    const QMap<int, QColor> painted = m_stroke;
    m_stroke.clear();
    sendKeyColours(painted);
    for (auto it = painted.cbegin(); it != painted.cend(); ++it)
        m_keyColourCache.insert(it.key(), it.value());
    m_chooser->rememberColor(painted.first());
    m_chooser->setPresetKeys(m_chooser->currentPreset(), painted);
}

void ColorConfigWgt::onFillAll()
{
    if (!isCurrent() || !m_perKey)
        return;
    const QColor colour = m_chooser->paintColor();
    QMap<int, QColor> all;
    for (KeyboardBtn *b : keyboards()->keys())
        all.insert(b->firstType(), colour);
    paintKeys(all, QColor());
    sendKeyColours(all);
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        m_keyColourCache.insert(it.key(), it.value());
    m_chooser->rememberColor(colour);
    m_chooser->setPresetKeys(m_chooser->currentPreset(), all);
}

void ColorConfigWgt::onKeyColourCache(int keyType, const QColor &colour)
{
    m_keyColourCache.insert(keyType, colour);
    m_chooser->setPresetKeys(m_chooser->currentPreset(), {{keyType, colour}});
}

void ColorConfigWgt::showKeyboardColours(const QMap<int, QColor> &colours)
{
    paintKeys(colours, QColor());
    for (auto it = colours.cbegin(); it != colours.cend(); ++it)
        m_keyColourCache.insert(it.key(), it.value());
    m_boardColours = colours;
    m_boardColoursPending = true;
    adoptKeyboardColours();
}

// The keyboard's colour table is the preset it runs: it replaces that
// preset once the lighting record has named it (the two arrive in either
// order). While the keyboard runs an effect no preset can be told, and none
// is overwritten.
void ColorConfigWgt::adoptKeyboardColours()
{
    if (!m_boardColoursPending || !m_boardLightingKnown)
        return;
    m_boardColoursPending = false;
    if (m_boardPreset >= 0)
        m_chooser->setPreset(m_boardPreset, m_boardColours);
}

// Keys in the map take its colour; the others take missing, or keep theirs
// when it is invalid.
void ColorConfigWgt::paintKeys(const QMap<int, QColor> &colours, const QColor &missing)
{
    for (KeyboardBaseWgt *view : keyboards()->views()) {
        for (KeyboardBtn *b : view->buttons()) {
            const QColor c = colours.value(b->firstType());
            if (c.isValid())
                b->setKeyColour(c);
            else if (missing.isValid())
                b->setKeyColour(missing);
        }
    }
}

void ColorConfigWgt::showKeyColours(bool show)
{
    if (!show) {
        paintKeys({}, KeyboardBtn::NeutralColour);
        return;
    }
    paintKeys(m_keyColourCache, KeyboardBtn::NeutralColour);
}

// A whole colour map (a preset): every key shows its colour, and the
// keyboard gets them as whole colour records, not a frame per key. Keys
// the map leaves out are dark.
void ColorConfigWgt::paintPreset(const QMap<int, QColor> &colours)
{
    if (!isActive() || !isCurrent())
        return;
    paintKeys(colours, QColor(Qt::black));
    QMap<int, QColor> sent;
    for (KeyboardBtn *b : keyboards()->keys()) {
        const QColor c = colours.value(b->firstType());
        sent.insert(b->firstType(), c.isValid() ? c : QColor(Qt::black));
    }
    qCDebug(lcLighting) << "下发的颜色数据：" << sent.size();
    sendKeyColours(sent);
    m_keyColourCache = sent;
}

void ColorConfigWgt::onPresetsReset()
{
    if (m_view.mode == Lighting::StaticMode)
        paintPreset(m_chooser->preset(m_chooser->currentPreset()));
}

void ColorConfigWgt::onSaveFailed()
{
    emit SignalObject::instance()->sigShowToastTip(
        ToastType::Error, ToastPosition::Center,
        tr("灯光预设无法保存到 %1").arg(QDir::toNativeSeparators(m_store.path())), 3000);
}

