#include "KeyboardAction.h"

#include "KB2ActionDataParams.h"
#include "Kb2Commands.h"
#include "ModelMetaTypes.h"

namespace {

KB2Request simpleRequest(int type, int arg1 = -1, int arg2 = -1)
{
    KB2Request r;
    r.type = type;
    r.arg1 = arg1;
    r.arg2 = arg2;
    return r;
}

} // namespace

KeyboardAction *KeyboardAction::instance(QObject *parent)
{
    static KeyboardAction *s_instance = new KeyboardAction(parent);
    return s_instance;
}

KeyboardAction::KeyboardAction(QObject *parent) : QObject(parent)
{
    registerBoardMetaTypes();
    registerContainerMetaTypes();
    m_thread.setObjectName(QStringLiteral("KeyboardWorker"));
    m_worker.setThread(&m_thread);
    m_worker.moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, &m_worker, &KeyboardWorker::run);

    // The worker's signals are this object's, emitted where the worker
    // emits them (its thread, or the live rounds' delivery on this one).
    const auto relay = [this](auto signal, auto ours) { connect(&m_worker, signal, this, ours, Qt::DirectConnection); };
    relay(&KeyboardWorker::sigKB2DeviceInfo, &KeyboardAction::sigKB2DeviceInfo);
    relay(&KeyboardWorker::sigKB2Sensitivity, &KeyboardAction::sigKB2Sensitivity);
    relay(&KeyboardWorker::sigKB2SuperVelocity, &KeyboardAction::sigKB2SuperVelocity);
    relay(&KeyboardWorker::sigKB2ColorLights, &KeyboardAction::sigKB2ColorLights);
    relay(&KeyboardWorker::sigKB2InitDevice, &KeyboardAction::sigKB2InitDevice);
    relay(&KeyboardWorker::sigKB2SYSModeInfo, &KeyboardAction::sigKB2SYSModeInfo);
    relay(&KeyboardWorker::sigKB2OriginalKeyValueMap, &KeyboardAction::sigKB2OriginalKeyValueMap);
    relay(&KeyboardWorker::sigKB2UpdateKRGBInfo, &KeyboardAction::sigKB2UpdateKRGBInfo);
    relay(&KeyboardWorker::sigUpdateAdjustingData, &KeyboardAction::sigUpdateAdjustingData);
    relay(&KeyboardWorker::sigUpdateMMData, &KeyboardAction::sigUpdateMMData);
    relay(&KeyboardWorker::sigKB2KeyboardName, &KeyboardAction::sigKB2KeyboardName);
    relay(&KeyboardWorker::sigKB2PrecisionData, &KeyboardAction::sigKB2PrecisionData);
    relay(&KeyboardWorker::sigKB2PollingRate, &KeyboardAction::sigKB2PollingRate);
    relay(&KeyboardWorker::sigKB2Idle, &KeyboardAction::sigKB2Idle);
    relay(&KeyboardWorker::sigKB2ReadFailed, &KeyboardAction::sigKB2ReadFailed);
    relay(&KeyboardWorker::sigKB2RequestFailed, &KeyboardAction::sigKB2RequestFailed);
    relay(&KeyboardWorker::sigConnectFinished, &KeyboardAction::sigConnectFinished);
    relay(&KeyboardWorker::sigKeyboardArrived, &KeyboardAction::sigKeyboardArrived);
    relay(&KeyboardWorker::sigDeviceLost, &KeyboardAction::sigDeviceLost);
    relay(&KeyboardWorker::sigCalibrationEnded, &KeyboardAction::sigCalibrationEnded);
    relay(&KeyboardWorker::sigKeyTestEnded, &KeyboardAction::sigKeyTestEnded);

    // The feeds carry the same reports, emitted where these are.
    const auto feed = [this](auto signal, auto *receiver, auto theirs) {
        connect(this, signal, receiver, theirs, Qt::DirectConnection);
    };
    feed(&KeyboardAction::sigKB2ColorLights, &m_feeds.lighting, &LightingFeed::lightingRead);
    feed(&KeyboardAction::sigKB2PrecisionData, &m_feeds.travel, &TravelFeed::precisionRead);
    feed(&KeyboardAction::sigKB2OriginalKeyValueMap, &m_feeds.layers, &LayerFeed::keyCodesRead);
    feed(&KeyboardAction::sigUpdateAdjustingData, &m_feeds.live, &LiveFeed::calibrationRound);
    feed(&KeyboardAction::sigUpdateMMData, &m_feeds.live, &LiveFeed::keyTestRound);
    feed(&KeyboardAction::sigCalibrationEnded, &m_feeds.live, &LiveFeed::calibrationEnded);
    feed(&KeyboardAction::sigKeyTestEnded, &m_feeds.live, &LiveFeed::keyTestEnded);
    feed(&KeyboardAction::sigKB2DeviceInfo, &m_feeds.connection, &ConnectionFeed::deviceInfoRead);
}

