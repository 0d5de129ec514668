#include "AdvancedKeySetPageWgt.h"

#include "KeyboardConfigModel.h"

#include "AdvanceKeySetWindow.h"
#include "AdvanceTypeChooseWindow.h"
#include "AdvancedEditors.h"
#include "AdvancedKeyRecords.h"
#include "AdvancedLog.h"
#include "BindItemWgt.h"
#include "Hook.h"
#include "KeyTesterWgt.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "PairKeySetWindow.h"
#include "ProfileData.h"
#include "ProfileManager.h"
#include "UserMessage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The editor of a kind.
AdvanceKeySetWindow *createEditor(int kind, QWidget *parent)
{
    const AdvancedEditorFactory make = advancedEditorFactory(kind);
    return make ? make(parent) : nullptr;
}

bool isPairKind(int kind)
{
    return kind == Bind_SOCD || kind == Bind_RS;
}

// The other half of a pair: key partner's record naming key.
QVariant pairRecord(int kind, int key, int partner)
{
    if (kind == Bind_SOCD) {
        SOCDInfo socd;
        socd.keyIndex = key;
        socd.switchType = partner;
        return QVariant::fromValue(socd);
    }
    RSInfo rs;
    rs.keyIndex = key;
    rs.switchType = partner;
    return QVariant::fromValue(rs);
}

} // namespace

AdvancedKeySetPageWgt::AdvancedKeySetPageWgt(QWidget *parent) : ConfigPageWgt(PageAdvancedKeys, parent)
{
    setObjectName(QStringLiteral("AdvancedKeySetPageWgt"));
}

QString AdvancedKeySetPageWgt::title() const
{
    return tr("高级键");
}

void AdvancedKeySetPageWgt::buildWidgets(QVBoxLayout *layout)
{
    auto *body = new QHBoxLayout;
    body->setSpacing(24);

    auto *left = new QWidget(this);
    left->setObjectName(QStringLiteral("AdvancedTesterSide"));
    left->setAttribute(Qt::WA_StyledBackground);
    left->setStyleSheet(QStringLiteral("#AdvancedTesterSide{border-right:1px solid lightgray;}"));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 24, 0);
    m_tester = new KeyTesterWgt(left);
    leftLayout->addWidget(m_tester);
    left->setFixedWidth(360);
    body->addWidget(left);

    auto *right = new QVBoxLayout;
    m_listTitle = new QLabel(this);
    m_listTitle->setStyleSheet(QStringLiteral("QLabel{font-size:16px;color:#333333;font-weight:bold;}"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("BindItemList"));
    m_list->setMinimumHeight(BindItemWgt::Height + 8);
    m_list->setFixedWidth(BindItemWgt::Width + 24);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget#BindItemList{background:transparent;border:1px solid rgb(228, 231, 237);border-radius:6px;}"
        "QListWidget#BindItemList::item{border-bottom:1px solid rgb(235, 238, 245);}"
        "QListWidget#BindItemList::item:hover{background:rgb(255, 248, 230);}")
                          + BindItemWgt::listStyleSheet());
    m_macroCounter = new QLabel(this);
    m_macroCounter->setStyleSheet(QStringLiteral("QLabel{color:#666666;}"));
    right->addWidget(m_listTitle);
    right->addWidget(m_list, 1);
    right->addWidget(m_macroCounter);
    body->addLayout(right);
    body->addStretch();
    layout->addLayout(body, 1);

    m_chooser = new AdvanceTypeChooseWindow(this);
    connect(this, &AdvancedKeySetPageWgt::sigOpenAdvanceTypeChooser, m_chooser,
            &AdvanceTypeChooseWindow::showFor);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        auto *entry = qobject_cast<BindItemWgt *>(m_list->itemWidget(item));
        if (entry && isActive())
            openEditor(keyData(entry->firstType(), entry->keyInfo()), entry->kind());
    });

    // The hook is installed once and stays; the tester hears it only while
    // the page is on screen.
    m_hook = new Hook(this);
    if (!m_hook->install())
        qCDebug(lcAdvanced) << "key hook not installed";
    listChanged();
}

