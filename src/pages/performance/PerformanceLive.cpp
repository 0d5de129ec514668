// The live views of the performance page: the key test on the travel
// sub-page and the calibration with its chart, fed by the keyboard view's
// routing of the worker's live tables.

#include "PerformancePageWgt.h"

#include "CalibrationAnimation.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"
#include "KeyboardDeck.h"
#include "KeyboardLog.h"
#include "PressProgressBar.h"
#include "SignalObject.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

namespace {

// Below this a key counts as released and shows 0.
constexpr double ShownFromMm = 0.1;
// After "停止测试" the bar keeps its last height this long.
constexpr int BarDropDelayMs = 30;
// The chart draws a released key at 45 and a key at 4 mm near 5.
constexpr double ChartReleased = 45.0;

double shownMm(quint16 um)
{
    const double mm = um / 4000.0 * 4.0;
    return mm < ShownFromMm ? 0.0 : mm;
}

// A state byte of 1..7 means the key is past its actuation point.
bool isActuated(quint8 state)
{
    return state > 0 && state < 8;
}

template <typename T>
bool cellOf(const QList<QList<T>> &table, int row, int column, T *value)
{
    if (row >= table.size() || column >= table.at(row).size())
        return false;
    *value = table.at(row).at(column);
    return true;
}

} // namespace

void PerformancePageWgt::onTestButton(bool checked)
{
    if (checked) {
        m_testRunning = true;
        m_testBtn->setText(tr("停止测试"));
        keyboard()->startKeyTest();
        startDriftCheck();
        updateKeyFace();
        refreshPressSetButton();
        return;
    }
    m_testRunning = false;
    m_scopeStartedTest = false; // the user's own click: the test is theirs
    cancelPressSet();
    refreshPressSetButton();
    m_testBtn->setText(tr("开始测试"));
    keyboard()->stopKeyTest();
    clearLiveValues();
    updateKeyFace();
    // The last height stays a moment, so a quick look still catches it.
    QTimer::singleShot(BarDropDelayMs, this, [this] {
        if (!m_testRunning) {
            m_bar->setValue(0, false);
            m_bar->setShownKey(QString());
        }
    });
}

void PerformancePageWgt::stopKeyTest()
{
    if (!m_testRunning)
        return;
    m_testRunning = false;
    m_scopeStartedTest = false;
    cancelPressSet();
    refreshPressSetButton();
    m_testBtn->setChecked(false);
    m_testBtn->setText(tr("开始测试"));
    keyboard()->stopKeyTest();
    m_bar->setValue(0, false);
    m_bar->setShownKey(QString());
    clearLiveValues();
    updateKeyFace();
}

void PerformancePageWgt::onCalibrationButton(bool checked)
{
    qCDebug(lcKeyboard) << "点击开始校准按钮" << checked;
    if (!checked) {
        endCalibration();
        return;
    }
    m_calibrating = true;
    keyboard()->startCalibration();
    m_calibrationBtn->setText(tr("保存校准"));
    updateKeyFace();
}

void PerformancePageWgt::endCalibration()
{
    if (!m_calibrating)
        return;
    m_calibrating = false;
    keyboard()->stopCalibration();
    m_calibrationBtn->setText(tr("开始校准"));
    m_calibrationBtn->setChecked(false);
    clearLiveValues();
    updateKeyFace();
}

// A new key test or calibration starts from released keys, not from the
// depths the last one ended with.
void PerformancePageWgt::clearLiveValues()
{
    for (int layer = 0; layer < 4; ++layer)
        if (KeyboardBaseWgt *view = keyboards()->view(layer))
            for (KeyboardBtn *b : view->buttons())
                b->setLiveValues(0, 0);
}

void PerformancePageWgt::showDeepestKey(quint16 um, bool actuated)
{
    m_bar->setValue(shownMm(um), actuated);
}

void PerformancePageWgt::showCalibrationDepth(quint16 um)
{
    const double mm = shownMm(um);
    qCDebug(lcKeyboard) << "当前最大按下行程：" << mm;
    m_animation->setFrame(int(mm * 10));
    ++m_chartCounter;
    m_series->append(m_chartCounter, ChartReleased - mm * 10);
    if (m_series->count() > ChartPoints)
        m_series->remove(0);
    chartXAxis()->setRange(m_chartCounter - ChartPoints, m_chartCounter);
    m_chartView->update();
}

// One key selected on the view feeds the bar, with its marks; otherwise the
// deepest-pressed key of the view on screen does, and a later key as deep
// as the deepest so far takes its place. Every key shows its own depth as
// well.
void PerformancePageWgt::routeKeyTestData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags)
{
    KeyboardBaseWgt *view = keyboards()->currentView();
    if (!isCurrent() || !view || subPage() != SubPageTravel || !m_testRunning)
        return;
    view->showLiveValues(travel, flags);
    m_lastTravel = travel;
    m_pressSet.addRound(travel);
    feedLiveChecks(travel, flags);
    const QList<KeyboardBtn *> selected = keyboards()->checkedKeys();
    const KeyboardBtn *shown = selected.size() == 1 && KeyboardBaseWgt::validPosition(selected.first())
                                   ? selected.first()
                                   : nullptr;
    quint16 deepest = 0;
    bool actuated = false;
    if (shown) {
        quint8 state = 0;
        cellOf(travel, shown->matrixRow(), shown->matrixColumn(), &deepest);
        cellOf(flags, shown->matrixRow(), shown->matrixColumn(), &state);
        actuated = isActuated(state);
        const KeyTravelState k = travelState(shown);
        m_bar->setShownKey(shown->legend(), {k.travel, k.rapid, k.press, k.release});
    } else {
        m_bar->setShownKey(QString());
        for (const KeyboardBtn *b : view->buttons()) {
            if (!KeyboardBaseWgt::validPosition(b))
                continue;
            quint16 value = 0;
            quint8 state = 0;
            if (!cellOf(travel, b->matrixRow(), b->matrixColumn(), &value) || value < deepest)
                continue;
            cellOf(flags, b->matrixRow(), b->matrixColumn(), &state);
            deepest = value;
            actuated = isActuated(state);
        }
    }
    showDeepestKey(deepest, actuated);
}

