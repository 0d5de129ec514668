// The performance page's own controls: the sub-page menu, the travel and
// dead-zone sliders with their boxes, rapid trigger, the super response
// mode and the two pop-ups.

#include "PerformancePageWgt.h"

#include "KeyQuickTouchWindow.h"
#include "KeyTouchDisSetWindow.h"
#include "KeyboardController.h"
#include "KeyboardConfigModel.h"
#include "KeyboardBtn.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "PressProgressBar.h"
#include "ProfileData.h"
#include "ProfileDocument.h"
#include "ProfileManager.h"
#include "SignalObject.h"
#include "SwitchControl.h"
#include "Units.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

namespace {

// The lowest dead zone the optimisation switches allow.
constexpr int OptimisedDeadZoneUm = 200;
// Where "重置" puts a rapid-trigger slider.
constexpr int RapidResetPosition = 30;

QStyleOptionSlider sliderOption(const QSlider *slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = slider->orientation();
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    return opt;
}

// The value under a point of the slider's groove.
int valueAtPoint(QSlider *slider, const QPoint &pos)
{
    const QStyleOptionSlider opt = sliderOption(slider);
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider);
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
    const int span = groove.width() - handle.width();
    const int x = pos.x() - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(), x, qMax(1, span),
                                           slider->invertedAppearance());
}

bool onHandle(QSlider *slider, const QPoint &pos)
{
    const QStyleOptionSlider opt = sliderOption(slider);
    return slider->style()->hitTestComplexControl(QStyle::CC_Slider, &opt, pos, slider) == QStyle::SC_SliderHandle;
}

} // namespace

int PerformancePageWgt::subPage() const
{
    return m_stack ? m_stack->currentIndex() : SubPageTravel;
}

void PerformancePageWgt::connectRows()
{
    connect(m_menuGroup, &QButtonGroup::idClicked, this, &PerformancePageWgt::selectSubPage);
    for (Row *r : {&m_global, &m_selected, &m_press, &m_release, &m_deadPress, &m_deadRelease}) {
        connect(r->slider, &QSlider::valueChanged, this, [this, r] { showRowValue(*r); });
        connect(r->slider, &QSlider::sliderReleased, this, [this, r] { onRowReleased(*r); });
        // A dead zone is set with its slider only: Return in its box does nothing.
        if (!r->deadZone)
            connect(r->edit, &QLineEdit::returnPressed, this, [this, r] { onRowReturn(*r); });
    }
    rebuildValidators();

    connect(m_testBtn, &QPushButton::clicked, this, &PerformancePageWgt::onTestButton);
    connect(m_pressSetBtn, &QPushButton::clicked, this, &PerformancePageWgt::onPressSetButton);
    connect(m_scopeBtn, &QPushButton::clicked, this, &PerformancePageWgt::openScope);
    connect(m_driftCalibrateBtn, &QPushButton::clicked, this, &PerformancePageWgt::calibrateDriftingKeys);
    connect(m_pressSetTimer, &QTimer::timeout, this, &PerformancePageWgt::finishPressSet);
    connect(m_pressSetTick, &QTimer::timeout, this, &PerformancePageWgt::showPressSetText);
    connect(m_calibrationBtn, &QPushButton::clicked, this, &PerformancePageWgt::onCalibrationButton);
    connect(m_rapidSwitch, &SwitchControl::toggled, this, &PerformancePageWgt::onRapidSwitch);
    connect(m_superSwitch, &SwitchControl::toggled, this, &PerformancePageWgt::onSuperSwitch);
    connect(m_pressOpt, &SwitchControl::toggled, this, [this](bool on) {
        if (on)
            applyDeadZone(m_deadPress, true);
    });
    connect(m_releaseOpt, &SwitchControl::toggled, this, [this](bool on) {
        if (on)
            applyDeadZone(m_deadRelease, true);
    });
    connect(m_pressReset, &QPushButton::clicked, this,
            [this] { resetRapidRow(m_press, &PerformanceSettings::quickPress); });
    connect(m_releaseReset, &QPushButton::clicked, this,
            [this] { resetRapidRow(m_release, &PerformanceSettings::quickRelease); });

    connect(m_wasdBtn, &QPushButton::clicked, this, [this] { checkWasdKeys(); });
    connect(m_allBtn, &QPushButton::clicked, this, [this] { checkAllKeys(true); });
    connect(m_noneBtn, &QPushButton::clicked, this, [this] { checkAllKeys(false); });
    connect(m_resetBtn, &QPushButton::clicked, this, &PerformancePageWgt::onSelectionReset);
    connect(m_touchWindowBtn, &QPushButton::clicked, this, &PerformancePageWgt::openTouchWindow);
    connect(m_quickWindowBtn, &QPushButton::clicked, this, &PerformancePageWgt::openQuickWindow);

    connect(m_touchWindow, &KeyTouchDisSetWindow::sigCommit, this, [this] {
        showOverlay(false);
        setCheckedKeysTravel(m_touchWindow->travelMm());
        closePopUp();
        showRapidTriggerBorders(true);
    });
    connect(m_touchWindow, &KeyTouchDisSetWindow::sigCancel, this, [this] { closePopUp(); });
    connect(m_touchWindow, &KeyTouchDisSetWindow::sigResetAllToGlobal, this, [this] { resetCheckedKeysToGlobal(); });
    connect(m_quickWindow, &KeyQuickTouchWindow::sigChooseAll, this, [this](bool on) { checkAllKeys(on); });
    connect(m_quickWindow, &KeyQuickTouchWindow::sigCommit, this, [this] {
        showOverlay(false);
        applyRapidTriggerToCheckedKeys();
        closePopUp();
        showRapidTriggerBorders(true);
    });
    connect(m_quickWindow, &KeyQuickTouchWindow::sigCancel, this, [this] { closePopUp(); });
}

