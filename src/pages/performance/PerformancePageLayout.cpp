// The performance page's widgets: the menu, the three sub-pages, the
// overlay and the two pop-ups, and every text they show.

#include "PerformancePageWgt.h"

#include "CalibrationAnimation.h"
#include "CustomDoubleValidator.h"
#include "KeyQuickTouchWindow.h"
#include "KeyTouchDisSetWindow.h"
#include "PressProgressBar.h"
#include "SwitchControl.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

const char *const DarkButtonStyle =
    "QPushButton{color:white;font-size:16px;background:rgb(68, 74, 86);border:none;border-radius:6px;"
    "padding:0 14px;}"
    "QPushButton:hover{background:rgb(40, 44, 55);}"
    "QPushButton:checked{background:rgb(254, 187, 36);color:rgb(40, 44, 55);}"
    "QPushButton:disabled{background:rgb(196, 199, 204);color:rgb(242, 242, 245);}";
const char *const PlainButtonStyle =
    "QPushButton{background:white;border:1px solid rgb(208, 209, 212);border-radius:4px;padding:0 8px;}"
    "QPushButton:hover{border-color:rgb(68, 74, 86);}";
const char *const TitleStyle = "font-size:15px;font-weight:bold;color:rgb(40, 44, 55);";
const char *const NoteStyle = "color:#808080;";

QLabel *label(QWidget *parent, const char *style = nullptr)
{
    auto *l = new QLabel(parent);
    if (style)
        l->setStyleSheet(QLatin1String(style));
    return l;
}

QPushButton *button(QWidget *parent, const char *style, int width, int height)
{
    auto *b = new QPushButton(parent);
    b->setStyleSheet(QLatin1String(style));
    if (width > 0)
        b->setFixedWidth(width);
    b->setFixedHeight(height);
    return b;
}

// A row with the slider stretched between its end marks, then the box.
QHBoxLayout *rowLayout(QSlider *slider, QLineEdit *edit, QLabel *unit, QLabel *low = nullptr,
                       QLabel *high = nullptr)
{
    auto *h = new QHBoxLayout;
    h->setSpacing(6);
    if (low)
        h->addWidget(low);
    h->addWidget(slider, 1);
    if (high)
        h->addWidget(high);
    h->addSpacing(4);
    h->addWidget(edit);
    h->addWidget(unit);
    return h;
}

} // namespace

PerformancePageWgt::Row PerformancePageWgt::makeRow(QWidget *parent, bool deadZone)
{
    Row r;
    r.deadZone = deadZone;
    r.title = label(parent);
    r.slider = new QSlider(Qt::Horizontal, parent);
    r.slider->setMinimumWidth(120);
    r.slider->setFixedHeight(30);
    r.slider->setSingleStep(1);
    r.slider->setPageStep(10);
    r.slider->installEventFilter(this);
    r.edit = new QLineEdit(parent);
    r.edit->setFixedWidth(deadZone ? 50 : 56);
    r.edit->setAlignment(Qt::AlignCenter);
    r.edit->installEventFilter(this);
    r.unit = label(parent);
    r.unit->setText(QStringLiteral("mm"));
    return r;
}

void PerformancePageWgt::buildWidgets(QVBoxLayout *layout)
{
    layout->setContentsMargins(10, 0, 10, 4);
    layout->setSpacing(0);
    layout->addSpacing(8);
    layout->addWidget(buildMenu());
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(buildTravelPage());
    m_stack->addWidget(buildAdvancedPage());
    m_stack->addWidget(buildCalibrationPage());
    layout->addWidget(m_stack);

    m_overlay = new QFrame(this);
    m_overlay->setObjectName(QStringLiteral("PerformanceOverlay"));
    m_overlay->setStyleSheet(QStringLiteral("QFrame{background:#5F000000;}"));
    m_overlay->hide();
    // Children of the page, drawn on it: the keyboard view above stays
    // usable for picking keys while they are open.
    m_touchWindow = new KeyTouchDisSetWindow(this);
    m_touchWindow->setWindowFlags(Qt::Widget);
    m_touchWindow->hide();
    m_quickWindow = new KeyQuickTouchWindow(this);
    m_quickWindow->setWindowFlags(Qt::Widget);
    m_quickWindow->hide();

    connectRows();
}

