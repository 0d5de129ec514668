#pragma once

// The keyboard as the pages, the profile application and the command line
// see it: one narrow interface per feature. The board mirror (KB2ActionData)
// implements the four that edit records; KeyboardAction implements all six
// and sends what they change through its worker. Each call returns at once:
// what goes to the keyboard is queued. What the keyboard reports comes back
// through the feature's feed (KeyboardFeeds.h).

#include "AdvancedKeyInfo.h"
#include "AdvancedKeyKinds.h"
#include "BoardRecords.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QString>


class LightingControl {
public:
    virtual ~LightingControl() = default;
    virtual STU_BoardFromPRGB boardPRGB() const = 0;
    // 0 turns the lighting off; m > 0 turns it on with effect m - 1.
    virtual void setLightingMode(int mode) = 0;    // always sends the PRGB record
    virtual void setLightingDirection(bool on) = 0; // always sends the PRGB record
    virtual void setBrightness(quint8 value) = 0;   // if changed
    virtual void setSpeed(quint8 value) = 0;        // if changed
    virtual void setSleep(quint8 value) = 0;        // if changed
    virtual void setLightingValues(int mode, quint8 brightness, quint8 speed, bool direction, quint8 sleep) = 0;
    virtual void setKeyColour(int keyType, quint8 red, quint8 green, quint8 blue) = 0;
    // Many keys' colours as whole colour records, not a frame per key.
    virtual void setKeyColours(const QMap<int, QColor> &colours) = 0;
};

// Travel, rapid trigger and dead zones: the global values and the per-key ones.
class TravelControl {
public:
    virtual ~TravelControl() = default;
    virtual STU_BoardFromDB boardDB() const = 0;
    virtual STU_BoardFromLayout boardLayout() const = 0;
    virtual void setGlobalTravel(quint16 um) = 0;    // if changed; sends the DB record
    virtual void setPressDeadZone(quint16 um) = 0;   // if changed; sends the DB record
    virtual void setReleaseDeadZone(quint16 um) = 0; // if changed; sends the DB record
    // Stores the three values and the low-latency bit; always sends the DB record.
    virtual void setPerformanceValues(quint16 globalTravelUm, quint16 pressDeadZoneUm, quint16 releaseDeadZoneUm,
                                      bool lowLatency) = 0;
    virtual void setLowLatency(bool on) = 0; // always sends the PRGB record
    // Per-key values, 14 entries per record.
    virtual void sendSingleKeyData(const QList<KeyParam> &entries) = 0;
};

class LayerControl {
public:
    virtual ~LayerControl() = default;
    virtual MapKB2DockerKey layoutKeyMap() const = 0;
    // Whether the key has a one-byte code on the wire: a key without one
    // cannot be addressed by a per-key or advanced-key record.
    virtual bool hasWireCode(int keyType) const = 0;
    // Assigns newKeyType to keyType on an Fn layer (0..3); ignored when the
    // layer's read-back map does not hold the key.
    virtual void setLayerKey(int layer, int keyType, int newKeyType) = 0;
    // keyType -> new key type for every key of the map, 14 per record.
    virtual void setLayer(int layer, const QMap<int, int> &keys) = 0;
};

class AdvancedKeyControl {
public:
    static constexpr int MaxMacros = 4;

    virtual ~AdvancedKeyControl() = default;
    // Macros the keyboard's macro store holds (at most MaxMacros).
    virtual int macroCount() const = 0;
    // The store number of a key's macro, -1 when the key has none.
    virtual int macroNumber(int keyType) const = 0;
    // The eight maps in emission order: TDKS, MT, TGL, MPT, END, SOCD, RS, MACRO.
    virtual QList<QVariant> advancedMapVariants() const = 0;
    // A record of any kind (records convert to the variant). Rewriting a
    // key's macro keeps its store number; a new macro takes the lowest free
    // one. False, with nothing sent, when the keyboard cannot take it: the
    // key is unknown, the macro store is full or the macro has no steps.
    virtual bool writeAdvancedBinding(const AdvancedRecord &record) = 0;
    // bindKind is a BindKeyType; the key becomes an ordinary key.
    virtual void removeAdvancedBinding(int keyType, int bindKind) = 0;
};

// What a profile changes on a keyboard: everything but the live streams
// and the connection.
class BoardControl : public LightingControl, public TravelControl, public LayerControl, public AdvancedKeyControl {
public:
    // The polling rate (an index) and the system mode (SystemWindows or
    // SystemMac) are requests of their own, not records of the board copy:
    // only the device sends them. A mode switch has the keyboard read its
    // layers again, which change with the mode.
    virtual void setPollingRate(int index) { (void)index; }
    virtual void switchSystemMode(int mode) { (void)mode; }
};

// The live streams: calibration and the key test. Their rounds and ends
// come through LiveFeed.
class LiveControl {
public:
    virtual ~LiveControl() = default;
    virtual void startCalibration() = 0;
    // Sends the stop only when a calibration is running or about to.
    virtual void stopCalibration() = 0;
    virtual void startKeyTest() = 0;
    virtual void stopKeyTest() = 0;
};

// Finding, opening and closing the keyboard. The outcomes are
// KeyboardAction's sigConnectFinished, sigKeyboardArrived and sigDeviceLost.
class ConnectionControl {
public:
    virtual ~ConnectionControl() = default;
    virtual void requestConnect() = 0;
    virtual void requestArrival(const QString &path) = 0;
    virtual void requestReconnect() = 0;
    virtual void closeDevice() = 0;
    virtual void setHeld(bool held) = 0;
    virtual bool isDeviceOpen() const = 0;
    virtual STU_BoardInfo2 boardInfo() const = 0;
};
