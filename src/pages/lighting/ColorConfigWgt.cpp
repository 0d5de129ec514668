#include "ColorConfigWgt.h"

#include "ColorChooseWgt.h"
#include "KeyPaintStroke.h"
#include "KeyboardController.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "LanguageManager.h"
#include "LightingIcons.h"
#include "LightingLog.h"
#include "ModalGuard.h"
#include "ProfileData.h"
#include "ProfileManager.h"
#include "SignalObject.h"
#include "SwitchControl.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const kStyle = R"(
QFrame#EffectPanel {
    border: 1px solid rgb(160, 170, 184);
    border-radius: 8px;
    background: #ffffff;
}
QWidget#EffectBackWgt {
    border-left: 1px solid rgb(160, 170, 184);
}
QLabel#effectTitle { font-weight: bold; }
QToolButton#RGBSetBtn2 {
    border: 1px solid rgb(220, 223, 230);
    border-radius: 6px;
    background: #ffffff;
    font-size: 11px;
    padding: 2px;
}
QToolButton#RGBSetBtn2:hover { border-color: rgb(254, 187, 36); }
QToolButton#RGBSetBtn2:checked {
    border: 2px solid rgb(254, 187, 36);
    background: #fff3d6;
}
QLabel#speedMark { color: #909399; font-size: 12px; }
)";

constexpr int EffectColumns = 5;
constexpr int SliderWidth = 150;

QSlider *levelSlider(QWidget *parent)
{
    auto *s = new QSlider(Qt::Horizontal, parent);
    s->setRange(0, Lighting::MaxLevel);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    s->setValue(Lighting::MaxLevel);
    s->setFixedWidth(SliderWidth);
    return s;
}

QLabel *rowLabel(QWidget *parent)
{
    return new QLabel(parent);
}

} // namespace

ColorConfigWgt::ColorConfigWgt(QWidget *parent) : ConfigPageWgt(PageLighting, parent)
{
    setObjectName(QStringLiteral("ColorConfigWgt"));
    m_ask = [this](const QString &title, const QString &text) {
        return ModalGuard::ask(this, title, text);
    };
    m_strokeWatch = new KeyPaintStroke(this);
}

ColorConfigWgt::~ColorConfigWgt() = default;

QString ColorConfigWgt::title() const
{
    return tr("灯光设置");
}

void ColorConfigWgt::setPresetStore(const LightingPresetStore &store)
{
    m_store = store;
    if (m_chooser)
        m_chooser->setPresetStore(store);
}

// ---------------------------------------------------------------------------
// Building

void ColorConfigWgt::buildWidgets(QVBoxLayout *layout)
{
    setStyleSheet(QString::fromLatin1(kStyle));
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(buildEffectPanel(), 0, Qt::AlignTop);

    auto *back = new QWidget(this);
    back->setObjectName(QStringLiteral("EffectBackWgt"));
    back->setAttribute(Qt::WA_StyledBackground);
    auto *backLayout = new QHBoxLayout(back);
    backLayout->setContentsMargins(12, 2, 0, 2);
    backLayout->setSpacing(10);
    backLayout->addWidget(buildControls(), 0, Qt::AlignTop);
    m_chooser = new ColorChooseWgt(back);
    m_chooser->setPresetStore(m_store);
    backLayout->addWidget(m_chooser, 0, Qt::AlignTop);
    backLayout->addStretch();
    row->addSpacing(10);
    row->addWidget(back, 1);
    layout->addLayout(row);

    // The page's own widgets talk to the page for its whole life; what it
    // hears from the rest of the program is wired in setupConnections().
    connect(m_effects, &QButtonGroup::idClicked, this, &ColorConfigWgt::onEffectClicked);
    connect(m_brightnessSlider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_brightnessSlider->isSliderDown())
            onBrightness(v);
    });
    connect(m_brightnessSlider, &QSlider::sliderReleased, this,
            [this] { onBrightness(m_brightnessSlider->value()); });
    connect(m_speedSlider, &QSlider::valueChanged, this, [this](int v) {
        m_speedValue->setNum(v);
        if (!m_speedSlider->isSliderDown())
            onSpeed(v);
    });
    connect(m_speedSlider, &QSlider::sliderReleased, this, [this] { onSpeed(m_speedSlider->value()); });
    connect(m_sleepBox, QOverload<int>::of(&QComboBox::activated), this, &ColorConfigWgt::updateSleepTime);
    connect(m_directionSwitch, &SwitchControl::toggled, this, &ColorConfigWgt::onDirection);
    connect(m_chooser, &ColorChooseWgt::presetClicked, this, &ColorConfigWgt::onPresetClicked);
    connect(m_chooser, &ColorChooseWgt::presetsReset, this, &ColorConfigWgt::onPresetsReset);
    connect(m_chooser, &ColorChooseWgt::fillAllClicked, this, &ColorConfigWgt::onFillAll);
    connect(m_chooser, &ColorChooseWgt::saveFailed, this, &ColorConfigWgt::onSaveFailed);
    connect(m_strokeWatch, &KeyPaintStroke::keyReached, this, &ColorConfigWgt::onStrokeKey);
    connect(m_strokeWatch, &KeyPaintStroke::dragFinished, this, &ColorConfigWgt::finishStroke);

    showMode(m_view);
}

