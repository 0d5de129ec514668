// What the keyboard reports and what a profile applies.

#include "KeyboardBaseWgt.h"

#include "AppParams.h"
#include "BoardRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBtn.h"
#include "KeyboardLog.h"
#include "MacroCsv.h"
#include "ProfileManager.h"
#include "SendDataProgress.h"
#include "SignalObject.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int PageLighting = 0;
constexpr int PagePerformance = 1;
constexpr int PageCustom = 2;

// A cell of a 6 x 21 table, or false when the table does not reach it.
template <typename T>
bool cellOf(const QList<QList<T>> &table, int row, int column, T *value)
{
    if (row < 0 || column < 0 || row >= table.size() || column >= table.at(row).size())
        return false;
    *value = table.at(row).at(column);
    return true;
}

bool validPosition(const KeyboardBtn *b)
{
    if (b->matrixRow() >= 6 || b->matrixColumn() > 20) {
        qCDebug(lcKeyboard) << "坐标异常" << b->matrixRow() << b->matrixColumn();
        return false;
    }
    return true;
}

QList<int> intList(const QVariant &v)
{
    QList<int> out;
    for (const QVariant &x : v.toList())
        out.append(x.toInt());
    return out;
}

void progress(const QString &text, int value)
{
    SendDataProgress::instance()->setProgress(text, value);
}

} // namespace

// --- The keyboard ----------------------------------------------------------

void KeyboardBaseWgt::onLayoutKey(const QVariant &map)
{
    qCDebug(lcKeyboard) << "刷新界面键值显示" << m_layer;
    const MapKB2DockerKey layers = map.value<MapKB2DockerKey>();
    const QMap<int, quint16> codes = layers.value(m_layer);
    for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
        KeyboardBtn *b = buttonForType(it.key());
        const int type = keyTypeFromCode(it.value());
        if (b && type >= 0)
            b->setCurrentType(type);
    }
    if (AppParams::currentPage() == PageCustom)
        emit SignalObject::instance()->sigShowFnKeyColor();
}

void KeyboardBaseWgt::onLayoutDB(const QVariant &map)
{
    if (m_layer != 0)
        return;
    qCDebug(lcKeyboard) << "刷新性能数据";
    const double global = AppParams::globalTravel();
    for (KeyboardBtn *b : buttons()) {
        b->setAdvancedRecord(KeyInfo());
        b->setRapidTrigger(false);
        b->setTravel(global, false);
        b->setKeyColour(KeyboardBtn::NeutralColour);
    }
    const MapKB2DockerDB records = map.value<MapKB2DockerDB>();
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        KeyboardBtn *b = buttonForType(it.key());
        if (!b)
            continue;
        if (it->workMode == WorkOwnTravel)
            b->setTravel(it->keyTouchDis / 1000.0, true); // micrometres
        else if (it->workMode == WorkRapid)
            b->setRapidTrigger(true);
    }
    if (AppParams::currentPage() == PagePerformance && AppParams::performanceSubPage() == 0)
        emit SignalObject::instance()->sigShowQuickTouchKeyBorder(true);
}

void KeyboardBaseWgt::onLayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                                  const QList<QList<quint16>> &release)
{
    qCDebug(lcKeyboard) << "初始化形成数据" << m_layer;
    for (KeyboardBtn *b : buttons()) {
        const int r = b->matrixRow(), c = b->matrixColumn();
        quint16 t = 0, p = 0, u = 0;
        // An empty cell (0) carries no setting and leaves the key as it is.
        if (cellOf(travel, r, c, &t) && t)
            b->setTravel(t / 1000.0, b->keyData().travelDiffers);
        const bool hasP = cellOf(press, r, c, &p) && p;
        const bool hasU = cellOf(release, r, c, &u) && u;
        if (hasP || hasU)
            b->setRapidTriggerDistances(hasP ? p / 1000.0 : b->keyData().rapidTriggerPress,
                                        hasU ? u / 1000.0 : b->keyData().rapidTriggerRelease);
    }
}

