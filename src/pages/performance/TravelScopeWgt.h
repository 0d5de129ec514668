#pragma once

#include "KeyTrace.h"
#include "KeyTraceCsv.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QWidget>

// A key the scope follows: where its depth is in the key test's rounds and
// the settings its thresholds come from (none for a key of a recording that
// the keyboard on screen does not have).
struct ScopeKey {
    int id = 0; // the key type
    QString name;
    int row = -1, column = -1;
    bool hasSettings = false;
    KeyTraceSettings settings;
};

// The travel scope's plot: the depth of one to four keys over the last
// WindowMs, each in its colour, against its actuation point, the rapid
// trigger thresholds as they move with the key's turning points, the dead
// zones, and a mark wherever the keyboard reported the key actuated (filled)
// or released (open). Hovering a point tells its time, depth and state.
//
// Live, it keeps only what the window shows, so memory stays flat however
// long it runs; paused, it keeps what it showed. A recording replaces the
// live trace until live rounds are asked for again.
class QTimer;

class TravelScopeWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxKeys = 4;
    static constexpr qint64 WindowMs = 5000;
    static QColor keyColour(int index);

    explicit TravelScopeWgt(QWidget *parent = nullptr);

    // Keys change: the traces start again (the same keys keep theirs, with
    // their settings renewed).
    void setKeys(const QList<ScopeKey> &keys);
    const QList<ScopeKey> &keys() const { return m_keys; }
    void setMaximumUm(int um);

    // A round of the key test at timeMs; nothing while paused or replaying.
    // Returns the samples taken, one per key, for a recording.
    QVector<KeyTraceSample> addRound(qint64 timeMs, const QList<QList<quint16>> &travel,
                                     const QList<QList<quint8>> &flags);
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    // Shows a recording; settingsOf gives a key's settings by its name.
    void showRecording(const KeyTraceCsv::Recording &recording, const QList<ScopeKey> &known);
    bool isReplay() const { return m_replay; }
    // Back to an empty live trace.
    void clearTraces();

    QVector<KeyTraceSample> samples(int key) const;
    QList<KeyTraceMark> marks(int key) const;
    QVector<KeyTriggerModel::Step> steps(int key) const;
    // One line per key: "A：最大深度 3.42 mm，触发 2 次".
    QString summary() const;
    // What hovering at a point of the widget tells; empty away from a point.
    QString pointText(const QPoint &at) const;
    // The point of a sample in the widget.
    QPoint pointOf(int key, int sample) const;

    QSize sizeHint() const override { return {720, 360}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Trace {
        QVector<KeyTraceSample> samples;
        QVector<KeyTriggerModel::Step> steps;
        QList<KeyTraceMark> marks;
        KeyTriggerModel model;
        bool actuated = false;
    };
    void take(Trace &t, const KeyTraceSample &s);
    void trim(Trace &t, qint64 before);
    void refreshAccessibleDescription();
    QByteArray backgroundSignature() const;
    void paintBackground(QPainter &p);
    QRect plotRect() const;
    qint64 startMs() const;
    qint64 endMs() const;
    double xOf(qint64 ms) const;
    double yOf(int um) const;

    QList<ScopeKey> m_keys;
    QList<Trace> m_traces;
    int m_maximumUm = 4000;
    qint64 m_nowMs = 0;
    bool m_paused = false;
    bool m_replay = false;
    QTimer *m_repaint = nullptr;
    QPixmap m_background;
    QByteArray m_backgroundSignature;
};