void AdvancedKeySetPageWgt::retranslate()
{
    ConfigPageWgt::retranslate();
    if (!m_listTitle)
        return;
    m_listTitle->setText(tr("当前绑定值"));
    m_list->setAccessibleName(tr("当前绑定值"));
    m_macroCounter->setText(tr("绑定宏数量 %1/%2").arg(macroEntries()).arg(MaxMacroEntries));
}

void AdvancedKeySetPageWgt::setupConnections()
{
    connectTracked(keyboards(), &KeyboardDeck::keyClicked, [this](int, KeyboardBtn *key) { onKeyClicked(key); });
    connectTracked(m_chooser, &AdvanceTypeChooseWindow::kindChosen,
                   [this](const KeyInfo &info, BindKeyType kind) { onAddAdvanceBind(info, kind); });
    connectTracked(m_hook, &Hook::sendPressKeyType, [this](Hook::Type t) {
        if (isCurrent())
            m_tester->keyPressed(t);
    });
    connectTracked(m_hook, &Hook::sendUpKeyType, [this](Hook::Type t) { m_tester->keyReleased(t); });
}

void AdvancedKeySetPageWgt::onEnter()
{
    keyboards()->setFace(KeyFace::BindTargets);
}

void AdvancedKeySetPageWgt::onLeave()
{
    m_chooser->hide();
    closeEditor();
    m_tester->clear();
}

void AdvancedKeySetPageWgt::resetToFirstState()
{
    m_chooser->hide();
    closeEditor();
    m_tester->clear();
    // The keyboard is about to lose every binding: the list and the keys
    // let go of theirs now.
    clearEntries();
    unmarkKeys();
}

// --- Keys and the chooser

void AdvancedKeySetPageWgt::onKeyClicked(KeyboardBtn *key)
{
    if (!isCurrent())
        return;
    const KeyInfo info = keyData(key->firstType());
    if (info.bindKind() != Bind_None) {
        openEditor(info, info.bindKind());
        return;
    }
    if (!keyboard()->hasWireCode(int(info.firstType))) {
        showNoWireCode();
        return;
    }
    if (boundKeyCount() >= MaxAdvancedKeys) {
        showUserMessage(tr("提示"), tr("高级键最多绑定32个"));
        return;
    }
    emit sigOpenAdvanceTypeChooser(info, key->mapToGlobal(QPoint(-10, 40)));
}

void AdvancedKeySetPageWgt::showNoWireCode()
{
    showUserMessage(tr("提示"), tr("这个按键在键盘上没有键码，不能绑定高级键。"));
}

void AdvancedKeySetPageWgt::onAddAdvanceBind(const KeyInfo &info, int kind)
{
    if (kind == Bind_MACRO) {
        if (macroEntries() >= MaxMacroEntries) {
            showUserMessage(tr("提示"), tr("宏高级键最多绑定16个"));
            return;
        }
        if (keyboard()->macroCount() >= KeyboardController::MaxMacros) {
            qCDebug(lcAdvanced) << "macro store full:" << keyboard()->macroCount();
            return;
        }
    }
    openEditor(info, kind);
}

// --- Editors

