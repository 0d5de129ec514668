#include "CustomKeySetPageWgt.h"

#include "BoardRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "ProfileData.h"
#include "ProfileManager.h"
#include "SignalObject.h"

#include <QToolTip>

CustomKeySetPageWgt::CustomKeySetPageWgt(QWidget *parent) : ConfigPageWgt(PageCustomKeys, parent)
{
    setObjectName(QStringLiteral("CustomKeySetPageWgt"));
}

QString CustomKeySetPageWgt::title() const
{
    return tr("自定义键");
}

void CustomKeySetPageWgt::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    connectTracked(keyboards(), &KeyboardDeck::keyClicked,
                   [this](int layer, KeyboardBtn *key) { onKeyClicked(layer, key); });
    connectTracked(keyboards(), &KeyboardDeck::keyDropped, [this](int layer, int firstType, int newType) {
        applyKeyChange(layer, firstType, newType);
        showFnKeyColours();
    });
    connectTracked(hub, &SignalObject::sigModifyKeyType, [this](int type) { onModifyKeyType(type); });
    connectTracked(hub, &SignalObject::sigResetCustomKeyType,
                   [this](int resetId, const QMap<int, int> &map) { onResetCustomKeyType(resetId, map); });
    connectTracked(hub, &SignalObject::sigResetKeyText, [this] { keyboards()->restoreLegends(); });
    connectTracked(hub, &SignalObject::sigShowFnKeyColor, [this] { showFnKeyColours(); });
    connectTracked(worker(), &KeyboardAction::sigKB2LayoutKey, [this](const QVariant &map) { onLayoutKey(map); });
}

void CustomKeySetPageWgt::onEnter()
{
    keyboards()->setFace(KeyFace::Bindings);
}

void CustomKeySetPageWgt::onLeave()
{
    // No key waits for an assignment once the page is gone.
    keyboards()->restoreLegends();
}

void CustomKeySetPageWgt::onKeyClicked(int layer, KeyboardBtn *key)
{
    if (!isCurrent())
        return;
    KeyboardBaseWgt *view = keyboards()->view(layer);
    if (!view)
        return;
    qCDebug(lcKeyboard) << "resetKeyText" << key->firstType();
    // Only one key waits for its new assignment.
    for (KeyboardBtn *b : view->buttons())
        if (b != key)
            b->restoreLegend();
    if (key->keyData().bindKind == Bind_None) {
        key->setLegend(QString()); // the empty legend marks the key awaiting a new assignment
        QToolTip::showText(key->mapToGlobal(QPoint(0, -45)), tr("开始绑定"), key);
    }
}

void CustomKeySetPageWgt::onModifyKeyType(int newType)
{
    // Only the view on screen has a key awaiting its new assignment.
    KeyboardBaseWgt *view = keyboards()->currentView();
    if (!view)
        return;
    for (KeyboardBtn *b : view->buttons()) {
        qCDebug(lcKeyboard) << "改单个键值的循环" << b->firstType();
        if (!b->legend().isEmpty())
            continue;
        // A layer cannot hold a key that switches to itself or below, by
        // picker as by drop.
        if (KeyboardBtn::dropTypeFor(keyTypeName(newType), view->layer()) != newType) {
            b->restoreLegend();
            return;
        }
        b->setCurrentType(newType);
        applyKeyChange(view->layer(), b->firstType(), newType);
        return;
    }
}

void CustomKeySetPageWgt::applyKeyChange(int layer, int firstType, int newType)
{
    qCDebug(lcKeyboard) << "修改按键值" << layer << firstType << newType;
    worker()->setLayerKey(layer, firstType, newType);
    profiles()->UpdateBoardLayerKey(layer, firstType, newType);
}

void CustomKeySetPageWgt::onResetCustomKeyType(int resetId, const QMap<int, int> &map)
{
    qCDebug(lcKeyboard) << "修改键位" << resetId << map;
    KeyboardBaseWgt *view = keyboards()->currentView();
    if (!view)
        return;
    // The default layout (0) belongs to layer 1, the others to layers 0 and
    // 1; any other layer goes back to the keys' own types.
    const int layer = view->layer();
    const bool apply = resetId == 0 ? layer == 1 : layer <= 1;
    for (KeyboardBtn *b : view->buttons()) {
        if (apply && map.contains(b->firstType())) {
            b->setCurrentType(map.value(b->firstType()));
        } else {
            qCDebug(lcKeyboard) << "重置键位" << b->firstType();
            b->setCurrentType(b->firstType());
        }
    }
    sendWholeLayer(view);
}

void CustomKeySetPageWgt::sendWholeLayer(KeyboardBaseWgt *view)
{
    QMap<int, int> keys;
    for (KeyboardBtn *b : view->buttons())
        keys.insert(b->firstType(), b->currentType());
    worker()->setLayer(view->layer(), keys);
    profiles()->UpdateBoardLayer(view->layer(), keys);
}

// Every layer as the profile has it: each key its own type unless the
// profile's layer says otherwise.
void CustomKeySetPageWgt::showProfile(const ProfileData &profile)
{
    if (!profile.layers)
        return;
    for (KeyboardBaseWgt *view : keyboards()->views()) {
        const QMap<int, int> &layer = profile.layers->at(size_t(view->layer()));
        for (KeyboardBtn *b : view->buttons())
            b->setCurrentType(layer.value(b->firstType(), b->firstType()));
    }
}

QColor CustomKeySetPageWgt::categoryColour(int type)
{
    switch (keyTypeCategory(type)) {
    case KeyCategory::Application:
    case KeyCategory::MacFunction: return QColor(142, 196, 212);
    case KeyCategory::Lighting: return QColor(209, 246, 209);
    case KeyCategory::System: return QColor(218, 177, 115);
    default: return KeyboardBtn::NeutralColour;
    }
}

void CustomKeySetPageWgt::showFnKeyColours()
{
    for (KeyboardBaseWgt *view : keyboards()->views())
        for (KeyboardBtn *b : view->buttons())
            b->setKeyColour(categoryColour(b->currentType()));
}

// Each layer's assignments as the keyboard holds them.
void CustomKeySetPageWgt::onLayoutKey(const QVariant &map)
{
    const MapKB2DockerKey layers = map.value<MapKB2DockerKey>();
    for (KeyboardBaseWgt *view : keyboards()->views()) {
        qCDebug(lcKeyboard) << "刷新界面键值显示" << view->layer();
        const QMap<int, quint16> codes = layers.value(view->layer());
        for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
            KeyboardBtn *b = view->buttonForType(it.key());
            const int type = keyTypeFromCode(it.value());
            if (b && type >= 0)
                b->setCurrentType(type);
        }
    }
    if (isCurrent())
        showFnKeyColours();
}
