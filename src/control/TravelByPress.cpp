#include "TravelByPress.h"

#include "KeyMatrix.h"

int TravelByPress::depthAt(const Round &round, const Key &key)
{
    if (key.row < 0 || key.row >= round.size() || key.column < 0 || key.column >= round.at(key.row).size())
        return -1;
    return round.at(key.row).at(key.column);
}

bool TravelByPress::start(const QList<Key> &keys, const Round &lastRound)
{
    m_keys.clear();
    for (const Key &k : keys) {
        if (k.row < 0 || k.row >= KeyMatrix::Rows || k.column < 0 || k.column >= KeyMatrix::Cols)
            continue;
        m_keys.append({k, qMax(0, depthAt(lastRound, k))});
    }
    m_watching = !m_keys.isEmpty();
    return m_watching;
}

QList<int> TravelByPress::watchedIds() const
{
    QList<int> ids;
    for (const Watched &w : m_keys)
        ids << w.key.id;
    return ids;
}

void TravelByPress::addRound(const Round &travel)
{
    if (!m_watching)
        return;
    for (Watched &w : m_keys)
        w.deepestUm = qMax(w.deepestUm, depthAt(travel, w.key));
}

int TravelByPress::deepestUm(int id) const
{
    for (const Watched &w : m_keys)
        if (w.key.id == id)
            return w.deepestUm;
    return 0;
}

TravelByPress::Result TravelByPress::finish(const TravelScale &scale)
{
    Result result;
    if (!m_watching)
        return result;
    for (const Watched &w : m_keys) {
        if (w.deepestUm < PressedFromUm)
            result.unpressed << w.key.id;
        else
            result.travelUm.insert(w.key.id, scale.micronsAt(scale.positionOfMicrons(w.deepestUm)));
    }
    cancel();
    return result;
}

void TravelByPress::cancel()
{
    m_keys.clear();
    m_watching = false;
}