QWidget *PerformancePageWgt::buildMenu()
{
    m_menu = new QWidget(this);
    m_menu->setObjectName(QStringLiteral("PerformancePageMenu"));
    m_menu->setStyleSheet(QStringLiteral(
        "QPushButton#PerformancePageMenuBtn{background:transparent;border:none;border-bottom:2px solid transparent;"
        "font-size:14px;padding:4px 12px;color:#606266;}"
        "QPushButton#PerformancePageMenuBtn:checked{color:rgb(40, 44, 55);font-weight:bold;"
        "border-bottom-color:rgb(254, 187, 36);}"));
    auto *h = new QHBoxLayout(m_menu);
    h->setContentsMargins(0, 0, 0, 4);
    m_menuGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto *b = new QPushButton(m_menu);
        b->setObjectName(QStringLiteral("PerformancePageMenuBtn"));
        b->setCheckable(true);
        b->setCursor(Qt::PointingHandCursor);
        m_menuGroup->addButton(b, i);
        m_menuButtons << b;
        h->addWidget(b);
    }
    m_menuButtons.first()->setChecked(true);
    h->addStretch();
    return m_menu;
}

QWidget *PerformancePageWgt::buildTravelPage()
{
    auto *page = new QWidget;
    auto *h = new QHBoxLayout(page);
    h->setContentsMargins(0, 6, 0, 0);
    h->setSpacing(18);

    // The key test: the bar with its button at its foot.
    m_bar = new PressProgressBar(page);
    m_testBtn = button(page, DarkButtonStyle, 160, 40);
    m_testBtn->setObjectName(QStringLiteral("KeyTestBtn"));
    m_testBtn->setCheckable(true);
    // Setting by pressing works on the test's stream, so it sits with it.
    m_pressSetBtn = button(page, DarkButtonStyle, 160, 40);
    m_pressSetBtn->setObjectName(QStringLiteral("PressSetBtn"));
    m_pressSetBtn->setCheckable(true);
    m_pressSetBtn->setEnabled(false);
    m_pressSetTimer = new QTimer(this);
    m_pressSetTimer->setSingleShot(true);
    m_pressSetTimer->setTimerType(Qt::PreciseTimer); // the countdown reads it
    m_pressSetTick = new QTimer(this);
    m_pressSetTick->setInterval(1000);
    // The scope follows the test's stream too.
    m_scopeBtn = button(page, DarkButtonStyle, 160, 40);
    m_scopeBtn->setObjectName(QStringLiteral("ScopeBtn"));
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch();
    buttons->addWidget(m_scopeBtn);
    buttons->addWidget(m_pressSetBtn);
    buttons->addWidget(m_testBtn);
    auto *test = new QHBoxLayout;
    test->setSpacing(8);
    test->addWidget(m_bar);
    test->addLayout(buttons);
    // Keys that drift at rest, found while the test runs; shown when there are.
    m_driftTitle = label(page, NoteStyle);
    m_driftTitle->setWordWrap(true);
    m_driftList = new QListWidget(page);
    m_driftList->setObjectName(QStringLiteral("DriftList"));
    m_driftList->setFixedSize(308, 72);
    m_driftList->setWordWrap(true);
    m_driftList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_driftCalibrateBtn = button(page, DarkButtonStyle, 160, 32);
    m_driftCalibrateBtn->setObjectName(QStringLiteral("DriftCalibrateBtn"));
    for (QWidget *w : std::initializer_list<QWidget *>{m_driftTitle, m_driftList, m_driftCalibrateBtn})
        w->hide();
    auto *testColumn = new QVBoxLayout;
    testColumn->setSpacing(6);
    testColumn->addLayout(test);
    testColumn->addWidget(m_driftTitle);
    testColumn->addWidget(m_driftList);
    testColumn->addWidget(m_driftCalibrateBtn);
    testColumn->addStretch();
    h->addLayout(testColumn);

    // Global and selected-key travel, and the selection buttons.
    auto *travel = new QVBoxLayout;
    travel->setSpacing(6);
    m_global = makeRow(page, false);
    m_global.title->setObjectName(QStringLiteral("titleLabel2"));
    m_global.title->setStyleSheet(QLatin1String(TitleStyle));
    m_global.slider->setRange(1, 80);
    m_global.slider->setValue(30);
    m_global.edit->setText(travelText(DefaultGlobalTravelMm, m_decimals));
    travel->addWidget(m_global.title);
    travel->addLayout(rowLayout(m_global.slider, m_global.edit, m_global.unit));
    m_selected = makeRow(page, false);
    m_selected.title->setStyleSheet(QLatin1String(TitleStyle));
    m_selected.slider->setRange(1, 80);
    m_selected.slider->setValue(29);
    m_selected.edit->setText(travelText(m_scale.mmAt(29), m_decimals));
    travel->addSpacing(6);
    travel->addWidget(m_selected.title);
    travel->addLayout(rowLayout(m_selected.slider, m_selected.edit, m_selected.unit));
    m_touchWindowBtn = button(page, DarkButtonStyle, 0, 40);
    m_touchWindowBtn->setMinimumWidth(160);
    m_touchWindowBtn->setObjectName(QStringLiteral("TouchDisSetBtn"));
    travel->addWidget(m_touchWindowBtn, 0, Qt::AlignLeft);
    travel->addStretch();
    auto *select = new QWidget(page);
    select->setObjectName(QStringLiteral("SelectAllBtn"));
    auto *sh = new QHBoxLayout(select);
    sh->setContentsMargins(0, 0, 0, 0);
    sh->setSpacing(8);
    for (QPushButton **b : {&m_wasdBtn, &m_allBtn, &m_noneBtn, &m_resetBtn}) {
        *b = button(select, PlainButtonStyle, 0, 30);
        sh->addWidget(*b);
    }
    sh->addStretch();
    travel->addWidget(select);
    h->addLayout(travel, 4);

    // Rapid trigger.
    auto *quick = new QWidget(page);
    quick->setObjectName(QStringLiteral("quickTouchWgt"));
    auto *q = new QVBoxLayout(quick);
    q->setContentsMargins(0, 0, 0, 0);
    q->setSpacing(6);
    m_rapidTitle = label(quick, TitleStyle);
    m_rapidSwitch = new SwitchControl(quick);
    m_rapidSwitch->setFixedSize(56, 30);
    auto *qt = new QHBoxLayout;
    qt->addWidget(m_rapidTitle);
    qt->addStretch();
    qt->addWidget(m_rapidSwitch);
    q->addLayout(qt);
    m_rapidText = label(quick, NoteStyle);
    m_rapidText->setWordWrap(true);
    q->addWidget(m_rapidText);

    m_rapidOptions = new QWidget(quick);
    m_rapidOptions->setObjectName(QStringLiteral("optWgt"));
    auto *o = new QVBoxLayout(m_rapidOptions);
    o->setContentsMargins(0, 0, 0, 0);
    o->setSpacing(4);
    m_sensitivityTitle = label(m_rapidOptions, TitleStyle);
    m_sensitivityText = label(m_rapidOptions, NoteStyle);
    m_sensitivityText->setWordWrap(true);
    o->addWidget(m_sensitivityTitle);
    o->addWidget(m_sensitivityText);
    m_press = makeRow(m_rapidOptions, false);
    m_press.slider->setFixedHeight(25);
    m_press.slider->setRange(1, 80);
    m_press.slider->setValue(6);
    m_press.edit->setText(travelText(RapidTriggerDefaultMm, m_decimals));
    m_release = makeRow(m_rapidOptions, false);
    m_release.slider->setFixedHeight(25);
    m_release.slider->setRange(1, 46);
    m_release.slider->setValue(5);
    m_release.edit->setText(travelText(RapidTriggerDefaultMm, m_decimals));
    m_pressReset = button(m_rapidOptions, PlainButtonStyle, 50, 30);
    m_releaseReset = button(m_rapidOptions, PlainButtonStyle, 50, 30);
    auto *grid = new QVBoxLayout;
    grid->setSpacing(2);
    for (Row *r : {&m_press, &m_release}) {
        QLabel *low = label(m_rapidOptions, NoteStyle);
        QLabel *high = label(m_rapidOptions, NoteStyle);
        m_lowLabels << low;
        m_highLabels << high;
        QHBoxLayout *row = rowLayout(r->slider, r->edit, r->unit, low, high);
        row->insertWidget(0, r->title);
        row->addWidget(r == &m_press ? m_pressReset : m_releaseReset);
        grid->addLayout(row);
    }
    o->addLayout(grid);
    m_quickWindowBtn = button(m_rapidOptions, DarkButtonStyle, 0, 36);
    m_quickWindowBtn->setMinimumWidth(160);
    m_quickWindowBtn->setObjectName(QStringLiteral("QuickTouchSetBtn"));
    o->addWidget(m_quickWindowBtn, 0, Qt::AlignLeft);
    m_rapidOptions->hide();
    q->addWidget(m_rapidOptions);
    q->addStretch();
    h->addWidget(quick, 5);
    return page;
}

