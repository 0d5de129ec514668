#pragma once

#include "AdvancedKeyInfo.h"

#include <QColor>
#include <QMetaType>
#include <QString>

// The data of one key, held by each key button and carried in hub signals.
// Only the advanced record matching bindKind is meaningful.
struct KeyInfo {
    quint32 firstType = 0;   // the key's own KeyType
    quint32 currentType = 0; // the KeyType currently assigned to it
    QString legend;
    QColor colour = QColor(245, 247, 250);
    double travel = 1.5; // mm
    quint8 travelDiffers = 0;
    quint8 rapidTrigger = 0;
    double rapidTriggerPress = 0.0;   // mm
    double rapidTriggerRelease = 0.0; // mm
    qint32 bindKind = Bind_None;
    DKSInfo dks;
    MTInfo mt;
    TGLInfo tgl;
    MPTInfo mpt;
    ENDInfo end;
    SOCDInfo socd;
    RSInfo rs;
    MACROInfo macro;
};

Q_DECLARE_METATYPE(KeyInfo)

int keyInfoMetaTypeId();