void AdvancedKeySetPageWgt::openEditor(const KeyInfo &info, int kind)
{
    closeEditor();
    AdvanceKeySetWindow *editor = createEditor(kind, this);
    if (!editor)
        return;
    if (auto *pair = qobject_cast<PairKeySetWindow *>(editor)) {
        QSet<int> keys;
        for (KeyboardBtn *b : keyboards()->keys())
            keys.insert(b->firstType());
        pair->setKeyboardKeys(keys);
    }
    editor->setTravel(capabilities().travel, capabilities().decimals);
    editor->loadKey(info);
    connect(editor, &PopWindow::sigCommit, this, [this, editor] { commitEditor(editor); });
    connect(editor, &AdvanceKeySetWindow::sigDeleteBindItem, this,
            [this](const KeyInfo &bound) { removeBinding(keyData(int(bound.firstType), bound), true); });
    editor->adjustSize();
    QPoint at = window()->geometry().center() - QPoint(editor->width() / 2, editor->height() / 2);
    if (const QScreen *screen = window()->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - editor->width())));
        at.setY(qBound(area.top(), at.y(), qMax(area.top(), area.bottom() - editor->height())));
    }
    editor->move(at);
    m_editor = editor;
    editor->show();
    editor->raise();
}

AdvanceKeySetWindow *AdvancedKeySetPageWgt::editor() const
{
    // A committed or cancelled editor lingers hidden until the next one.
    return m_editor && m_editor->isVisible() ? m_editor.data() : nullptr;
}

void AdvancedKeySetPageWgt::closeEditor()
{
    if (!m_editor)
        return;
    m_editor->hide();
    m_editor->deleteLater();
    m_editor = nullptr;
}

void AdvancedKeySetPageWgt::commitEditor(AdvanceKeySetWindow *editor)
{
    const QVariant record = editor->record();
    const int key = editor->firstType();
    const int kind = editor->kind();
    // Nothing could reach the keyboard: not listed, not stored.
    if (!keyboard()->hasWireCode(key)) {
        showNoWireCode();
        return;
    }
    KeyInfo info = keyData(key, editor->keyInfo());
    const int oldPartner = pairedKeyType(info);
    KeyInfo next = info;
    applyBindingRecord(&next, record);
    const int partner = pairedKeyType(next);

    // A pair binds two keys: both count against the limit.
    if (partner >= 0 && boundKeyCount({key, partner}) + 2 > MaxAdvancedKeys) {
        showUserMessage(tr("提示"), tr("高级键最多绑定32个"));
        return;
    }
    // Halves of earlier pairs that named one of the keys would go on acting
    // on a key that is no longer theirs.
    QList<QPair<int, int>> stale{{oldPartner, key}};
    if (partner >= 0)
        stale << qMakePair(pairedKeyType(keyData(partner)), partner);
    QList<KeyInfo> staleHalves;
    for (const auto &pair : qAsConst(stale)) {
        if (pair.first < 0 || pair.first == key || pair.first == partner)
            continue;
        const KeyInfo half = keyData(pair.first);
        if (half.bindKind() != Bind_None && pairedKeyType(half) == pair.second)
            staleHalves << half;
    }

    qCDebug(lcAdvanced) << "commit" << bindKeyTypeLabel(kind) << key;
    AdvancedBinding binding, partnerBinding;
    int ignored = 0;
    bindingFromRecord(record, &binding, &ignored);
    // The keyboard takes both halves of a pair from the one record; the
    // list and the profile hold the partner's half as its own entry.
    const QVariant half = partner >= 0 ? pairRecord(kind, partner, key) : QVariant();
    if (partner >= 0)
        bindingFromRecord(half, &partnerBinding, &ignored);
    if (kind == Bind_MACRO) {
        const MACROInfo macro = record.value<MACROInfo>();
        config()->rememberMacro(macro.macroName, macro.steps);
    }
    const bool taken = config()->edit(
        {tr("%1 的高级键").arg(keyLegend(key)), bindingText(info.bindKind()), bindKeyTypeLabel(kind)},
        KeyboardConfigModel::NoMerge, [&](KeyboardConfig &c) {
            for (const KeyInfo &h : qAsConst(staleHalves))
                c.advanced.remove(int(h.firstType));
            c.advanced.insert(key, binding);
            if (partner >= 0)
                c.advanced.insert(partner, partnerBinding);
        });
    // The list and the keys show what the configuration now holds. Only a
    // macro can be refused (the keyboard's macro store is full); a refused
    // binding is neither listed nor stored.
    if (config()->hasConfig())
        showBindings(config()->config());
    if (!taken)
        showUserMessage(tr("提示"), tr("宏没有写入键盘：键盘最多保存%1个宏。").arg(KeyboardController::MaxMacros));
}