KeyboardAction::~KeyboardAction()
{
    shutdown();
}

void KeyboardAction::shutdown()
{
    m_worker.shutdown();
}

bool KeyboardAction::isRunning() const
{
    return m_thread.isRunning();
}

void KeyboardAction::sendRecord(const QVariant &record)
{
    KB2Request r;
    r.type = kb2RequestTypeForRecord(record);
    if (r.type == Kb2Req::None)
        return;
    r.record = record;
    queueRequest(r);
}

void KeyboardAction::emitLayoutDB() { emit sigKB2LayoutDB(QVariant::fromValue(m_board.layoutDBMap())); }
void KeyboardAction::emitLayoutKey() { emit sigKB2LayoutKey(QVariant::fromValue(m_board.layoutKeyMap())); }

void KeyboardAction::emitLayoutDis()
{
    emit sigKB2LayoutDis(m_board.layoutParamRows(kb2param::Travel), m_board.layoutParamRows(kb2param::Press),
                         m_board.layoutParamRows(kb2param::Release));
}

void KeyboardAction::emitAdvancedKey(const QVariant &map) { emit sigKB2AdvancedKey(map); }

void KeyboardAction::queryKeyboardName() { queueRequest(simpleRequest(Kb2Req::QueryName)); }
void KeyboardAction::queryPrecision() { queueRequest(simpleRequest(Kb2Req::QueryPrecision)); }
void KeyboardAction::setPollingRate(int index) { queueRequest(simpleRequest(Kb2Req::PollingRate, index)); }
void KeyboardAction::queryKeyMatrix(int firstRow, int secondRow)
{
    queueRequest(simpleRequest(Kb2Req::KeyMatrix, firstRow, secondRow));
}
void KeyboardAction::queryMacroSteps(int number, int count)
{
    for (int i = 0; i < count; i += STU_BoardFromMACRO::MaxSteps) {
        STU_BoardFromMACRO piece;
        piece.offset = quint16(number * KB2ActionData::MaxMacroSteps + i);
        piece.count = quint8(qMin(count - i, int(STU_BoardFromMACRO::MaxSteps)));
        KB2Request r;
        r.type = Kb2Req::Macro;
        r.selector = Kb2Access::Read;
        r.record = QVariant::fromValue(piece);
        queueRequest(r);
    }
}

void KeyboardAction::queryWinMode() { queueRequest(simpleRequest(Kb2Req::QueryWinMode)); }
void KeyboardAction::queryMacMode() { queueRequest(simpleRequest(Kb2Req::QueryMacMode)); }
void KeyboardAction::switchToWin() { queueRequest(simpleRequest(Kb2Req::SwitchToWin)); }
void KeyboardAction::switchToMac() { queueRequest(simpleRequest(Kb2Req::SwitchToMac)); }
void KeyboardAction::saveToKeyboard() { queueRequest(simpleRequest(Kb2Req::Save)); }
void KeyboardAction::restoreFactory() { queueRequest(simpleRequest(Kb2Req::FactoryReset)); }
void KeyboardAction::queryBoardInfo() { queueRequest(simpleRequest(Kb2Req::BoardInfo)); }