QWidget *ColorConfigWgt::buildEffectPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("EffectPanel"));
    panel->setFixedWidth(300);
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(8, 6, 8, 8);
    v->setSpacing(6);
    m_effectTitle = new QLabel(panel);
    m_effectTitle->setObjectName(QStringLiteral("effectTitle"));
    v->addWidget(m_effectTitle);
    // Five to a row: three rows fit under the keyboard.
    auto *grid = new QGridLayout;
    grid->setSpacing(6);
    m_effects = new QButtonGroup(this);
    for (int mode = 0; mode <= Lighting::StaticMode; ++mode) {
        auto *b = new QToolButton(panel);
        b->setObjectName(QStringLiteral("RGBSetBtn2"));
        b->setCheckable(true);
        b->setFixedSize(52, 44);
        b->setIcon(lightingEffectIcon(mode));
        b->setIconSize(QSize(20, 20));
        b->setCursor(Qt::PointingHandCursor);
        m_effects->addButton(b, mode);
        // Per-key colours are chosen with the presets; the button only
        // shows that the keyboard runs them.
        if (mode == Lighting::StaticMode)
            b->hide();
        else
            grid->addWidget(b, mode / EffectColumns, mode % EffectColumns);
    }
    v->addLayout(grid);
    v->setAlignment(grid, Qt::AlignHCenter | Qt::AlignTop);
    v->addStretch();
    return panel;
}

QWidget *ColorConfigWgt::buildControls()
{
    auto *box = new QWidget(this);
    auto *v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(10);

    auto *brightnessRow = new QWidget(box);
    auto *h = new QHBoxLayout(brightnessRow);
    h->setContentsMargins(0, 0, 0, 0);
    m_brightnessLabel = rowLabel(brightnessRow);
    m_brightnessSlider = levelSlider(brightnessRow);
    h->addWidget(m_brightnessLabel);
    h->addWidget(m_brightnessSlider);
    h->addStretch();
    v->addWidget(brightnessRow);

    m_speedRow = new QWidget(box);
    auto *speedGrid = new QGridLayout(m_speedRow);
    speedGrid->setContentsMargins(0, 0, 0, 0);
    speedGrid->setVerticalSpacing(0);
    m_speedLabel = rowLabel(m_speedRow);
    m_speedSlider = levelSlider(m_speedRow);
    m_speedValue = new QLabel(QString::number(Lighting::MaxLevel), m_speedRow);
    m_speedValue->setFixedWidth(14);
    auto *marks = new QHBoxLayout;
    marks->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        m_speedMarks[i] = new QLabel(m_speedRow);
        m_speedMarks[i]->setObjectName(QStringLiteral("speedMark"));
        if (i)
            marks->addStretch();
        marks->addWidget(m_speedMarks[i]);
    }
    auto *marksBox = new QWidget(m_speedRow);
    marksBox->setFixedWidth(SliderWidth);
    marksBox->setLayout(marks);
    speedGrid->addWidget(m_speedLabel, 0, 0);
    speedGrid->addWidget(m_speedSlider, 0, 1);
    speedGrid->addWidget(m_speedValue, 0, 2);
    speedGrid->addWidget(marksBox, 1, 1);
    speedGrid->setColumnStretch(3, 1);
    v->addWidget(m_speedRow);

    m_sleepRow = new QWidget(box);
    h = new QHBoxLayout(m_sleepRow);
    h->setContentsMargins(0, 0, 0, 0);
    m_sleepLabel = rowLabel(m_sleepRow);
    m_sleepBox = new QComboBox(m_sleepRow);
    m_sleepBox->setFixedWidth(150);
    for (int i = 0; i < Lighting::SleepChoices; ++i)
        m_sleepBox->addItem(QString());
    m_sleepBox->setCurrentIndex(m_sleepIndex);
    h->addWidget(m_sleepLabel);
    h->addWidget(m_sleepBox);
    h->addStretch();
    v->addWidget(m_sleepRow);

    m_directionRow = new QWidget(box);
    h = new QHBoxLayout(m_directionRow);
    h->setContentsMargins(0, 0, 0, 0);
    m_directionLabel = rowLabel(m_directionRow);
    m_directionSwitch = new SwitchControl(m_directionRow);
    m_directionSwitch->setFixedWidth(50);
    m_directionText = new QLabel(m_directionRow);
    h->addWidget(m_directionLabel);
    h->addWidget(m_directionSwitch);
    h->addSpacing(8);
    h->addWidget(m_directionText);
    h->addStretch();
    v->addWidget(m_directionRow);
    v->addStretch();
    return box;
}

