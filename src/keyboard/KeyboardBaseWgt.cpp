#include "KeyboardBaseWgt.h"

#include "AppParams.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBtn.h"
#include "KeyboardLog.h"
#include "ProfileManager.h"
#include "SignalObject.h"
#include "SoftwareConfig.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>

namespace {

constexpr int PageLighting = 0;
constexpr int PagePerformance = 1;
constexpr int PageCustom = 2;
constexpr int PageAdvanced = 3;

QMap<int, KeyInfo> &keyTableStore()
{
    static QMap<int, KeyInfo> table;
    return table;
}

KeyboardBaseWgt::MessageSink &messageSink()
{
    static KeyboardBaseWgt::MessageSink sink;
    return sink;
}

bool inRange(int type, int first, int last)
{
    return type >= first && type <= last;
}

} // namespace

KeyboardBaseWgt::KeyboardBaseWgt(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("KeyboardBaseWgt"));
    setFixedSize(1100, 330);
    setStyleSheet(QStringLiteral("QFrame#KeyboardBaseWgt{background:rgb(245, 247, 250);border-radius:12px;}"));
    m_defaultCodes = defaultKeyCodeMap();
    m_group = new QButtonGroup(this);
    m_group->setExclusive(false);
}

KeyboardBaseWgt::~KeyboardBaseWgt()
{
    activate(false);
}

int KeyboardBaseWgt::registerButton(KeyboardBtn *button)
{
    return registerButton(button, m_group->buttons().size());
}

int KeyboardBaseWgt::registerButton(KeyboardBtn *button, int type)
{
    const int id = m_group->buttons().size();
    m_group->addButton(button, id);
    KeyInfo info;
    info.firstType = quint32(type);
    info.currentType = quint32(type);
    info.rapidTriggerPress = AppParams::rapidTriggerPressDefault();
    info.rapidTriggerRelease = AppParams::rapidTriggerReleaseDefault();
    info.travel = AppParams::globalTravel();
    button->setKeyData(info);
    button->setLayer(m_layer);
    return id;
}

void KeyboardBaseWgt::buildButtonIndex()
{
    m_index.clear();
    for (KeyboardBtn *b : buttons())
        m_index.insert(b->firstType(), b);
}

void KeyboardBaseWgt::setRowLayouts(const QList<QHBoxLayout *> &rows, QGridLayout *numpad)
{
    m_rows = rows;
    m_numpad = numpad;
}

void KeyboardBaseWgt::setLayer(int layer)
{
    m_layer = layer;
    qCDebug(lcKeyboard) << "m_layerType:" << layer;
    for (KeyboardBtn *b : buttons())
        b->setLayer(layer);
}

QList<KeyboardBtn *> KeyboardBaseWgt::buttons() const
{
    QList<KeyboardBtn *> out;
    const auto all = m_group->buttons();
    out.reserve(all.size());
    for (int id = 0; id < all.size(); ++id)
        if (auto *b = qobject_cast<KeyboardBtn *>(m_group->button(id)))
            out.append(b);
    return out;
}

KeyboardBtn *KeyboardBaseWgt::buttonAt(int row, int column) const
{
    for (KeyboardBtn *b : buttons())
        if (b->matrixRow() == row && b->matrixColumn() == column)
            return b;
    return nullptr;
}

QMap<int, KeyInfo> KeyboardBaseWgt::keyTable()
{
    return keyTableStore();
}

void KeyboardBaseWgt::setMessageSink(const MessageSink &sink)
{
    messageSink() = sink;
}

void KeyboardBaseWgt::tellUser(const QString &title, const QString &text)
{
    if (messageSink())
        messageSink()(title, text);
    else
        QMessageBox::information(nullptr, title, text);
}

KeyboardAction *KeyboardBaseWgt::action()
{
    if (!m_action)
        m_action = KeyboardAction::instance();
    return m_action;
}

ProfileManager *KeyboardBaseWgt::profiles()
{
    if (!m_profiles)
        m_profiles = ProfileManager::instance();
    return m_profiles;
}

bool KeyboardBaseWgt::isCurrentLayer() const
{
    return m_layer == AppParams::currentLayer();
}

void KeyboardBaseWgt::activate(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (on) {
        setupConnections();
        return;
    }
    for (const Connection &c : qAsConst(m_connections))
        disconnect(c);
    m_connections.clear();
}

