#pragma once

#include "ConfigPageWgt.h"
#include "KeyTravelEdit.h"
#include "ProfileData.h"
#include "RestDrift.h"
#include "TravelByPress.h"
#include "TravelScale.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QVariant>

class CalibrationAnimation;
class KeyQuickTouchWindow;
class KeyTouchDisSetWindow;
class KeyboardBtn;
class PressProgressBar;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTimer;
class SwitchControl;
class TravelScopeWindow;
struct ScopeKey;
struct STU_BoardFromDB;

namespace QtCharts {
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts

// The performance page: actuation travel, rapid trigger, dead zones, the
// super response mode, calibration and the key test.
//
// Travel is handled in three forms: the position of a slider, the
// millimetres of its edit box and the micrometres sent to the keyboard and
// stored in the profile; TravelScale converts between them on the
// keyboard's own scale once it has reported it. The page also owns the
// travel and rapid-trigger edits of the keys selected on the keyboard view
// (the arithmetic is KeyTravelEdit's) and hands the live key-test and
// calibration data to the view on screen.
class PerformancePageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    // How long the chart looks back, in updates.
    static constexpr int ChartPoints = 200;

    explicit PerformancePageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;
    void showConfig(const KeyboardConfig &config, bool fromKeyboard) override;
    void resetToFirstState() override;
    void retranslate() override;

    const TravelScale &scale() const { return m_scale; }
    int subPage() const;
    bool isKeyTestRunning() const { return m_testRunning; }
    bool isCalibrating() const { return m_calibrating; }
    // Selected keys with rapid trigger on (Q) and off (P).
    int rapidSelected() const { return m_rapidSelected; }
    int plainSelected() const { return m_plainSelected; }
    QtCharts::QLineSeries *chartSeries() const { return m_series; }
    QtCharts::QValueAxis *chartXAxis() const;
    // How long "按压设定触发点" watches the selected keys.
    static constexpr int PressSetMs = 3000;
    void setPressSetDuration(int ms) { m_pressSetMs = ms; }
    bool isSettingByPress() const;
    // The travel scope ("行程曲线"), once opened; and the keys whose
    // reading drifts at rest, as the key test found them.
    TravelScopeWindow *scope() const { return m_scope; }
    QList<RestDrift::Finding> driftFindings() const { return m_drift.findings(); }

    // What the page's controls do to the keys on the keyboard view; each
    // does nothing while the page is inactive. The travel and rapid-trigger
    // changes go to the keyboard and into the profile.
    void setKeysSelectable(bool on);
    void checkAllKeys(bool on); // a key that is not selectable stays unchecked
    void checkWasdKeys();
    // The keys with rapid trigger on become selectable and checked.
    void checkRapidTriggerKeys();
    void setCheckedKeysTravel(double mm);
    void setCheckedKeysRapidTrigger(bool on);
    void setCheckedKeysRapidDistances(double pressMm, double releaseMm);
    // Back to the global travel, rapid trigger off.
    void resetCheckedKeysToGlobal();
    // The rapid-trigger window's choice: the checked keys get rapid trigger,
    // every other key loses it.
    void applyRapidTriggerToCheckedKeys();
    void showRapidTriggerBorders(bool on);

signals:
    // A setting by pressing ended: applied (possibly to no key) or cancelled.
    void pressSetFinished(bool applied);

protected:
    void buildWidgets(QVBoxLayout *layout) override;
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A slider with its edit box; travel rows count in travel positions,
    // dead-zone rows in dead-zone positions.
    struct Row {
        QLabel *title = nullptr;
        QSlider *slider = nullptr;
        QLineEdit *edit = nullptr;
        QLabel *unit = nullptr;
        bool deadZone = false;
    };

    // --- Building (PerformancePageLayout.cpp).
    QWidget *buildMenu();
    QWidget *buildTravelPage();
    QWidget *buildAdvancedPage();
    QWidget *buildCalibrationPage();
    Row makeRow(QWidget *parent, bool deadZone);
    void connectRows();
    void retranslateTexts();

    // --- The page's own controls (PerformanceTravel.cpp).
    void selectSubPage(int index);
    double rowMm(const Row &row) const;
    void showRowValue(const Row &row);
    // The keyboard's scale: slider ranges and defaults follow it.
    void onPrecision(const TravelScale &scale, int decimals);
    void showKeyboardDeadZones(const PerformanceSettings &settings);
    // Return in a box: the slider takes the typed value and the row's
    // release runs; a half-typed number is put back instead.
    void onRowReturn(Row &row);
    void onRowReleased(const Row &row);
    void applyGlobalTravel();
    void applySelectedTravel();
    void applyRapidDistances();
    void applyDeadZone(const Row &row, bool raiseToOptimised);
    void onRapidSwitch(bool on);
    void refreshRapidSwitch();
    void resetRapidRow(Row &row, int PerformanceSettings::*member);
    void onSelectionReset();
    void onSuperSwitch(bool on);
    void closeSuperResponse();
    void openTouchWindow();
    void openQuickWindow();
    void showOverlay(bool on);
    void closePopUp();
    void rebuildValidators();

    // --- Key test and calibration (PerformanceLive.cpp).
    void onTestButton(bool checked);
    void stopKeyTest();
    void onCalibrationButton(bool checked);
    void endCalibration();
    void showDeepestKey(quint16 um, bool actuated);
    void showCalibrationDepth(quint16 um);
    void routeKeyTestData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void routeCalibrationData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    void updateKeyFace();
    void clearLiveValues();
    // Setting the actuation travel by pressing the selected keys.
    void onPressSetButton(bool checked);
    void finishPressSet();
    void cancelPressSet();
    void endPressSet();
    void refreshPressSetButton();
    void showPressSetText();

