#pragma once

#include <QList>
#include <QMap>

// Keys whose reading drifts: while the key test runs and no key is pressed
// for a moment, a key that stays above RestBoundUm, or whose reading jumps
// by more than JumpBoundUm, wants calibrating before it fires on its own.
// Keys are named by an id of the caller's choice and found in the rounds by
// their matrix position.
class RestDrift {
public:
    // A resting sensor reads within a few tens of micrometres of zero; a
    // key resting 0.15 mm deep has used most of the 0.2 mm press dead zone
    // the trigger optimisation keeps, so a little more and it fires unpressed.
    static constexpr int RestBoundUm = 150;
    // Twice the spread a resting sensor shows; more is a sensor or magnet
    // that jumps.
    static constexpr int JumpBoundUm = 100;
    // A finger: no drift reads this deep, so a key here is pressed and the
    // keyboard is not at rest.
    static constexpr int TouchedFromUm = 500;
    // "A moment" of rest: long enough for a released key to settle.
    static constexpr int SettleMs = 1000;

    struct Key {
        int id = 0;
        int row = 0;
        int column = 0;
    };
    struct Finding {
        int id = 0;
        bool jumping = false; // else it rests too deep
        int restUm = 0;       // its lowest reading over the rest
        int spreadUm = 0;     // highest less lowest over the rest
        bool operator==(const Finding &o) const
        {
            return id == o.id && jumping == o.jumping && restUm == o.restUm && spreadUm == o.spreadUm;
        }
    };
    using Round = QList<QList<quint16>>;

    void setKeys(const QList<Key> &keys);
    // A round of the key test at a time in ms (non-decreasing). Returns true
    // when a rest ended and the findings were renewed.
    bool addRound(qint64 timeMs, const Round &travel);
    // The keys of the last whole rest that drift, in the order of setKeys.
    QList<Finding> findings() const { return m_findings; }
    // Forgets the rest under way and the findings (a new key test).
    void reset();

private:
    struct Span {
        int low = 0;
        int high = 0;
    };
    QList<Key> m_keys;
    QMap<int, Span> m_spans; // id -> over the rest under way
    qint64 m_restSince = -1;
    QList<Finding> m_findings;
};
