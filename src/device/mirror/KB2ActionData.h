#pragma once

#include "AdvancedKindWire.h"
#include "BoardRecords.h"
#include "KeyboardFeatures.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QColor>
#include <QMutex>

#include "KeyMatrix.h"
#include <QVariant>

// The board-side copy of the keyboard's configuration, and the operations
// that change it and hand the changed records to its outlet.
//
// The record operations run on the GUI thread while the device worker stores
// decoded answers, so all state sits behind one internal mutex. The outlet
// is always called with it released.
class KB2ActionData : public BoardControl
{
public:
    // Where changed records go, and who hears that a walk's tables are in.
    class Outlet {
    public:
        virtual ~Outlet() = default;
        virtual void sendRecord(const QVariant &record) = 0;
        virtual void emitLayoutDB() = 0;
        virtual void emitLayoutKey() = 0;
        virtual void emitLayoutDis() = 0;
        virtual void emitAdvancedKey(const QVariant &map) = 0;
    };

    // A macro owns the step offsets number * 256 .. number * 256 + 255.
    static constexpr int MaxMacroSteps = 256;

    explicit KB2ActionData(Outlet &outlet);
    ~KB2ActionData() override;

    KB2ActionData(const KB2ActionData &) = delete;
    KB2ActionData &operator=(const KB2ActionData &) = delete;

    // KeyType -> 16-bit key code; starts as defaultKeyCodeMap().
    QMap<int, quint16> keyIdMap() const;
    void setKeyIdMap(const QMap<int, quint16> &map);

    STU_BoardInfo2 boardInfo() const;
    STU_BoardFromLayout boardLayout() const override;
    STU_BoardFromDB boardDB() const override;
    STU_BoardFromPRGB boardPRGB() const override;
    // Macros the keyboard's macro store holds (at most MaxMacros).
    int macroCount() const override;
    // The store number of a key's macro, -1 when the key has none.
    int macroNumber(int keyType) const override;
    // A macro's steps as the keyboard stores them (at most MaxMacroSteps
    // words): what writing the macro sends.
    QList<quint32> macroStepWords(const QList<MACRO_Key> &steps) const;
    // The first count words of store number `number` as the keyboard last
    // answered them (a macro write or read); shorter when not all were seen.
    QList<quint32> macroStoreWords(int number, int count) const;
    // The step count the keyboard keeps for a key's macro, -1 when unknown.
    int macroStepCount(int keyType) const;
    // Whether the key has a one-byte code on the wire: a key without one
    // cannot be addressed by a per-key or advanced-key record.
    bool hasWireCode(int keyType) const override;

    // --- Operations on the board records (GUI thread) ---
    void setGlobalTravel(quint16 um) override;      // if changed; sends the DB record
    void setPressDeadZone(quint16 um) override;     // if changed; sends the DB record
    void setReleaseDeadZone(quint16 um) override;   // if changed; sends the DB record
    // Stores the three values and the low-latency bit; always sends the DB record.
    void setPerformanceValues(quint16 globalTravelUm, quint16 pressDeadZoneUm,
                              quint16 releaseDeadZoneUm, bool lowLatency) override;
    void setLowLatency(bool on) override;           // always sends the PRGB record
    // 0 turns the lighting off; m > 0 turns it on with effect m - 1.
    void setLightingMode(int mode) override;        // always sends the PRGB record
    void setLightingDirection(bool on) override;    // always sends the PRGB record
    void setBrightness(quint8 value) override;      // if changed
    void setSpeed(quint8 value) override;           // if changed
    void setSleep(quint8 value) override;           // if changed
    void setLightingValues(int mode, quint8 brightness, quint8 speed, bool direction, quint8 sleep) override;
    void setKeyColour(int keyType, quint8 red, quint8 green, quint8 blue) override;
    // Many keys' colours as whole colour records (STU_BoardFromKRGB::Entries
    // keys a frame), not a frame per key.
    void setKeyColours(const QMap<int, QColor> &colours) override;
    // Assigns newKeyType to keyType on an Fn layer (0..3); ignored when the
    // layer's read-back map does not hold the key.
    void setLayerKey(int layer, int keyType, int newKeyType) override;
    // keyType -> new key type for every key of the map, 14 per record.
    void setLayer(int layer, const QMap<int, int> &keys) override;
    // Per-key values, 14 entries per record.
    void sendSingleKeyData(const QList<KeyParam> &entries) override;
    // A record of any kind. Rewriting a key's macro keeps its store number;
    // a new macro takes the lowest free one. False, with nothing sent, when
    // the key has no wire code, the macro store is full or the macro has no
    // steps.
    bool writeAdvancedBinding(const AdvancedRecord &record) override;
    // bindKind is a BindKeyType; the key becomes an ordinary key.
    void removeAdvancedBinding(int keyType, int bindKind) override;