void KeyboardBaseWgt::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    KeyboardAction *worker = action();
    ProfileManager *manager = profiles();
    auto &c = m_connections;

    c << connect(m_group, &QButtonGroup::idClicked, this, &KeyboardBaseWgt::onGroupClicked);
    for (KeyboardBtn *b : buttons())
        c << connect(b, &KeyboardBtn::sigUpateLayoutNewKey, this, &KeyboardBaseWgt::onNewKey);

    c << connect(hub, &SignalObject::sigModifyKeyType, this, &KeyboardBaseWgt::onModifyKeyType);
    c << connect(hub, &SignalObject::sigResetCustomKeyType, this, &KeyboardBaseWgt::onResetCustomKeyType);
    c << connect(hub, &SignalObject::sigResetKeyText, this, &KeyboardBaseWgt::onResetKeyText);
    c << connect(hub, &SignalObject::sigKeyBoardUpdate, this, &KeyboardBaseWgt::onKeyBoardUpdate);
    c << connect(hub, &SignalObject::sigShowFnKeyColor, this, &KeyboardBaseWgt::onShowFnKeyColor);
    c << connect(hub, &SignalObject::sigShowKRGBColor, this, &KeyboardBaseWgt::onShowKRGBColor);
    c << connect(hub, &SignalObject::sigChangeRGB, this, &KeyboardBaseWgt::onChangeRGB);
    c << connect(hub, &SignalObject::sigBindFinished, this, &KeyboardBaseWgt::onBindFinished);
    c << connect(hub, &SignalObject::sigDeleteKeyBind, this, &KeyboardBaseWgt::onDeleteKeyBind);
    c << connect(hub, &SignalObject::sigChooseAllKey, this, &KeyboardBaseWgt::onChooseAllKey);
    c << connect(hub, &SignalObject::sigChooseASDWKey, this, &KeyboardBaseWgt::onChooseASDWKey);
    c << connect(hub, &SignalObject::sigKeyOptional, this, &KeyboardBaseWgt::onKeyOptional);
    c << connect(hub, &SignalObject::sigModifyChoosedKeyTouch, this, &KeyboardBaseWgt::onModifyChoosedKeyTouch);
    c << connect(hub, &SignalObject::sigOpenQuickTouchMode, this, &KeyboardBaseWgt::onOpenQuickTouchMode);
    c << connect(hub, &SignalObject::sigCloseQuickTouchMode, this, &KeyboardBaseWgt::onCloseQuickTouchMode);
    c << connect(hub, &SignalObject::sigUpdateChooseKeyQuickTouchDis, this,
                 &KeyboardBaseWgt::onUpdateChooseKeyQuickTouchDis);
    c << connect(hub, &SignalObject::sigUpdateOherKeyTouch, this, &KeyboardBaseWgt::onUpdateOtherKeyTouch);
    c << connect(hub, &SignalObject::sigResetAllKeyTouchDis, this, &KeyboardBaseWgt::onResetAllKeyTouchDis);
    c << connect(hub, &SignalObject::sigShowTouchDisKeyBorder, this, &KeyboardBaseWgt::onShowTouchDisKeyBorder);
    c << connect(hub, &SignalObject::sigShowQuickTouchKeyBorder, this,
                 &KeyboardBaseWgt::onShowQuickTouchKeyBorder);
    c << connect(hub, &SignalObject::sigSetChoosedKeyQuickTouck, this,
                 &KeyboardBaseWgt::onSetChoosedKeyQuickTouck);
    c << connect(hub, &SignalObject::sigSetQuickTouchKeyChoosed, this,
                 &KeyboardBaseWgt::onSetQuickTouchKeyChoosed);

    c << connect(worker, &KeyboardAction::sigKB2LayoutKey, this, &KeyboardBaseWgt::onLayoutKey);
    c << connect(worker, &KeyboardAction::sigKB2LayoutDB, this, &KeyboardBaseWgt::onLayoutDB);
    c << connect(worker, &KeyboardAction::sigKB2LayoutDis, this, &KeyboardBaseWgt::onLayoutDis);
    c << connect(worker, &KeyboardAction::sigKB2AdvancedKey, this, &KeyboardBaseWgt::onAdvancedKey);
    c << connect(worker, &KeyboardAction::sigKB2OriginalKeyValueMap, this, &KeyboardBaseWgt::onOriginalKeyValueMap);
    c << connect(worker, &KeyboardAction::sigKB2UpdateKRGBInfo, this, &KeyboardBaseWgt::onUpdateKRGBInfo);
    c << connect(worker, &KeyboardAction::sigUpdateAdjustingData, this, &KeyboardBaseWgt::onAdjustingData);
    c << connect(worker, &KeyboardAction::sigUpdateMMData, this, &KeyboardBaseWgt::onMMData);

    c << connect(manager, &ProfileManager::sigUIProfileLayoutKey, this, &KeyboardBaseWgt::onProfileLayoutKey);
    c << connect(manager, &ProfileManager::sigUIProfileLayoutDB, this, &KeyboardBaseWgt::onProfileLayoutDB);
    c << connect(manager, &ProfileManager::sigUIProfileAdvancedKey, this, &KeyboardBaseWgt::onProfileAdvancedKey);
    c << connect(manager, &ProfileManager::sigUIProfileClearAdvancedKey, this,
                 &KeyboardBaseWgt::onProfileClearAdvancedKey);
    c << connect(manager, &ProfileManager::sigUIProfileKeyColorClear, this,
                 &KeyboardBaseWgt::onProfileKeyColorClear);
}

