#pragma once

#include <QColor>
#include <QList>
#include <QMap>
#include <QMetaType>

// Container types that cross threads inside queued signals and variants.
using OriginalKeyValueMap = QMap<int, QList<int>>;
using KeyColourMap = QMap<int, QColor>;
using TravelTable = QList<QList<quint16>>;
using FlagTable = QList<QList<quint8>>;

// Registers, in this order, "QMap<int, QList<int>>", "QMap<int, QColor>",
// "QList<QList<quint16>>", "QList<QList<quint8>>", "ToastType" and
// "ToastPosition", together with the iteration converters Qt needs to walk
// the containers inside a QVariant. Safe to call more than once.
void registerContainerMetaTypes();

// Registers every record of the model (advanced-key records, MACRO_Key,
// KeyTravelRecord, KeyInfo) and the containers above.
void registerModelMetaTypes();