void PerformancePageWgt::closePopUp()
{
    showOverlay(false);
    // The pop-up's selection is cleared; the travel sub-page's keys stay
    // selectable for the next change instead of ignoring clicks.
    setKeysSelectable(false);
    if (subPage() == SubPageTravel)
        setKeysSelectable(true);
}

void PerformancePageWgt::selectSubPage(int index)
{
    if (index < SubPageTravel || index > SubPageCalibration)
        return;
    if (m_menuGroup->checkedId() != index)
        m_menuGroup->button(index)->setChecked(true);
    m_stack->setCurrentIndex(index);
    if (index != SubPageTravel)
        stopKeyTest();
    if (index != SubPageCalibration)
        endCalibration();
    if (isActive()) {
        setKeysSelectable(index == SubPageTravel);
        showRapidTriggerBorders(index != SubPageCalibration);
        updateKeyFace();
    }
}

double PerformancePageWgt::rowMm(const Row &row) const
{
    const int p = row.slider->value();
    return row.deadZone ? m_scale.deadZoneMmAt(p) : m_scale.mmAt(p);
}

void PerformancePageWgt::showRowValue(const Row &row)
{
    row.edit->setText(travelText(rowMm(row), m_decimals));
}

void PerformancePageWgt::onPrecision(const TravelScale &scale, int decimals)
{
    m_scale = scale;
    m_decimals = decimals;
    qCDebug(lcKeyboard) << "行程参数：" << scale.stepMm() << scale.minimumUm << scale.maximumUm << "positions"
                        << m_scale.positions;
    m_bar->setMaximumMicrons(quint16(qBound(0, scale.maximumUm, 0xFFFF)));

    const int rapidDefault = m_scale.rapidDefaultPosition();
    for (Row *r : {&m_global, &m_selected, &m_press, &m_release}) {
        fill(r->slider, [&](QSlider *s) {
            s->setRange(1, m_scale.positions);
            if (r == &m_press || r == &m_release)
                s->setValue(rapidDefault);
        });
    }
    for (Row *r : {&m_deadPress, &m_deadRelease}) {
        const int um = mmToMicrons(r->edit->text().toDouble());
        fill(r->slider, [&](QSlider *s) {
            s->setRange(0, m_scale.deadZonePositions());
            s->setValue(m_scale.deadZonePositionOfMicrons(um));
        });
    }
    rebuildValidators();
    for (Row *r : {&m_global, &m_selected, &m_press, &m_release, &m_deadPress, &m_deadRelease})
        showRowValue(*r);
}

// The keyboard's global travel, dead zones and low latency, which the
// current profile then holds as the keyboard does.
void PerformancePageWgt::showKeyboardDeadZones(const PerformanceSettings &p)
{
    fill(m_global.slider, [&](QSlider *s) { s->setValue(m_scale.positionOfMicrons(p.globalTravelUm)); });
    fill(m_deadPress.slider, [&](QSlider *s) { s->setValue(m_scale.deadZonePositionOfMicrons(p.pressDeadZoneUm)); });
    fill(m_deadRelease.slider,
         [&](QSlider *s) { s->setValue(m_scale.deadZonePositionOfMicrons(p.releaseDeadZoneUm)); });
    // The selected-key slider starts from the global travel too.
    fill(m_selected.slider, [&](QSlider *s) { s->setValue(m_global.slider->value()); });
    for (Row *r : {&m_global, &m_selected, &m_deadPress, &m_deadRelease})
        showRowValue(*r);
    // A travel between two steps of the scale is shown as it is.
    m_global.edit->setText(travelText(p.globalTravelUm / 1000.0, m_decimals));
    // Keys without a travel of their own follow the keyboard's global one.
    onUpdateOtherKeyTouch();
    m_superSwitch->setCheckedNoAnimation(p.superLightSpeed);

    // The profile in use takes the keyboard's values; members the keyboard
    // does not report stay as the profile has them. Before a profile is in
    // use there is nothing to update.
    const ProfileData current = readProfile(profiles()->currentDocument());
    if (!current.performance)
        return;
    PerformanceSettings settings = *current.performance;
    settings.globalTravelUm = p.globalTravelUm;
    settings.pressDeadZoneUm = p.pressDeadZoneUm;
    settings.releaseDeadZoneUm = p.releaseDeadZoneUm;
    settings.superLightSpeed = p.superLightSpeed;
    settings.hasDeadZones = true;
    profiles()->UpdateBoardPerformance(settings);
}