void ColorConfigWgt::retranslate()
{
    ConfigPageWgt::retranslate();
    if (!m_effects)
        return;
    m_effectTitle->setText(tr("RGB灯光效果"));
    // Effect names fit under the icons in Chinese only; elsewhere the icon
    // alone shows, and the name is its tooltip.
    const bool names = LanguageManager::instance()->language() != QLatin1String("English");
    for (QAbstractButton *b : m_effects->buttons()) {
        auto *t = static_cast<QToolButton *>(b);
        const QString name = tr(Lighting::effectName(m_effects->id(b)));
        t->setText(name);
        t->setToolTip(name);
        t->setAccessibleName(name);
        t->setToolButtonStyle(names ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    }
    m_brightnessLabel->setText(tr("亮度"));
    m_brightnessSlider->setAccessibleName(tr("亮度"));
    m_speedLabel->setText(tr("速度"));
    m_speedSlider->setAccessibleName(tr("速度"));
    m_speedMarks[0]->setText(tr("慢"));
    m_speedMarks[1]->setText(tr("中"));
    m_speedMarks[2]->setText(tr("快"));
    m_sleepLabel->setText(tr("睡眠"));
    m_sleepBox->setAccessibleName(tr("睡眠"));
    for (int i = 0; i < Lighting::SleepChoices; ++i)
        m_sleepBox->setItemText(i, tr(Lighting::sleepText(i)));
    m_directionLabel->setText(tr("反向"));
    m_directionSwitch->setAccessibleName(tr("反向"));
    updateDirectionText();
    // The row labels share one width, the widest in this language.
    int labelWidth = 0;
    for (QLabel *l : {m_brightnessLabel, m_speedLabel, m_sleepLabel, m_directionLabel})
        labelWidth = qMax(labelWidth, l->sizeHint().width());
    for (QLabel *l : {m_brightnessLabel, m_speedLabel, m_sleepLabel, m_directionLabel})
        l->setFixedWidth(labelWidth + 6);
    m_chooser->retranslate();
}

QToolButton *ColorConfigWgt::effectButton(int mode) const
{
    return static_cast<QToolButton *>(m_effects->button(mode));
}

// ---------------------------------------------------------------------------
// Activation

void ColorConfigWgt::setupConnections()
{
    connectTracked(keyboards(), &KeyboardDeck::keyClicked, [this](int, KeyboardBtn *key) { onKeyClicked(key); });
    // A new connection: its lighting and colours are reported afresh.
    connectTracked(keyboard(), &KeyboardController::keyboardIdentified, [this] {
        m_boardLightingKnown = false;
        m_boardColoursPending = false;
    });
    // The keyboard's lighting record, as it reports it: it names the effect
    // the keyboard returns to while its light is off, which a configuration
    // does not hold. Its colours come with the configuration (showConfig).
    connectTracked(keyboard(), &KeyboardController::lightingReported,
                   [this](const LightingReport &report) { showKeyboardLighting(report); });
    connectTracked(keyboard(), &KeyboardController::offlineEditingChanged, [this] {
        if (isCurrent())
            setPerKeyColouring(m_view.mode >= PerKeyLightingMode);
    });
}

void ColorConfigWgt::onEnter()
{
    keyboards()->setFace(KeyFace::Legend);
    m_strokeWatch->watch(keyboards()->views());
    setPerKeyColouring(m_view.mode >= PerKeyLightingMode);
}

void ColorConfigWgt::onLeave()
{
    finishStroke();
    m_strokeWatch->unwatch();
    m_perKey = false;
    m_chooser->setPaintingEnabled(false);
}

// Keys take colours from the chooser only in per-key mode, and show them.
// A profile edited offline holds no key colours (the keyboard keeps them),
// so there the keys show their colours but take none: painting them would
// change nothing the keyboard ever gets.
void ColorConfigWgt::setPerKeyColouring(bool on)
{
    const bool offline = keyboard()->isOfflineEditing();
    m_perKey = on && !offline;
    m_chooser->setPaintingEnabled(m_perKey,
                                  on && offline ? tr("离线编辑时不能设置按键颜色：按键颜色保存在键盘上，"
                                                     "不在配置文件中。连接键盘后再设置。")
                                                : QString());
    if (isActive())
        showKeyColours(on);
}

// ---------------------------------------------------------------------------
// The user's changes

bool ColorConfigWgt::mayChange(bool *asked)
{
    *asked = config()->hasConfig() && config()->config().performance.superLightSpeed;
    if (!*asked)
        return true;
    if (!m_ask(tr("超光速提示"), tr("当前处于超光速模式，RGB灯效被禁用，是否退出超光速模式？")))
        return false;
    // The change and leaving super-light-speed mode are one step; it ends
    // with leaveLightSpeed.
    config()->beginAction({tr("退出超光速模式"), {}, {}});
    return true;
}

void ColorConfigWgt::leaveLightSpeed(bool asked)
{
    if (!asked)
        return;
    emit SignalObject::instance()->sigCloseLightSpeedMode();
    config()->endAction();
}

// A stored mode as the undo step names it: the effect's name.
static QString modeText(int stored)
{
    const Lighting::ModeView view = Lighting::viewOfStoredMode(stored);
    return QCoreApplication::translate("ColorConfigWgt", Lighting::effectName(view.mode));
}

void ColorConfigWgt::sendMode(const Lighting::ModeView &view)
{
    const int sent = Lighting::sentMode(view);
    m_view = view;
    const int was = config()->config().lighting.mode;
    config()->edit({tr("灯效"), modeText(was), modeText(sent)}, KeyboardConfigModel::NoMerge,
                   [sent](KeyboardConfig &c) { c.lighting.mode = sent; });
    showMode(view);
}

void ColorConfigWgt::onEffectClicked(int mode)
{
    qCDebug(lcLighting) << "点击切换rgb灯效按钮" << mode;
    // The buttons show what runs until the change is made.
    showMode(m_view);
    bool asked = false;
    if (!mayChange(&asked))
        return;
    sendMode({mode, -1});
    leaveLightSpeed(asked);
    if (mode < Lighting::StaticMode) {
        if (isActive())
            m_chooser->clearPresetCheck();
        setPerKeyColouring(false);
    }
}

void ColorConfigWgt::onPresetClicked(int preset)
{
    qCDebug(lcLighting) << "点击颜色预设" << preset;
    showMode(m_view);
    bool asked = false;
    if (!mayChange(&asked))
        return;
    m_chooser->setCurrentPreset(preset);
    // The effect, the end of super-light-speed mode and the colours are one step.
    const KeyboardConfigModel::Action action(config(), {tr("预设%1").arg(preset + 1), {}, {}});
    sendMode({Lighting::StaticMode, preset});
    leaveLightSpeed(asked);
    paintPreset(m_chooser->preset(preset));
    setPerKeyColouring(true);
}

void ColorConfigWgt::onBrightness(int value)
{
    if (value == m_brightness)
        return;
    bool asked = false;
    if (!mayChange(&asked)) {
        showBrightness(m_brightness);
        return;
    }
    m_brightness = value;
    const int was = config()->config().lighting.brightness;
    config()->edit({tr("亮度"), QString::number(was), QString::number(value)}, KeyboardConfigModel::MergeBrightness,
                   [value](KeyboardConfig &c) { c.lighting.brightness = value; });
    leaveLightSpeed(asked);
}

void ColorConfigWgt::onSpeed(int value)
{
    if (value == m_speed)
        return;
    bool asked = false;
    if (!mayChange(&asked)) {
        showSpeed(m_speed);
        return;
    }
    m_speed = value;
    const int was = config()->config().lighting.speed;
    config()->edit({tr("速度"), QString::number(was), QString::number(value)}, KeyboardConfigModel::MergeSpeed,
                   [value](KeyboardConfig &c) { c.lighting.speed = value; });
    leaveLightSpeed(asked);
}

void ColorConfigWgt::onDirection(bool reversed)
{
    bool asked = false;
    if (!mayChange(&asked)) {
        showDirection(m_direction);
        return;
    }
    m_direction = reversed;
    updateDirectionText();
    config()->edit({tr("灯效方向"), {}, {}}, KeyboardConfigModel::NoMerge,
                   [reversed](KeyboardConfig &c) { c.lighting.direction = reversed; });
    leaveLightSpeed(asked);
}

void ColorConfigWgt::updateSleepTime(int index)
{
    qCDebug(lcLighting) << "键盘休眠时间被手动修改了" << index;
    const int minutes = Lighting::sleepMinutes(index);
    if (minutes < 0 || index == m_sleepIndex)
        return;
    bool asked = false;
    if (!mayChange(&asked)) {
        showSleep(m_sleepIndex);
        return;
    }
    m_sleepIndex = index;
    qCDebug(lcLighting) << "键盘休眠时间改变，下发" << minutes;
    const int was = config()->config().lighting.sleep;
    config()->edit({tr("休眠时间"), tr("%1 分钟").arg(was), tr("%1 分钟").arg(minutes)}, KeyboardConfigModel::NoMerge,
                   [minutes](KeyboardConfig &c) { c.lighting.sleep = minutes; });
    leaveLightSpeed(asked);
}

// ---------------------------------------------------------------------------
// What the keyboard and a profile report

void ColorConfigWgt::showKeyboardLighting(const LightingReport &rec)
{
    const bool wasPerKey = m_view.mode == Lighting::StaticMode;
    showMode(Lighting::viewOfKeyboardMode(rec.keyboardMode, rec.on));
    showBrightness(rec.brightness);
    showSpeed(rec.speed);
    showDirection(rec.reversed);
    const int sleep = Lighting::sleepIndexFor(rec.sleep, Lighting::SleepSource::Keyboard);
    if (sleep >= 0)
        showSleep(sleep);
    const bool perKey = m_view.mode == Lighting::StaticMode;
    if (isCurrent() && perKey != wasPerKey)
        setPerKeyColouring(perKey);
    m_boardPreset = m_view.preset;
    m_boardLightingKnown = true;
    adoptKeyboardColours();
}

void ColorConfigWgt::showProfile(const ProfileData &profile)
{
    if (!profile.lighting || !m_chooser)
        return;
    const LightingSettings &l = *profile.lighting;
    qCDebug(lcLighting) << "切换配置 [rgb-mode]" << l.mode;
    qCDebug(lcLighting) << "[rgb - luminance]" << l.brightness;
    qCDebug(lcLighting) << "[rgb - speed]" << l.speed;
    qCDebug(lcLighting) << "[rgb - sleep]" << l.sleep;
    qCDebug(lcLighting) << "[rgb-direction]" << l.direction;
    showMode(Lighting::viewOfStoredMode(l.mode));
    showBrightness(l.brightness);
    showSpeed(l.speed);
    showDirection(l.direction);
    // The keyboard was sent the minutes held to a byte.
    showSleep(Lighting::sleepIndexFor(qBound(0, l.sleep, 0xFF), Lighting::SleepSource::Profile));
}

void ColorConfigWgt::showMode(const Lighting::ModeView &view)
{
    m_view = view;
    fill(m_effects, [&](QButtonGroup *group) { group->button(view.mode)->setChecked(true); });
    if (view.mode == Lighting::StaticMode)
        m_chooser->setCurrentPreset(view.preset);
    else
        m_chooser->clearPresetCheck();
    const bool lit = view.mode != Lighting::OffMode;
    m_speedRow->setVisible(lit);
    m_sleepRow->setVisible(lit);
    m_directionRow->setVisible(lit);
}

void ColorConfigWgt::showBrightness(int value)
{
    fill(m_brightnessSlider, [value](QSlider *s) { s->setValue(value); });
    m_brightness = m_brightnessSlider->value();
}

void ColorConfigWgt::showSpeed(int value)
{
    fill(m_speedSlider, [value](QSlider *s) { s->setValue(value); });
    m_speed = m_speedSlider->value();
    m_speedValue->setNum(m_speed);
}

void ColorConfigWgt::showDirection(bool reversed)
{
    fill(m_directionSwitch, [reversed](SwitchControl *s) { s->setCheckedNoAnimation(reversed); });
    m_direction = reversed;
    updateDirectionText();
}

void ColorConfigWgt::showSleep(int index)
{
    if (index < 0 || index >= Lighting::SleepChoices)
        return;
    fill(m_sleepBox, [index](QComboBox *b) { b->setCurrentIndex(index); });
    m_sleepIndex = index;
}

void ColorConfigWgt::updateDirectionText()
{
    // The row's own wording: "正向" beside the switch when it is on, "反向"
    // when it is off. What the switch sends is unchanged (on sets the
    // keyboard's reversed bit and "rgb-direction" true).
    m_directionText->setText(m_direction ? tr("正向") : tr("反向"));
}
