#pragma once

#include <QList>
#include <QString>
#include <QVector>

// One key's travel over time as the key test streams it, and what the
// keyboard makes of it: where it actuates, where rapid trigger moves its
// thresholds to, and where it reported the key actuated and released.
//
// Depths are in micrometres from rest; times in milliseconds from the start
// of a trace.

struct KeyTraceSample {
    qint64 timeMs = 0;
    int depthUm = 0;
    quint8 state = 0; // the stream's state byte for the key
    bool operator==(const KeyTraceSample &o) const
    {
        return timeMs == o.timeMs && depthUm == o.depthUm && state == o.state;
    }
};

// A key's travel settings, as its thresholds need them.
struct KeyTraceSettings {
    int actuationUm = 2000;
    bool rapid = false;
    int pressUm = 300;   // rapid trigger: pressed this far past the turning point actuates again
    int releaseUm = 300; // rapid trigger: risen this far from the turning point releases
    int deadPressUm = 0;   // near rest: the key counts as released in it
    int deadReleaseUm = 0; // near the bottom: movement in it is not a turning point
    int maximumUm = 4000;
};

// Where a key actuated (or released).
struct KeyTraceMark {
    qint64 timeMs = 0;
    int depthUm = 0;
    bool actuated = true; // false: released
    bool operator==(const KeyTraceMark &o) const
    {
        return timeMs == o.timeMs && depthUm == o.depthUm && actuated == o.actuated;
    }
};

namespace KeyTrace {

// The stream's state byte says the key is past its actuation point for 1..7.
bool isActuatedState(quint8 state);

// The keyboard's own word: a mark at every change of the state bits.
QList<KeyTraceMark> reportedMarks(const QVector<KeyTraceSample> &samples);
int actuationCount(const QVector<KeyTraceSample> &samples);
int deepestUm(const QVector<KeyTraceSample> &samples);

} // namespace KeyTrace

// The thresholds a key moves through, fed one sample at a time.
//
// Without rapid trigger a key is actuated at and past its actuation point.
// With it, the first actuation is at the actuation point; from then on the
// key releases once it rises releaseUm from its deepest point and actuates
// again once pressed pressUm past its highest point since, wherever that
// is, until it comes back to rest (into the press dead zone), after which
// the actuation point holds again. Depths inside the release dead zone
// count as its edge, so a key wobbling at the bottom does not turn.
class KeyTriggerModel {
public:
    struct Step {
        bool actuated = false;
        int pressLineUm = -1;   // rapid trigger, released: actuates again here
        int releaseLineUm = -1; // rapid trigger, actuated: releases here
        bool changed = false;   // actuated differs from the sample before
    };

    explicit KeyTriggerModel(const KeyTraceSettings &settings = {}) : m_s(settings) {}
    const KeyTraceSettings &settings() const { return m_s; }
    Step feed(int depthUm);
    void reset();

    // A whole trace: one step per sample, and a mark at every change.
    struct Run {
        QVector<Step> steps;
        QList<KeyTraceMark> marks;
    };
    static Run run(const QVector<KeyTraceSample> &samples, const KeyTraceSettings &settings);

private:
    enum class Phase { Rest, Actuated, Released };
    KeyTraceSettings m_s;
    Phase m_phase = Phase::Rest;
    int m_turnUm = 0; // the last turning point: deepest while actuated, highest while released
};

// What a screen reader hears of a trace: "A：最大深度 3.42 mm，触发 2 次".
QString keyTraceSummary(const QString &key, const QVector<KeyTraceSample> &samples);
