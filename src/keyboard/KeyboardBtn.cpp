#include "KeyboardBtn.h"

#include "AppParams.h"
#include "KeyTypeTable.h"
#include "KeyboardLog.h"
#include "ShellIcons.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QTextLayout>

#include <array>
#include <cmath>

const QColor KeyboardBtn::NeutralColour(245, 247, 250);
const QString KeyboardBtn::DragFormat = QStringLiteral("widget/text");

namespace {

QFont keyFont(int pixelSize)
{
    QFont f(QStringLiteral("Microsoft Yahei"));
    // Where that face is missing (Wine, most Linux desktops) a sans-serif
    // one stands in, not the system's serif default.
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    return f;
}

struct Badge {
    const char *label;
    QColor colour;
};

// Rows in BindKeyType order, as advancedKindTraits().
const std::array<Badge, AdvancedKindCount> kBadges = {{
    {"DKS", QColor(28, 136, 27)},
    {"MPT", QColor(0, 122, 204)},
    {"MT", QColor(247, 104, 50)},
    {"TGL", QColor(170, 115, 237)},
    {"END", QColor(25, 25, 25)},
    {"MR", QColor(226, 161, 2)},
    {"SOCD", QColor(122, 193, 255)},
    {"RS", QColor(150, 214, 147)},
}};

Badge badgeOf(int kind)
{
    return kind >= 0 && kind < AdvancedKindCount ? kBadges[size_t(kind)] : Badge{nullptr, QColor()};
}

// The largest size up to pixelSize at which every line of text fits in
// width, but not below 8.
int fittedPixelSize(const QString &text, int width, int pixelSize)
{
    QFont f = keyFont(pixelSize);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (; pixelSize > 8; --pixelSize) {
        f.setPixelSize(pixelSize);
        const QFontMetrics metrics(f);
        int widest = 0;
        for (const QString &line : lines)
            widest = qMax(widest, metrics.horizontalAdvance(line));
        if (widest <= width - 6)
            break;
    }
    return pixelSize;
}

// The legend at the given size, smaller when a long name would not fit.
void drawLegend(QPainter &p, const QRect &r, const QString &text, int pixelSize)
{
    p.setFont(keyFont(fittedPixelSize(text, r.width(), pixelSize)));
    p.drawText(r, Qt::AlignCenter, text);
}

// The check mark of a selected key: a white tick on a blue disc, so it
// shows on light and dark key colours alike.
QPixmap checkMark()
{
    return paintedPixmap(QSize(12, 12), 2.0, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(32, 159, 223));
        p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3.2, 6.2), QPointF(5.2, 8.2), QPointF(8.8, 4.2)}));
    });
}

// "Add a binding here": a plus in a ring.
void paintAddMark(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(68, 74, 86, 200));
    p.drawEllipse(r);
    const QPointF c = r.center();
    const double arm = r.width() / 4;
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

constexpr double CapRadius = 8;
const QColor OutlineColour(208, 209, 212);

// The cap of a key of that size, inside its 3 px outline.
QRectF capRect(const QSize &size)
{
    return QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1.5, 1.5, -1.5, -1.5);
}

enum class CapLayer { Fill, Outline };

// One layer of the cap, drawn once per size, colour and pixel ratio and
// shared by every key alike.
QPixmap capLayer(CapLayer layer, const QSize &size, const QColor &colour, qreal ratio)
{
    const QString key = QStringLiteral("KeyboardBtn/cap/%1/%2x%3/%4/%5")
                            .arg(int(layer))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(layer == CapLayer::Fill ? colour.rgba() : 0, 0, 16)
                            .arg(ratio);
    QPixmap cap;
    if (QPixmapCache::find(key, &cap))
        return cap;
    cap = paintedPixmap(size, ratio, [&](QPainter &p) {
        if (layer == CapLayer::Fill) {
            QColor fill = colour;
            fill.setAlpha(160);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
        } else {
            p.setPen(QPen(OutlineColour, 3));
            p.setBrush(Qt::NoBrush);
        }
        p.drawRoundedRect(capRect(size), CapRadius, CapRadius);
    });
    QPixmapCache::insert(key, cap);
    return cap;
}


} // namespace

