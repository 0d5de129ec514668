#include "AdvancedKeyInfo.h"
#include "AppParams.h"
#include "KeyInfo.h"
#include "KeyTypeTable.h"
#include "ModelMetaTypes.h"
#include "KeyMatrix.h"
#include "ToastTypes.h"
#include "Units.h"

#include <QAssociativeIterable>
#include <QSequentialIterable>
#include <QtTest>

class TestModel : public QObject
{
    Q_OBJECT
private slots:
    void recordsAndMetaTypes();
    void containerMetaTypes();
    void keyMatrix();
    void keyTypeTable();
    void sessionNonce();
    void travelConversion();
};

void TestModel::recordsAndMetaTypes()
{
    const MTInfo mt;
    QCOMPARE(mt.pressType, -1);
    QCOMPARE(mt.clickType, -1);
    QCOMPARE(mt.delay, 200);
    QCOMPARE(DKSInfo().keyIndex, -1);
    QCOMPARE(MPTInfo().keyIndex, -1);
    QCOMPARE(TGLInfo().switchType, -1);
    QCOMPARE(TGLInfo().delay, 0);
    QCOMPARE(RSInfo().switchType, -1);

    const KeyInfo key;
    QCOMPARE(key.colour, QColor(245, 247, 250));
    QCOMPARE(key.travel, 1.5);
    QCOMPARE(key.bindKind(), int(Bind_None));
    QCOMPARE(key.boundOr<MTInfo>().delay, 200);

    // The id functions register once, under the record's name.
    const int id = mtInfoMetaTypeId();
    QCOMPARE(mtInfoMetaTypeId(), id);
    QCOMPARE(QMetaType::type("MTInfo"), id);
    QCOMPARE(QMetaType::type("MACROInfo"), macroInfoMetaTypeId());
    QCOMPARE(QMetaType::type("KeyTravelRecord"), keyTravelRecordMetaTypeId());
    QVERIFY(socdInfoMetaTypeId() != rsInfoMetaTypeId());

    // A record survives a variant, which is how ProfileManager tells them apart.
    MACROInfo macro;
    macro.keyIndex = 51;
    macro.macroName = QStringLiteral("Macro0");
    macro.steps << MACRO_Key{true, QStringLiteral("A"), 30} << MACRO_Key{false, QStringLiteral("A"), 0};
    const QVariant v = QVariant::fromValue(macro);
    QCOMPARE(v.userType(), macroInfoMetaTypeId());
    QCOMPARE(v.value<MACROInfo>(), macro);

    QCOMPARE(bindKeyTypeLabel(Bind_SOCD), QStringLiteral("SOCD"));
    QVERIFY(bindKeyTypeLabel(Bind_None).isEmpty());
    QVERIFY(bindKeyTypeLabel(8).isEmpty());
}

void TestModel::containerMetaTypes()
{
    registerModelMetaTypes();
    registerContainerMetaTypes(); // twice is harmless
    QVERIFY(QMetaType::type("QMap<int, QList<int>>") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("QMap<int, QColor>") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("QList<QList<quint16>>") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("QList<QList<quint8>>") != QMetaType::UnknownType);
    QCOMPARE(QMetaType::sizeOf(QMetaType::type("ToastType")), 4);
    QCOMPARE(QMetaType::sizeOf(QMetaType::type("ToastPosition")), 4);

    // Receivers iterate the containers inside the variant.
    KeyColourMap colours{{3, Qt::red}, {7, Qt::blue}};
    const QVariant vc = QVariant::fromValue(colours);
    QVERIFY(QMetaType::hasRegisteredConverterFunction(
        vc.userType(), qMetaTypeId<QtMetaTypePrivate::QAssociativeIterableImpl>()));
    QCOMPARE(vc.value<QAssociativeIterable>().size(), 2);

    TravelTable table{{1, 2, 3}, {4, 5}};
    const QVariant vt = QVariant::fromValue(table);
    QVERIFY(QMetaType::hasRegisteredConverterFunction(
        vt.userType(), qMetaTypeId<QtMetaTypePrivate::QSequentialIterableImpl>()));
    QCOMPARE(vt.value<QSequentialIterable>().size(), 2);
}

