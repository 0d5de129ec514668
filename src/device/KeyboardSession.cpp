#include "KeyboardSession.h"

#include "KeyboardAction.h"

KeyboardSession::KeyboardSession(KeyboardAction *worker, QObject *parent, Role role)
    : QObject(parent), m_worker(worker), m_role(role)
{
    KeyboardReadBack &rb = m_readBack;
    connect(worker, &KeyboardAction::sigKB2DeviceInfo, this, &KeyboardSession::onDeviceInfo);
    connect(worker, &KeyboardAction::sigKB2InitDevice, this, &KeyboardSession::onInitDevice);
    connect(worker, &KeyboardAction::sigKB2Idle, this, &KeyboardSession::onIdle);
    connect(worker, &KeyboardAction::sigKB2ReadFailed, this, [&rb](int code) { rb.readError = code ? code : -1; });
    connect(worker, &KeyboardAction::sigKB2KeyboardName, this, [&rb](const QString &n) { rb.name = n; });
    connect(worker, &KeyboardAction::sigKB2PrecisionData, this, [&rb](double step, quint16 a, quint16 b) {
        rb.precisionStep = step;
        rb.precisionA = a;
        rb.precisionB = b;
    });
    connect(worker, &KeyboardAction::sigKB2PollingRate, this, [&rb](int i) { rb.pollingRate = i; });
    connect(worker, &KeyboardAction::sigKB2SYSModeInfo, this, [&rb](int m) { rb.systemMode = m; });
    connect(worker, &KeyboardAction::sigKB2OriginalKeyValueMap, this,
            [&rb](const QMap<int, QList<int>> &m) { rb.originalKeys = m; });
    connect(worker, &KeyboardAction::sigKB2LayoutKey, this,
            [&rb](const QVariant &v) { rb.layers = v.value<MapKB2DockerKey>(); });
    connect(worker, &KeyboardAction::sigKB2LayoutDB, this,
            [&rb](const QVariant &v) { rb.travel = v.value<MapKB2DockerDB>(); });
    connect(worker, &KeyboardAction::sigKB2LayoutDis, this,
            [&rb](const QList<QList<quint16>> &t, const QList<QList<quint16>> &p, const QList<QList<quint16>> &r) {
                rb.travelRows = t;
                rb.pressRows = p;
                rb.releaseRows = r;
            });
    connect(worker, &KeyboardAction::sigKB2AdvancedKey, this, [&rb](const QVariant &v) { rb.advanced.append(v); });
    connect(worker, &KeyboardAction::sigKB2UpdateKRGBInfo, this, [&rb](const QMap<int, QColor> &c) { rb.colours = c; });
    connect(worker, &KeyboardAction::sigKB2ColorLights, this,
            [&rb](const QVariant &v) { rb.lighting = v.value<STU_BoardFromPRGB>(); });
    connect(worker, &KeyboardAction::sigKB2SuperVelocity, this, [&rb](bool on) { rb.lowLatency = on; });
    connect(worker, &KeyboardAction::sigKB2Sensitivity, this,
            [&rb](const QVariant &v) { rb.deadBands = v.value<STU_BoardFromDB>(); });
}

void KeyboardSession::startReadBack(KeyboardAction *worker)
{
    worker->queryKeyboardName();
    worker->setPollingRate(7);
    worker->queryPrecision();
    worker->queryKeyMatrix(0, 1);
    worker->queryKeyMatrix(2, 3);
    worker->queryKeyMatrix(4, 5);
    worker->startInitialRead();
}

void KeyboardSession::onDeviceInfo(const QVariant &v)
{
    const STU_BoardInfo2 info = v.value<STU_BoardInfo2>();
    // A driving session reads once; a listening one follows every
    // (re)connection.
    if (m_role == Role::Drive && m_stage != Stage::WaitingForInfo) {
        m_readBack.info = info;
        return;
    }
    const QString version = QString::fromUtf8(info.version);
    if (version.contains(QLatin1String("Boot"))) {
        m_readBack.info = info;
        emit bootLoaderDetected(version);
        return;
    }
    m_readBack = KeyboardReadBack();
    m_readBack.info = info;
    m_stage = Stage::Reading;
    if (m_role == Role::Drive)
        startReadBack(m_worker);
}

void KeyboardSession::onInitDevice(bool initialising)
{
    if (initialising || m_stage != Stage::Reading)
        return;
    m_stage = Stage::Walked;
    if (m_querySystemMode && m_role == Role::Drive) {
        m_worker->queryWinMode();
        m_worker->queryMacMode();
    }
}

void KeyboardSession::onIdle()
{
    // The lighting and sensitivity reads queued with the walk go out after
    // it, so the read-back is whole once the worker falls idle again.
    if (m_stage != Stage::Walked)
        return;
    m_readBack.parameters = m_worker->boardLayout();
    m_stage = Stage::Complete;
    emit readBackComplete();
}