KeyboardBtn::KeyboardBtn(QWidget *parent) : QToolButton(parent)
{
    setFixedSize(KeyUnit, KeyUnit);
    setAcceptDrops(true);
    setMouseTracking(true);
    m_key.rapidTriggerPress = RapidTriggerDefaultMm;
    m_key.rapidTriggerRelease = RapidTriggerDefaultMm;

    m_check = new QLabel(this);
    m_check->setFixedSize(12, 12);
    m_check->setStyleSheet(QStringLiteral("QLabel{color:white;background:transparent;}"));
    m_check->setPixmap(checkMark());
    m_check->setAlignment(Qt::AlignCenter);
    m_check->hide();
    m_check->move(width() - 14, 2);

    connect(this, &QToolButton::clicked, this, &KeyboardBtn::onKeyClicked);
}

KeyboardBtn::~KeyboardBtn() = default;

void KeyboardBtn::setKeyData(const KeyInfo &info)
{
    m_key = info;
    restoreLegend();
}

void KeyboardBtn::setCurrentType(int type)
{
    qCDebug(lcKeyboard) << "updateLayoutKeyType:" << m_key.currentType << type;
    m_key.currentType = quint32(type);
    restoreLegend();
}

void KeyboardBtn::setLegend(const QString &text)
{
    m_legend = text;
    m_key.legend = text;
    updateAccessibility();
    update();
}

void KeyboardBtn::setFace(KeyFace face)
{
    if (m_face == face)
        return;
    m_face = face;
    update();
}

void KeyboardBtn::updateAccessibility()
{
    // The legend of the key's type names it, also while the key awaits a
    // new assignment and shows nothing. A key given another key's type also
    // names where it is, so that two caps showing "A" are told apart.
    auto legend = [](quint32 type) {
        QString text = keyTypeName(int(type));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text;
    };
    const QString name = m_key.currentType == m_key.firstType
                             ? legend(m_key.currentType)
                             : tr("%1（%2 键位）").arg(legend(m_key.currentType), legend(m_key.firstType));
    setAccessibleName(name);
    QStringList state;
    if (m_key.bindKind() != Bind_None)
        state << tr("高级键：%1").arg(bindKeyTypeLabel(m_key.bindKind()));
    if (m_key.rapidTrigger)
        state << tr("快速触发：按下%1毫米，抬起%2毫米")
                     .arg(m_key.rapidTriggerPress, 0, 'f', m_decimals)
                     .arg(m_key.rapidTriggerRelease, 0, 'f', m_decimals);
    else if (m_key.travelDiffers)
        state << tr("单独行程：%1毫米").arg(m_key.travel, 0, 'f', m_decimals);
    if (isKeyChecked())
        state << tr("已选中");
    if (!m_attention.isEmpty())
        state << m_attention;
    setAccessibleDescription(state.join(QStringLiteral("; ")));
}

void KeyboardBtn::restoreLegend()
{
    setLegend(keyTypeName(int(m_key.currentType)));
}

void KeyboardBtn::setKeyColour(const QColor &colour)
{
    // The calibration sets every key's colour on each round of its stream.
    if (colour == m_keyColour && colour == m_key.colour)
        return;
    m_keyColour = colour;
    m_key.colour = colour;
    update();
}

void KeyboardBtn::setTravel(double mm, bool differs)
{
    m_key.travel = mm;
    m_key.travelDiffers = differs ? 1 : 0;
    updateAccessibility();
    update();
}

void KeyboardBtn::setRapidTrigger(bool on)
{
    m_key.rapidTrigger = on ? 1 : 0;
    updateAccessibility();
    update();
}

void KeyboardBtn::setRapidTriggerDistances(double press, double release)
{
    m_key.rapidTriggerPress = press;
    m_key.rapidTriggerRelease = release;
    updateAccessibility();
    update();
}

void KeyboardBtn::setAdvancedRecord(const KeyInfo &info)
{
    m_key.binding = info.binding;
    updateAccessibility();
    update();
}

void KeyboardBtn::setSelectable(bool on)
{
    m_selectable = on;
    if (!on)
        m_check->hide();
}

bool KeyboardBtn::isKeyChecked() const
{
    return !m_check->isHidden();
}

void KeyboardBtn::setKeyChecked(bool on)
{
    if (!m_selectable)
        on = false;
    if (on == isKeyChecked())
        return;
    m_check->setVisible(on);
    updateAccessibility();
    emit checkChanged(on);
}