    // --- Decoding side (device worker) ---
    void storeBoardInfo(const STU_BoardInfo2 &info);
    void storePRGB(const STU_BoardFromPRGB &prgb); // keeps the byte not carried on the wire
    void storeDB(const STU_BoardFromDB &db);       // only the seven values carried by 0x29
    // Answer 0xA3 of a queued write or read.
    void applyKeyEntries(const STU_BoardFromKey &rec);
    // Answer 0xA3 of the initial or layout walk: stores each value at the
    // key's cell of the key matrix.
    void storeWalkEntries(const STU_BoardFromKey &rec);
    // Answer 0xA0: the steps the keyboard holds at the piece's offsets.
    void storeMacroPiece(const STU_BoardFromMACRO &piece);
    // The colour walk's result: every colour the keyboard reported, in
    // place of those kept before.
    void storeKeyColours(const QMap<int, QColor> &colours);
    // Answer 0xAA: each entry's colour, as the keyboard now holds it.
    void storeKeyColourEntries(const STU_BoardFromKRGB &rec);
    // Answers 0xA4..0xA8, 0xAC and 0xAD: every key of a kind's wire record (held in the
    // variant) into the kind's map; anything else is ignored.
    void storeAdvancedEntries(const QVariant &wireRecord);
    // Clears the eight advanced-key maps and rebuilds them from the stored
    // per-key parameters, key by key over the family's built-in matrix.
    void rebuildAdvancedMaps(const quint16 familyMatrix[KB2MatrixCells]);
    // End of a parameter walk: rebuild, then emitLayoutDB, emitLayoutKey,
    // emitLayoutDis and emitAdvancedKey for each of the eight maps.
    void finishWalk(const quint16 familyMatrix[KB2MatrixCells]);

    // Key type -> colour, as the keyboard last reported it.
    QMap<int, QColor> keyColours() const;

    // The keyboard's key matrix, as its answers to the matrix query gave it.
    KeyMatrix keyMatrix() const;
    void clearKeyMatrix();
    void setKeyMatrixCell(int row, int col, quint16 code);

    // Copies for the worker to emit.
    MapKB2DockerDB layoutDBMap() const;
    MapKB2DockerKey layoutKeyMap() const override;
    // Parameter 4, 20 or 21 of every cell as 6 rows x 21 (empty for others).
    QList<QList<quint16>> layoutParamRows(int param) const;
    MapKB2DockerTDKS tdksMap() const;
    MapKB2DockerMT mtMap() const;
    MapKB2DockerTGL tglMap() const;
    MapKB2DockerMPT mptMap() const;
    MapKB2DockerEND endMap() const;
    MapKB2DockerSOCD socdMap() const;
    MapKB2DockerRS rsMap() const;
    MapKB2DockerMACRO macroMap() const;
    // The eight maps in emission order: TDKS, MT, TGL, MPT, END, SOCD, RS, MACRO.
    QList<QVariant> advancedMapVariants() const override;

private:
    // Helpers below expect m_lock held.
    quint8 wireOfType(int keyType) const;    // 0xFF when unknown or without a wire code
    quint8 colourWireOfType(int keyType) const; // the FN key goes out as Fn layer 1
    int typeOfCode(quint16 code) const;      // -1 for code 0 or unknown
    int typeOfWire(quint8 wire) const;       // -1 for 0xFF, empty or unknown
    int cellOfWire(quint8 wire) const;       // the key's cell of the matrix, -1 when it has none
    KeyTravelRecord travelRecord(int triggerMode, int cell) const; // cell: the key's, or -1
    quint16 triggerBitsOf(int keyType) const; // the high nibble of parameter 8 for the key's trigger mode
    // Records a macro key with its store number (-1: the lowest free one),
    // named Macro<count>; at most MaxMacros.
    void addMacroKey(int keyType, int number);
    int freeMacroNumber() const; // -1 when the store is full
    void forgetMacro(int keyType);
    QList<quint32> stepWordsLocked(const QList<MACRO_Key> &steps) const;
    void sendAll(const QList<QVariant> &records);
    AdvancedWireKeys wireKeys() const;
    // The map of a record's kind.
    template <typename Record>
    QMap<int, Record> &mapOf(const Record &) { return std::get<QMap<int, Record>>(m_maps); }
    template <typename Record>
    const QMap<int, Record> &mapOf() const { return std::get<QMap<int, Record>>(m_maps); }
    template <typename Record, typename Change>
    void changeAndSend(Record &record, Change change);

    Outlet &m_outlet;
    mutable QMutex m_lock;
    KeyMatrix m_matrix;
    QMap<int, quint16> m_keyIdMap;
    QHash<quint16, int> m_typeByCode;
    STU_BoardInfo2 m_info;
    STU_BoardFromLayout m_layout;
    STU_BoardFromDB m_db;
    STU_BoardFromPRGB m_prgb;
    MapKB2DockerKey m_keyMap;
    MapKB2DockerDB m_dbMap;
    QMap<int, QColor> m_keyColours; // key type -> colour (alpha 255)
    AdvancedMaps m_maps; // the bindings, a map per kind
    int m_macroCount = 0;            // macros named so far, for Macro<count>
    QMap<int, int> m_macroNumbers;   // key type -> store number
    QHash<quint16, quint32> m_macroStore; // step offset -> word, as last answered
};