void PerformancePageWgt::onRowReturn(Row &row)
{
    if (!isCompleteNumber(row.edit->text())) {
        showRowValue(row);
        return;
    }
    const int um = mmToMicrons(row.edit->text().toDouble());
    row.slider->setValue(m_scale.positionOfMm(um / 1000.0));
    // The box shows what the keyboard gets: a value between two steps
    // becomes the step below it.
    showRowValue(row);
    onRowReleased(row);
}

void PerformancePageWgt::onRowReleased(const Row &row)
{
    if (&row == &m_global)
        applyGlobalTravel();
    else if (&row == &m_selected)
        applySelectedTravel();
    else if (&row == &m_press || &row == &m_release)
        applyRapidDistances();
    else
        applyDeadZone(row, false);
}

void PerformancePageWgt::applyGlobalTravel()
{
    stopKeyTest();
    const int um = m_scale.micronsAt(m_global.slider->value());
    const int decimals = m_decimals;
    const int was = config()->config().performance.globalTravelUm;
    config()->edit({tr("全局行程"), travelText(was / 1000.0, decimals) + QStringLiteral(" mm"),
                    travelText(um / 1000.0, decimals) + QStringLiteral(" mm")},
                   KeyboardConfigModel::MergeGlobalTravel, [um](KeyboardConfig &c) { c.performance.globalTravelUm = um; });
    setFocus();
    // Not taken (a keyboard still being read): the refusal has been told,
    // and the read-back's end shows what the keyboard holds.
    if (globalTravelUm() != um)
        return;
    onUpdateOtherKeyTouch();
    emit SignalObject::instance()->sigShowToastTip(
        ToastType::Success, ToastPosition::Center,
        tr("全局行程已设置为") + travelText(um / 1000.0, decimals) + QStringLiteral("mm"), 2000);
}

void PerformancePageWgt::applySelectedTravel()
{
    stopKeyTest();
    setFocus();
    setCheckedKeysTravel(rowMm(m_selected));
    showRapidTriggerBorders(true);
}

void PerformancePageWgt::applyRapidDistances()
{
    stopKeyTest();
    setFocus();
    setCheckedKeysRapidDistances(rowMm(m_press), rowMm(m_release));
}

void PerformancePageWgt::applyDeadZone(const Row &row, bool raiseOnly)
{
    const bool press = &row == &m_deadPress;
    const SwitchControl *optimised = press ? m_pressOpt : m_releaseOpt;
    const bool low = m_scale.deadZoneMicronsAt(row.slider->value()) < OptimisedDeadZoneUm;
    if (raiseOnly && !low)
        return; // turning the optimisation on changes nothing here
    stopKeyTest();
    if (optimised->isChecked() && low)
        row.slider->setValue(m_scale.deadZonePositionOfMicrons(OptimisedDeadZoneUm));
    const int um = m_scale.deadZoneMicronsAt(row.slider->value());
    const PerformanceSettings &now = config()->config().performance;
    const int was = press ? now.pressDeadZoneUm : now.releaseDeadZoneUm;
    const int decimals = m_decimals;
    config()->edit({press ? tr("按下死区") : tr("抬起死区"), travelText(was / 1000.0, decimals) + QStringLiteral(" mm"),
                    travelText(um / 1000.0, decimals) + QStringLiteral(" mm")},
                   press ? KeyboardConfigModel::MergePressDeadZone : KeyboardConfigModel::MergeReleaseDeadZone,
                   [press, um](KeyboardConfig &c) {
                       (press ? c.performance.pressDeadZoneUm : c.performance.releaseDeadZoneUm) = um;
                   });
    setFocus();
}

void PerformancePageWgt::refreshRapidSwitch()
{
    int rapid = 0, plain = 0;
    for (const KeyboardBtn *b : keyboards()->checkedKeys())
        ++(travelState(b).rapid ? rapid : plain);
    m_rapidSelected = rapid;
    m_plainSelected = plain;
    const bool on = plain < 1 && rapid >= 1;
    if (m_rapidSwitch->isChecked() != on)
        m_rapidSwitch->setCheckedNoAnimation(on);
    m_rapidOptions->setVisible(on);
    refreshPressSetButton();
}