void KeyboardBtn::setAttention(const QString &text)
{
    if (text == m_attention)
        return;
    m_attention = text;
    setToolTip(text);
    updateAccessibility();
    update();
}

void KeyboardBtn::setHighlight(bool on)
{
    m_highlight = on;
    update();
}

void KeyboardBtn::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    update();
}

void KeyboardBtn::setMatrixPosition(int row, int column)
{
    m_row = row;
    m_column = column;
}

void KeyboardBtn::setKeySize(double width, double height)
{
    setFixedSize(int(std::lround(width * KeyUnit)), int(std::lround(height * KeyUnit)));
}

void KeyboardBtn::setLiveValues(quint16 first, quint16 second)
{
    // The live tables arrive many times a second, mostly unchanged, and a
    // change often does not show (a resting key's noise, a state byte that
    // still means actuated): only a key that looks different is repainted.
    if (first == m_live1 && second == m_live2)
        return;
    bool looksDifferent = false;
    if (m_face == KeyFace::KeyTest)
        looksDifferent = keyTestLook(first, second) != keyTestLook(m_live1, m_live2);
    else if (m_face == KeyFace::Calibration)
        looksDifferent = first != m_live1 || calibrationMm(second) != calibrationMm(m_live2);
    m_live1 = first;
    m_live2 = second;
    if (looksDifferent)
        update();
}

int KeyboardBtn::dropTypeFor(const QString &text, int layer)
{
    const int type = keyTypeFromName(text);
    // The name lookup answers 0 for a name it does not know; only "Esc"
    // itself may become Esc.
    if (type == 0 && text != keyTypeName(0))
        return -1;
    // A layer cannot hold a key that switches to itself or to a layer below.
    if (type >= KeyTypeFn1 && type < KeyTypeFn1 + layer)
        return -1;
    return type;
}

void KeyboardBtn::onKeyClicked()
{
    if (m_selectable)
        setKeyChecked(!isKeyChecked());
    else
        m_check->hide();
}

void KeyboardBtn::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = capRect(size());
    paintCap(p);

    if (m_face == KeyFace::KeyTest)
        paintDepth(p, r);
    const bool badges = m_face == KeyFace::Bindings || m_face == KeyFace::BindTargets;
    if (m_face == KeyFace::Travel && (m_key.travelDiffers || m_key.rapidTrigger)) {
        // Only keys set apart from the global travel carry figures; the
        // rest show their legend as everywhere else.
        paintTravel(p);
    } else if (m_face == KeyFace::Calibration) {
        paintCalibration(p);
    } else if (badges && m_key.bindKind() != Bind_None) {
        paintBadge(p);
    } else if (!m_pixmap.isNull()) {
        const QPoint at((width() - m_pixmap.width()) / 2, (height() - m_pixmap.height()) / 2);
        p.drawPixmap(at, m_pixmap);
    } else {
        paintLegend(p);
    }

    if (m_hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 0x2F));
        p.drawRoundedRect(QRectF(rect()), 4, 4);
        if (m_face == KeyFace::BindTargets && m_key.bindKind() == Bind_None) {
            paintAddMark(p, QRectF((width() - 20) / 2.0, (height() - 20) / 2.0, 20, 20));
        }
    }
    if (m_highlight) {
        p.setPen(QPen(QColor(254, 187, 36), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r, 4, 4);
    }
    if (!m_attention.isEmpty()) {
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(QColor(229, 57, 53));
        p.drawEllipse(QPointF(r.right() - 6, r.top() + 6), 5, 5);
    }
}

void KeyboardBtn::paintCap(QPainter &p)
{
    const qreal ratio = devicePixelRatioF();
    // A picture only lays on the device's pixels as the drawing would when
    // the key starts on a whole device pixel and spans whole ones; with a
    // fractional scale that is not always so, and the cap is drawn.
    const QTransform t = p.deviceTransform();
    const auto whole = [](qreal v) { return v == std::floor(v); };
    if (t.type() > QTransform::TxScale || t.m11() != ratio || t.m22() != ratio || !whole(t.dx()) || !whole(t.dy())
        || !whole(width() * ratio) || !whole(height() * ratio)) {
        QColor fill = m_keyColour;
        fill.setAlpha(160);
        p.setPen(QPen(OutlineColour, 3));
        p.setBrush(fill);
        p.drawRoundedRect(capRect(size()), CapRadius, CapRadius);
        return;
    }
    if (m_cap.size != size() || m_cap.colour != m_keyColour.rgba() || m_cap.ratio != ratio) {
        m_cap.size = size();
        m_cap.colour = m_keyColour.rgba();
        m_cap.ratio = ratio;
        m_cap.fill = capLayer(CapLayer::Fill, m_cap.size, m_keyColour, ratio);
        m_cap.outline = capLayer(CapLayer::Outline, m_cap.size, m_keyColour, ratio);
    }
    // Fill and outline are laid on one after the other, as a single
    // drawing would lay them, so the edges blend with the view alike.
    p.drawPixmap(0, 0, m_cap.fill);
    p.drawPixmap(0, 0, m_cap.outline);
}