// The binding's kind as an undo step names it.
QString AdvancedKeySetPageWgt::bindingText(int kind)
{
    return kind == Bind_None ? tr("无") : bindKeyTypeLabel(kind);
}

void AdvancedKeySetPageWgt::removeBinding(const KeyInfo &info, bool withPartner)
{
    const int key = int(info.firstType);
    const int kind = info.bindKind();
    if (kind == Bind_None)
        return;
    qCDebug(lcAdvanced) << "remove" << bindKeyTypeLabel(kind) << key;
    QList<KeyInfo> gone{info};
    // The other half of the pair acts on this key: it goes with it.
    const int partner = withPartner && isPairKind(kind) ? pairedKeyType(info) : -1;
    if (partner >= 0 && partner != key) {
        const KeyInfo half = keyData(partner);
        if (half.bindKind() == kind && pairedKeyType(half) == key)
            gone << half;
    }
    config()->edit({tr("%1 的高级键").arg(keyLegend(key)), bindKeyTypeLabel(kind), bindingText(Bind_None)},
                   KeyboardConfigModel::NoMerge, [&gone](KeyboardConfig &c) {
                       for (const KeyInfo &g : qAsConst(gone))
                           c.advanced.remove(int(g.firstType));
                   });
    if (config()->hasConfig())
        showBindings(config()->config());
}

// --- What the keyboard and a profile report

void AdvancedKeySetPageWgt::listBinding(KeyInfo info, int kind)
{
    if (!isActive())
        return;
    if (info.bindKind() != kind)
        info.binding = advancedRecordOfKind(kind, int(info.firstType));
    if (m_list->count() >= MaxListEntries && !bindItem(int(info.firstType))) {
        qCDebug(lcAdvanced) << "binding list full, read-back entry dropped" << info.firstType;
        return;
    }
    upsertEntry(info);
    markKey(int(info.firstType), info);
}

void AdvancedKeySetPageWgt::unmarkKeys()
{
    for (KeyboardBaseWgt *view : keyboards()->views())
        for (KeyboardBtn *b : view->buttons())
            b->setAdvancedRecord(KeyInfo());
}

// --- The list

QList<BindItemWgt *> AdvancedKeySetPageWgt::bindItems() const
{
    QList<BindItemWgt *> items;
    for (int row = 0; row < m_list->count(); ++row)
        if (auto *entry = qobject_cast<BindItemWgt *>(m_list->itemWidget(m_list->item(row))))
            items << entry;
    return items;
}

BindItemWgt *AdvancedKeySetPageWgt::bindItem(int firstType) const
{
    for (BindItemWgt *entry : bindItems())
        if (entry->firstType() == firstType)
            return entry;
    return nullptr;
}

void AdvancedKeySetPageWgt::upsertEntry(const KeyInfo &info)
{
    if (BindItemWgt *entry = bindItem(int(info.firstType))) {
        entry->setKeyInfo(info);
        listChanged();
        return;
    }
    auto *item = new QListWidgetItem(m_list);
    item->setSizeHint(QSize(BindItemWgt::Width, BindItemWgt::Height));
    auto *entry = new BindItemWgt(info, m_list);
    m_list->setItemWidget(item, entry);
    // The list's own entries are what assistive technology reads.
    item->setData(Qt::AccessibleTextRole, entry->accessibleName());
    connect(entry, &BindItemWgt::sigNameChanged, m_list, [this, entry](const QString &name) {
        for (int row = 0; row < m_list->count(); ++row)
            if (m_list->itemWidget(m_list->item(row)) == entry)
                m_list->item(row)->setData(Qt::AccessibleTextRole, name);
    });
    connect(entry, &BindItemWgt::sigDeleteItem, this, [this, entry] {
        removeBinding(keyData(entry->firstType(), entry->keyInfo()), true);
    });
    listChanged();
}