void PerformancePageWgt::onRapidSwitch(bool on)
{
    stopKeyTest();
    refreshRapidSwitch();
    if (m_rapidSelected < 1 && m_plainSelected < 1) {
        // Nothing selected: nothing to turn on.
        m_rapidSwitch->setCheckedNoAnimation(false);
        m_rapidOptions->hide();
        emit SignalObject::instance()->sigShowToastTip(ToastType::Info, ToastPosition::Center,
                                                       tr("请先在键盘上选择按键"), 2000);
        return;
    }
    m_rapidSwitch->setCheckedNoAnimation(on);
    m_rapidOptions->setVisible(on);
    setCheckedKeysRapidTrigger(on);
    showRapidTriggerBorders(true);
    refreshRapidSwitch(); // the selected keys now all have it, or none
}

void PerformancePageWgt::resetRapidRow(Row &row, int PerformanceSettings::*member)
{
    row.slider->setValue(qMin(RapidResetPosition, row.slider->maximum()));
    // A position of the page's own slider, not a keyboard setting.
    profiles()->UpdateBoardRapidPosition(member, RapidResetPosition);
}

void PerformancePageWgt::onSelectionReset()
{
    stopKeyTest();
    resetCheckedKeysToGlobal();
    setKeysSelectable(false);
    setKeysSelectable(true);
    showRapidTriggerBorders(true);
    m_rapidSelected = m_plainSelected = 0;
    refreshRapidSwitch();
}

void PerformancePageWgt::onSuperSwitch(bool on)
{
    config()->edit({on ? tr("开启超光速模式") : tr("关闭超光速模式"), {}, {}}, KeyboardConfigModel::NoMerge,
                   [on](KeyboardConfig &c) { c.performance.superLightSpeed = on; });
}

void PerformancePageWgt::closeSuperResponse()
{
    m_superSwitch->setCheckedNoAnimation(false);
    onSuperSwitch(false);
}


void PerformancePageWgt::openTouchWindow()
{
    showOverlay(true);
    m_touchWindow->move(220, 80);
    m_touchWindow->initialise(m_scale, m_scale.positionOfMicrons(globalTravelUm()), m_decimals);
    m_touchWindow->raise();
    m_touchWindow->show();
    setKeysSelectable(true);
}

void PerformancePageWgt::openQuickWindow()
{
    showOverlay(true);
    m_quickWindow->move(220, 80);
    m_quickWindow->raise();
    m_quickWindow->show();
    checkRapidTriggerKeys();
}

bool PerformancePageWgt::eventFilter(QObject *watched, QEvent *event)
{
    if (auto *slider = qobject_cast<QSlider *>(watched)) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // A press on the groove jumps there, as a drag would end.
            auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() == Qt::LeftButton && !onHandle(slider, e->pos())) {
                slider->setValue(valueAtPoint(slider, e->pos()));
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease: {
            // A click on the groove applies its value like a drag does.
            auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() == Qt::LeftButton && !slider->isSliderDown()) {
                slider->setSliderDown(true);
                slider->setSliderDown(false);
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            // Arrow and page keys move the slider; letting go applies it.
            auto *e = static_cast<QKeyEvent *>(event);
            const int k = e->key();
            if (!e->isAutoRepeat()
                && (k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down
                    || k == Qt::Key_PageUp || k == Qt::Key_PageDown || k == Qt::Key_Home || k == Qt::Key_End)) {
                slider->setSliderDown(true);
                slider->setSliderDown(false);
            }
            break;
        }
        case QEvent::Enter:
        case QEvent::Leave:
            if (slider == m_global.slider && isActive())
                showRapidTriggerBorders(true);
            break;
        default:
            break;
        }
    } else if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
        // A value typed and left without Return is not applied, nor is an
        // unfinished one on Return: the box shows the slider's value again
        // rather than one the keyboard does not have.
        bool restore = event->type() == QEvent::FocusOut;
        if (event->type() == QEvent::KeyPress) {
            const int k = static_cast<QKeyEvent *>(event)->key();
            restore = (k == Qt::Key_Return || k == Qt::Key_Enter) && !edit->hasAcceptableInput();
        }
        if (restore) {
            for (Row *r : {&m_global, &m_selected, &m_press, &m_release, &m_deadPress, &m_deadRelease})
                if (r->edit == edit)
                    showRowValue(*r);
        }
    }
    return ConfigPageWgt::eventFilter(watched, event);
}

void PerformancePageWgt::resizeEvent(QResizeEvent *event)
{
    ConfigPageWgt::resizeEvent(event);
    if (m_overlay && m_overlay->isVisible())
        m_overlay->setGeometry(0, 0, width(), height());
}