QWidget *PerformancePageWgt::buildAdvancedPage()
{
    auto *page = new QWidget;
    auto *h = new QHBoxLayout(page);
    h->setContentsMargins(0, 6, 0, 0);
    h->setSpacing(30);

    auto *super = new QVBoxLayout;
    super->setSpacing(8);
    m_superTitle = label(page, TitleStyle);
    m_superSwitch = new SwitchControl(page);
    m_superSwitch->setFixedSize(56, 30);
    auto *st = new QHBoxLayout;
    st->addWidget(m_superTitle);
    st->addStretch();
    st->addWidget(m_superSwitch);
    super->addLayout(st);
    m_superText = label(page, NoteStyle);
    m_superText->setWordWrap(true);
    m_superText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    super->addWidget(m_superText);
    super->addStretch();
    h->addLayout(super, 4);

    auto *dead = new QVBoxLayout;
    dead->setSpacing(8);
    m_deadTitle = label(page, TitleStyle);
    m_pressOptTitle = label(page);
    m_pressOpt = new SwitchControl(page);
    m_pressOpt->setFixedSize(56, 30);
    m_releaseOptTitle = label(page);
    m_releaseOpt = new SwitchControl(page);
    m_releaseOpt->setFixedSize(56, 30);
    auto *dt = new QHBoxLayout;
    dt->addWidget(m_deadTitle);
    dt->addStretch();
    dt->addWidget(m_pressOptTitle);
    dt->addWidget(m_pressOpt);
    dt->addSpacing(12);
    dt->addWidget(m_releaseOptTitle);
    dt->addWidget(m_releaseOpt);
    dead->addLayout(dt);
    m_deadText = label(page, NoteStyle);
    m_deadText->setWordWrap(true);
    m_deadText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dead->addWidget(m_deadText);
    for (Row *r : {&m_deadPress, &m_deadRelease}) {
        *r = makeRow(page, true);
        r->slider->setRange(1, 20);
        r->slider->setValue(4);
        r->edit->setText(QStringLiteral("0.20"));
        r->title->setMinimumWidth(110);
        QHBoxLayout *row = rowLayout(r->slider, r->edit, r->unit);
        row->insertWidget(0, r->title);
        dead->addLayout(row);
    }
    dead->addStretch();
    h->addLayout(dead, 5);
    return page;
}

