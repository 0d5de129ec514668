#include "ModelMetaTypes.h"

#include "AdvancedKeyInfo.h"
#include "KeyInfo.h"
#include "ToastTypes.h"

void registerContainerMetaTypes()
{
    // qRegisterMetaType on the Qt containers also installs the sequential /
    // associative iterable converters.
    qRegisterMetaType<OriginalKeyValueMap>("QMap<int, QList<int>>");
    qRegisterMetaType<KeyColourMap>("QMap<int, QColor>");
    qRegisterMetaType<TravelTable>("QList<QList<quint16>>");
    qRegisterMetaType<FlagTable>("QList<QList<quint8>>");
    qRegisterMetaType<ToastType>("ToastType");
    qRegisterMetaType<ToastPosition>("ToastPosition");
}

void registerModelMetaTypes()
{
    dksInfoMetaTypeId();
    mtInfoMetaTypeId();
    tglInfoMetaTypeId();
    mptInfoMetaTypeId();
    endInfoMetaTypeId();
    socdInfoMetaTypeId();
    rsInfoMetaTypeId();
    macroKeyMetaTypeId();
    macroInfoMetaTypeId();
    keyTravelRecordMetaTypeId();
    keyInfoMetaTypeId();
    registerContainerMetaTypes();
}