void KeyboardBaseWgt::onAdvancedKey(const QVariant &map)
{
    auto mark = [this](int type, const std::function<void(KeyInfo &)> &fill) {
        KeyboardBtn *b = buttonForType(type);
        if (!b)
            return;
        KeyInfo info = b->keyData();
        fill(info);
        b->setAdvancedRecord(info);
    };
    const int t = map.userType();
    if (t == qMetaTypeId<MapKB2DockerTDKS>()) {
        const auto m = map.value<MapKB2DockerTDKS>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_DKS; k.dks = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerMT>()) {
        const auto m = map.value<MapKB2DockerMT>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_MT; k.mt = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerTGL>()) {
        const auto m = map.value<MapKB2DockerTGL>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_TGL; k.tgl = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerMPT>()) {
        const auto m = map.value<MapKB2DockerMPT>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_MPT; k.mpt = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerEND>()) {
        const auto m = map.value<MapKB2DockerEND>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_END; k.end = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerSOCD>()) {
        const auto m = map.value<MapKB2DockerSOCD>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_SOCD; k.socd = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerRS>()) {
        const auto m = map.value<MapKB2DockerRS>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_RS; k.rs = *it; });
    } else if (t == qMetaTypeId<MapKB2DockerMACRO>()) {
        const auto m = map.value<MapKB2DockerMACRO>();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            mark(it.key(), [&](KeyInfo &k) { k.bindKind = Bind_MACRO; k.macro = *it; });
    }
}

void KeyboardBaseWgt::onOriginalKeyValueMap(const QMap<int, QList<int>> &map)
{
    qCDebug(lcKeyboard) << "sigKB2OriginalKeyValueMap" << map;
    for (KeyboardBtn *b : buttons()) {
        const auto row = map.constFind(b->matrixRow());
        if (row == map.cend() || b->matrixColumn() >= row->size())
            continue;
        const int type = row->at(b->matrixColumn());
        if (type < 0)
            continue;
        KeyInfo info = b->keyData();
        info.firstType = quint32(type);
        info.currentType = quint32(type);
        b->setKeyData(info);
    }
    // The index is by original type, which has just changed.
    buildButtonIndex();
}

void KeyboardBaseWgt::onUpdateKRGBInfo(const QMap<int, QColor> &colours)
{
    qCDebug(lcKeyboard) << "设置按键的RGB颜色：" << colours.size();
    for (auto it = colours.cbegin(); it != colours.cend(); ++it)
        if (KeyboardBtn *b = buttonForType(it.key()))
            b->setKeyColour(it.value());
}

void KeyboardBaseWgt::onAdjustingData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2)
{
    if (!isCurrentLayer() || AppParams::currentPage() != PagePerformance || AppParams::performanceSubPage() != 2)
        return;
    for (KeyboardBtn *b : buttons()) {
        quint16 first = 0, second = 0;
        if (validPosition(b) && cellOf(table6, b->matrixRow(), b->matrixColumn(), &first)
            && cellOf(table2, b->matrixRow(), b->matrixColumn(), &second))
            b->setLiveValues(first, second);
    }
}

void KeyboardBaseWgt::onMMData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags)
{
    if (!isCurrentLayer() || AppParams::currentPage() != PagePerformance || AppParams::performanceSubPage() != 0)
        return;
    for (KeyboardBtn *b : buttons()) {
        quint16 value = 0;
        quint8 flag = 0;
        if (!validPosition(b) || !cellOf(travel, b->matrixRow(), b->matrixColumn(), &value))
            continue;
        cellOf(flags, b->matrixRow(), b->matrixColumn(), &flag);
        b->setLiveValues(value, flag);
        if (b->isKeyChecked()) {
            emit SignalObject::instance()->sigUpdateAdjustingPageMMData(value);
            emit SignalObject::instance()->sigUpdateAdjustingPageMMData2(value, flag != 0);
        }
    }
}

