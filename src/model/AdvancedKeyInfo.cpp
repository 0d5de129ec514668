#include "AdvancedKeyInfo.h"

#include "AdvancedKeyKinds.h"

QString bindKeyTypeLabel(int kind)
{
    const AdvancedKindTraits *t = advancedKindTraits(kind);
    return t ? QString::fromLatin1(t->label) : QString();
}

bool operator==(const DKSInfo &a, const DKSInfo &b)
{
    return a.keyIndex == b.keyIndex && a.touchDis == b.touchDis && a.bindKey == b.bindKey
        && a.triggerValue == b.triggerValue;
}

bool operator==(const MTInfo &a, const MTInfo &b)
{
    return a.keyIndex == b.keyIndex && a.pressType == b.pressType && a.clickType == b.clickType
        && a.delay == b.delay;
}

bool operator==(const TGLInfo &a, const TGLInfo &b)
{
    return a.keyIndex == b.keyIndex && a.switchType == b.switchType && a.delay == b.delay;
}

bool operator==(const MPTInfo &a, const MPTInfo &b)
{
    return a.keyIndex == b.keyIndex && a.bindKey == b.bindKey && a.triggerValue == b.triggerValue;
}

bool operator==(const ENDInfo &a, const ENDInfo &b)
{
    return a.keyIndex == b.keyIndex && a.switchType == b.switchType;
}

bool operator==(const SOCDInfo &a, const SOCDInfo &b)
{
    return a.keyIndex == b.keyIndex && a.switchType == b.switchType;
}

bool operator==(const RSInfo &a, const RSInfo &b)
{
    return a.keyIndex == b.keyIndex && a.switchType == b.switchType;
}

bool operator==(const MACRO_Key &a, const MACRO_Key &b)
{
    return a.down == b.down && a.keyName == b.keyName && a.delay == b.delay;
}

bool operator==(const MACROInfo &a, const MACROInfo &b)
{
    return a.keyIndex == b.keyIndex && a.macroName == b.macroName && a.steps == b.steps;
}

bool operator==(const KeyTravelRecord &a, const KeyTravelRecord &b)
{
    return a.reserved == b.reserved && a.workMode == b.workMode && a.keyTouchDis == b.keyTouchDis
        && a.quickTouchPressDis == b.quickTouchPressDis && a.quickTouchUpDis == b.quickTouchUpDis
        && a.spare == b.spare;
}

int dksInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<DKSInfo>("DKSInfo");
    return id;
}

int mtInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<MTInfo>("MTInfo");
    return id;
}

int tglInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<TGLInfo>("TGLInfo");
    return id;
}

int mptInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<MPTInfo>("MPTInfo");
    return id;
}

int endInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<ENDInfo>("ENDInfo");
    return id;
}

int socdInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<SOCDInfo>("SOCDInfo");
    return id;
}

int rsInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<RSInfo>("RSInfo");
    return id;
}

int macroKeyMetaTypeId()
{
    static const int id = qRegisterMetaType<MACRO_Key>("MACRO_Key");
    return id;
}

int macroInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<MACROInfo>("MACROInfo");
    return id;
}

int keyTravelRecordMetaTypeId()
{
    static const int id = qRegisterMetaType<KeyTravelRecord>("KeyTravelRecord");
    return id;
}
