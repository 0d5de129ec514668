#include "PressProgressBar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPainter>

namespace {

constexpr int TrackWidth = 40;
constexpr int TrackLeft = 56;
constexpr int BarWidth = 140; // room right of the track for the actuation figure
constexpr double ShownFromMm = 0.1; // below this the key counts as released

const QColor MarkColour(41, 98, 255);

// The bar as a screen reader sees it: a progress bar whose value names the
// key and its travel, and whose description lists the marks.
class PressProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PressProgressBarAccessible(PressProgressBar *bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return bar()->valueText();
        return QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &) override {} // read only
    QVariant maximumValue() const override { return 4.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.01; }

private:
    PressProgressBar *bar() const { return static_cast<PressProgressBar *>(widget()); }
};

QAccessibleInterface *barAccessible(const QString &, QObject *object)
{
    if (auto *bar = qobject_cast<PressProgressBar *>(object))
        return new PressProgressBarAccessible(bar);
    return nullptr;
}

QString mmText(double mm)
{
    return QString::number(mm, 'f', 2);
}

} // namespace

PressProgressBar::PressProgressBar(QWidget *parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(barAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setFixedSize(BarWidth, Bottom + 6);
    refreshAccessibleTexts();
}

void PressProgressBar::setMaximumMicrons(int um)
{
    m_trackHeight = qBound(1, int(um / 4000.0 * ScaleHeight), ScaleHeight);
    update();
}

void PressProgressBar::setValue(double mm, bool actuated)
{
    mm = mm < ShownFromMm ? 0.0 : mm;
    // The stream repeats itself most of the time: nothing new, nothing drawn.
    if (mm == m_mm && actuated == m_actuated)
        return;
    m_mm = mm;
    m_actuated = actuated;
    refreshAccessibleTexts();
    update();
}

void PressProgressBar::setShownKey(const QString &name, const Marks &marks)
{
    const bool marked = !name.isEmpty();
    if (name == m_key && marked == m_marked && marks.actuationMm == m_marks.actuationMm
        && marks.rapid == m_marks.rapid && marks.pressMm == m_marks.pressMm && marks.releaseMm == m_marks.releaseMm)
        return;
    m_key = name;
    m_marked = marked;
    m_marks = marked ? marks : Marks();
    refreshAccessibleTexts();
    update();
}

QString PressProgressBar::valueText() const
{
    const QString travel = mmText(m_mm) + QStringLiteral(" mm");
    return m_key.isEmpty() ? travel : m_key + QStringLiteral(": ") + travel;
}

// Qt's AT-SPI bridge exports a widget's name and description but not the
// value text, so the key goes into the name and the depth, with the marks,
// into the description; the value text stays for bridges that read it.
void PressProgressBar::refreshAccessibleTexts()
{
    const QString name = m_key.isEmpty() ? tr("按键行程") : tr("按键行程：%1").arg(m_key);
    if (accessibleName() != name)
        setAccessibleName(name);
    QString description = mmText(m_mm) + QStringLiteral(" mm");
    if (m_marked) {
        description += tr("；") + (m_marks.rapid ? tr("触发 %1 mm，按下 %2 mm，松开 %3 mm")
                                                      .arg(mmText(m_marks.actuationMm), mmText(m_marks.pressMm),
                                                           mmText(m_marks.releaseMm))
                                                : tr("触发 %1 mm").arg(mmText(m_marks.actuationMm)));
    }
    if (accessibleDescription() != description)
        setAccessibleDescription(description);
    const QString value = valueText();
    if (value != m_valueText) {
        m_valueText = value;
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent e(this, m_mm);
            QAccessible::updateAccessibility(&e);
        }
    }
}

int PressProgressBar::fillHeight() const
{
    return qMin(m_trackHeight, int(m_mm * PixelsPerMm));
}

QColor PressProgressBar::fillColour() const
{
    return m_actuated ? QColor(108, 226, 108) : QColor(249, 189, 16);
}

int PressProgressBar::yOfMm(double mm) const
{
    const double top = m_trackHeight / PixelsPerMm;
    return Bottom - int(qBound(0.0, mm, top) * PixelsPerMm + 0.5);
}

int PressProgressBar::actuationY() const
{
    return m_marked ? yOfMm(m_marks.actuationMm) : -1;
}

// The key re-triggers once pressed by the press sensitivity past where it
// is, and resets once it rises by the release sensitivity.
int PressProgressBar::bandTopY() const
{
    return m_marked && m_marks.rapid ? yOfMm(m_mm + m_marks.pressMm) : -1;
}

int PressProgressBar::bandBottomY() const
{
    return m_marked && m_marks.rapid ? yOfMm(m_mm - m_marks.releaseMm) : -1;
}

void PressProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    if (!m_key.isEmpty()) {
        QFont bold = f;
        bold.setPixelSize(12);
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(QColor(48, 49, 51));
        // Centred over the track, and wide enough for "Backspace".
        const QRect caption(TrackLeft + TrackWidth / 2 - 40, 0, 80, CaptionHeight);
        p.drawText(caption, Qt::AlignCenter, QFontMetrics(bold).elidedText(m_key, Qt::ElideRight, caption.width()));
        p.setFont(f);
    }

    // The scale: a tick every 0.2 mm, longer and labelled every millimetre.
    for (int tenth = 0; tenth <= 40; tenth += 2) {
        const int y = Bottom - int(tenth / 10.0 * PixelsPerMm);
        const bool whole = tenth % 10 == 0;
        p.setPen(QColor(160, 170, 184));
        p.drawLine(TrackLeft - (whole ? 14 : 8), y, TrackLeft - 4, y);
        if (whole) {
            p.setPen(QColor(96, 98, 102));
            p.drawText(QRect(0, y - 7, TrackLeft - 18, 14), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1mm").arg(tenth / 10));
        }
    }

    const QRectF track(TrackLeft, Bottom - m_trackHeight, TrackWidth, m_trackHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 238, 242));
    p.drawRoundedRect(track, 4, 4);
    const int fill = fillHeight();
    if (fill > 0) {
        p.setBrush(fillColour());
        p.drawRoundedRect(QRectF(TrackLeft, Bottom - fill, TrackWidth, fill), 4, 4);
    }
    if (!m_marked)
        return;

    if (m_marks.rapid) {
        const int top = bandTopY(), bottom = bandBottomY();
        QColor band = MarkColour;
        band.setAlpha(60);
        p.setBrush(band);
        p.setPen(QPen(MarkColour, 1, Qt::DashLine));
        p.drawRect(QRectF(TrackLeft - 3, top, TrackWidth + 6, qMax(1, bottom - top)));
    }
    const int y = actuationY();
    p.setPen(QPen(MarkColour, 2));
    p.drawLine(TrackLeft - 4, y, TrackLeft + TrackWidth + 4, y);
    p.drawText(QRect(TrackLeft + TrackWidth + 6, y - 7, width() - TrackLeft - TrackWidth - 6, 14),
               Qt::AlignLeft | Qt::AlignVCenter, mmText(m_marks.actuationMm));
}
