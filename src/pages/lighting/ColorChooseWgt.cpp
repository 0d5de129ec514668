#include "ColorChooseWgt.h"

#include "ColorWheel.h"
#include "LabelSpinBox.h"
#include "LightingLog.h"
#include "Swatches.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor kSwatches[ColorChooseWgt::SwatchCount] = {
    {0, 0, 0},       {255, 0, 0},    {255, 255, 0},  {0, 255, 0},   {0, 255, 255},  {0, 0, 255},
    {255, 0, 255},   {255, 255, 255}, {128, 109, 158}, {52, 108, 156}, {27, 167, 132}, {251, 218, 65},
    {250, 142, 22},  {236, 44, 100},  {240, 161, 168}, {240, 245, 229},
};

const char *const kStyle = R"(
QToolButton#RGBSetBtn {
    border: 1px solid rgb(160, 170, 184);
    border-radius: 6px;
    background: #ffffff;
    font-size: 12px;
}
QToolButton#RGBSetBtn:hover { border-color: rgb(254, 187, 36); }
QToolButton#RGBSetBtn:checked {
    border: 2px solid rgb(254, 187, 36);
    background: #fff3d6;
}
QPushButton#presetResetBtn, QPushButton#fillAllBtn {
    border: 1px solid #dcdfe6;
    border-radius: 4px;
    background: #ffffff;
    padding: 0px 10px;
}
QPushButton#presetResetBtn:hover, QPushButton#fillAllBtn:hover { border-color: rgb(254, 187, 36); }
QPushButton#fillAllBtn:disabled { color: #b0b3b8; }
QLabel#colorTitle { font-weight: bold; }
)";

} // namespace

ColorChooseWgt::ColorChooseWgt(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorChooseWgt"));
    setStyleSheet(QString::fromLatin1(kStyle));

    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(10);

    m_wheel = new ColorWheel(this);
    m_wheel->setFixedSize(132, 132);
    root->addWidget(m_wheel, 0, Qt::AlignTop);

    auto *middle = new QVBoxLayout;
    middle->setSpacing(6);
    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(6);
    const char *letters[] = {"R", "G", "B", "H", "S", "V"};
    for (int i = 0; i < 6; ++i) {
        auto *f = new LabelSpinBox(QString::fromLatin1(letters[i]), i == H ? 359 : 255, this);
        m_fields << f;
        fields->addWidget(f, i / 3, i % 3);
        connect(f, &LabelSpinBox::valueChanged, this,
                i < H ? &ColorChooseWgt::onRgbSpinBoxChanged : &ColorChooseWgt::onHsvSpinBoxChanged);
    }
    middle->addLayout(fields);
    m_swatches = new Swatches(this);
    middle->addWidget(m_swatches);
    middle->addWidget(buildPresetArea());
    middle->addStretch();
    root->addLayout(middle);

    auto *right = new QVBoxLayout;
    right->setSpacing(6);
    auto *presets = new QGridLayout;
    presets->setSpacing(6);
    m_presetGroup = new QButtonGroup(this);
    for (int n = 0; n < Lighting::PresetCount; ++n) {
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("RGBSetBtn"));
        b->setCheckable(true);
        b->setFixedSize(48, 44);
        b->setCursor(Qt::PointingHandCursor);
        m_presetGroup->addButton(b, n);
        presets->addWidget(b, n / 3, n % 3);
    }
    right->addLayout(presets);
    m_resetCurrent = new QPushButton(this);
    m_resetAll = new QPushButton(this);
    m_resetCurrent->setObjectName(QStringLiteral("presetResetBtn"));
    m_resetAll->setObjectName(QStringLiteral("presetResetBtn"));
    for (QPushButton *b : {m_resetCurrent, m_resetAll}) {
        b->setFixedHeight(30);
        b->setCursor(Qt::PointingHandCursor);
        right->addWidget(b);
    }
    right->addStretch();
    root->addLayout(right);
    root->addStretch();

    connect(m_wheel, &ColorWheel::colorChanged, this, [this](const QColor &c) {
        m_color = c;
        showColor(true, true, false);
    });
    connect(m_swatches, &Swatches::swatchChanged, this, &ColorChooseWgt::setColor);
    connect(m_swatchGroup, &QButtonGroup::idClicked, this,
            [this](int i) { setColor(kSwatches[i]); });
    connect(m_presetGroup, &QButtonGroup::idClicked, this,
            [this](int n) { emit presetClicked(n); });
    connect(m_resetCurrent, &QPushButton::clicked, this, [this] { resetPresets(false); });
    connect(m_resetAll, &QPushButton::clicked, this, [this] {
        qCDebug(lcLighting) << "点击重置所有预设按钮";
        resetPresets(true);
    });
    connect(m_fillAll, &QPushButton::clicked, this, &ColorChooseWgt::fillAllClicked);

    setPaintingEnabled(false);
    clearPresetCheck();
    showColor(true, true, true);
    retranslate();
}

