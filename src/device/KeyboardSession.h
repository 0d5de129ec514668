#pragma once

#include "BoardRecords.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class KeyboardAction;

// Everything the keyboard reports after connecting.
struct KeyboardReadBack {
    STU_BoardInfo2 info;
    QString name;
    double precisionStep = 0;
    quint16 precisionA = 0;
    quint16 precisionB = 0;
    int pollingRate = -1; // index, -1 until reported
    int systemMode = -1;  // 0 Windows, 1 Mac, 2/3 their locked forms; -1 unknown
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
    int readError = 0; // non-zero when a walk ended early
};

// Collects what the worker reports after each board information until the
// worker falls idle after the read-back. When it drives, it also sends the
// sequence that follows the board information (name, polling rate,
// precision, the key matrix, then the whole read-back); otherwise someone
// else does and it only listens.
class KeyboardSession : public QObject {
    Q_OBJECT
public:
    enum class Role { Drive, Listen };
    explicit KeyboardSession(KeyboardAction *worker, QObject *parent = nullptr, Role role = Role::Drive);

    // Also ask for the Windows and Mac mode after the read-back.
    void setQuerySystemMode(bool on) { m_querySystemMode = on; }
    const KeyboardReadBack &readBack() const { return m_readBack; }
    bool isComplete() const { return m_stage == Stage::Complete; }

    // The requests that follow the board information, in their order.
    static void startReadBack(KeyboardAction *worker);

signals:
    void readBackComplete();
    void bootLoaderDetected(const QString &version);

private:
    enum class Stage { WaitingForInfo, Reading, Walked, Complete };

    void onDeviceInfo(const QVariant &info);
    void onInitDevice(bool initialising);
    void onIdle();

    KeyboardAction *m_worker;
    Role m_role;
    KeyboardReadBack m_readBack;
    Stage m_stage = Stage::WaitingForInfo;
    bool m_querySystemMode = false;
};