void TestModel::keyMatrix()
{
    KeyMatrix m;
    QCOMPARE(m.findKey(0), 255); // even though every cell holds 0
    m.setCell(0, 1, 2);
    QCOMPARE(m.cell(0, 1), quint16(0xF002));
    QCOMPARE(m.findKey(2), 255);
    QCOMPARE(m.findKey(0xF002), 1);

    m.setCell(5, 20, 0x29);
    m.setCell(3, 4, 0x29);
    QCOMPARE(m.findKey(0x29), 3 * 32 + 4); // first in row-major order
    m.setCell(6, 0, 0x30);                 // outside: ignored
    m.setCell(0, 21, 0x30);
    QCOMPARE(m.findKey(0x30), 255);
    QCOMPARE(m.keyCount(), 3);

    QCOMPARE(m.nextKeyAfter(-1), qMakePair(quint16(0xF002), 1));
    QCOMPARE(m.nextKeyAfter(1), qMakePair(quint16(0x29), 3 * 21 + 4));
    QCOMPARE(m.nextKeyAfter(3 * 21 + 4), qMakePair(quint16(0x29), 125));
    QCOMPARE(m.nextKeyAfter(125), qMakePair(quint16(0), 126));
    QCOMPARE(m.nextKeyAfter(400), qMakePair(quint16(0), 126));

    m.clear();
    QCOMPARE(m.keyCount(), 0);
}

void TestModel::keyTypeTable()
{
    struct Row { int type; const char *name; int code; };
    const Row rows[] = {
        {0, "Esc", 0x29}, {12, "F12", 0x45}, {16, "`~", 0x35}, {26, "0", 0x27}, {46, "\\", 0x31},
        {61, "'", 0x34}, {75, "↑", 0x52}, {81, "Fn", -1}, {103, "R-Enter", 0x58}, {110, "KNOB", -1},
        {113, "►►", 0x10B5}, {131, "Lauachpad", 0x12A0}, {141, "RGB\nON/OFF", 0xF317},
        {148, "△", 0x0000}, {154, "FN", 0xE8}, {158, "MAC Search", 0x182C}, {168, "RGB\nM-", 0xF32F},
    };
    for (const Row &row : rows) {
        QCOMPARE(keyTypeName(row.type), QString::fromUtf8(row.name));
        QCOMPARE(keyTypeHasCode(row.type), row.code >= 0);
        QCOMPARE(int(keyTypeCode(row.type)), qMax(row.code, 0));
    }
    for (int type : {104, 109, 111, 136, 169, -2}) {
        QVERIFY(keyTypeName(type).isEmpty());
        QVERIFY(!keyTypeHasCode(type));
    }

    // Every named type: the name leads back to it (only "△" is shared, and
    // -1 sorts first), and its code lies in one of the code ranges.
    const QMap<int, quint16> codes = defaultKeyCodeMap();
    int named = 0;
    for (int type = -1; type < KeyTypeCount; ++type) {
        const QString name = keyTypeName(type);
        if (name.isEmpty())
            continue;
        ++named;
        QCOMPARE(keyTypeFromName(name), type == 148 ? -1 : type);
        if (!keyTypeHasCode(type)) {
            QVERIFY(!codes.contains(type));
            continue;
        }
        const quint16 c = keyTypeCode(type);
        QCOMPARE(codes.value(type), c);
        QCOMPARE(keyTypeFromCode(c), type); // codes are unique
        const bool inRange = (c >= 0x04 && c <= 0xE8) || (c >= 0x1000 && c <= 0x1FFF)
            || c == 0x5081 || c == 0x5082 || (c >= 0xF001 && c <= 0xF003)
            || (c >= 0xF100 && c <= 0xF103) || (c >= 0xF300 && c <= 0xF32F) || type == 148;
        QVERIFY2(inRange, qPrintable(name));
    }
    QCOMPARE(named, 162);
    QCOMPARE(codes.size(), 159); // every named type but -1, "Fn" and "KNOB"

    QCOMPARE(keyTypeFromName(QStringLiteral("△")), -1);
    QCOMPARE(keyTypeFromName(QStringLiteral("NoSuchKey")), 0);
    QCOMPARE(keyTypeFromName(QString()), 0);
    QCOMPARE(keyTypeFromCode(0xF004), -1);
}

void TestModel::sessionNonce()
{
    // Made once per run.
    const auto nonce = AppParams::sessionNonce();
    AppParams::makeSessionNonce();
    QCOMPARE(AppParams::sessionNonce(), nonce);
    QCOMPARE(AppParams::nonceFromSeed(123), AppParams::nonceFromSeed(123));
    QVERIFY(AppParams::nonceFromSeed(1) != AppParams::nonceFromSeed(2));
}

void TestModel::travelConversion()
{
    QCOMPARE(mmToMicrons(1.5), quint16(1500));
    QCOMPARE(mmToMicrons(1.2345), quint16(1234)); // truncated
    QCOMPARE(mmToMicrons(2.3), quint16(2300));    // not 2299
    QCOMPARE(mmToMicrons(0.29), quint16(290));
    QCOMPARE(mmToMicrons(-0.5), quint16(0));
    QCOMPARE(mmToMicrons(qQNaN()), quint16(0));
    QCOMPARE(mmToMicrons(100.0), quint16(65535));
}

QTEST_GUILESS_MAIN(TestModel)
#include "test_model.moc"