QWidget *ColorChooseWgt::buildPresetArea()
{
    auto *area = new QWidget(this);
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    m_swatchTitle = new QLabel(area);
    m_swatchTitle->setObjectName(QStringLiteral("colorTitle"));
    m_fillAll = new QPushButton(area);
    m_fillAll->setObjectName(QStringLiteral("fillAllBtn"));
    m_fillAll->setFixedHeight(26);
    m_fillAll->setCursor(Qt::PointingHandCursor);
    titleRow->addWidget(m_swatchTitle);
    titleRow->addStretch();
    titleRow->addWidget(m_fillAll);
    layout->addLayout(titleRow);
    m_paintingNote = new QLabel(area);
    m_paintingNote->setWordWrap(true);
    m_paintingNote->setTextFormat(Qt::PlainText);
    m_paintingNote->setStyleSheet(QStringLiteral("QLabel{color:#b06000;}"));
    m_paintingNote->hide();
    layout->addWidget(m_paintingNote);
    auto *grid = new QGridLayout;
    grid->setSpacing(4);
    m_swatchGroup = new QButtonGroup(this);
    for (int i = 0; i < SwatchCount; ++i) {
        auto *b = new QToolButton(area);
        b->setCheckable(true);
        b->setFixedSize(20, 20);
        b->setCursor(Qt::PointingHandCursor);
        const QColor &c = kSwatches[i];
        b->setStyleSheet(QStringLiteral("QToolButton{border:2px solid gray;background:rgb(%1,%2,%3);border-radius: "
                                        "6px;}QToolButton:checked{border:2px solid rgb(254, 187, 36);}")
                             .arg(c.red())
                             .arg(c.green())
                             .arg(c.blue()));
        m_swatchGroup->addButton(b, i);
        grid->addWidget(b, i / 8, i % 8);
    }
    layout->addLayout(grid);
    return area;
}

void ColorChooseWgt::retranslate()
{
    m_swatchTitle->setText(tr("颜色"));
    for (int n = 0; n < Lighting::PresetCount; ++n) {
        QAbstractButton *b = m_presetGroup->button(n);
        b->setText(tr("预设%1").arg(n + 1));
        b->setAccessibleName(b->text());
    }
    for (int i = 0; i < SwatchCount; ++i) {
        QAbstractButton *b = m_swatchGroup->button(i);
        b->setAccessibleName(tr("颜色 %1").arg(kSwatches[i].name()));
        b->setToolTip(kSwatches[i].name());
    }
    m_resetCurrent->setText(tr("重置当前预设"));
    m_resetAll->setText(tr("重置所有预设"));
    m_fillAll->setText(tr("填充全部按键"));
    m_fillAll->setToolTip(tr("用当前颜色填充全部按键"));
    const char *names[] = {QT_TR_NOOP("红色 (R)"),   QT_TR_NOOP("绿色 (G)"),   QT_TR_NOOP("蓝色 (B)"),
                           QT_TR_NOOP("色相 (H)"),   QT_TR_NOOP("饱和度 (S)"), QT_TR_NOOP("明度 (V)")};
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields.at(i)->setAccessibleText(tr(names[i]));
    m_wheel->setAccessibleName(tr("颜色选择器"));
    m_swatches->retranslate();
}

void ColorChooseWgt::setPresetStore(const LightingPresetStore &store)
{
    m_store = store;
    m_presets = m_store.load();
}

void ColorChooseWgt::setColor(const QColor &color)
{
    if (!color.isValid())
        return;
    m_color = color.toRgb();
    showColor(true, true, true);
}

