#pragma once

#include "BoardRecords.h"
#include "KeyMatrix.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class KeyboardAction;

// The parts of the read-back, for saying what could not be read.
enum class ReadPart {
    BoardInfo,
    Name,
    PollingRate,
    Precision,
    KeyMatrix,
    Parameters, // the per-key parameter walk: layers, travel, advanced keys
    Colours,    // the per-key colour walk
    Lighting,
    DeadZones,
    SystemMode,
    Connection, // the keyboard went away during the read-back
};

// English name of a part, for the command line and log lines.
QString readPartName(ReadPart part);

// Everything the keyboard reports after connecting.
struct KeyboardReadBack {
    STU_BoardInfo2 info;
    QString name;
    double precisionStep = 0;
    quint16 precisionA = 0;
    quint16 precisionB = 0;
    int pollingRate = -1; // index, -1 until reported
    int systemMode = -1;  // SystemWindows or SystemMac, -1 unknown
    bool noWindowsMode = false; // the keyboard has no Windows mode
    bool noMacMode = false;     // the keyboard has no Mac mode
    QMap<int, QList<int>> originalKeys;
    MapKB2DockerKey layers;
    MapKB2DockerDB travel;
    QList<QList<quint16>> travelRows, pressRows, releaseRows;
    QList<QVariant> advanced;
    QMap<int, QColor> colours;
    STU_BoardFromPRGB lighting;
    bool lowLatency = false;
    STU_BoardFromDB deadBands;
    STU_BoardFromLayout parameters;
    KeyMatrix keyMatrix; // where each key sits, for the per-key tables
    // What could not be read, in the order it failed; empty when the
    // read-back is complete. readError is the first failure's code.
    QList<ReadPart> missing;
    int readError = 0;

    bool isComplete() const { return missing.isEmpty(); }
};

// Follows one read-back: from the board information to the moment the
// worker falls idle after the walks and the reads queued with them, or to
// the first failure that ends it (the keyboard going away). When it drives,
// it also sends the sequence that follows the board information (name,
// polling rate, precision, the key matrix, then the whole read-back);
// otherwise someone else does and it only listens.
class KeyboardSession : public QObject {
    Q_OBJECT
public:
    enum class Role { Drive, Listen };
    explicit KeyboardSession(KeyboardAction *worker, QObject *parent = nullptr, Role role = Role::Drive);

    // Also ask for the Windows and Mac mode after the read-back.
    void setQuerySystemMode(bool on) { m_querySystemMode = on; }
    // Read only the board's identity (name, polling rate, precision and,
    // when asked, the modes), none of the walks. For a driving session.
    void setBasicOnly(bool on) { m_basicOnly = on; }
    const KeyboardReadBack &readBack() const { return m_readBack; }
    // The read-back has ended (complete or not: see readBack().missing).
    bool isFinished() const { return m_stage == Stage::Finished; }
    bool isComplete() const { return isFinished() && m_readBack.isComplete(); }
    // Forget the read-back in progress (the keyboard was closed on purpose);
    // the next board information starts a new one.
    void abandon();

    // The requests that follow the board information, in their order.
    static void startReadBack(KeyboardAction *worker);

signals:
    void readBackFinished();
    void bootLoaderDetected(const QString &version);

private:
    enum class Stage { WaitingForInfo, Reading, Finished };

    void onDeviceInfo(const QVariant &info);
    void onInitDevice(bool initialising);
    void onReadFailed(int mode, int code);
    void onRequestFailed(int type, bool read, int code);
    void onDeviceLost(int code);
    void onIdle(quint64 serial);
    void fail(ReadPart part, int code);
    void walkEnded();
    void finish();

    KeyboardAction *m_worker;
    Role m_role;
    KeyboardReadBack m_readBack;
    Stage m_stage = Stage::WaitingForInfo;
    bool m_querySystemMode = false;
    bool m_basicOnly = false;
    bool m_walkEnded = false;
    quint64 m_finalSerial = 0; // the work that completes the read-back
};