void PerformancePageWgt::routeCalibrationData(const QList<QList<quint16>> &table6,
                                              const QList<QList<quint16>> &table2)
{
    KeyboardBaseWgt *view = keyboards()->currentView();
    if (!isCurrent() || !view || subPage() != SubPageCalibration || !m_calibrating)
        return;
    for (KeyboardBtn *b : view->buttons())
        b->setKeyColour(KeyboardBtn::NeutralColour);
    view->showLiveValues(table6, table2);
    quint16 deepest = 0;
    for (const KeyboardBtn *b : view->buttons()) {
        quint16 value = 0;
        if (KeyboardBaseWgt::validPosition(b) && cellOf(table2, b->matrixRow(), b->matrixColumn(), &value))
            deepest = qMax(deepest, value);
    }
    showCalibrationDepth(deepest);
}

void PerformancePageWgt::updateKeyFace()
{
    if (!isCurrent() || !isActive())
        return;
    KeyFace face = KeyFace::Legend;
    switch (subPage()) {
    case SubPageTravel:
        face = m_testRunning ? KeyFace::KeyTest : KeyFace::Travel;
        break;
    case SubPageAdvanced:
        face = KeyFace::Travel;
        break;
    case SubPageCalibration:
        face = m_calibrating ? KeyFace::Calibration : KeyFace::Legend;
        break;
    }
    keyboards()->setFace(face);
}

bool PerformancePageWgt::isSettingByPress() const
{
    return m_pressSetTimer && m_pressSetTimer->isActive();
}

void PerformancePageWgt::refreshPressSetButton()
{
    if (!m_pressSetBtn)
        return;
    m_pressSetBtn->setEnabled(isSettingByPress() || (m_testRunning && !keyboards()->checkedKeys().isEmpty()));
}

void PerformancePageWgt::showPressSetText()
{
    if (!isSettingByPress()) {
        m_pressSetBtn->setText(tr("按压设定触发点"));
        return;
    }
    const int seconds = qMax(1, (m_pressSetTimer->remainingTime() + 999) / 1000);
    m_pressSetBtn->setText(tr("按压按键… %1 秒").arg(seconds));
}

// The keys selected now are watched; one already held counts with the
// depth it has.
void PerformancePageWgt::onPressSetButton(bool checked)
{
    if (!checked) {
        cancelPressSet();
        return;
    }
    QList<TravelByPress::Key> keys;
    for (const KeyboardBtn *b : keyboards()->checkedKeys())
        if (KeyboardBaseWgt::validPosition(b))
            keys.append({b->firstType(), b->matrixRow(), b->matrixColumn()});
    if (!m_testRunning || !m_pressSet.start(keys, m_lastTravel)) {
        m_pressSet.cancel();
        m_pressSetBtn->setChecked(false);
        return;
    }
    m_pressSetTimer->start(m_pressSetMs);
    m_pressSetTick->start();
    showPressSetText();
}

// Each pressed key's deepest travel becomes its actuation travel, in one
// edit of those keys; a key not pressed keeps its travel.
void PerformancePageWgt::finishPressSet()
{
    const TravelByPress::Result result = m_pressSet.finish(m_scale);
    QMap<KeyboardBtn *, double> travel;
    QStringList unpressed;
    for (KeyboardBtn *b : keyboards()->keys()) {
        if (result.travelUm.contains(b->firstType()))
            travel.insert(b, result.travelUm.value(b->firstType()) / 1000.0);
        else if (result.unpressed.contains(b->firstType()))
            unpressed << b->legend();
    }
    endPressSet();
    if (!travel.isEmpty())
        setKeysTravel(travel);
    SignalObject *hub = SignalObject::instance();
    if (travel.isEmpty())
        emit hub->sigShowToastTip(ToastType::Info, ToastPosition::Center, tr("没有按下选中的按键，触发行程未改变"),
                                  3000);
    else if (!unpressed.isEmpty())
        emit hub->sigShowToastTip(ToastType::Info, ToastPosition::Center,
                                  tr("未按下，行程未改变：%1").arg(unpressed.join(tr("、"))), 3000);
    else
        emit hub->sigShowToastTip(ToastType::Success, ToastPosition::Center, tr("已按按压深度设置触发行程"), 2000);
    emit pressSetFinished(true);
}

void PerformancePageWgt::cancelPressSet()
{
    if (!isSettingByPress())
        return;
    endPressSet();
    emit pressSetFinished(false);
}

void PerformancePageWgt::endPressSet()
{
    m_pressSetTimer->stop();
    m_pressSetTick->stop();
    m_pressSet.cancel();
    m_pressSetBtn->setChecked(false);
    showPressSetText();
    refreshPressSetButton();
}

void PerformancePageWgt::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isSettingByPress()) {
        cancelPressSet();
        event->accept();
        return;
    }
    ConfigPageWgt::keyPressEvent(event);
}