// --- A profile being applied -------------------------------------------------
// These run while the profile manager holds its lock: they send to the
// keyboard and never call the manager's update operations.

void KeyboardBaseWgt::onProfileLayoutKey(const QVariantHash &custom)
{
    const QVariantMap layer = custom.value(QStringLiteral("fn%1-layout").arg(m_layer)).toMap();
    for (KeyboardBtn *b : buttons())
        b->setCurrentType(b->firstType());
    for (auto it = layer.cbegin(); it != layer.cend(); ++it) {
        bool ok = false;
        const int type = it.key().toInt(&ok);
        KeyboardBtn *b = ok ? buttonForType(type) : nullptr;
        if (b)
            b->setCurrentType(it.value().toInt());
    }
    progress(tr("正在下发按键模式数据，请稍等..."), 45);
    sendWholeLayer(false);
}

void KeyboardBaseWgt::onProfileLayoutDB(const QVariantHash &touch)
{
    if (m_layer != 0)
        return;
    QList<KeyParam> entries;
    for (auto it = touch.cbegin(); it != touch.cend(); ++it) {
        bool ok = false;
        const int type = it.key().toInt(&ok);
        KeyboardBtn *b = ok ? buttonForType(type) : nullptr;
        if (!b)
            continue;
        const QVariantMap rec = it.value().toMap();
        const int mode = rec.value(QStringLiteral("work-mode")).toInt();
        const double travel = rec.value(QStringLiteral("keyTouchDis")).toInt() / 1000.0;
        b->setTravel(travel, mode == WorkOwnTravel);
        b->setRapidTrigger(mode == WorkRapid);
        b->setRapidTriggerDistances(rec.value(QStringLiteral("quickTouchPressDis")).toInt() / 1000.0,
                                    rec.value(QStringLiteral("quickTouchUpDis")).toInt() / 1000.0);
        fullStateEntries(travelState(b), &entries);
    }
    if (!entries.isEmpty())
        action()->sendSingleKeyData(entries);
}