// --- Clicks and remapping --------------------------------------------------

void KeyboardBaseWgt::onGroupClicked(int id)
{
    auto *button = qobject_cast<KeyboardBtn *>(m_group->button(id));
    if (!button)
        return;
    switch (AppParams::currentPage()) {
    case PageLighting: {
        if (!AppParams::perKeyColouringAllowed())
            return;
        const QColor colour = AppParams::currentColour();
        button->setKeyColour(colour);
        action()->setKeyColour(button->firstType(), quint8(colour.red()), quint8(colour.green()),
                               quint8(colour.blue()));
        emit SignalObject::instance()->sigUpdateKeyColorCache(button->firstType(), colour);
        break;
    }
    case PageCustom:
        qCDebug(lcKeyboard) << "resetKeyText" << id;
        for (KeyboardBtn *b : buttons())
            if (b != button)
                b->restoreLegend();
        break;
    case PageAdvanced: {
        const KeyInfo &info = button->keyData();
        if (info.bindKind != Bind_None) {
            emit SignalObject::instance()->sigModifyBindInfo(info);
            return;
        }
        int bound = 0;
        for (KeyboardBtn *b : buttons())
            bound += b->keyData().bindKind != Bind_None ? 1 : 0;
        if (bound >= MaxAdvancedKeys) {
            tellUser(tr("提示"), tr("高级键最多绑定32个"));
            return;
        }
        emit sigOpenAdvanceTypeChooser(info, button->mapToGlobal(QPoint(-10, 40)));
        break;
    }
    default: break; // performance: the check mark is the selection
    }
}

void KeyboardBaseWgt::onNewKey(int firstType, int newType)
{
    applyKeyChange(firstType, newType);
}

void KeyboardBaseWgt::onModifyKeyType(int newType)
{
    // Only the view on screen has a key awaiting its new assignment.
    if (!isCurrentLayer())
        return;
    for (KeyboardBtn *b : buttons()) {
        qCDebug(lcKeyboard) << "改单个键值的循环" << b->firstType();
        if (!b->legend().isEmpty())
            continue;
        // A layer cannot hold a key that switches to itself or below, by
        // picker as by drop.
        if (KeyboardBtn::dropTypeFor(keyTypeName(newType), m_layer) != newType) {
            b->restoreLegend();
            return;
        }
        b->setCurrentType(newType);
        applyKeyChange(b->firstType(), newType);
        return;
    }
}

void KeyboardBaseWgt::applyKeyChange(int firstType, int newType)
{
    qCDebug(lcKeyboard) << "修改按键值" << m_layer << firstType << newType;
    action()->setLayerKey(m_layer, firstType, newType);
    profiles()->UpdateBoardLayerKey(m_layer, firstType, newType);
}

