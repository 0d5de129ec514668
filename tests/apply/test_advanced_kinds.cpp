// The advanced-key kinds from their tables alone (the model's traits, the
// device's wire rows, the page's editors): every row names its kind, wire
// nibble and profile item once; a record of the kind encodes to the kind's
// request and decodes back equal; it goes to the keyboard under that nibble;
// a profile holding it reads back equal; and the kind has an editor.

#ifdef CORVANE_KIND_EDITORS
#include "AdvanceKeySetWindow.h"
#include "AdvancedEditors.h"
#endif
#include "AdvancedKeyKinds.h"
#include "AdvancedKindWire.h"
#include "KB2ActionDataParams.h"
#include "Kb2Request.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"
#include "KeyTravelEdit.h"
#include "KeyboardSession.h"
#include "ProfileData.h"
#include "ProfileDocument.h"
#include "SimRig.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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

// The key lookups of the built-in key map, as the board mirror makes them.
AdvancedWireKeys builtInKeys()
{
    const QMap<int, quint16> codes = defaultKeyCodeMap();
    AdvancedWireKeys keys;
    keys.wireOf = [codes](int type) {
        const quint16 code = codes.value(type, kb2param::NoCode);
        return code == kb2param::NoCode ? WireKeyTable::NoKey : kb2_model_to_wire(code);
    };
    keys.typeOf = [codes](quint8 wire) {
        if (wire == WireKeyTable::NoKey)
            return int(KeyTypeNone);
        return codes.key(kb2_wire_to_model(wire), KeyTypeNone);
    };
    keys.codeOf = [codes](int type) { return codes.value(type, kb2param::NoCode); };
    return keys;
}

} // namespace

class TestAdvancedKinds : public QObject {
    Q_OBJECT
private slots:
    // The macro editor lists the macro folder under the current one.
    void initTestCase() { QVERIFY(m_work.isValid() && QDir::setCurrent(m_work.path())); }
    void theTable_data();
    void theTable();

private:
    QTemporaryDir m_work;
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

    // Through the kind's wire records and back; a macro's name stays home.
    const AdvancedKindWire *w = advancedKindWire(kind);
    QVERIFY(w);
    QCOMPARE(int(w->kind), kind);
    const AdvancedWireKeys keys = builtInKeys();
    const QList<QVariant> wire = w->encode(record, keys, 1);
    QVERIFY(!wire.isEmpty());
    QCOMPARE(kb2RequestTypeForRecord(wire.first()), w->request);
    QCOMPARE(advancedKindOfWireRecord(wire.first()), kind);
    const std::optional<AdvancedRecord> decoded = w->decode(wire, 0, keys);
    QVERIFY(decoded);
    AdvancedRecord expected = record;
    if (auto *macro = std::get_if<MACROInfo>(&expected))
        macro->macroName.clear();
    QVERIFY(*decoded == expected);
    // A key without a wire code encodes to nothing; an empty entry decodes to nothing.
    AdvancedRecord unknownKey = record;
    std::visit([](auto &r) { r.keyIndex = KeyTypeNone; }, unknownKey);
    QVERIFY(w->encode(unknownKey, keys, 1).isEmpty());
    QVERIFY(!w->decode(wire, 1, keys) || kind == Bind_SOCD || kind == Bind_RS); // a pair fills entry 1
    QVERIFY(!w->decode(wire, w->entries, keys));

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

    // A profile holding the record, written and read again: the same binding.
    AdvancedRecord held = record;
    if (auto *macro = std::get_if<MACROInfo>(&held))
        macro->steps.clear(); // a profile names its macro; the steps live in the macro's file
    ProfileData withBinding;
    withBinding.advanced = QMap<int, AdvancedBinding>{{TypeH, held}};
    const ProfileData again = readProfile(writeProfile(withBinding));
    QCOMPARE(again, withBinding);
    const std::optional<AdvancedRecord> reread = advancedRecordFromVariant(again.advanced->value(TypeH).record(TypeH));
    QVERIFY(reread && *reread == held);

#ifdef CORVANE_KIND_EDITORS
    // The kind's editor.
    const AdvancedEditorFactory make = advancedEditorFactory(kind);
    QVERIFY(make);
    const std::unique_ptr<AdvanceKeySetWindow> editor(make(nullptr));
    QVERIFY(editor);
    QCOMPARE(editor->kind(), kind);
    QVERIFY(!advancedEditorFactory(Bind_None) && !advancedEditorFactory(AdvancedKindCount));
#endif
}

QTEST_MAIN(TestAdvancedKinds)
#include "test_advanced_kinds.moc"