void KeyboardBaseWgt::onProfileAdvancedKey(const QVariantHash &advanced)
{
    if (m_layer != 0)
        return;
    progress(tr("正在下发高级键数据，请稍等..."), 90);
    emit SignalObject::instance()->sigClearAllKeyBind();
    qCDebug(lcKeyboard) << "切换高级键配置";
    for (KeyboardBtn *b : buttons())
        b->setAdvancedRecord(KeyInfo());

    for (auto it = advanced.cbegin(); it != advanced.cend(); ++it) {
        bool ok = false;
        const int type = it.key().toInt(&ok);
        if (!ok)
            continue;
        const QVariantMap e = it.value().toMap();
        const QString item = e.value(QStringLiteral("bindItem")).toString();
        KeyboardBtn *b = buttonForType(type);
        KeyInfo info = b ? b->keyData() : KeyInfo();
        if (!b) {
            info.firstType = info.currentType = quint32(type);
        }
        if (item == QLatin1String("TDKS")) {
            DKSInfo r;
            r.keyIndex = type;
            r.bindKey = intList(e.value(QStringLiteral("bindKey")));
            for (const QVariant &v : e.value(QStringLiteral("triggerValue")).toList())
                r.triggerValue.append(v.toString());
            for (const QVariant &v : e.value(QStringLiteral("touchDis")).toList())
                r.touchDis.append(v.toDouble());
            action()->writeAdvancedBinding(r);
            info.bindKind = Bind_DKS;
            info.dks = r;
        } else if (item == QLatin1String("MT")) {
            MTInfo r;
            r.keyIndex = type;
            r.pressType = e.value(QStringLiteral("pressType"), -1).toInt();
            r.clickType = e.value(QStringLiteral("clickType"), -1).toInt();
            r.delay = e.value(QStringLiteral("delay"), 200).toInt();
            action()->writeAdvancedBinding(r);
            info.bindKind = Bind_MT;
            info.mt = r;
        } else if (item == QLatin1String("TGL")) {
            TGLInfo r;
            r.keyIndex = type;
            r.switchType = e.value(QStringLiteral("switchType"), -1).toInt();
            r.delay = e.value(QStringLiteral("delay")).toInt();
            action()->writeAdvancedBinding(r);
            info.bindKind = Bind_TGL;
            info.tgl = r;
        } else if (item == QLatin1String("MPT")) {
            MPTInfo r;
            r.keyIndex = type;
            r.bindKey = intList(e.value(QStringLiteral("bindKey")));
            r.triggerValue = intList(e.value(QStringLiteral("triggerValue")));
            action()->writeAdvancedBinding(r);
            info.bindKind = Bind_MPT;
            info.mpt = r;
        } else if (item == QLatin1String("END") || item == QLatin1String("SOCD") || item == QLatin1String("RS")) {
            const int sw = e.value(QStringLiteral("switchType"), -1).toInt();
            if (item == QLatin1String("END")) {
                ENDInfo r;
                r.keyIndex = type;
                r.switchType = sw;
                action()->writeAdvancedBinding(r);
                info.bindKind = Bind_END;
                info.end = r;
            } else if (item == QLatin1String("SOCD")) {
                SOCDInfo r;
                r.keyIndex = type;
                r.switchType = sw;
                action()->writeAdvancedBinding(r);
                info.bindKind = Bind_SOCD;
                info.socd = r;
            } else {
                RSInfo r;
                r.keyIndex = type;
                r.switchType = sw;
                action()->writeAdvancedBinding(r);
                info.bindKind = Bind_RS;
                info.rs = r;
            }
        } else if (item == QLatin1String("MACRO")) {
            MACROInfo r;
            r.keyIndex = type;
            r.macroName = e.value(QStringLiteral("macroName")).toString();
            QFile file(QDir::currentPath() + QStringLiteral("/Macro/") + r.macroName + QStringLiteral(".csv"));
            QString problem;
            if (!file.open(QIODevice::ReadOnly))
                problem = tr("open file failure!");
            else if (parseMacroCsv(file.readAll(), &r.steps) != MacroCsvResult::Ok)
                problem = tr("数据解析异常!");
            if (!problem.isEmpty()) {
                // Close the progress box rather than leave it waiting for a
                // time-out that would misreport what happened.
                SendDataProgress::instance()->closeProgress();
                tellUser(QStringLiteral("error"), problem);
                return;
            }
            action()->writeAdvancedBinding(r);
            info.bindKind = Bind_MACRO;
            info.macro = r;
        } else {
            continue;
        }
        if (b)
            b->setAdvancedRecord(info);
        emit SignalObject::instance()->sigDeviceAdvanceBind(info, BindKeyType(info.bindKind));
    }
    progress(tr("配置下发完成！"), 100);
}

void KeyboardBaseWgt::onProfileClearAdvancedKey()
{
    if (m_layer != 0)
        return;
    progress(tr("正在下发高级键数据，请稍等..."), 90);
    for (KeyboardBtn *b : buttons())
        if (b->keyData().bindKind != Bind_None)
            emit SignalObject::instance()->sigDelHighKey(b->keyData());
    progress(tr("配置下发完成！"), 100);
}

void KeyboardBaseWgt::onProfileKeyColorClear()
{
    if (m_layer != 0)
        return;
    SignalObject *hub = SignalObject::instance();
    const int page = AppParams::currentPage();
    if (page != PagePerformance) {
        emit hub->sigStopKeyTest();
        emit hub->sigStopAdjusting();
    }
    emit hub->sigResetKeyText();
    if (page == PageLighting)
        AppParams::setPerKeyColouringAllowed(AppParams::lightingModeIndex() >= 15 ? 1 : 0);
    emit hub->sigKeyConfigPage(page);
}
