#pragma once

#include "ConfigPageWgt.h"
#include "KeyTravelEdit.h"

#include <QList>
#include <QMap>
#include <QVariant>

class KeyboardBtn;

// The performance page: actuation travel, rapid trigger, dead zones,
// calibration and the key test. It owns the travel and rapid-trigger edits
// of the selected keys (the arithmetic is KeyTravelEdit's), shows the
// keyboard's per-key travel on the keys, and hands the live key-test and
// calibration data to the view on screen as data to draw.
class PerformancePageWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    explicit PerformancePageWgt(QWidget *parent = nullptr);
    QString title() const override;
    void showProfile(const ProfileData &profile) override;

protected:
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    KeyTravelState travelState(const KeyboardBtn *key) const;
    // Sends the entries and stores the records in the current profile.
    void writeTravel(const QList<KeyParam> &entries, const QMap<int, KeyTravelRecord> &records);
    // Changes every checked key, then writes and stores the entries that
    // entriesOf gives for its new state.
    using EntriesOf = int (*)(const KeyTravelState &, QList<KeyParam> *);
    template <typename Change>
    void editCheckedKeys(Change change, EntriesOf entriesOf);

    void setKeysSelectable(bool on);
    void onModifyChoosedKeyTouch(double mm);
    void onResetAllKeyTouchDis();
    void onUpdateOtherKeyTouch();
    void onShowTouchDisKeyBorder(bool on);
    void onShowQuickTouchKeyBorder(bool on);
    void onSetQuickTouchKeyChoosed();
    void onSetChoosedKeyQuickTouck();
    void onChooseAllKey(bool on);
    void onChooseWasd();

    void onLayoutDB(const QVariant &map);
    void onLayoutDis(const QList<QList<quint16>> &travel, const QList<QList<quint16>> &press,
                     const QList<QList<quint16>> &release);
    void onKeyTestData(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);
    void onCalibrationData(const QList<QList<quint16>> &table6, const QList<QList<quint16>> &table2);
};
