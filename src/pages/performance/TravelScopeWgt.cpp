#include "TravelScopeWgt.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {

constexpr int LeftMargin = 52, RightMargin = 12, TopMargin = 26, BottomMargin = 24;
// A hover finds a point within this many pixels.
constexpr int HoverReach = 12;
// Live traces drop what left the window in batches of at least this many.
constexpr int TrimBatch = 64;

const QColor GridColour(226, 228, 231);
const QColor TextColour(96, 98, 102);
const QColor DeadZoneColour(120, 130, 150, 110);

QString mmText(int um)
{
    return QString::number(um / 1000.0, 'f', 2);
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
    setMouseTracking(true);
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("行程曲线"));
    setFocusPolicy(Qt::StrongFocus); // a screen reader reaches it by Tab
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
    update();
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

void TravelScopeWgt::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = plotRect();
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
    for (int k = 0; k < m_traces.size(); ++k) {
        const Trace &t = m_traces[k];
        const ScopeKey &key = m_keys[k];
        const QColor colour = keyColour(k);
        if (key.hasSettings) {
            p.setPen(QPen(colour, 1, Qt::DashLine));
            const double y = yOf(key.settings.actuationUm);
            p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        }
        // The rapid-trigger thresholds: a step line where each holds.
        QColor light = colour;
        light.setAlpha(150);
        p.setPen(QPen(light, 1, Qt::DotLine));
        for (int i = 1; i < t.steps.size(); ++i) {
            for (int line = 0; line < 2; ++line) {
                const int um = line ? t.steps[i - 1].releaseLineUm : t.steps[i - 1].pressLineUm;
                if (um >= 0)
                    p.drawLine(QPointF(xOf(t.samples[i - 1].timeMs), yOf(um)),
                               QPointF(xOf(t.samples[i].timeMs), yOf(um)));
            }
        }
        // The trace, one vertex per pixel column at most (its first, lowest,
        // highest and last sample), so a long replay draws as fast as a
        // short one.
        QPainterPath path;
        int column = INT_MIN;
        int low = 0, high = 0, last = 0;
        auto flush = [&](int x) {
            if (column == INT_MIN)
                return;
            path.lineTo(x, yOf(low));
            path.lineTo(x, yOf(high));
            path.lineTo(x, yOf(last));
        };
        for (int i = 0; i < t.samples.size(); ++i) {
            const KeyTraceSample &s = t.samples[i];
            const double x = xOf(s.timeMs);
            if (i == 0) {
                path.moveTo(x, yOf(s.depthUm));
            }
            if (int(x) != column) {
                flush(column);
                column = int(x);
                low = high = last = s.depthUm;
                path.lineTo(x, yOf(s.depthUm));
            } else {
                low = qMin(low, s.depthUm);
                high = qMax(high, s.depthUm);
                last = s.depthUm;
            }
        }
        flush(column);
        p.setPen(QPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
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