// The legend is laid out as QPainter::drawText(rect(), Qt::AlignCenter)
// lays it out, lines on whole pixels, each centred; the layout is kept
// until the text, the size, the font or the screen changes, since shaping
// it is most of what a key's text costs.
void KeyboardBtn::paintLegend(QPainter &p)
{
    const QRectF r(rect());
    const LegendFor now{m_legend, size(), font(), devicePixelRatioF(), logicalDpiY(), layoutDirection()};
    if (!m_legendLayout || !(m_legendFor == now)) {
        m_legendFor = now;
        QString text = m_legend;
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        const QFont f(keyFont(fittedPixelSize(m_legend, width(), 12)).resolve(font()),
                      static_cast<const QPaintDevice *>(this));
        m_legendLayout.reset(new QTextLayout(text, f));
        m_legendLayout->setCacheEnabled(true);
        QTextOption option;
        option.setTextDirection(layoutDirection());
        m_legendLayout->setTextOption(option);
        const qreal leading = QFontMetricsF(f).leading();
        qreal height = -leading;
        qreal widest = 0;
        m_legendLayout->beginLayout();
        for (QTextLine line = m_legendLayout->createLine(); line.isValid(); line = m_legendLayout->createLine()) {
            line.setLineWidth(0x01000000);
            height = std::ceil(height + leading);
            line.setPosition(QPointF(0, height));
            height += line.height();
            widest = qMax(widest, line.naturalTextWidth());
        }
        m_legendLayout->endLayout();
        m_legendTop = (r.height() - height) / 2;
        m_legendClipped = !r.contains(QRectF((r.width() - widest) / 2, m_legendTop, widest, height));
    }
    p.setPen(m_textColour);
    if (m_legendClipped) {
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
    }
    for (int i = 0; i < m_legendLayout->lineCount(); ++i) {
        const QTextLine line = m_legendLayout->lineAt(i);
        line.draw(&p, QPointF((r.width() - line.horizontalAdvance()) / 2, m_legendTop));
    }
    if (m_legendClipped)
        p.restore();
}

// Text bands inside the key: upper, middle and two lower lines.
static QRect upperBand(const QWidget *w) { return QRect(0, 3, w->width(), 14); }
static QRect middleBand(const QWidget *w) { return QRect(0, (w->height() - 14) / 2, w->width(), 14); }

QString KeyboardBtn::mmText(double mm) const
{
    return QString::number(mm, 'f', m_decimals);
}

void KeyboardBtn::setTravelFormat(int decimals, int maximumUm)
{
    if (decimals == m_decimals && maximumUm == m_maximumUm)
        return;
    m_decimals = decimals;
    m_maximumUm = maximumUm;
    update();
}

KeyboardBtn::KeyTestLook KeyboardBtn::keyTestLook(quint16 um, quint16 state) const
{
    if (um < 100) // below 0.1 mm the key counts as released
        return {};
    const double maxUm = qMax(1.0, double(m_maximumUm));
    return {qMin(1.0, um / maxUm), state > 0 && state < 8}; // states 1..7: past the actuation point
}

QString KeyboardBtn::calibrationMm(quint16 um) const
{
    return mmText(um / 4000.0 * 4);
}

void KeyboardBtn::paintCalibration(QPainter &p)
{
    p.setFont(keyFont(10));
    p.setPen(QColor(0, 139, 0));
    p.drawText(upperBand(this), Qt::AlignCenter, QString::number(m_live1));
    p.setPen(QColor(32, 159, 223));
    p.drawText(middleBand(this).translated(0, 4), Qt::AlignCenter, calibrationMm(m_live2));
}

