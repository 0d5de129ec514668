#include "ColorConfigWgt.h"

#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "SignalObject.h"
#include "SoftwareConfig.h"

ColorConfigWgt::ColorConfigWgt(QWidget *parent) : ConfigPageWgt(PageLighting, parent)
{
    setObjectName(QStringLiteral("ColorConfigWgt"));
}

QString ColorConfigWgt::title() const
{
    return tr("灯光设置");
}

void ColorConfigWgt::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    connectTracked(keyboards(), &KeyboardDeck::keyClicked, [this](int, KeyboardBtn *key) { onKeyClicked(key); });
    connectTracked(hub, &SignalObject::sigChangeRGB, [this](const QMap<int, QColor> &colours) { onChangeRGB(colours); });
    connectTracked(hub, &SignalObject::sigShowKRGBColor, [this](bool show) { showKeyColours(show); });
    // The colours the keyboard holds, as its colour walk reports them.
    connectTracked(worker(), &KeyboardAction::sigKB2UpdateKRGBInfo,
                   [this](const QMap<int, QColor> &colours) { paintKeys(colours, QColor()); });
}

void ColorConfigWgt::onEnter()
{
    keyboards()->setFace(KeyFace::Legend);
    const bool perKey = AppParams::lightingModeIndex() >= PerKeyLightingMode;
    AppParams::setPerKeyColouringAllowed(perKey ? 1 : 0);
    emit SignalObject::instance()->sigShowKRGBColor(perKey);
}

void ColorConfigWgt::onLeave()
{
    AppParams::setPerKeyColouringAllowed(0);
}

void ColorConfigWgt::onKeyClicked(KeyboardBtn *key)
{
    if (!isCurrent() || !AppParams::perKeyColouringAllowed())
        return;
    const QColor colour = AppParams::currentColour();
    // The colour belongs to the key: every layer's view shows it.
    paintKeys({{key->firstType(), colour}}, QColor());
    worker()->setKeyColour(key->firstType(), quint8(colour.red()), quint8(colour.green()), quint8(colour.blue()));
    emit SignalObject::instance()->sigUpdateKeyColorCache(key->firstType(), colour);
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
    const QMap<int, QColor> cache = SoftwareConfig::instance()->keyColourCache();
    paintKeys(cache, KeyboardBtn::NeutralColour);
}

// A whole colour map (a preset): every key shows its colour, and the
// keyboard gets them as whole colour records, not a frame per key.
void ColorConfigWgt::onChangeRGB(const QMap<int, QColor> &colours)
{
    if (!isCurrent())
        return;
    paintKeys(colours, QColor(Qt::black));
    QMap<int, QColor> sent;
    for (KeyboardBtn *b : keyboards()->keys())
        sent.insert(b->firstType(), b->keyColour());
    worker()->setKeyColours(sent);
}
