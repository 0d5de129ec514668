#include "TravelScopeWgt.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolTip>

namespace {

constexpr int LeftMargin = 52, RightMargin = 12, TopMargin = 26, BottomMargin = 24;
// A hover finds a point within this many pixels.
constexpr int HoverReach = 12;
// Live, the plot is drawn at most this often, however fast rounds come:
// 20 pictures a second: a trace that scrolls 5 s across the plot moves
// smoothly enough to read, and four keys cost under a tenth of a core.
constexpr int RepaintMs = 50;
// Live traces drop what left the window in batches of at least this many.
constexpr int TrimBatch = 64;

const QColor GridColour(226, 228, 231);
const QColor TextColour(96, 98, 102);
const QColor DeadZoneColour(120, 130, 150, 110);

QString mmText(int um)
{
    return QString::number(um / 1000.0, 'f', 2);
}

// A screen reader announces the plot as a chart, with its summary as the
// description.
QAccessibleInterface *scopeAccessible(const QString &, QObject *object)
{
    if (auto *scope = qobject_cast<TravelScopeWgt *>(object))
        return new QAccessibleWidget(scope, QAccessible::Chart);
    return nullptr;
}

} // namespace

QColor TravelScopeWgt::keyColour(int index)
{
    static const QColor colours[MaxKeys] = {QColor(41, 98, 255), QColor(230, 81, 0), QColor(0, 150, 136),
                                            QColor(156, 39, 176)};
    return colours[qBound(0, index, MaxKeys - 1)];
}