void KeyboardBtn::paintTravel(QPainter &p)
{
    // The legend stays on top, smaller, so the key is still known by its
    // name; its travel below in the text colour, and under that the
    // rapid-trigger press (red) and release (green) distances.
    p.setPen(m_textColour);
    if (!m_key.rapidTrigger) {
        drawLegend(p, QRect(0, 2, width(), height() - 17), m_legend, 11);
        p.setFont(keyFont(10));
        p.drawText(QRect(0, height() - 17, width(), 13), Qt::AlignCenter, mmText(m_key.travel));
        return;
    }
    drawLegend(p, QRect(0, 1, width(), 11), m_legend, 9);
    p.setFont(keyFont(10));
    p.drawText(QRect(0, 10, width(), 12), Qt::AlignCenter, mmText(m_key.travel));
    p.setFont(keyFont(7));
    p.setPen(Qt::red);
    p.drawText(QRect(0, height() - 19, width(), 8), Qt::AlignCenter, mmText(m_key.rapidTriggerPress));
    p.setPen(QColor(0, 139, 0));
    p.drawText(QRect(0, height() - 11, width(), 8), Qt::AlignCenter, mmText(m_key.rapidTriggerRelease));
}

void KeyboardBtn::paintDepth(QPainter &p, const QRectF &r)
{
    const KeyTestLook look = keyTestLook(m_live1, m_live2);
    if (look.depth <= 0)
        return;
    QColor c = look.actuated ? QColor(108, 226, 108) : QColor(249, 189, 16);
    c.setAlpha(200);
    const double h = r.height() * look.depth;
    const double top = r.bottom() - h;
    QPainterPath fill;
    if (top >= r.top() + CapRadius && top <= r.bottom() - CapRadius) {
        // A level across the straight sides keeps the cap's bottom corners
        // under a flat top: the outline the general intersection below
        // gives, at a fraction of its cost (the same pixels, checked).
        const double corner = 2 * CapRadius;
        fill.moveTo(r.left(), top);
        fill.lineTo(r.right(), top);
        fill.arcTo(r.right() - corner, r.bottom() - corner, corner, corner, 0, -90);
        fill.arcTo(r.left(), r.bottom() - corner, corner, corner, 270, -90);
        fill.closeSubpath();
    } else {
        if (m_capPathRect != r) {
            m_capPathRect = r;
            m_capPath = QPainterPath();
            m_capPath.addRoundedRect(r, CapRadius, CapRadius);
        }
        QPainterPath level;
        level.addRect(QRectF(r.left(), top, r.width(), h));
        fill = m_capPath.intersected(level);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(fill);
}

void KeyboardBtn::paintBadge(QPainter &p)
{
    const Badge b = badgeOf(m_key.bindKind());
    if (!b.label)
        return;
    const QRectF badge((width() - 30) / 2.0, (height() - 20) / 2.0, 30, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(b.colour);
    p.drawRoundedRect(badge, 4, 4);
    p.setPen(Qt::white);
    drawLegend(p, badge.toRect(), QString::fromLatin1(b.label), 12); // "SOCD" needs a smaller size
}

void KeyboardBtn::enterEvent(QEvent *event)
{
    m_hover = true;
    update();
    QToolButton::enterEvent(event);
}

void KeyboardBtn::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QToolButton::leaveEvent(event);
}

void KeyboardBtn::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasFormat(DragFormat)) {
        event->ignore();
        return;
    }
    if (event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    m_hover = true;
    update();
    event->acceptProposedAction();
}

void KeyboardBtn::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasFormat(DragFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void KeyboardBtn::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_hover = false;
    update();
    QToolButton::dragLeaveEvent(event);
}

void KeyboardBtn::dropEvent(QDropEvent *event)
{
    m_hover = false;
    update();
    if (!event->mimeData()->hasFormat(DragFormat) || m_key.bindKind() != Bind_None) {
        event->ignore();
        return;
    }
    const int type = dropTypeFor(event->mimeData()->text(), m_layer);
    if (type < 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_key.currentType = quint32(type);
    restoreLegend();
    emit sigUpateLayoutNewKey(int(m_key.firstType), type);
}

void KeyboardBtn::resizeEvent(QResizeEvent *event)
{
    QToolButton::resizeEvent(event);
    m_check->move(width() - 14, 2);
}