void KeyboardBaseWgt::onResetCustomKeyType(int resetId, const QMap<int, int> &map)
{
    qCDebug(lcKeyboard) << "修改键位" << resetId << map;
    if (!isCurrentLayer())
        return;
    const bool apply = resetId == 0 ? m_layer == 1 : m_layer <= 1;
    for (KeyboardBtn *b : buttons()) {
        if (apply && map.contains(b->firstType())) {
            b->setCurrentType(map.value(b->firstType()));
        } else {
            qCDebug(lcKeyboard) << "重置键位" << b->firstType();
            b->setCurrentType(b->firstType());
        }
    }
    sendWholeLayer(true);
}

void KeyboardBaseWgt::sendWholeLayer(bool toProfile)
{
    QMap<int, int> keys;
    QVariantMap layout;
    for (KeyboardBtn *b : m_index) {
        keys.insert(b->firstType(), b->currentType());
        layout.insert(QString::number(b->firstType()), b->currentType());
    }
    action()->setLayer(m_layer, keys);
    if (toProfile)
        profiles()->UpdateBoardLayer(m_layer, layout);
}

void KeyboardBaseWgt::onResetKeyText()
{
    for (KeyboardBtn *b : buttons())
        b->restoreLegend();
}

void KeyboardBaseWgt::onKeyBoardUpdate()
{
    update();
    if (m_layer != 0)
        return;
    QMap<int, KeyInfo> table;
    for (KeyboardBtn *b : buttons())
        table.insert(b->firstType(), b->keyData());
    keyTableStore() = table;
}

void KeyboardBaseWgt::onShowFnKeyColor()
{
    for (KeyboardBtn *b : buttons()) {
        const int t = b->currentType();
        QColor colour = KeyboardBtn::NeutralColour;
        if (inRange(t, 112, 131) || inRange(t, 155, 160))
            colour = QColor(142, 196, 212);
        else if (inRange(t, 141, 147) || inRange(t, 161, 168))
            colour = QColor(209, 246, 209);
        else if (inRange(t, 149, 153))
            colour = QColor(218, 177, 115);
        b->setKeyColour(colour);
    }
}

void KeyboardBaseWgt::onShowKRGBColor(bool show)
{
    const QMap<int, QColor> cache = SoftwareConfig::instance()->keyColourCache();
    for (KeyboardBtn *b : buttons())
        b->setKeyColour(show ? cache.value(b->firstType(), KeyboardBtn::NeutralColour) : KeyboardBtn::NeutralColour);
}

void KeyboardBaseWgt::onChangeRGB(const QMap<int, QColor> &colours)
{
    if (AppParams::currentPage() != PageLighting)
        return;
    QList<KeyboardBtn *> keys = buttons();
    for (KeyboardBtn *b : keys) {
        const QColor c = colours.value(b->firstType());
        b->setKeyColour(c.isValid() ? c : QColor(Qt::black));
    }
    // Colours belong to the keys, not to a layer: one view sends them.
    if (m_layer != 0)
        return;
    for (int i = 0; i < keys.size(); i += 14) {
        QStringList line;
        for (int k = i; k < qMin(i + 14, keys.size()); ++k) {
            const QColor c = keys.at(k)->keyColour();
            action()->setKeyColour(keys.at(k)->firstType(), quint8(c.red()), quint8(c.green()), quint8(c.blue()));
            line << QStringLiteral("%1:%2").arg(keys.at(k)->firstType()).arg(c.name());
        }
        qCDebug(lcKeyboard) << "下发的颜色数据：" << line.join(QLatin1Char(' '));
    }
}

void KeyboardBaseWgt::onBindFinished(const KeyInfo &info)
{
    if (KeyboardBtn *b = buttonForType(int(info.firstType)))
        b->setAdvancedRecord(info);
}

void KeyboardBaseWgt::onDeleteKeyBind(const KeyInfo &info)
{
    if (KeyboardBtn *b = buttonForType(int(info.firstType))) {
        KeyInfo none;
        b->setAdvancedRecord(none);
    }
}

void KeyboardBaseWgt::onChooseAllKey(bool on)
{
    if (m_layer != 0)
        return;
    for (KeyboardBtn *b : buttons())
        b->setKeyChecked(on); // a key that is not selectable stays unchecked
}

void KeyboardBaseWgt::onChooseASDWKey()
{
    if (m_layer != 0)
        return;
    for (KeyboardBtn *b : buttons()) {
        const int t = b->currentType();
        if (t == 35 || t == 51 || t == 52 || t == 53)
            b->setKeyChecked(true);
    }
}