TravelScopeWgt::TravelScopeWgt(QWidget *parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(scopeAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setMouseTracking(true);
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("行程曲线"));
    setFocusPolicy(Qt::StrongFocus); // a screen reader reaches it by Tab
    m_repaint = new QTimer(this);
    m_repaint->setSingleShot(true);
    m_repaint->setInterval(RepaintMs);
    connect(m_repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void TravelScopeWgt::setKeys(const QList<ScopeKey> &keys)
{
    QList<ScopeKey> wanted = keys.mid(0, MaxKeys);
    bool same = wanted.size() == m_keys.size();
    for (int i = 0; same && i < wanted.size(); ++i)
        same = wanted[i].id == m_keys[i].id && wanted[i].name == m_keys[i].name;
    if (same) {
        for (int i = 0; i < wanted.size(); ++i) {
            const KeyTraceSettings &a = wanted[i].settings, &b = m_keys[i].settings;
            if (a.actuationUm != b.actuationUm || a.rapid != b.rapid || a.pressUm != b.pressUm
                || a.releaseUm != b.releaseUm || a.deadPressUm != b.deadPressUm
                || a.deadReleaseUm != b.deadReleaseUm || a.maximumUm != b.maximumUm)
                m_traces[i].model = KeyTriggerModel(wanted[i].settings);
        }
        m_keys = wanted;
        return;
    }
    m_keys = wanted;
    m_traces.clear();
    for (const ScopeKey &k : m_keys)
        m_traces.append(Trace{{}, {}, {}, KeyTriggerModel(k.settings), false});
    m_replay = false;
    refreshAccessibleDescription();
    update();
}

void TravelScopeWgt::setMaximumUm(int um)
{
    if (qMax(1, um) == m_maximumUm)
        return;
    m_maximumUm = qMax(1, um);
    update();
}

void TravelScopeWgt::take(Trace &t, const KeyTraceSample &s)
{
    t.samples.append(s);
    t.steps.append(t.model.feed(s.depthUm));
    const bool actuated = KeyTrace::isActuatedState(s.state);
    if (actuated != t.actuated)
        t.marks.append({s.timeMs, s.depthUm, actuated});
    t.actuated = actuated;
}

// Keeps one sample before the window, so the line enters it from the edge.
void TravelScopeWgt::trim(Trace &t, qint64 before)
{
    int first = 0;
    while (first + 1 < t.samples.size() && t.samples.at(first + 1).timeMs < before)
        ++first;
    if (first >= TrimBatch) {
        t.samples.remove(0, first);
        t.steps.remove(0, first);
    }
    while (!t.marks.isEmpty() && t.marks.first().timeMs < before)
        t.marks.removeFirst();
}

QVector<KeyTraceSample> TravelScopeWgt::addRound(qint64 timeMs, const QList<QList<quint16>> &travel,
                                                 const QList<QList<quint8>> &flags)
{
    QVector<KeyTraceSample> taken;
    if (m_paused || m_replay)
        return taken;
    m_nowMs = timeMs;
    for (int i = 0; i < m_keys.size(); ++i) {
        const ScopeKey &k = m_keys[i];
        KeyTraceSample s;
        s.timeMs = timeMs;
        if (k.row >= 0 && k.row < travel.size() && k.column >= 0 && k.column < travel.at(k.row).size())
            s.depthUm = travel.at(k.row).at(k.column);
        if (k.row >= 0 && k.row < flags.size() && k.column >= 0 && k.column < flags.at(k.row).size())
            s.state = flags.at(k.row).at(k.column);
        take(m_traces[i], s);
        trim(m_traces[i], timeMs - WindowMs);
        taken.append(s);
    }
    if (!m_repaint->isActive())
        m_repaint->start();
    return taken;
}

void TravelScopeWgt::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (!paused && m_replay)
        clearTraces();
    refreshAccessibleDescription();
}

void TravelScopeWgt::showRecording(const KeyTraceCsv::Recording &recording, const QList<ScopeKey> &known)
{
    m_keys.clear();
    m_traces.clear();
    for (int i = 0; i < recording.keys.size() && i < MaxKeys; ++i) {
        ScopeKey key;
        key.name = recording.keys[i];
        for (const ScopeKey &k : known)
            if (k.name == key.name)
                key = k;
        key.row = key.column = -1; // not fed by the live stream
        m_keys.append(key);
        Trace t{{}, {}, {}, KeyTriggerModel(key.settings), false};
        for (const KeyTraceSample &s : recording.samples[i])
            take(t, s);
        m_traces.append(t);
    }
    m_replay = true;
    m_paused = true;
    refreshAccessibleDescription();
    update();
}

void TravelScopeWgt::clearTraces()
{
    for (int i = 0; i < m_traces.size(); ++i)
        m_traces[i] = Trace{{}, {}, {}, KeyTriggerModel(m_keys[i].settings), false};
    if (m_replay) {
        m_keys.clear();
        m_traces.clear();
    }
    m_replay = false;
    m_nowMs = 0;
    refreshAccessibleDescription();
    update();
}

QVector<KeyTraceSample> TravelScopeWgt::samples(int key) const
{
    return key >= 0 && key < m_traces.size() ? m_traces[key].samples : QVector<KeyTraceSample>();
}

QList<KeyTraceMark> TravelScopeWgt::marks(int key) const
{
    return key >= 0 && key < m_traces.size() ? m_traces[key].marks : QList<KeyTraceMark>();
}

QVector<KeyTriggerModel::Step> TravelScopeWgt::steps(int key) const
{
    return key >= 0 && key < m_traces.size() ? m_traces[key].steps : QVector<KeyTriggerModel::Step>();
}

QString TravelScopeWgt::summary() const
{
    if (m_keys.isEmpty())
        return tr("没有按键");
    QStringList lines;
    for (int i = 0; i < m_keys.size(); ++i) {
        // What the window shows, not the sample kept before it.
        QVector<KeyTraceSample> shown;
        for (const KeyTraceSample &s : m_traces[i].samples)
            if (s.timeMs >= startMs())
                shown.append(s);
        lines << keyTraceSummary(m_keys[i].name, shown);
    }
    return lines.join(QLatin1Char('\n'));
}

// A screen reader reads the summary as the plot's description; it changes
// when the picture stops moving, not at the stream's rate.
void TravelScopeWgt::refreshAccessibleDescription()
{
    const QString text = m_paused ? summary() : tr("实时，暂停后显示摘要");
    if (accessibleDescription() != text)
        setAccessibleDescription(text);
}

QRect TravelScopeWgt::plotRect() const
{
    return rect().adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

qint64 TravelScopeWgt::endMs() const
{
    if (!m_replay)
        return qMax<qint64>(m_nowMs, WindowMs);
    qint64 end = 0;
    for (const Trace &t : m_traces)
        if (!t.samples.isEmpty())
            end = qMax(end, t.samples.last().timeMs);
    return qMax(end, startMs() + 1000);
}

qint64 TravelScopeWgt::startMs() const
{
    if (!m_replay)
        return qMax<qint64>(m_nowMs, WindowMs) - WindowMs;
    qint64 start = -1;
    for (const Trace &t : m_traces)
        if (!t.samples.isEmpty())
            start = start < 0 ? t.samples.first().timeMs : qMin(start, t.samples.first().timeMs);
    return qMax<qint64>(0, start);
}

double TravelScopeWgt::xOf(qint64 ms) const
{
    const QRect r = plotRect();
    const double span = qMax<qint64>(1, endMs() - startMs());
    return r.left() + (ms - startMs()) / span * r.width();
}

double TravelScopeWgt::yOf(int um) const
{
    const QRect r = plotRect();
    return r.bottom() - qBound(0, um, m_maximumUm) / double(m_maximumUm) * r.height();
}

QPoint TravelScopeWgt::pointOf(int key, int sample) const
{
    const KeyTraceSample &s = m_traces.at(key).samples.at(sample);
    return QPointF(xOf(s.timeMs), yOf(s.depthUm)).toPoint();
}

QString TravelScopeWgt::pointText(const QPoint &at) const
{
    int bestKey = -1, bestSample = -1;
    double best = HoverReach * HoverReach + 1;
    const qint64 start = startMs();
    for (int k = 0; k < m_traces.size(); ++k) {
        const QVector<KeyTraceSample> &samples = m_traces[k].samples;
        for (int i = 0; i < samples.size(); ++i) {
            if (samples[i].timeMs < start)
                continue;
            const double dx = xOf(samples[i].timeMs) - at.x(), dy = yOf(samples[i].depthUm) - at.y();
            if (dx * dx + dy * dy < best) {
                best = dx * dx + dy * dy;
                bestKey = k;
                bestSample = i;
            }
        }
    }
    if (bestKey < 0)
        return QString();
    const KeyTraceSample &s = m_traces[bestKey].samples[bestSample];
    const QString state = KeyTrace::isActuatedState(s.state) ? tr("已触发") : tr("未触发");
    return tr("%1：%2 ms，%3 mm，%4（状态 %5）")
        .arg(m_keys[bestKey].name)
        .arg(s.timeMs)
        .arg(mmText(s.depthUm), state)
        .arg(s.state);
}

void TravelScopeWgt::mouseMoveEvent(QMouseEvent *event)
{
    const QString text = pointText(event->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), text, this);
}

void TravelScopeWgt::leaveEvent(QEvent *)
{
    QToolTip::hideText();
}

QByteArray TravelScopeWgt::backgroundSignature() const
{
    QByteArray sig = QByteArray::number(m_maximumUm) + tr("死区").toUtf8(); // the language too
    for (const ScopeKey &k : m_keys) {
        const KeyTraceSettings &t = k.settings;
        sig += '|' + k.name.toUtf8() + ',' + QByteArray::number(k.hasSettings) + ','
               + QByteArray::number(t.actuationUm) + ',' + QByteArray::number(t.deadPressUm) + ','
               + QByteArray::number(t.deadReleaseUm);
    }
    return sig;
}

// The dead zones, the depth grid, the actuation points and the legend.
void TravelScopeWgt::paintBackground(QPainter &p)
{
    p.fillRect(rect(), Qt::white);
    const QRect r = plotRect(); // straight lines, without antialiasing
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);

    // Dead zones: one pair for the whole keyboard, from the first key known.
    for (const ScopeKey &k : m_keys) {
        if (!k.hasSettings)
            continue;
        const QRectF zones[2] = {
            QRectF(QPointF(r.left(), yOf(k.settings.deadPressUm)), QPointF(r.right(), r.bottom())),
            QRectF(QPointF(r.left(), r.top()), QPointF(r.right(), yOf(m_maximumUm - k.settings.deadReleaseUm)))};
        for (const QRectF &zone : zones) {
            if (zone.height() < 1)
                continue;
            p.setPen(Qt::NoPen);
            p.setBrush(QBrush(DeadZoneColour, Qt::BDiagPattern));
            p.drawRect(zone);
            p.setPen(TextColour);
            p.drawText(zone.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, tr("死区"));
        }
        break;
    }

    // The grid: every 0.5 mm, and every second.
    for (int um = 0; um <= m_maximumUm; um += 500) {
        const double y = yOf(um);
        p.setPen(QPen(GridColour, 1));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        if (um % 1000 == 0) {
            p.setPen(TextColour);
            p.drawText(QRectF(0, y - 7, LeftMargin - 6, 14), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1 mm").arg(um / 1000));
        }
    }
    for (int k = 0; k < m_keys.size(); ++k) {
        if (!m_keys[k].hasSettings)
            continue;
        p.setPen(QPen(keyColour(k), 1, Qt::DashLine));
        const double y = yOf(m_keys[k].settings.actuationUm);
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }

    // The legend.
    int x = r.left();
    for (int k = 0; k < m_keys.size(); ++k) {
        p.setPen(Qt::NoPen);
        p.setBrush(keyColour(k));
        p.drawRect(QRectF(x, 8, 10, 10));
        p.setPen(QColor(48, 49, 51));
        const QString name = m_keys[k].name + (m_keys[k].hasSettings ? QString()
                                                                    : QStringLiteral(" ") + tr("（无设置）"));
        const int w = p.fontMetrics().horizontalAdvance(name);
        p.drawText(QRectF(x + 14, 4, w + 4, 18), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += 14 + w + 18;
    }
    if (m_keys.isEmpty()) {
        p.setPen(TextColour);
        p.drawText(r, Qt::AlignCenter, tr("在键盘上选择 1 到 4 个按键"));
    }
    p.setPen(QPen(QColor(160, 170, 184), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void TravelScopeWgt::paintEvent(QPaintEvent *)
{
    // What moves with time is drawn over what does not, which is drawn once
    // for the keys, their settings and the size.
    const QByteArray signature = backgroundSignature();
    if (signature != m_backgroundSignature || m_background.size() != size() * devicePixelRatioF()) {
        m_background = QPixmap(size() * devicePixelRatioF());
        m_background.setDevicePixelRatio(devicePixelRatioF());
        QPainter b(&m_background);
        paintBackground(b);
        m_backgroundSignature = signature;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
    const QRect r = plotRect();
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);

    const qint64 start = startMs(), end = endMs();
    const qint64 tick = end - start > 20000 ? 5000 : 1000;
    for (qint64 t = (start + tick - 1) / tick * tick; t <= end; t += tick) {
        const double x = xOf(t);
        p.setPen(QPen(GridColour, 1));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.setPen(TextColour);
        p.drawText(QRectF(x - 30, r.bottom() + 4, 60, 14), Qt::AlignCenter,
                   QStringLiteral("%1 s").arg(t / 1000.0, 0, 'f', t % 1000 ? 1 : 0));
    }

    p.setClipRect(r.adjusted(-1, -1, 1, 1));
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < m_traces.size(); ++k) {
        const Trace &t = m_traces[k];
        const QColor colour = keyColour(k);
        // The rapid-trigger thresholds: a step line where each holds, one
        // segment per level, stroked at once (a dotted stroke costs per call).
        QPainterPath levels;
        for (int line = 0; line < 2; ++line) {
            int level = -1;
            double from = 0;
            for (int i = 0; i < t.steps.size(); ++i) {
                const int um = line ? t.steps[i].releaseLineUm : t.steps[i].pressLineUm;
                const double x = xOf(t.samples[i].timeMs);
                if (um == level)
                    continue;
                if (level >= 0) {
                    levels.moveTo(from, yOf(level));
                    levels.lineTo(x, yOf(level));
                }
                level = um;
                from = x;
            }
            if (level >= 0 && !t.samples.isEmpty()) {
                levels.moveTo(from, yOf(level));
                levels.lineTo(xOf(t.samples.last().timeMs), yOf(level));
            }
        }
        QColor light = colour;
        light.setAlpha(170);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(light, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(levels);
        p.setRenderHint(QPainter::Antialiasing, true);
        // The trace, one vertex per pixel column at most (its first, lowest,
        // highest and last sample), so a long replay draws as fast as a
        // short one. A one-pixel antialiased line takes the painter's fast
        // path (a wider pen costs ten times as much); two of them, half a
        // pixel apart, read as a bold trace.
        QPolygonF line;
        line.reserve(qMin(t.samples.size(), 4 * r.width()));
        int column = INT_MIN;
        int low = 0, high = 0, last = 0;
        auto flush = [&] {
            if (column != INT_MIN && (low != last || high != last))
                line << QPointF(column, yOf(low)) << QPointF(column, yOf(high)) << QPointF(column, yOf(last));
        };
        for (const KeyTraceSample &s : t.samples) {
            const double x = xOf(s.timeMs);
            if (int(x) != column) {
                flush();
                column = int(x);
                low = high = last = s.depthUm;
                line << QPointF(x, yOf(s.depthUm));
            } else {
                low = qMin(low, s.depthUm);
                high = qMax(high, s.depthUm);
                last = s.depthUm;
            }
        }
        flush();
        p.setPen(QPen(colour, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        line.translate(0, 0.6);
        p.drawPolyline(line);
        // The keyboard's marks: a filled triangle where it actuated, an
        // open circle where it released.
        for (const KeyTraceMark &m : t.marks) {
            const QPointF at(xOf(m.timeMs), yOf(m.depthUm));
            if (m.actuated) {
                p.setPen(QPen(colour.darker(130), 1));
                p.setBrush(colour);
                const QPointF tri[3] = {at + QPointF(-5, -10), at + QPointF(5, -10), at};
                p.drawPolygon(tri, 3);
            } else {
                p.setPen(QPen(colour, 1.5));
                p.setBrush(Qt::white);
                p.drawEllipse(at, 3.5, 3.5);
            }
        }
    }
    p.setClipping(false);

    p.setPen(QPen(QColor(160, 170, 184), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}
