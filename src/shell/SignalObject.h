#pragma once

#include "AdvancedKeyInfo.h"
#include "KeyInfo.h"
#include "ToastTypes.h"

#include <QColor>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

// The application-wide hub. Pages never hold pointers to one another: they
// emit here and listen here. It only declares signals; every connection is
// made on the GUI thread and is direct. Key types are the ints of the key
// type table. The declaration order is part of the interface.
class SignalObject : public QObject {
    Q_OBJECT
public:
    static SignalObject *instance();
    explicit SignalObject(QObject *parent = nullptr);

signals:
    void sigFnLayerBtnVisible(bool visible);
    void sigKeyConfigPage(int id);
    void sigKeyBoardUpdate();
    void sigCheckRGBBtn();
    void sigKeyOptional(bool optional);
    void sigModifyChoosedKeyTouch(double travel);
    void sigOpenQuickTouchMode();
    void sigCloseQuickTouchMode();
    void sigUpdateChooseKeyQuickTouchDis(double press, double relese);
    void sigUpdateOherKeyTouch();
    void sigResetAllKeyTouchDis();
    void sigGetTouchDisSetKeyTexts(QString texts);
    void sigShowTouchDisKeyBorder(bool show);
    void sigShowQuickTouchKeyBorder(bool show);
    void sigSetQuickTouchKeyChoosed();
    void sigSetChoosedKeyQuickTouck();
    void sigChooseAllKey(bool choose);
    void sigChooseASDWKey();
    void sigHasKeyCheck(int keyType);
    void sigHasKeyCancelCheck(int keyType);
    void sigStopKeyTest();
    void sigStopAdjusting();
    void sigResetKeyText();
    void sigModifyKeyType(int keyType);
    void sigResetCustomKeyType(int nResetID, QMap<int, int> keyTypes);
    void sigAddAdvanceBind(KeyInfo info, BindKeyType kind);
    void sigDeviceAdvanceBind(KeyInfo info, BindKeyType kind);
    void sigSomeAdvanceBind(QStringList keys);
    void sigBindFinished(KeyInfo info);
    void sigDeleteKeyBind(KeyInfo info);
    void sigModifyBindInfo(KeyInfo info);
    void sigClearAllKeyBind();
    void sigDelHighKey(KeyInfo info);
    void sigCloseLightSpeedMode();
    void sigChangePage(int page);
    void sigUpdateKeyColorCache(int keyIndex, QColor colour);
    void sigShowFnKeyColor();
    void sigShowKRGBColor(bool show);
    void sigChangeRGB(QMap<int, QColor> colours);
    void sigUpdateAdjustingPageMMData(ushort travel);
    void sigUpdateAdjustingPageMMData2(ushort travel, bool pressed);
    void sigResetHighKey();
    void sigBoardReset();
    void sigShowToastTip(ToastType type, ToastPosition position, QString text, int msecs);
};
