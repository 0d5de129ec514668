#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The last frames exchanged with the keyboard, in memory only: a support
// report shows what went over the wire just before a problem. Nothing here is
// ever written to disk. Every Kb2Link records into the one process-wide ring;
// any thread may record or read.
class FrameRing {
public:
    static constexpr int Capacity = 200;

    enum class Direction { ToKeyboard, FromKeyboard };
    struct Entry {
        quint64 sequence = 0; // 1 for the first frame recorded since start (or clear)
        qint64 msecsSinceEpoch = 0;
        Direction direction = Direction::ToKeyboard;
        QByteArray bytes; // as on the wire: header + payload, at most 256 bytes
    };

    static void record(Direction direction, const quint8 *data, int size);
    // Oldest first; at most Capacity.
    static QList<Entry> entries();
    // Frames recorded since start (or clear), including those pushed out.
    static quint64 recorded();
    static void clear();
};