    // --- The travel scope and the drift check (PerformanceScope.cpp).
    void openScope();
    void onScopeShown();
    void onScopeHidden();
    // The keys selected on the view (at most four) and every key, with the
    // settings their thresholds come from.
    QList<ScopeKey> scopeKeys(bool selectedOnly) const;
    void feedLiveChecks(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void startDriftCheck();
    void showDrift();
    void calibrateDriftingKeys();

    // --- The selected keys' travel on the view (PerformanceKeys.cpp).
    // The keyboard's global travel as the configuration holds it; the
    // default before a keyboard is read.
    double globalTravelMm() const;
    int globalTravelUm() const;
    // A key's travel state as the configuration holds it.
    KeyTravelState travelState(int keyType) const;
    KeyTravelState travelState(const KeyboardBtn *key) const;
    // The key shows its state from the configuration.
    void showKeyTravel(KeyboardBtn *key) const;
    // Sends the entries and stores the records in the current profile.
    void writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records);
    // Changes the state of every key (change(key, state)), then writes and
    // stores the record that entriesOf gives for its new state.
    using EntriesOf = int (*)(const KeyTravelState &, QList<KeyParam> *);
    template <typename Change>
    void editKeys(const QList<KeyboardBtn *> &keys, Change change, EntriesOf entriesOf);
    template <typename Change>
    void editCheckedKeys(Change change, EntriesOf entriesOf);
    // Each key gets its own travel, in one write and one profile update.
    void setKeysTravel(const QMap<KeyboardBtn *, double> &travelMm);
    // Keys without their own travel follow a new global travel.
    void onUpdateOtherKeyTouch();
    void showKeyboardTravel();

    TravelScale m_scale;
    int m_decimals = 2; // as the keyboard writes its millimetres
    int m_rapidSelected = 0; // Q
    int m_plainSelected = 0; // P
    bool m_testRunning = false;
    bool m_calibrating = false;
    int m_chartCounter = 500;
    int m_chartYMax = 50;

    QWidget *m_menu = nullptr;
    QButtonGroup *m_menuGroup = nullptr;
    QList<QPushButton *> m_menuButtons;
    QStackedWidget *m_stack = nullptr;

    // Travel sub-page.
    PressProgressBar *m_bar = nullptr;
    QPushButton *m_testBtn = nullptr;
    QPushButton *m_pressSetBtn = nullptr;
    QTimer *m_pressSetTimer = nullptr;  // the end of the watch
    QTimer *m_pressSetTick = nullptr;   // the countdown on the button
    int m_pressSetMs = PressSetMs;
    TravelByPress m_pressSet; // the rule; the timers above are its watch
    QPushButton *m_scopeBtn = nullptr;
    TravelScopeWindow *m_scope = nullptr;
    bool m_scopeStartedTest = false; // the scope's showing started the key test
    RestDrift m_drift;
    QElapsedTimer m_liveClock; // since the key test started
    QLabel *m_driftTitle = nullptr;
    QListWidget *m_driftList = nullptr;
    QPushButton *m_driftCalibrateBtn = nullptr;
    QList<QList<quint16>> m_lastTravel; // the key test's newest round
    Row m_global, m_selected, m_press, m_release;
    QPushButton *m_touchWindowBtn = nullptr;
    QLabel *m_rapidTitle = nullptr;
    QLabel *m_rapidText = nullptr;
    SwitchControl *m_rapidSwitch = nullptr;
    QWidget *m_rapidOptions = nullptr;
    QLabel *m_sensitivityTitle = nullptr;
    QLabel *m_sensitivityText = nullptr;
    QPushButton *m_pressReset = nullptr;
    QPushButton *m_releaseReset = nullptr;
    QList<QLabel *> m_lowLabels, m_highLabels;
    QPushButton *m_quickWindowBtn = nullptr;
    QPushButton *m_wasdBtn = nullptr;
    QPushButton *m_allBtn = nullptr;
    QPushButton *m_noneBtn = nullptr;
    QPushButton *m_resetBtn = nullptr;

    // Advanced sub-page.
    QLabel *m_superTitle = nullptr;
    SwitchControl *m_superSwitch = nullptr;
    QLabel *m_superText = nullptr;
    QLabel *m_deadTitle = nullptr;
    QLabel *m_pressOptTitle = nullptr;
    SwitchControl *m_pressOpt = nullptr;
    QLabel *m_releaseOptTitle = nullptr;
    SwitchControl *m_releaseOpt = nullptr;
    QLabel *m_deadText = nullptr;
    Row m_deadPress, m_deadRelease;

    // Calibration sub-page.
    QLabel *m_calibrationText = nullptr;
    CalibrationAnimation *m_animation = nullptr;
    QPushButton *m_calibrationBtn = nullptr;
    QtCharts::QChart *m_chart = nullptr;
    QtCharts::QChartView *m_chartView = nullptr;
    QtCharts::QLineSeries *m_series = nullptr;

    QFrame *m_overlay = nullptr;
    KeyTouchDisSetWindow *m_touchWindow = nullptr;
    KeyQuickTouchWindow *m_quickWindow = nullptr;
};