void AdvancedKeySetPageWgt::removeEntry(int firstType)
{
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        auto *entry = qobject_cast<BindItemWgt *>(m_list->itemWidget(item));
        if (!entry || entry->firstType() != firstType)
            continue;
        m_list->removeItemWidget(item);
        entry->deleteLater(); // its delete button may be the caller
        delete item;
        break;
    }
    listChanged();
}

void AdvancedKeySetPageWgt::clearEntries()
{
    for (BindItemWgt *entry : bindItems())
        entry->deleteLater();
    m_list->clear();
    listChanged();
}

void AdvancedKeySetPageWgt::listChanged()
{
    m_listFull = m_list->count() >= MaxListEntries;
    retranslate();
}

int AdvancedKeySetPageWgt::macroEntries() const
{
    int count = 0;
    if (config())
        for (const AdvancedBinding &b : config()->config().advanced)
            count += b.kind() == Bind_MACRO ? 1 : 0;
    return count;
}

// --- Keys

KeyInfo AdvancedKeySetPageWgt::keyData(int firstType, const KeyInfo &fallback) const
{
    KeyInfo info = fallback;
    if (KeyboardBtn *b = keyboards()->key(firstType))
        info = b->keyData();
    info.firstType = quint32(firstType);
    info.binding = config()->config().advanced.value(firstType).value;
    return info;
}

int AdvancedKeySetPageWgt::boundKeyCount(const QSet<int> &except) const
{
    int bound = 0;
    const QMap<int, AdvancedBinding> &advanced = config()->config().advanced;
    for (auto it = advanced.cbegin(); it != advanced.cend(); ++it)
        bound += keyboards()->key(it.key()) && !except.contains(it.key()) ? 1 : 0;
    return bound;
}

void AdvancedKeySetPageWgt::showConfig(const KeyboardConfig &config, bool fromKeyboard)
{
    (void)fromKeyboard;
    showBindings(config);
}

// The list and the keys' badges as a configuration holds them.
void AdvancedKeySetPageWgt::showBindings(const KeyboardConfig &config)
{
    // One layout pass for the whole list, not one per entry.
    m_list->setUpdatesEnabled(false);
    clearEntries();
    unmarkKeys();
    for (auto it = config.advanced.cbegin(); it != config.advanced.cend(); ++it) {
        if (!keyboards()->key(it.key()))
            continue;
        KeyInfo info = keyData(it.key());
        info.binding = it->value;
        listBinding(info, it->kind());
    }
    m_list->setUpdatesEnabled(true);
}

void AdvancedKeySetPageWgt::showProfile(const ProfileData &profile)
{
    // The list follows only while the page is active; the keys always do.
    const bool active = isActive();
    if (!profile.advanced) {
        // The binding list lets go of every binding; the keys keep theirs.
        for (KeyboardBtn *b : keyboards()->keys())
            if (active && bindItem(b->firstType()))
                removeEntry(b->firstType());
        return;
    }
    if (active)
        clearEntries();
    for (KeyboardBtn *b : keyboards()->keys())
        markKey(b->firstType(), KeyInfo());
    for (auto it = profile.advanced->cbegin(); it != profile.advanced->cend(); ++it) {
        KeyboardBtn *b = keyboards()->key(it.key());
        if (!b)
            continue;
        KeyInfo info = b->keyData();
        if (!applyBindingRecord(&info, it->record(it.key())))
            continue;
        markKey(it.key(), info);
        listBinding(info, info.bindKind());
    }
}

// A binding belongs to the key: every layer's view shows its badge.
void AdvancedKeySetPageWgt::markKey(int firstType, const KeyInfo &binding)
{
    for (KeyboardBaseWgt *view : keyboards()->views())
        if (KeyboardBtn *b = view->buttonForType(firstType))
            b->setAdvancedRecord(binding);
}

