// The advanced-key kinds from their traits table alone: every row names its
// kind, wire nibble and profile item once, a record of the kind goes to the
// keyboard under that nibble, and a profile entry under that item reads back
// as that kind.

#include "AdvancedKeyKinds.h"
#include "KeyTravelEdit.h"
#include "KeyboardSession.h"
#include "ProfileData.h"
#include "ProfileDocument.h"
#include "SimRig.h"

#include <QJsonObject>
#include <QtTest>

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeH = 56;

// A record of the kind that the keyboard takes: bound keys set where the kind has them.
AdvancedRecord sampleOf(int kind, int key)
{
    AdvancedRecord record = *advancedRecordOfKind(kind, key);
    std::visit(
        [](auto &r) {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, DKSInfo>) {
                r.touchDis = {1.5};
                r.bindKey = {TypeA, TypeS, TypeD, TypeH};
                r.triggerValue = {"1000000", "0001000", "0000001", "1111111"};
            } else if constexpr (std::is_same_v<R, MPTInfo>) {
                r.bindKey = {TypeA, TypeS, TypeD};
                r.triggerValue = {500, 1500, 2500};
            } else if constexpr (std::is_same_v<R, MTInfo>) {
                r.pressType = TypeA;
                r.clickType = TypeS;
                r.delay = 200;
            } else if constexpr (std::is_same_v<R, MACROInfo>) {
                r.macroName = QStringLiteral("M");
                r.steps = {MACRO_Key{true, keyTypeName(TypeA), 10}, MACRO_Key{false, keyTypeName(TypeA), 0}};
            } else {
                r.switchType = TypeA;
            }
        },
        record);
    return record;
}

} // namespace

class TestAdvancedKinds : public QObject {
    Q_OBJECT
private slots:
    void theTable_data();
    void theTable();
};

void TestAdvancedKinds::theTable_data()
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind < AdvancedKindCount; ++kind)
        QTest::newRow(qPrintable(bindKeyTypeLabel(kind))) << kind;
}

void TestAdvancedKinds::theTable()
{
    QFETCH(int, kind);
    const AdvancedKindTraits *t = advancedKindTraits(kind);
    QVERIFY(t);
    QCOMPARE(int(t->kind), kind);
    QCOMPARE(advancedKindOfNibble(t->wireNibble), kind);
    QCOMPARE(advancedKindOfItem(QLatin1String(t->profileItem)), kind);
    QCOMPARE(advancedTypeOf(kind), quint16(t->wireNibble));
    QVERIFY(!advancedKindTraits(AdvancedKindCount) && !advancedKindTraits(Bind_None));

    // The record of the kind, through a QVariant and back.
    const AdvancedRecord record = sampleOf(kind, TypeH);
    QCOMPARE(advancedKindOf(record), kind);
    QCOMPARE(advancedKeyOf(record), TypeH);
    const std::optional<AdvancedRecord> back = advancedRecordFromVariant(advancedRecordToVariant(record));
    QVERIFY(back && *back == record);
    QVERIFY(!advancedRecordFromVariant(QVariant(42)));

    // Encoded: the keyboard holds the kind's nibble on the key.
    SimRig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.worker->writeAdvancedBinding(record));
    QVERIFY(rig.waitIdle(20000));
    QCOMPARE(rig.param(8, TypeH) & 0x0F, int(t->wireNibble));

    // A profile entry under the kind's item reads back as the kind, and is
    // written under that item again.
    QJsonObject entry{{ProfileMembers::BindItem, QLatin1String(t->profileItem)}};
    const ProfileData profile = readProfile(QJsonObject{{ProfileKeys::AdvancedKey, QJsonObject{{"56", entry}}}});
    QVERIFY(profile.advanced);
    QCOMPARE(profile.advanced->value(TypeH).kind(), kind);
    const std::optional<AdvancedRecord> fromProfile = advancedRecordFromVariant(profile.advanced->value(TypeH).record(TypeH));
    QVERIFY(fromProfile);
    QCOMPARE(advancedKindOf(*fromProfile), kind);
    const QJsonObject written = writeProfile(profile).value(ProfileKeys::AdvancedKey).toObject();
    QCOMPARE(written.value("56").toObject().value(ProfileMembers::BindItem).toString(), QLatin1String(t->profileItem));
}

QTEST_GUILESS_MAIN(TestAdvancedKinds)
#include "test_advanced_kinds.moc"
