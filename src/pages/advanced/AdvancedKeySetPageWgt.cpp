#include "AdvancedKeySetPageWgt.h"

#include "BoardRecords.h"
#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "ProfileData.h"
#include "SignalObject.h"
#include "UserMessage.h"


AdvancedKeySetPageWgt::AdvancedKeySetPageWgt(QWidget *parent) : ConfigPageWgt(PageAdvancedKeys, parent)
{
    setObjectName(QStringLiteral("AdvancedKeySetPageWgt"));
}

QString AdvancedKeySetPageWgt::title() const
{
    return tr("高级键");
}

void AdvancedKeySetPageWgt::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    connectTracked(keyboards(), &KeyboardDeck::keyClicked, [this](int, KeyboardBtn *key) { onKeyClicked(key); });
    connectTracked(hub, &SignalObject::sigBindFinished,
                   [this](const KeyInfo &info) { markKey(int(info.firstType), info); });
    connectTracked(hub, &SignalObject::sigDeleteKeyBind,
                   [this](const KeyInfo &info) { markKey(int(info.firstType), KeyInfo()); });
    connectTracked(worker(), &KeyboardAction::sigKB2AdvancedKey, [this](const QVariant &map) { onAdvancedKey(map); });
}

void AdvancedKeySetPageWgt::onEnter()
{
    keyboards()->setFace(KeyFace::BindTargets);
}

void AdvancedKeySetPageWgt::onKeyClicked(KeyboardBtn *key)
{
    if (!isCurrent())
        return;
    const KeyInfo &info = key->keyData();
    if (info.bindKind != Bind_None) {
        emit SignalObject::instance()->sigModifyBindInfo(info);
        return;
    }
    int bound = 0;
    for (KeyboardBtn *b : keyboards()->keys())
        bound += b->keyData().bindKind != Bind_None ? 1 : 0;
    if (bound >= MaxAdvancedKeys) {
        showUserMessage(tr("提示"), tr("高级键最多绑定32个"));
        return;
    }
    emit sigOpenAdvanceTypeChooser(info, key->mapToGlobal(QPoint(-10, 40)));
}

void AdvancedKeySetPageWgt::showProfile(const ProfileData &profile)
{
    SignalObject *hub = SignalObject::instance();
    if (!profile.advanced) {
        // The binding list lets go of every binding; the keys keep theirs.
        for (KeyboardBtn *b : keyboards()->keys())
            if (b->keyData().bindKind != Bind_None)
                emit hub->sigDelHighKey(b->keyData());
        return;
    }
    emit hub->sigClearAllKeyBind();
    for (KeyboardBtn *b : keyboards()->keys())
        markKey(b->firstType(), KeyInfo());
    for (auto it = profile.advanced->cbegin(); it != profile.advanced->cend(); ++it) {
        KeyboardBtn *b = keyboards()->key(it.key());
        if (!b)
            continue;
        KeyInfo info = b->keyData();
        info.bindKind = it->kind;
        const QVariant record = it->record(it.key());
        switch (it->kind) {
        case Bind_DKS: info.dks = record.value<DKSInfo>(); break;
        case Bind_MPT: info.mpt = record.value<MPTInfo>(); break;
        case Bind_MT: info.mt = record.value<MTInfo>(); break;
        case Bind_TGL: info.tgl = record.value<TGLInfo>(); break;
        case Bind_END: info.end = record.value<ENDInfo>(); break;
        case Bind_SOCD: info.socd = record.value<SOCDInfo>(); break;
        case Bind_RS: info.rs = record.value<RSInfo>(); break;
        case Bind_MACRO: info.macro = record.value<MACROInfo>(); break;
        default: continue;
        }
        markKey(it.key(), info);
        emit hub->sigDeviceAdvanceBind(info, BindKeyType(it->kind));
    }
}

// A binding belongs to the key: every layer's view shows its badge.
void AdvancedKeySetPageWgt::markKey(int firstType, const KeyInfo &binding)
{
    for (KeyboardBaseWgt *view : keyboards()->views())
        if (KeyboardBtn *b = view->buttonForType(firstType))
            b->setAdvancedRecord(binding);
}

// Marks the keys of one kind's map, when the variant holds that map.
template <typename Map, typename Info>
bool AdvancedKeySetPageWgt::markFrom(const QVariant &map, int kind, Info KeyInfo::*record)
{
    if (map.userType() != qMetaTypeId<Map>())
        return false;
    const Map bindings = map.value<Map>();
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        KeyboardBtn *b = keyboards()->key(it.key());
        KeyInfo info = b ? b->keyData() : KeyInfo();
        info.bindKind = kind;
        info.*record = *it;
        markKey(it.key(), info);
    }
    return true;
}

void AdvancedKeySetPageWgt::onAdvancedKey(const QVariant &map)
{
    markFrom<MapKB2DockerTDKS>(map, Bind_DKS, &KeyInfo::dks) || markFrom<MapKB2DockerMT>(map, Bind_MT, &KeyInfo::mt)
        || markFrom<MapKB2DockerTGL>(map, Bind_TGL, &KeyInfo::tgl)
        || markFrom<MapKB2DockerMPT>(map, Bind_MPT, &KeyInfo::mpt)
        || markFrom<MapKB2DockerEND>(map, Bind_END, &KeyInfo::end)
        || markFrom<MapKB2DockerSOCD>(map, Bind_SOCD, &KeyInfo::socd)
        || markFrom<MapKB2DockerRS>(map, Bind_RS, &KeyInfo::rs)
        || markFrom<MapKB2DockerMACRO>(map, Bind_MACRO, &KeyInfo::macro);
}
