#include "PerformancePageWgt.h"

#include "KeyboardConfig.h"
#include "KeyboardConfigModel.h"

#include "KeyQuickTouchWindow.h"
#include "KeyTouchDisSetWindow.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"
#include "KeyboardDeck.h"
#include "PressProgressBar.h"
#include "TravelScopeWindow.h"
#include "ProfileData.h"
#include "SignalObject.h"
#include "SwitchControl.h"

#include <QLineEdit>
#include <QSlider>

PerformancePageWgt::PerformancePageWgt(QWidget *parent) : ConfigPageWgt(PagePerformance, parent)
{
    setObjectName(QStringLiteral("PerformancePageWgt"));
    setFocusPolicy(Qt::ClickFocus); // the sliders hand the focus here once applied
}

QString PerformancePageWgt::title() const
{
    return tr("性能设置");
}

void PerformancePageWgt::setupConnections()
{

    SignalObject *hub = SignalObject::instance();
    // A key's check mark on the view counts for the rapid-trigger switch.
    connectTracked(keyboards(), &KeyboardDeck::keyCheckChanged, [this](KeyboardBtn *, bool) { refreshRapidSwitch(); });
    connectTracked(hub, &SignalObject::sigCloseLightSpeedMode, [this] { closeSuperResponse(); });
    connectTracked(hub, &SignalObject::sigStopKeyTest, [this] { stopKeyTest(); });
    connectTracked(hub, &SignalObject::sigStopAdjusting, [this] { endCalibration(); });

    KeyboardController *k = keyboard();
    connectTracked(k, &KeyboardController::travelReported,
                   [this](const TravelScale &scale, int decimals) { onPrecision(scale, decimals); });
    connectTracked(k, &KeyboardController::keyTestRound,
                   [this](const QList<QList<quint16>> &t, const QList<QList<quint8>> &f) { routeKeyTestData(t, f); });
    connectTracked(k, &KeyboardController::calibrationRound,
                   [this](const QList<QList<quint16>> &a, const QList<QList<quint16>> &b) {
                       routeCalibrationData(a, b);
                   });
    // The worker ends a live poll by itself when the keyboard goes.
    connectTracked(k, &KeyboardController::keyTestEnded, [this] { stopKeyTest(); });
    connectTracked(k, &KeyboardController::calibrationEnded, [this] { endCalibration(); });
}

void PerformancePageWgt::onEnter()
{
    const int sub = subPage();
    setKeysSelectable(sub == SubPageTravel);
    showRapidTriggerBorders(sub != SubPageCalibration);
    updateKeyFace();
    refreshRapidSwitch();
}

void PerformancePageWgt::onLeave()
{
    // The live work of this page ends with it.
    if (m_scope)
        m_scope->hide();
    stopKeyTest();
    endCalibration();
    showOverlay(false);
    m_touchWindow->hide();
    m_quickWindow->hide();
    setKeysSelectable(false);
    showRapidTriggerBorders(false);
}

void PerformancePageWgt::resetToFirstState()
{
    stopKeyTest();
    endCalibration();
    showOverlay(false);
    m_touchWindow->hide();
    m_quickWindow->hide();
    // No key stays selected or keeps figures the keyboard no longer holds.
    const double global = globalTravelMm();
    for (KeyboardBtn *b : keyboards()->keys()) {
        b->setKeyChecked(false);
        b->setRapidTrigger(false);
        b->setTravel(global, false);
        b->setHighlight(false);
    }
    m_rapidSelected = 0;
    m_plainSelected = 0;
    m_rapidSwitch->setCheckedNoAnimation(false);
    m_rapidOptions->hide();
    m_pressOpt->setCheckedNoAnimation(false);
    m_releaseOpt->setCheckedNoAnimation(false);
    selectSubPage(SubPageTravel);
}

// The read-back shows the keyboard's records as they are; an undo or a
// redo shows the configuration as a profile that sets every group.
void PerformancePageWgt::showConfig(const KeyboardConfig &config, bool fromKeyboard)
{
    if (!fromKeyboard) {
        ConfigPageWgt::showConfig(config, fromKeyboard);
        return;
    }
    showKeyboardDeadZones(config.performance);
    showKeyboardTravel();
}

void PerformancePageWgt::showProfile(const ProfileData &profile)
{
    if (profile.performance) {
        const PerformanceSettings &p = *profile.performance;
        fill(m_global.slider, [&](QSlider *s) { s->setValue(m_scale.positionOfMicrons(p.globalTravelUm)); });
        if (p.hasDeadZones) {
            fill(m_deadPress.slider,
                 [&](QSlider *s) { s->setValue(m_scale.deadZonePositionOfMicrons(p.pressDeadZoneUm)); });
            fill(m_deadRelease.slider,
                 [&](QSlider *s) { s->setValue(m_scale.deadZonePositionOfMicrons(p.releaseDeadZoneUm)); });
        }
        for (Row *r : {&m_deadPress, &m_deadRelease})
            showRowValue(*r);
        m_global.edit->setText(travelText(p.globalTravelUm / 1000.0, m_decimals));
        m_superSwitch->setCheckedNoAnimation(p.superLightSpeed);
    }
    // With a keyboard the profile is what its configuration now holds;
    // every key shows that, those the profile left alone too.
    if (config()->hasConfig()) {
        showKeyboardTravel();
        return;
    }
    if (!profile.keyTravel)
        return;
    for (auto it = profile.keyTravel->cbegin(); it != profile.keyTravel->cend(); ++it) {
        KeyboardBtn *b = keyboards()->key(it.key());
        if (!b)
            continue;
        b->setTravel(it->keyTouchDis / 1000.0, it->workMode == WorkOwnTravel);
        b->setRapidTrigger(it->workMode == WorkRapid);
        b->setRapidTriggerDistances(it->quickTouchPressDis / 1000.0, it->quickTouchUpDis / 1000.0);
    }
}
