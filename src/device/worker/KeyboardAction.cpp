#include "KeyboardAction.h"

#include "KB2ActionDataParams.h"
#include "Kb2Commands.h"
#include "ModelMetaTypes.h"
#include "KeyInfo.h"

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
void KeyboardAction::switchSystemMode(int mode)
{
    if (mode == SystemWindows)
        switchToWin();
    else if (mode == SystemMac)
        switchToMac();
    else
        return;
    startLayoutRead();
}
void KeyboardAction::saveToKeyboard() { queueRequest(simpleRequest(Kb2Req::Save)); }
void KeyboardAction::restoreFactory() { queueRequest(simpleRequest(Kb2Req::FactoryReset)); }
void KeyboardAction::queryBoardInfo() { queueRequest(simpleRequest(Kb2Req::BoardInfo)); }

