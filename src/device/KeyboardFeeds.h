#pragma once

// What the keyboard reports that its configuration does not carry, one small
// object per feature: the live streams, the travel scale, the key identities,
// the lighting record as reported. The configuration itself reaches the pages
// through KeyboardConfigModel when the read-back ends. KeyboardAction owns one
// of each feed and emits through them wherever the worker reports (its own
// thread, or the live rounds' delivery on the GUI thread), so a receiver on
// another thread hears them queued, in the order they were reported. A page
// connects to the feeds of its features and sends through the controls of
// KeyboardFeatures.h; it never sees the worker.

#include <QList>
#include <QMap>
#include <QObject>
#include <QVariant>

class LightingFeed : public QObject {
    Q_OBJECT
signals:
    // The lighting record (STU_BoardFromPRGB).
    void lightingRead(const QVariant &prgb);
};

class TravelFeed : public QObject {
    Q_OBJECT
signals:
    // The travel step in mm and the shortest and longest travel in µm.
    void precisionRead(double stepMm, quint16 minimumUm, quint16 maximumUm);
};

class LayerFeed : public QObject {
    Q_OBJECT
signals:
    // Key type -> its wire codes, for every key the keyboard has.
    void keyCodesRead(const QMap<int, QList<int>> &map);
};

class LiveFeed : public QObject {
    Q_OBJECT
signals:
    // One calibration round: the six-row table and the two-row one.
    void calibrationRound(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
    // One key-test round: each key's travel and its flags.
    void keyTestRound(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    // The calibration poll or the key test stopped, for whatever reason.
    void calibrationEnded();
    void keyTestEnded();
};

class ConnectionFeed : public QObject {
    Q_OBJECT
signals:
    // A keyboard's identity (STU_BoardInfo2): a new connection is being read.
    void deviceInfoRead(const QVariant &info);
};

// The feeds of one keyboard. Not copyable: receivers hold its members.
struct KeyboardFeeds {
    LightingFeed lighting;
    TravelFeed travel;
    LayerFeed layers;
    LiveFeed live;
    ConnectionFeed connection;
};
