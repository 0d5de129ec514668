#include "CustomKeySetPageWgt.h"
#include "KeyboardConfig.h"
#include "KeyboardConfigModel.h"

#include "KeyChooseWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "LayoutIcons.h"
#include "PredefinedLayouts.h"
#include "ProfileData.h"
#include "ProfileManager.h"
#include "SignalObject.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

CustomKeySetPageWgt::CustomKeySetPageWgt(QWidget *parent) : ConfigPageWgt(PageCustomKeys, parent)
{
    setObjectName(QStringLiteral("CustomKeySetPageWgt"));
}

QString CustomKeySetPageWgt::title() const
{
    return tr("自定义键");
}

void CustomKeySetPageWgt::buildWidgets(QVBoxLayout *layout)
{
    auto *body = new QHBoxLayout;
    body->setSpacing(16);
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("CustomKeyLayoutPanel"));
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setFixedWidth(PanelWidth);
    panel->setStyleSheet(QStringLiteral(
        "#CustomKeyLayoutPanel{border-right:1px solid lightgray;}"
        "QToolButton{padding-top:6px;color:rgb(160, 170, 184);font-size:12px;border:1px solid rgb(160, 170, 184);"
        "border-radius:4px;background:white;}"
        "QToolButton:hover{border-color:rgb(254, 187, 36);}"
        "QToolButton:pressed{padding-left:3px;padding-top:10px;}"));
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 16, 0);
    m_description = new QLabel(panel);
    m_description->setWordWrap(true);
    m_description->setStyleSheet(QStringLiteral("QLabel{font-size:13px;color:#AAAAAA;}"));
    panelLayout->addWidget(m_description);
    auto *grid = new QGridLayout;
    grid->setSpacing(8);
    m_layouts = new QButtonGroup(this);
    for (int id = 0; id < PredefinedLayoutCount; ++id) {
        auto *b = new QToolButton(panel);
        b->setFixedSize(68, 60);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIcon(predefinedLayoutIcon(id, QColor(160, 170, 184)));
        b->setIconSize(QSize(26, 26));
        b->setCursor(Qt::PointingHandCursor);
        m_layouts->addButton(b, id);
        grid->addWidget(b, id / LayoutColumns, id % LayoutColumns);
    }
    // The letter layouts are known by these names in every language.
    const char *const names[] = {"Dvorak", "Colemak", "Norkman", "ABC"};
    for (int id = 2; id < PredefinedLayoutCount; ++id) {
        layoutButton(id)->setText(QString::fromLatin1(names[id - 2]));
        layoutButton(id)->setAccessibleName(layoutButton(id)->text());
    }
    panelLayout->addLayout(grid);
    panelLayout->addStretch();
    body->addWidget(panel);

    // The page sits under the keyboard: the picker takes smaller keys.
    m_picker = new KeyChooseWgt(this, PickerKeyUnit);
    body->addWidget(m_picker, 0, Qt::AlignTop);
    body->addStretch();
    layout->addLayout(body, 1);
}

void CustomKeySetPageWgt::retranslate()
{
    ConfigPageWgt::retranslate();
    if (!m_description)
        return;
    m_description->setText(tr("支持Win/Mac系统默认布局切换。可在任意层重新映射按键，支持拖动或点击修改，修改后立即生效。"));
    layoutButton(0)->setText(tr("默认"));
    layoutButton(1)->setText(tr("功能"));
    for (int id = 0; id < 2; ++id)
        layoutButton(id)->setAccessibleName(layoutButton(id)->text());
}

QToolButton *CustomKeySetPageWgt::layoutButton(int id) const
{
    return m_layouts ? qobject_cast<QToolButton *>(m_layouts->button(id)) : nullptr;
}

void CustomKeySetPageWgt::onBtnTypeClicked(int btnId)
{
    if (btnId < 0 || btnId >= PredefinedLayoutCount)
        return;
    applyLayout(btnId, predefinedLayouts().at(btnId));
}

void CustomKeySetPageWgt::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    connectTracked(m_layouts, &QButtonGroup::idClicked, [this](int id) { onBtnTypeClicked(id); });
    connectTracked(m_picker, &KeyChooseWgt::sigKeyClicked, [this](int type) { onModifyKeyType(type); });
    connectTracked(keyboards(), &KeyboardDeck::keyClicked,
                   [this](int layer, KeyboardBtn *key) { onKeyClicked(layer, key); });
    connectTracked(keyboards(), &KeyboardDeck::keyDropped, [this](int layer, int firstType, int newType) {
        applyKeyChange(layer, firstType, newType);
        showFnKeyColours();
    });
    connectTracked(hub, &SignalObject::sigShowFnKeyColor, [this] { showFnKeyColours(); });
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
    if (config()->config().bindKindOf(key->firstType()) == Bind_None) {
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
        applyKeyChange(view->layer(), b->firstType(), newType);
        b->restoreLegend(); // no longer awaiting, whether it was taken or not
        return;
    }
}

void CustomKeySetPageWgt::applyKeyChange(int layer, int firstType, int newType)
{
    qCDebug(lcKeyboard) << "修改按键值" << layer << firstType << newType;
    const int was = config()->config().layers[size_t(layer)].value(firstType, firstType);
    config()->edit({tr("Fn%1 层的 %2").arg(layer).arg(keyLegend(firstType)), keyTypeName(was), keyTypeName(newType)},
                   KeyboardConfigModel::NoMerge,
                   [=](KeyboardConfig &c) { c.layers[size_t(layer)].insert(firstType, newType); });
    showEditedLayers();
}

// The views show the layers as the configuration now holds them. While a
// keyboard is being read there is none; its read-back's end draws them.
void CustomKeySetPageWgt::showEditedLayers()
{
    if (config()->hasConfig())
        showLayers(config()->config().layers);
}

void CustomKeySetPageWgt::applyLayout(int resetId, const QMap<int, int> &map)
{
    if (!isActive())
        return;
    qCDebug(lcKeyboard) << "修改键位" << resetId << map;
    KeyboardBaseWgt *view = keyboards()->currentView();
    if (!view)
        return;
    // The default layout (0) belongs to layer 1, the others to layers 0 and
    // 1; any other layer goes back to the keys' own types.
    const int layer = view->layer();
    const bool apply = resetId == 0 ? layer == 1 : layer <= 1;
    QMap<int, int> keys;
    for (KeyboardBtn *b : view->buttons()) {
        const int own = b->firstType();
        keys.insert(own, apply ? map.value(own, own) : own);
    }
    config()->edit({tr("Fn%1 层的键位").arg(layer), {}, {}}, KeyboardConfigModel::NoMerge, [&](KeyboardConfig &c) {
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            c.layers[size_t(layer)].insert(it.key(), it.value());
    });
    showEditedLayers();
}

// Every layer as the profile has it: each key its own type unless the
// profile's layer says otherwise.
void CustomKeySetPageWgt::showProfile(const ProfileData &profile)
{
    if (profile.layers)
        showLayers(*profile.layers);
}

void CustomKeySetPageWgt::showConfig(const KeyboardConfig &config, bool)
{
    showLayers(config.layers);
}

// Each layer's assignments; a key the layer does not name is itself.
void CustomKeySetPageWgt::showLayers(const ProfileLayers &layers)
{
    for (KeyboardBaseWgt *view : keyboards()->views()) {
        const QMap<int, int> &layer = layers.at(size_t(view->layer()));
        for (KeyboardBtn *b : view->buttons())
            b->setCurrentType(layer.value(b->firstType(), b->firstType()));
    }
    if (isCurrent())
        showFnKeyColours();
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

