#include "KeyboardSession.h"

#include "KeyboardAction.h"

QString readPartName(ReadPart part)
{
    switch (part) {
    case ReadPart::BoardInfo: return QStringLiteral("board information");
    case ReadPart::Name: return QStringLiteral("keyboard name");
    case ReadPart::PollingRate: return QStringLiteral("polling rate");
    case ReadPart::Precision: return QStringLiteral("travel precision");
    case ReadPart::KeyMatrix: return QStringLiteral("key matrix");
    case ReadPart::Parameters: return QStringLiteral("per-key settings");
    case ReadPart::Colours: return QStringLiteral("per-key colours");
    case ReadPart::Lighting: return QStringLiteral("lighting");
    case ReadPart::DeadZones: return QStringLiteral("dead zones");
    case ReadPart::SystemMode: return QStringLiteral("Win/Mac mode");
    case ReadPart::Connection: return QStringLiteral("connection (the keyboard went away)");
    }
    return QString();
}

KeyboardSession::KeyboardSession(KeyboardAction *worker, QObject *parent, Role role)
    : QObject(parent), m_worker(worker), m_role(role)
{
    KeyboardReadBack &rb = m_readBack;
    connect(worker->reports(), &KeyboardWorker::sigKB2DeviceInfo, this, &KeyboardSession::onDeviceInfo);
    connect(worker->reports(), &KeyboardWorker::sigKB2InitDevice, this, &KeyboardSession::onInitDevice);
    connect(worker->reports(), &KeyboardWorker::sigKB2ReadFailed, this, &KeyboardSession::onReadFailed);
    connect(worker->reports(), &KeyboardWorker::sigKB2RequestFailed, this, &KeyboardSession::onRequestFailed);
    connect(worker->reports(), &KeyboardWorker::sigDeviceLost, this, &KeyboardSession::onDeviceLost);
    connect(worker->reports(), &KeyboardWorker::sigKB2Idle, this, &KeyboardSession::onIdle);
    connect(worker->reports(), &KeyboardWorker::sigKB2KeyboardName, this, [&rb](const QString &n) { rb.name = n; });
    connect(worker->reports(), &KeyboardWorker::sigKB2PrecisionData, this, [&rb](double step, quint16 a, quint16 b, int) {
        rb.precisionStep = step;
        rb.precisionA = a;
        rb.precisionB = b;
    });
    connect(worker->reports(), &KeyboardWorker::sigKB2PollingRate, this, [&rb](int i) { rb.pollingRate = i; });
    connect(worker->reports(), &KeyboardWorker::sigKB2SYSModeInfo, this, [&rb](int m) {
        if (m == SystemNoWindows)
            rb.noWindowsMode = true;
        else if (m == SystemNoMac)
            rb.noMacMode = true;
        else
            rb.systemMode = m;
    });
    connect(worker->reports(), &KeyboardWorker::sigKB2OriginalKeyValueMap, this,
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
    connect(worker->reports(), &KeyboardWorker::sigKB2UpdateKRGBInfo, this, [&rb](const QMap<int, QColor> &c) { rb.colours = c; });
    connect(worker->reports(), &KeyboardWorker::sigKB2ColorLights, this,
            [&rb](const QVariant &v) { rb.lighting = v.value<STU_BoardFromPRGB>(); });
    connect(worker->reports(), &KeyboardWorker::sigKB2SuperVelocity, this, [&rb](bool on) { rb.lowLatency = on; });
    connect(worker->reports(), &KeyboardWorker::sigKB2Sensitivity, this,
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

void KeyboardSession::abandon()
{
    m_stage = Stage::WaitingForInfo;
    m_walkEnded = false;
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
    m_walkEnded = false;
    if (m_role != Role::Drive)
        return;
    if (!m_basicOnly) {
        startReadBack(m_worker);
        return;
    }
    m_worker->queryKeyboardName();
    m_worker->setPollingRate(7);
    m_worker->queryPrecision();
    walkEnded();
}

void KeyboardSession::walkEnded()
{
    if (m_walkEnded)
        return;
    m_walkEnded = true;
    if (m_querySystemMode && m_role == Role::Drive) {
        m_worker->queryWinMode();
        m_worker->queryMacMode();
    }
    // Everything handed to the worker so far belongs to the read-back
    // (the colour walk, the lighting and dead-zone reads, the modes).
    m_finalSerial = m_worker->workSerial();
}

void KeyboardSession::onInitDevice(bool initialising)
{
    if (!initialising && m_stage == Stage::Reading)
        walkEnded();
}

void KeyboardSession::fail(ReadPart part, int code)
{
    if (m_readBack.readError == 0)
        m_readBack.readError = code ? code : -1;
    if (!m_readBack.missing.contains(part))
        m_readBack.missing.append(part);
}

void KeyboardSession::onReadFailed(int mode, int code)
{
    if (m_stage != Stage::Reading)
        return;
    fail(mode == KeyboardAction::ColourWalk ? ReadPart::Colours : ReadPart::Parameters, code);
    if (mode == KeyboardAction::InitialWalk) {
        // The colour walk follows a complete parameter walk only.
        fail(ReadPart::Colours, code);
        walkEnded();
    }
}

void KeyboardSession::onRequestFailed(int type, bool read, int code)
{
    if (!read)
        return;
    if (m_stage == Stage::WaitingForInfo && type == Kb2Req::BoardInfo && m_role == Role::Drive) {
        // The keyboard answered the probe but not the session's first query.
        m_stage = Stage::Reading;
        fail(ReadPart::BoardInfo, code);
        finish();
        return;
    }
    if (m_stage != Stage::Reading)
        return;
    switch (type) {
    case Kb2Req::QueryName: fail(ReadPart::Name, code); break;
    case Kb2Req::PollingRate: fail(ReadPart::PollingRate, code); break;
    case Kb2Req::QueryPrecision: fail(ReadPart::Precision, code); break;
    case Kb2Req::KeyMatrix: fail(ReadPart::KeyMatrix, code); break;
    case Kb2Req::PRGB: fail(ReadPart::Lighting, code); break;
    case Kb2Req::DB: fail(ReadPart::DeadZones, code); break;
    case Kb2Req::QueryWinMode:
    case Kb2Req::QueryMacMode: fail(ReadPart::SystemMode, code); break;
    default: break;
    }
}

void KeyboardSession::onDeviceLost(int code)
{
    if (m_stage != Stage::Reading && !(m_role == Role::Drive && m_stage == Stage::WaitingForInfo))
        return;
    m_stage = Stage::Reading;
    fail(ReadPart::Connection, code);
    finish();
}

void KeyboardSession::onIdle(quint64 serial)
{
    // Signals from the worker arrive in the order it sent them, so once it
    // reports idle past the read-back's last request, every answer is in.
    if (m_stage == Stage::Reading && m_walkEnded && serial >= m_finalSerial)
        finish();
}

void KeyboardSession::finish()
{
    m_readBack.parameters = m_worker->boardLayout();
    m_readBack.keyMatrix = m_worker->board().keyMatrix();
    m_stage = Stage::Finished;
    emit readBackFinished();
}