QWidget *PerformancePageWgt::buildCalibrationPage()
{
    auto *page = new QWidget;
    auto *h = new QHBoxLayout(page);
    h->setContentsMargins(0, 6, 0, 0);
    h->setSpacing(18);

    auto *left = new QVBoxLayout;
    m_calibrationText = new QLabel(page);
    m_calibrationText->setWordWrap(true);
    m_calibrationText->setFixedWidth(300);
    m_calibrationText->setStyleSheet(QStringLiteral("QLabel{font-size:16px;color:#808080;border:1px solid rgb(160, "
                                                    "170, 184);border-radius:4px;padding:10px;}"));
    m_calibrationBtn = button(page, DarkButtonStyle, 300, 40);
    m_calibrationBtn->setObjectName(QStringLiteral("AdjustingBtn"));
    m_calibrationBtn->setMinimumHeight(40);
    m_calibrationBtn->setCheckable(true);
    left->addWidget(m_calibrationText);
    left->addStretch();
    left->addWidget(m_calibrationBtn);
    h->addLayout(left);

    m_animation = new CalibrationAnimation(page);
    h->addWidget(m_animation, 0, Qt::AlignTop);

    m_series = new QLineSeries;
    m_series->setName(QStringLiteral("spline"));
    m_series->setPen(QPen(QColor(32, 159, 223), 2));
    m_chart = new QChart;
    m_chart->addSeries(m_series);
    m_chart->legend()->hide();
    m_chart->createDefaultAxes();
    for (QAbstractAxis *axis : m_chart->axes()) {
        axis->setLabelsVisible(false);
        axis->setLineVisible(false);
    }
    m_chart->axes(Qt::Vertical).first()->setRange(0, m_chartYMax);
    m_chart->axes(Qt::Horizontal).first()->setRange(m_chartCounter - ChartPoints, m_chartCounter);
    QFont titleFont(QStringLiteral("HarmonyOS Sans SC Light"));
    titleFont.setPointSize(10);
    m_chart->setTitleFont(titleFont);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chartView = new QChartView(m_chart, page);
    m_chartView->setObjectName(QStringLiteral("CalibrationChart"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setStyleSheet(QStringLiteral("border-radius:8px;border:1px solid rgb(226, 228, 231);"));
    m_chartView->setMinimumSize(320, 200);
    auto *shadow = new QGraphicsDropShadowEffect(m_chartView);
    shadow->setColor(Qt::gray);
    shadow->setBlurRadius(3);
    shadow->setOffset(0, 0);
    m_chartView->setGraphicsEffect(shadow);
    h->addWidget(m_chartView, 1);
    return page;
}

QValueAxis *PerformancePageWgt::chartXAxis() const
{
    return qobject_cast<QValueAxis *>(m_chart->axes(Qt::Horizontal).value(0));
}

void PerformancePageWgt::rebuildValidators()
{
    const int decimals = m_decimals;
    for (Row *r : {&m_global, &m_selected, &m_press, &m_release, &m_deadPress, &m_deadRelease}) {
        auto *v = new CustomDoubleValidator(0.001, r->deadZone ? 1.0 : 4.0, decimals, r->edit);
        v->setNotation(QDoubleValidator::StandardNotation);
        const QValidator *old = r->edit->validator();
        r->edit->setValidator(v);
        delete old;
    }
}

void PerformancePageWgt::showOverlay(bool on)
{
    if (!on) {
        m_overlay->hide();
        return;
    }
    m_overlay->setGeometry(0, 0, width(), height());
    m_overlay->raise();
    m_overlay->show();
}

void PerformancePageWgt::retranslate()
{
    ConfigPageWgt::retranslate();
    if (m_stack)
        retranslateTexts();
}

void PerformancePageWgt::retranslateTexts()
{
    const QStringList menu{tr("行程设置"), tr("高级设置"), tr("键盘校准")};
    for (int i = 0; i < m_menuButtons.size(); ++i) {
        m_menuButtons.at(i)->setText(menu.value(i));
        m_menuButtons.at(i)->setAccessibleName(menu.value(i));
    }
    m_testBtn->setText(m_testRunning ? tr("停止测试") : tr("开始测试"));
    showPressSetText();
    m_scopeBtn->setText(tr("行程曲线"));
    m_scopeBtn->setToolTip(tr("按键行程随时间的曲线，可记录与回放"));
    m_driftTitle->setText(tr("以下按键在静止时读数异常："));
    m_driftList->setAccessibleName(m_driftTitle->text());
    m_driftCalibrateBtn->setText(tr("重新校准"));
    showDrift();

    m_global.title->setText(tr("设置全局触发行程"));
    m_selected.title->setText(tr("设置单键触发行程"));
    m_touchWindowBtn->setText(tr("设置单键触发行程"));
    m_rapidTitle->setText(tr("快速触发(选中键位生效)"));
    m_rapidText->setText(tr("快速触发将根据您按下或释放按键的意图动态地调整您的触发行程和重置行程."));
    m_sensitivityTitle->setText(tr("灵敏度"));
    m_sensitivityText->setText(tr("灵敏度决定了您松开按键重置和再次按下按键触发所需的行程."));
    m_press.title->setText(tr("按下按键的触发行程"));
    m_release.title->setText(tr("松开按键的重置行程"));
    for (QPushButton *b : {m_pressReset, m_releaseReset})
        b->setText(tr("重置"));
    for (QLabel *l : qAsConst(m_lowLabels))
        l->setText(tr("低"));
    for (QLabel *l : qAsConst(m_highLabels))
        l->setText(tr("高"));
    m_quickWindowBtn->setText(tr("设置单键快速触发"));
    m_wasdBtn->setText(tr("W A S D"));
    m_allBtn->setText(tr("全选"));
    m_noneBtn->setText(tr("取消全选"));
    m_resetBtn->setText(tr("重置"));

    m_superTitle->setText(tr("超级响应模式"));
    m_superText->setText(tr("超级响应模式会尽可能提升键盘的响应速度，为您带来极致的输入体验。但开启超级响应模式后，"
                            "触发精度会略微下降。"));
    m_deadTitle->setText(tr("死区设置"));
    m_pressOptTitle->setText(tr("触发优化"));
    m_releaseOptTitle->setText(tr("触底优化"));
    m_deadText->setText(tr("部分轴体的总行程会有±0.2mm的公差，设置0死区可能会存在误触发或断触现象。开启触发/"
                           "触底优化后，会限制死区>=0.2mm，避免误触和底部断触。"));
    m_deadPress.title->setText(tr("按下（触发）"));
    m_deadRelease.title->setText(tr("抬起（重置）"));

    m_calibrationText->setText(tr("校准时请完全按下按键并保持1到2秒，同时上下左右轻微晃动按键。注意：快速的按下并抬起按键"
                                  "会导致校准结果不准确。"));
    m_calibrationBtn->setText(m_calibrationBtn->isChecked() ? tr("保存校准") : tr("开始校准"));
    m_chart->setTitle(tr("实时行程"));
    m_chartView->setAccessibleName(tr("实时行程"));

    // Controls without text of their own are named by the label beside them.
    m_rapidSwitch->setAccessibleName(m_rapidTitle->text());
    m_superSwitch->setAccessibleName(m_superTitle->text());
    m_pressOpt->setAccessibleName(m_pressOptTitle->text());
    m_releaseOpt->setAccessibleName(m_releaseOptTitle->text());
    for (Row *r : {&m_global, &m_selected, &m_press, &m_release, &m_deadPress, &m_deadRelease}) {
        r->slider->setAccessibleName(r->title->text());
        r->edit->setAccessibleName(r->title->text());
    }
    // Two buttons read "重置"; what each resets is said beside the name.
    m_pressReset->setAccessibleDescription(m_press.title->text());
    m_releaseReset->setAccessibleDescription(m_release.title->text());
}
