#pragma once

#include "TravelScale.h"

#include <QList>
#include <QMap>

// Setting the actuation travel by pressing: while a watch runs, the deepest
// travel each watched key reaches becomes its actuation travel. Keys are
// named by an id of the caller's choice (the pages use the key type) and
// found in the key test's rounds by their matrix position.
//
// A key counts as pressed from PressedFromUm on; one that never got there
// keeps its travel. A key already held when the watch starts counts with
// the depth it has then, so "hold the key, then click" works.
class TravelByPress {
public:
    // Below this a key counts as released: resting sensors read a few tens
    // of micrometres, and the keyboard's shortest travel is 0.1 mm.
    static constexpr int PressedFromUm = 100;

    struct Key {
        int id = 0;
        int row = 0;
        int column = 0;
    };
    struct Result {
        QMap<int, int> travelUm; // id -> travel on the keyboard's scale
        QList<int> unpressed;    // ids, in the order they were watched
    };
    using Round = QList<QList<quint16>>;

    // Starts watching the keys; lastRound is the newest round the key test
    // has shown (empty when none came yet). Returns false, and watches
    // nothing, when no key has a place in the matrix.
    bool start(const QList<Key> &keys, const Round &lastRound);
    bool isWatching() const { return m_watching; }
    QList<int> watchedIds() const;
    // A round of the key test while watching; a key the round lacks keeps
    // what it had.
    void addRound(const Round &travel);
    // The deepest travel seen so far, in µm (0 for a key not watched).
    int deepestUm(int id) const;
    // Ends the watch: each pressed key's deepest travel, truncated to the
    // scale's step and kept within its range.
    Result finish(const TravelScale &scale);
    // Ends the watch without a result.
    void cancel();

private:
    struct Watched {
        Key key;
        int deepestUm = 0;
    };
    static int depthAt(const Round &round, const Key &key);

    QList<Watched> m_keys;
    bool m_watching = false;
};
