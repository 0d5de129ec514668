#include "RestDrift.h"

void RestDrift::setKeys(const QList<Key> &keys)
{
    m_keys = keys;
    reset();
}

void RestDrift::reset()
{
    m_spans.clear();
    m_restSince = -1;
    m_findings.clear();
}

bool RestDrift::addRound(qint64 timeMs, const Round &travel)
{
    bool touched = false;
    QMap<int, int> depths;
    for (const Key &k : m_keys) {
        if (k.row < 0 || k.row >= travel.size() || k.column < 0 || k.column >= travel.at(k.row).size())
            continue;
        const int um = travel.at(k.row).at(k.column);
        depths.insert(k.id, um);
        touched = touched || um >= TouchedFromUm;
    }
    if (touched || depths.isEmpty()) {
        m_spans.clear();
        m_restSince = -1;
        return false;
    }
    if (m_restSince < 0)
        m_restSince = timeMs;
    for (auto it = depths.cbegin(); it != depths.cend(); ++it) {
        auto span = m_spans.find(it.key());
        if (span == m_spans.end()) {
            m_spans.insert(it.key(), {it.value(), it.value()});
        } else {
            span->low = qMin(span->low, it.value());
            span->high = qMax(span->high, it.value());
        }
    }
    if (timeMs - m_restSince < SettleMs)
        return false;

    m_findings.clear();
    for (const Key &k : m_keys) {
        if (!m_spans.contains(k.id))
            continue;
        const Span s = m_spans.value(k.id);
        const int spread = s.high - s.low;
        if (spread > JumpBoundUm)
            m_findings.append({k.id, true, s.low, spread});
        else if (s.low > RestBoundUm)
            m_findings.append({k.id, false, s.low, spread});
    }
    m_spans.clear();
    m_restSince = -1;
    return true;
}
