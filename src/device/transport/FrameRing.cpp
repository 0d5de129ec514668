#include "FrameRing.h"

#include "Kb2Frame.h"

#include <QDateTime>
#include <QMutex>

#include <array>

namespace {

struct Ring {
    QMutex lock;
    std::array<FrameRing::Entry, FrameRing::Capacity> slots;
    quint64 recorded = 0; // the next slot is recorded % Capacity
};

Ring &ring()
{
    static Ring r;
    return r;
}

} // namespace

void FrameRing::record(Direction direction, const quint8 *data, int size)
{
    size = qBound(0, size, Kb2Frame::Size);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Ring &r = ring();
    QMutexLocker l(&r.lock);
    Entry &e = r.slots[size_t(r.recorded % Capacity)];
    e.sequence = ++r.recorded;
    e.msecsSinceEpoch = now;
    e.direction = direction;
    e.bytes = QByteArray(reinterpret_cast<const char *>(data), data ? size : 0);
}

QList<FrameRing::Entry> FrameRing::entries()
{
    Ring &r = ring();
    QMutexLocker l(&r.lock);
    const quint64 count = qMin<quint64>(r.recorded, Capacity);
    QList<Entry> out;
    out.reserve(int(count));
    for (quint64 s = r.recorded - count; s < r.recorded; ++s)
        out.append(r.slots[size_t(s % Capacity)]);
    return out;
}

quint64 FrameRing::recorded()
{
    Ring &r = ring();
    QMutexLocker l(&r.lock);
    return r.recorded;
}

void FrameRing::clear()
{
    Ring &r = ring();
    QMutexLocker l(&r.lock);
    r.recorded = 0;
    for (Entry &e : r.slots)
        e = Entry();
}