void ColorChooseWgt::rememberColor(const QColor &color)
{
    m_swatches->addCustomSwatch(color);
}

void ColorChooseWgt::onRgbSpinBoxChanged()
{
    m_color = QColor(m_fields[R]->value(), m_fields[G]->value(), m_fields[B]->value());
    showColor(false, true, true);
}

void ColorChooseWgt::onHsvSpinBoxChanged()
{
    m_color = QColor::fromHsv(m_fields[H]->value(), m_fields[S]->value(), m_fields[V]->value());
    showColor(true, false, true);
}

void ColorChooseWgt::showColor(bool rgbFields, bool hsvFields, bool wheel)
{
    if (wheel) {
        const QSignalBlocker blocker(m_wheel);
        m_wheel->setColor(m_color);
    }
    // What keys are painted with: 8 bits a component, as the keyboard takes it.
    const QColor rgb(m_color.rgb());
    if (rgbFields) {
        m_fields[R]->setValue(rgb.red());
        m_fields[G]->setValue(rgb.green());
        m_fields[B]->setValue(rgb.blue());
    }
    if (hsvFields) {
        // A grey has no hue of its own: the wheel's stays.
        const QColor hsv = m_wheel->color();
        const QColor own = m_color.toHsv();
        m_fields[H]->setValue(own.hsvHue() < 0 ? hsv.hsvHue() : own.hsvHue());
        m_fields[S]->setValue(own.hsvSaturation());
        m_fields[V]->setValue(own.value());
    }
    m_swatches->setCurrentColor(rgb);
    // The swatch of this colour, if there is one, shows as chosen.
    m_swatchGroup->setExclusive(false);
    for (int i = 0; i < SwatchCount; ++i)
        m_swatchGroup->button(i)->setChecked(kSwatches[i] == rgb);
    m_swatchGroup->setExclusive(true);
    m_paintColor = rgb;
    emit colorChanged(rgb);
}

ColorChooseWgt::Preset ColorChooseWgt::preset(int n) const
{
    return n >= 0 && n < Lighting::PresetCount ? m_presets[n] : Preset();
}

void ColorChooseWgt::setCurrentPreset(int n)
{
    if (n < 0 || n >= Lighting::PresetCount)
        return;
    m_current = n;
    m_presetGroup->button(n)->setChecked(true);
}

void ColorChooseWgt::clearPresetCheck()
{
    m_presetGroup->setExclusive(false);
    for (QAbstractButton *b : m_presetGroup->buttons())
        b->setChecked(false);
    m_presetGroup->setExclusive(true);
}

bool ColorChooseWgt::setPreset(int n, const Preset &colours)
{
    if (n < 0 || n >= Lighting::PresetCount)
        return false;
    m_presets[n] = colours;
    return save(n);
}

bool ColorChooseWgt::setPresetKeys(int n, const Preset &changes)
{
    if (n < 0 || n >= Lighting::PresetCount)
        return false;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        m_presets[n].insert(it.key(), it.value());
    return save(n);
}

bool ColorChooseWgt::save(int n)
{
    if (m_store.save(n, m_presets[n]))
        return true;
    emit saveFailed();
    return false;
}

void ColorChooseWgt::resetPresets(bool all)
{
    bool saved = true;
    for (int n = 0; n < Lighting::PresetCount; ++n) {
        if (!all && n != m_current)
            continue;
        m_presets[n] = m_store.factory(n);
        // One message for the whole reset, however many presets failed.
        saved = m_store.save(n, m_presets[n]) && saved;
    }
    if (!saved)
        emit saveFailed();
    emit presetsReset();
}

void ColorChooseWgt::setPaintingEnabled(bool on, const QString &whyNot)
{
    m_fillAll->setEnabled(on);
    m_paintingNote->setText(whyNot);
    m_paintingNote->setAccessibleName(whyNot);
    m_paintingNote->setVisible(!on && !whyNot.isEmpty());
}

QToolButton *ColorChooseWgt::swatchButton(int i) const
{
    return static_cast<QToolButton *>(m_swatchGroup->button(i));
}

QToolButton *ColorChooseWgt::presetButton(int n) const
{
    return static_cast<QToolButton *>(m_presetGroup->button(n));
}
