#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// In-memory advanced-key bindings. keyIndex is always a KeyType; the bound
// keys are KeyTypes as well, and the wire layer turns them into key codes.

// Kind of an advanced binding, as carried by KeyInfo and the binding list.
enum BindKeyType : int {
    Bind_None = -1,
    Bind_DKS = 0,
    Bind_MPT = 1,
    Bind_MT = 2,
    Bind_TGL = 3,
    Bind_END = 4,
    Bind_MACRO = 5,
    Bind_SOCD = 6,
    Bind_RS = 7,
};

// "DKS", "MPT", ... for a BindKeyType; empty for none or an unknown kind.
QString bindKeyTypeLabel(int kind);

struct DKSInfo {
    qint32 keyIndex = -1;
    QList<double> touchDis;      // trigger travels, mm
    QList<int> bindKey;          // KeyTypes of the bound keys
    QList<QString> triggerValue; // per bound key: one '1'/'0' per DKS event
};

struct MTInfo {
    qint32 keyIndex = 0;
    qint32 pressType = -1; // sent when held
    qint32 clickType = -1; // sent when tapped
    qint32 delay = 200;    // ms
};

struct TGLInfo {
    qint32 keyIndex = 0;
    qint32 switchType = -1;
    qint32 delay = 0; // ms
};

struct MPTInfo {
    qint32 keyIndex = -1;
    QList<int> bindKey;      // KeyTypes
    QList<int> triggerValue; // travel points, micrometres
};

struct ENDInfo {
    qint32 keyIndex = 0;
    qint32 switchType = -1;
};

struct SOCDInfo {
    qint32 keyIndex = 0;
    qint32 switchType = -1; // the paired key
};

struct RSInfo {
    qint32 keyIndex = 0;
    qint32 switchType = -1; // the paired key
};

// One macro step.
struct MACRO_Key {
    bool down = true;
    QString keyName; // display name of the key (see KeyTypeTable)
    int delay = 0;   // ms
};

struct MACROInfo {
    qint32 keyIndex = 0;
    QString macroName;
    QList<MACRO_Key> steps;
};

// Per-key travel as the board reports it (micrometres).
struct KeyTravelRecord {
    quint32 reserved = 0; // not read by the profile store
    qint32 workMode = 0;  // trigger mode: 0 plain actuation, 1/2 rapid trigger
    quint16 keyTouchDis = 0;
    quint16 quickTouchPressDis = 0;
    quint16 quickTouchUpDis = 0;
    quint16 spare = 0;
};

bool operator==(const DKSInfo &a, const DKSInfo &b);
bool operator==(const MTInfo &a, const MTInfo &b);
bool operator==(const TGLInfo &a, const TGLInfo &b);
bool operator==(const MPTInfo &a, const MPTInfo &b);
bool operator==(const ENDInfo &a, const ENDInfo &b);
bool operator==(const SOCDInfo &a, const SOCDInfo &b);
bool operator==(const RSInfo &a, const RSInfo &b);
bool operator==(const MACRO_Key &a, const MACRO_Key &b);
bool operator==(const MACROInfo &a, const MACROInfo &b);
bool operator==(const KeyTravelRecord &a, const KeyTravelRecord &b);

Q_DECLARE_METATYPE(DKSInfo)
Q_DECLARE_METATYPE(MTInfo)
Q_DECLARE_METATYPE(TGLInfo)
Q_DECLARE_METATYPE(MPTInfo)
Q_DECLARE_METATYPE(ENDInfo)
Q_DECLARE_METATYPE(SOCDInfo)
Q_DECLARE_METATYPE(RSInfo)
Q_DECLARE_METATYPE(MACRO_Key)
Q_DECLARE_METATYPE(MACROInfo)
Q_DECLARE_METATYPE(KeyTravelRecord)

// Each registers its type under the record's name on the first call and
// returns the cached id afterwards.
int dksInfoMetaTypeId();
int mtInfoMetaTypeId();
int tglInfoMetaTypeId();
int mptInfoMetaTypeId();
int endInfoMetaTypeId();
int socdInfoMetaTypeId();
int rsInfoMetaTypeId();
int macroKeyMetaTypeId();
int macroInfoMetaTypeId();
int keyTravelRecordMetaTypeId();
