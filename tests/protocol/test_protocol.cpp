#include "BoardRecords.h"
#include "FamilyKeyMatrix.h"
#include "KB2ActionData.h"
#include "Kb2Builders.h"
#include "Kb2Decoders.h"
#include "Kb2Frame.h"
#include "KeyTypeTable.h"
#include "WireKeyTable.h"

#include <QtTest>

#include <cstring>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray wire(const Kb2Frame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data), f.frameSize());
}

// A response as the keyboard sends it: header, payload, checksum, padded to
// whole 64-byte reports.
QByteArray response(quint8 cmd, const QByteArray &payload)
{
    QByteArray f;
    f.append(char(0x5C)).append(char(payload.size())).append(char(cmd)).append(char(0));
    f.append(payload);
    int sum = 0x5C + payload.size() + cmd + 0x35 + (payload.isEmpty() ? 0 : quint8(payload.back()));
    f[3] = char(sum & 0xFF);
    f.append(QByteArray((64 - f.size() % 64) % 64, 0));
    return f;
}

const quint8 *u8(const QByteArray &b)
{
    return reinterpret_cast<const quint8 *>(b.constData());
}

class Recorder : public KB2ActionData::Outlet, public KB2ActionData
{
public:
    Recorder() : KB2ActionData(static_cast<KB2ActionData::Outlet &>(*this)) {}
    QList<QVariant> sent;
    QStringList emitted;

    template <typename T>
    T sentAs(int i) const { return sent.at(i).value<T>(); }

protected:
    // Each override reads the copy again: this deadlocks if the caller still
    // held the lock.
    void sendRecord(const QVariant &record) override { boardDB(); sent << record; }
    void emitLayoutDB() override { layoutDBMap(); emitted << "DB"; }
    void emitLayoutKey() override { layoutKeyMap(); emitted << "Key"; }
    void emitLayoutDis() override { layoutParamRows(4); emitted << "Dis"; }
    void emitAdvancedKey(const QVariant &map) override { mtMap(); emitted << map.typeName(); }
};

STU_BoardFromKey keyEntries(std::initializer_list<std::array<int, 3>> entries)
{
    STU_BoardFromKey rec;
    int i = 0;
    for (const auto &e : entries) {
        rec.key[i] = quint8(e[0]);
        rec.param[i] = quint8(e[1]);
        rec.value[i] = quint16(e[2]);
        ++i;
    }
    return rec;
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { registerBoardMetaTypes(); }
    void checksum();
    void validators();
    void writersAndReaders();
    void requestBuilders();
    void wireKeyTable();
    void decoders();
    void decodersRefuseShortInput();
    void singleKeySender();
    void advancedBindingWriters();
    void macroPieces();
    void recordOperations();
    void queuedKeyAnswers();
    void walkAndRebuild();
    void familyMatrices();
};

void TestProtocol::checksum()
{
    Kb2Frame empty;
    kb2_frame_begin(empty, 0x12);
    QCOMPARE(kb2_frame_checksum(empty), quint8((0x5C + 0x12 + 0x35) & 0xFF));

    QCOMPARE(wire(kb2_build_plain(0x01)), hex("5c020193ffff"));

    // Only the header and the last payload byte enter the sum.
    Kb2Frame f = kb2_build_subcode(80, 3);
    const quint8 sum = f.checksum();
    f.data[4] ^= 0x5A;
    f.data[5] ^= 0xA5;
    QCOMPARE(kb2_frame_checksum(f), sum);
    f.data[4 + f.length() - 1] ^= 1;
    QVERIFY(kb2_frame_checksum(f) != sum);
}

void TestProtocol::validators()
{
    quint8 dst[256];
    QByteArray ok = response(0x81, QByteArray(10, 1));
    QCOMPARE(kb2_frame_check(u8(ok), 3), -1);
    QCOMPARE(kb2_frame_copy_check(dst, u8(ok), 3), -1);
    QByteArray bad = ok;
    bad[0] = 0x5D;
    QCOMPARE(kb2_frame_check(u8(bad), 64), -2);
    bad = ok;
    bad[1] = char(253);
    QCOMPARE(kb2_frame_check(u8(bad), 64), -3);
    bad[1] = char(100);
    QCOMPARE(kb2_frame_check(u8(bad), 64), -4);
    bad = ok;
    bad[3] = char(bad[3] + 1);
    QCOMPARE(kb2_frame_check(u8(bad), 64), -5);
    QCOMPARE(kb2_frame_copy_check(dst, u8(bad), 64), -5);
    QCOMPARE(kb2_frame_check(u8(ok), 64), 14);

    // A 63-byte frame in one report passes both; a 64-byte one only the first.
    const QByteArray f63 = response(0x98, QByteArray(59, 7));
    QCOMPARE(kb2_frame_check(u8(f63), 64), 63);
    QCOMPARE(kb2_frame_copy_check(dst, u8(f63), 64), 63);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(dst), 63), f63.left(63));
    const QByteArray f64 = response(0x98, QByteArray(60, 7));
    QCOMPARE(kb2_frame_check(u8(f64), 64), 64);
    QCOMPARE(kb2_frame_copy_check(dst, u8(f64), 64), -4);

    const QByteArray full = response(0x8C, QByteArray(252, 2));
    QCOMPARE(kb2_frame_check(u8(full), 256), 256);
    QCOMPARE(kb2_frame_copy_check(dst, u8(full), 256), -3);

    // A 132-byte table slice validates only once all three reports are in.
    const QByteArray slice = response(0x92, QByteArray(128, 3));
    QCOMPARE(slice.size(), 192);
    QCOMPARE(kb2_frame_check(u8(slice), 128), -4);
    QCOMPARE(kb2_frame_check(u8(slice), 192), 132);

    QVERIFY(kb2_response_matches(0x01, 0x81));
    QVERIFY(kb2_response_matches(0x23, 0xFF));
    QVERIFY(kb2_response_matches(0x80, 0x00));
    QVERIFY(!kb2_response_matches(0x23, 0xA4));
}

void TestProtocol::writersAndReaders()
{
    Kb2Frame f;
    kb2_frame_begin(f, 0x0C);
    const quint8 block[250] = {};
    QCOMPARE(kb2_put_raw(f, block, 250), 250);
    QCOMPARE(kb2_put_u32(f, 1), -1);
    QCOMPARE(f.length(), quint8(250));
    QCOMPARE(kb2_put_u16(f, 0xBEEF), 2);
    QCOMPARE(kb2_put_u8(f, 1), -1);
    QCOMPARE(kb2_put_u16(f, 1), -1);
    QCOMPARE(f.length(), quint8(252));
    QCOMPARE(kb2_get_u16(f, 250), quint16(0xBEEF));
    QCOMPARE(kb2_get_u16(f, 251), quint16(0));
    QCOMPARE(kb2_get_u32(f, 249), quint32(0));
    QCOMPARE(kb2_get_u8(f, 252), quint8(0));
    QCOMPARE(kb2_get_u8(f, -1), quint8(0));

    kb2_frame_begin(f, 0x20);
    kb2_put_u8(f, 1);
    const quint8 text[251] = {'a', 'b', 'c'};
    QCOMPARE(kb2_put_bytes(f, text, 251), -1);
    QCOMPARE(f.length(), quint8(1));
    QCOMPARE(kb2_put_bytes(f, text, 3), 4);
    QCOMPARE(kb2_put_u32(f, 0x11223344), 4);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(f.data + 4), 9), hex("0103616263 44332211"));

    quint8 out[8] = {};
    QCOMPARE(kb2_get_bytes(f, 1, out, 2), 2);
    QCOMPARE(out[1], quint8('b'));
    f.data[4 + 1] = 251; // a length byte that runs past the payload area
    QCOMPARE(kb2_get_bytes(f, 1, out, 8), -1);
}

void TestProtocol::requestBuilders()
{
    QCOMPARE(wire(kb2_build_subcode(33)), hex("5c03009321ffff"));
    QCOMPARE(wire(kb2_build_subcode(80, 7)), hex("5c0400945007ffff"));
    const quint8 nonce[4] = {1, 2, 3, 4};
    QCOMPARE(wire(kb2_build_board_info(nonce)), hex("5c06019701020304ffff"));
    QCOMPARE(wire(kb2_build_key_matrix_query(0, 1)), hex("5c032bc0000001"));
    QCOMPARE(wire(kb2_build_table_query(6, 2)), hex("5c0412a60602ffff"));
    QCOMPARE(wire(kb2_build_db(STU_BoardFromDB())), hex("5c0f29c9 01 0000 0500 0a00 0300 0a00 1400 1e00"));
    QCOMPARE(wire(kb2_build_db(STU_BoardFromDB(), 0)).mid(4, 1), hex("00"));

    STU_BoardFromKey key;
    key.key[0] = 0x04;
    key.param[0] = 4;
    key.value[0] = 1500;
    const QByteArray k = wire(kb2_build_key(key));
    QCOMPARE(k.size(), 4 + 57);
    QCOMPARE(k.left(13), hex("5c3923ed 01 0404dc05 ffffff00"));

    const QByteArray prgb = wire(kb2_build_prgb(STU_BoardFromPRGB()));
    QCOMPARE(prgb.size(), 4 + 44);
    QCOMPARE(prgb.mid(4 + 9, 4), hex("0000ffff")); // colour 1 = 0xFFFF0000, little-endian
    QCOMPARE(prgb.mid(4 + 37), hex("0503030200ffff"));

    STU_BoardFromMACRO macro;
    macro.offset = 0x0102;
    macro.count = 2;
    macro.step[0] = 0x10140004;
    macro.step[1] = 0x80000004;
    QCOMPARE(wire(kb2_build_macro(macro)), hex("5c0c20 3d 01 0201 02 04001410 04000080"));

    // Entry counts and lengths of the remaining records.
    QCOMPARE(wire(kb2_build_mt(STU_BoardFromMT())).left(3), hex("5c3924"));
    QCOMPARE(wire(kb2_build_tgl(STU_BoardFromTGL())).left(3), hex("5c3a25"));
    QCOMPARE(wire(kb2_build_tdks(STU_BoardFromTDKS())).left(3), hex("5c3826"));
    QCOMPARE(wire(kb2_build_ddks(STU_BoardFromDDKS())).left(3), hex("5c3327"));
    QCOMPARE(wire(kb2_build_end(STU_BoardFromEND())).left(3), hex("5c3b28"));
    QCOMPARE(wire(kb2_build_socd(STU_BoardFromSOCD())).left(3), hex("5c3b2c"));
    QCOMPARE(wire(kb2_build_rs(STU_BoardFromRS())).left(3), hex("5c3b2d"));
    QCOMPARE(wire(kb2_build_krgb(STU_BoardFromKRGB())).left(3), hex("5c392a"));
    for (const Kb2Frame &f : {kb2_build_mt(STU_BoardFromMT()), kb2_build_tdks(STU_BoardFromTDKS()),
                              kb2_build_krgb(STU_BoardFromKRGB(), 0)})
        QCOMPARE(kb2_frame_check(f.data, Kb2Frame::Size), f.frameSize());
}

void TestProtocol::wireKeyTable()
{
    QCOMPARE(kb2_model_to_wire(0x10E9), quint8(0xB2));
    QCOMPARE(kb2_wire_to_model(0xB2), quint16(0x10E9));
    QCOMPARE(kb2_model_to_wire(0x1194), quint8(0xB7));
    QCOMPARE(kb2_model_to_wire(0xF004), quint8(0xFF));
    QCOMPARE(kb2_model_to_wire(0), quint8(0));
    QCOMPARE(kb2_wire_to_model(0), quint16(0));
    QCOMPARE(kb2_wire_to_model(0xFF), quint16(0));
    QCOMPARE(kb2_wire_to_model(0x01), quint16(0xF001));
    QCOMPARE(kb2_wire_to_model(0xA5), quint16(0x5081));
    QCOMPARE(kb2_model_to_wire(0xA5), quint8(0xFF)); // the usage itself is not on the wire
    for (int w : {0xA7, 0xAC, 0xC2, 0xC9, 0xD6, 0xDF, 0xE9})
        QCOMPARE(kb2_wire_to_model(quint8(w)), quint16(0));
    int specials = 0;
    for (int w = 1; w < 256; ++w) {
        const quint16 m = kb2_wire_to_model(quint8(w));
        if (m != 0)
            QCOMPARE(kb2_model_to_wire(m), quint8(w)); // every key round-trips
        specials += m != 0 && m != w;
    }
    QCOMPARE(specials, 32);
}

void TestProtocol::decoders()
{
    QByteArray info = hex("00 34120003 0201 00");
    info += hex("05") + QByteArray("SN123").leftJustified(16, '\0');
    info += hex("06") + QByteArray("V1.0.3").leftJustified(16, '\0');
    info += hex("28") + QByteArray("0123456789abcdefXYZ").leftJustified(16, '\0', true); // length 40
    STU_BoardInfo2 board;
    QVERIFY(kb2_decode_board_info(u8(response(0x81, info)), 64, board));
    QCOMPARE(board.boardId, quint32(0x03001234));
    QCOMPARE(board.family(), 3);
    QCOMPARE(board.value2, quint16(0x0102));
    QCOMPARE(QByteArray(board.serial), QByteArray("SN123"));
    QCOMPARE(QByteArray(board.version), QByteArray("V1.0.3"));
    QCOMPARE(QByteArray(board.third), QByteArray("0123456789abcdef")); // at most 16 bytes

    QByteArray name = hex("0026") + QByteArray("Corvane K1") + QByteArray(1, 0) + QByteArray("junk");
    QString text;
    QVERIFY(kb2_decode_keyboard_name(u8(response(0x80, name.leftJustified(34, '\0'))), 64, text));
    QCOMPARE(text, QStringLiteral("Corvane K1"));

    Kb2Precision p;
    QVERIFY(kb2_decode_precision(u8(response(0x80, hex("0025 05 1000 a00f"))), 64, p));
    QCOMPARE(p.stepMm, 0.005);
    QCOMPARE(p.decimals, 3);
    QCOMPARE(p.a, quint16(0x10));
    QCOMPARE(p.b, quint16(4000));
    QVERIFY(kb2_decode_precision(u8(response(0x80, hex("0025 0a 0000 0000"))), 64, p));
    QCOMPARE(p.decimals, 2);

    QCOMPARE(kb2_decode_sys_mode(u8(response(0x80, hex("002101"))), 64), 0);
    QCOMPARE(kb2_decode_sys_mode(u8(response(0x80, hex("0021ff"))), 64), 2);
    QCOMPARE(kb2_decode_sys_mode(u8(response(0x80, hex("0022ff"))), 64), 3);
    QCOMPARE(kb2_decode_sys_mode(u8(response(0x80, hex("002205"))), 64), -1);
    QCOMPARE(kb2_decode_polling_rate(u8(response(0x80, hex("005003"))), 64), 3);
    QCOMPARE(kb2_response_status(u8(response(0xA3, hex("01 00"))), 64), 1);

    QByteArray rows = hex("00 00");
    for (int i = 0; i < 21; ++i) rows += char(0x29 + i);
    rows += char(1);
    for (int i = 0; i < 21; ++i) rows += char(i % 2 ? 0 : 0x04);
    Kb2MatrixRows m;
    QVERIFY(kb2_decode_key_matrix(u8(response(0xAB, rows)), 64, m));
    QCOMPARE(m.first[20], quint8(0x29 + 20));
    QCOMPARE(m.secondRow, quint8(1));
    QCOMPARE(m.second[1], quint8(0));

    QByteArray slice = hex("00 02");
    for (int i = 0; i < 63; ++i) slice += char(i) + QByteArray(1, char(1));
    quint8 table = 0;
    QList<QList<quint16>> values;
    QVERIFY(kb2_decode_table_u16(u8(response(0x92, slice)), 192, table, values));
    QCOMPARE(table, quint8(2));
    QCOMPARE(values.size(), 3);
    QCOMPARE(values[2][20], quint16(0x0100 + 62));
    QList<QList<quint8>> flags;
    QVERIFY(kb2_decode_table_u8(u8(response(0x92, hex("0003") + QByteArray(126, 9))), 192, table, flags));
    QCOMPARE(flags.size(), 6);
    QCOMPARE(flags[5][20], quint8(9));

    // 0xA9 carries seven values; the per-key arrays stay as they were.
    STU_BoardFromDB db;
    db.perKey2[7] = 1234;
    QVERIFY(kb2_decode_db(u8(response(0xA9, hex("00 0100 e803 0a00 0500 0b00 1600 2100"))), 64, db));
    QCOMPARE(db.gdBi, quint16(1000));
    QCOMPARE(db.dt_RdB, quint16(5));
    QCOMPARE(db.db3, quint16(0x21));
    QCOMPARE(db.perKey2[7], quint16(1234));

    STU_BoardFromMT mt;
    QVERIFY(kb2_decode_mt(u8(response(0xA4, hex("00 04050614"))), 64, mt));
    QCOMPARE(mt.DKS2[0], quint8(6));
    QCOMPARE(mt.key[1], quint8(0)); // past the frame: zero, never stale memory

    // SOCD and RS answers: 29 entries of (key, partner).
    STU_BoardFromSOCD socd;
    QVERIFY(kb2_decode_socd(u8(response(0xAC, hex("00 1415 1514"))), 64, socd));
    QCOMPARE(socd.key[1], quint8(0x15));
    QCOMPARE(socd.DKS1[1], quint8(0x14));
    QCOMPARE(socd.key[2], quint8(0));
    STU_BoardFromRS rs;
    QVERIFY(kb2_decode_rs(u8(response(0xAD, hex("00 1d1b") + QByteArray(56, char(0xFF)))), 64, rs));
    QCOMPARE(rs.DKS1[0], quint8(0x1B));
    QCOMPARE(rs.key[28], quint8(0xFF));
    QVERIFY(!kb2_decode_rs(u8(response(0xAD, QByteArray())), 64, rs));
}

void TestProtocol::decodersRefuseShortInput()
{
    // The length byte claims more than was received: nothing is read.
    QByteArray info = response(0x81, QByteArray(59, 'x'));
    STU_BoardInfo2 board;
    QVERIFY(!kb2_decode_board_info(u8(info), 32, board));
    QCOMPARE(board.boardId, quint32(0));
    STU_BoardFromKey entries;
    QVERIFY(!kb2_decode_key_entries(u8(response(0xA3, QByteArray(57, 1))), 40, entries));
    QCOMPARE(entries.key[0], quint8(0xFF));
    // An empty payload is refused like any broken frame.
    QString name;
    QVERIFY(!kb2_decode_keyboard_name(u8(response(0x80, QByteArray())), 64, name));
    QCOMPARE(kb2_decode_polling_rate(nullptr, 64), -1);
}

void TestProtocol::singleKeySender()
{
    Recorder data;
    const QMap<int, quint16> before = data.keyIdMap();
    QList<KeyParam> list;
    for (int i = 0; i < 29; ++i)
        list << KeyParam{51, quint8(i % 22), quint16(1000 + i)};
    list << KeyParam{107, 4, 1500}; // a type without a code
    data.sendSingleKeyData(list);

    QCOMPARE(data.sent.size(), 3);
    const auto first = data.sentAs<STU_BoardFromKey>(0);
    QCOMPARE(first.key[13], quint8(0x04));
    QCOMPARE(first.value[13], quint16(1013));
    const auto last = data.sentAs<STU_BoardFromKey>(2);
    QCOMPARE(last.key[0], quint8(0x04));
    QCOMPARE(last.key[1], quint8(0)); // unknown key: wire 0
    QCOMPARE(last.value[1], quint16(1500));
    for (int i = 2; i < 14; ++i) { // neutral fill
        QCOMPARE(last.key[i], quint8(0xFF));
        QCOMPARE(last.param[i], quint8(0xFF));
        QCOMPARE(last.value[i], quint16(0x00FF));
    }
    QCOMPARE(data.keyIdMap(), before);

    data.sent.clear();
    data.sendSingleKeyData({});
    QVERIFY(data.sent.isEmpty());
}

void TestProtocol::advancedBindingWriters()
{
    Recorder data;
    QCOMPARE(kb2_dks_action_byte(QStringLiteral("1111111")), quint8(0xFF));
    QCOMPARE(kb2_dks_action_byte(QStringLiteral("0001")), quint8(0x18));
    QCOMPARE(kb2_dks_action_string(0x08), QStringLiteral("0000000")); // 0x18 needs both bits
    QCOMPARE(kb2_dks_action_string(0x99), QStringLiteral("1001001"));

    DKSInfo dks;
    dks.keyIndex = 51; // A
    dks.bindKey << 68 << 66;
    dks.triggerValue << QStringLiteral("1000") << QStringLiteral("0101");
    dks.touchDis << 2.3;
    data.writeAdvancedBinding(dks);
    auto t = data.sentAs<STU_BoardFromTDKS>(0);
    QCOMPARE(t.key[0], quint8(0x04));
    QCOMPARE(t.b[0][0], quint8(0x05));
    QCOMPARE(t.b[1][0], quint8(0x06));
    QCOMPARE(t.b[2][0], quint8(0xFF));
    QCOMPARE(t.b[4][0], quint8(0x01));
    QCOMPARE(t.b[5][0], quint8(0x1A));
    QCOMPARE(t.value[0], quint16(2300));
    QCOMPARE(t.key[1], quint8(0xFF));
    QCOMPARE(data.tdksMap().value(51), dks);

    // MT time in 10 ms units, rounded up, never wrapping.
    for (auto c : {std::make_pair(200, 20), {201, 21}, {5, 1}, {0, 0}, {2550, 255}, {3000, 255}, {-40, 0}}) {
        MTInfo mt;
        mt.keyIndex = 52;
        mt.pressType = 76;
        mt.clickType = 52;
        mt.delay = c.first;
        data.writeAdvancedBinding(mt);
        const auto rec = data.sentAs<STU_BoardFromMT>(data.sent.size() - 1);
        QCOMPARE(int(rec.delay[0]), c.second);
        QCOMPARE(rec.DKS1[0], quint8(0xE0));
        QCOMPARE(rec.DKS2[0], quint8(0x16));
    }

    SOCDInfo socd;
    socd.keyIndex = 51;
    socd.switchType = 53;
    data.writeAdvancedBinding(socd);
    const auto s = data.sentAs<STU_BoardFromSOCD>(data.sent.size() - 1);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.key), 3), hex("0407ff"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(s.DKS1), 3), hex("0704ff"));

    MPTInfo mpt;
    mpt.keyIndex = 0;
    mpt.bindKey << 51 << 52 << 53;
    mpt.triggerValue << 500 << 1500 << 70000;
    data.writeAdvancedBinding(mpt);
    const auto d = data.sentAs<STU_BoardFromDDKS>(data.sent.size() - 1);
    QCOMPARE(d.key[0], quint8(0x29));
    QCOMPARE(d.DKS3[0], quint8(0x07));
    QCOMPARE(d.dB2[0], quint16(1500));
    QCOMPARE(d.dB3[0], quint16(0xFFFF));

    // A key the map does not know, or one without a wire code, sends nothing.
    const int count = data.sent.size();
    ENDInfo end;
    end.keyIndex = 81; // "Fn": no code
    data.writeAdvancedBinding(end);
    end.keyIndex = 140; // "Reset": a code, but none on the wire
    data.writeAdvancedBinding(end);
    QCOMPARE(data.sent.size(), count);
    QVERIFY(data.endMap().isEmpty());

    RSInfo rs;
    rs.keyIndex = 51;
    rs.switchType = 53;
    data.writeAdvancedBinding(rs);
    data.removeAdvancedBinding(51, Bind_RS);
    QVERIFY(data.rsMap().isEmpty());
    QVERIFY(data.socdMap().isEmpty());
    const auto removed = data.sentAs<STU_BoardFromKey>(data.sent.size() - 1);
    QCOMPARE(removed.key[0], quint8(0x04));
    QCOMPARE(removed.param[0], quint8(8));
    QCOMPARE(removed.value[0], quint16(0));
}

void TestProtocol::macroPieces()
{
    Recorder data;
    MACROInfo macro;
    macro.keyIndex = 51;
    for (int i = 0; i < 30; ++i)
        macro.steps << MACRO_Key{i % 2 == 0, QStringLiteral("B"), 20};
    macro.steps[3] = MACRO_Key{false, QStringLiteral("NoSuchKey"), 5000};
    data.writeAdvancedBinding(macro);

    QCOMPARE(data.sent.size(), 4);
    const int counts[3] = {14, 14, 2};
    for (int p = 0; p < 3; ++p) {
        const auto piece = data.sentAs<STU_BoardFromMACRO>(p);
        QCOMPARE(int(piece.count), counts[p]);
        QCOMPARE(int(piece.offset), p * 14);
    }
    const auto first = data.sentAs<STU_BoardFromMACRO>(0);
    QCOMPARE(first.step[0], quint32(0x10140005));
    QCOMPARE(first.step[1], quint32(0x80140005));
    QCOMPARE(first.step[3], quint32(0x8FFFFFFF)); // unknown key, longest delay
    const auto key = data.sentAs<STU_BoardFromKey>(3);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(key.param), 4), hex("081112ff"));
    QCOMPARE(key.value[0], quint16(6));
    QCOMPARE(key.value[1], quint16(0));
    QCOMPARE(key.value[2], quint16(30));

    // The next macro takes the next number.
    macro.keyIndex = 52;
    macro.steps = macro.steps.mid(0, 2);
    data.writeAdvancedBinding(macro);
    QCOMPARE(int(data.sentAs<STU_BoardFromMACRO>(4).offset), 256);
    QCOMPARE(data.sentAs<STU_BoardFromKey>(5).value[1], quint16(256));
    QCOMPARE(data.macroCount(), 2);

    macro.steps.clear();
    data.writeAdvancedBinding(macro);
    QCOMPARE(data.sent.size(), 6);
}

void TestProtocol::recordOperations()
{
    Recorder data;
    data.setGlobalTravel(5); // unchanged: nothing
    QVERIFY(data.sent.isEmpty());
    data.setGlobalTravel(1500);
    QCOMPARE(data.sentAs<STU_BoardFromDB>(0).gdBi, quint16(1500));
    data.setPerformanceValues(1500, 100, 200, true);
    QCOMPARE(data.sent.size(), 2);
    QCOMPARE(data.boardPRGB().bitmap & 0x10, 0x10);

    data.setBrightness(3); // unchanged
    data.setLightingMode(0);
    QCOMPARE(data.sentAs<STU_BoardFromPRGB>(2).bitmap & 0x01, 0);
    data.setLightingMode(5);
    QCOMPARE(data.sentAs<STU_BoardFromPRGB>(3).rgb_mode, quint8(4));
    QCOMPARE(data.sentAs<STU_BoardFromPRGB>(3).bitmap & 0x01, 0x01);
    QCOMPARE(data.sent.size(), 4);

    data.setKeyColour(154, 1, 2, 3); // FN goes out as wire 1
    const auto krgb = data.sentAs<STU_BoardFromKRGB>(4);
    QCOMPARE(krgb.key[0], quint8(1));
    QCOMPARE(krgb.blue[0], quint8(3));
    QCOMPARE(krgb.key[1], quint8(0xFF));
    // Colours are kept as the keyboard answers, not as sent; the FN key's
    // light answers as Fn layer 1 and is both keys' colour.
    QVERIFY(data.keyColours().isEmpty());
    data.storeKeyColourEntries(krgb);
    QCOMPARE(data.keyColours(), (QMap<int, QColor>{{137, QColor(1, 2, 3)}, {154, QColor(1, 2, 3)}}));
    data.storeKeyColours({{17, QColor(9, 9, 9)}}); // a colour walk replaces them
    QCOMPARE(data.keyColours().keys(), QList<int>{17});

    // The answer to 0xA3 only keeps what its keys stand for.
    STU_BoardFromDB db;
    db.gdBi = 800;
    db.perKey2[0] = 42;
    data.storeDB(db);
    QCOMPARE(data.boardDB().gdBi, quint16(800));
    QCOMPARE(data.boardDB().perKey2[0], quint16(5));
}

void TestProtocol::queuedKeyAnswers()
{
    Recorder data;
    data.applyKeyEntries(keyEntries({{0xFF, 0, 0x05}, {0x04, 0, 0x05}, {0x04, 2, 0x10E9},
                                     {0xE9, 0, 0x05}, {0x05, 8, 0x23}}));
    const MapKB2DockerKey keys = data.layoutKeyMap();
    QCOMPARE(keys.value(0).size(), 1);
    QCOMPARE(keys.value(0).value(51), quint16(0x05));
    QCOMPARE(keys.value(2).value(51), quint16(0x10E9));
    QCOMPARE(data.layoutDBMap().value(68).workMode, 2); // from the high nibble

    // A layer key is only written once the layer holds the key.
    data.setLayerKey(1, 51, 52);
    data.setLayerKey(4, 51, 52);
    QVERIFY(data.sent.isEmpty());
    data.setLayerKey(0, 51, 52);
    const auto rec = data.sentAs<STU_BoardFromKey>(0);
    QCOMPARE(rec.key[0], quint8(0x04));
    QCOMPARE(rec.param[0], quint8(0));
    QCOMPARE(rec.value[0], quint16(0x16));

    // Macro keys: named by a running count, at most four kept.
    data.applyKeyEntries(keyEntries({{0x04, 8, 6}, {0x05, 8, 6}, {0x06, 8, 0x10}, {0x07, 8, 6},
                                     {0x08, 8, 6}, {0x09, 8, 6}, {0x04, 8, 6}}));
    const MapKB2DockerMACRO macros = data.macroMap();
    QCOMPARE(macros.size(), 4);
    QCOMPARE(macros.value(51).macroName, QStringLiteral("Macro0"));
    QCOMPARE(macros.value(36).macroName, QStringLiteral("Macro3"));
    QVERIFY(!macros.contains(54));
}

void TestProtocol::walkAndRebuild()
{
    Recorder data;
    const quint16 *family = familyKeyMatrix(0);
    for (int i = 0; i < KB2MatrixCells; ++i)
        data.setKeyMatrixCell(i / 21, i % 21, family[i]);
    // A (0x04) at row 3, column 1: an MT key; S (0x16): rapid trigger; D (0x07): macro 2.
    data.storeWalkEntries(keyEntries({{0x04, 0, 0x04}, {0x04, 1, 0}, {0x04, 2, 0}, {0x04, 3, 0xFF},
                                      {0x04, 4, 1234}, {0x04, 8, 3}, {0x04, 9, 0x05}, {0x04, 10, 0x06},
                                      {0x04, 19, 20}, {0x16, 8, 0x20}, {0x07, 8, 6}, {0x07, 17, 0x200},
                                      {0x99, 4, 1}, {0xFF, 4, 2}}));
    const MapKB2DockerKey keys = data.layoutKeyMap();
    QCOMPARE(keys.value(0).value(51), quint16(0x04));
    QVERIFY(!keys.value(1).contains(51)); // layer 1 leaves out empty keys
    QVERIFY(keys.value(2).contains(51));
    QVERIFY(!keys.value(3).contains(51)); // unassigned
    QCOMPARE(data.layoutParamRows(4).at(3).at(1), quint16(1234));
    QCOMPARE(data.boardDB().perKey2[3 * 21 + 1], quint16(1234));
    QCOMPARE(data.layoutDBMap().value(52).workMode, 2);
    // No travel cell of its own was read: the keyboard's global travel.
    QCOMPARE(data.layoutDBMap().value(52).keyTouchDis, data.boardDB().gdBi);
    QVERIFY(!data.layoutDBMap().contains(53)); // the macro key keeps no travel entry

    data.finishWalk(family);
    QCOMPARE(data.emitted.mid(0, 3), QStringList({"DB", "Key", "Dis"}));
    QCOMPARE(data.emitted.size(), 11);
    QCOMPARE(data.mtMap().value(51), (MTInfo{51, 68, 66, 200}));
    QCOMPARE(data.macroMap().value(53).macroName, QStringLiteral("Macro0"));
    QCOMPARE(data.macroCount(), 1);
    QCOMPARE(data.macroNumber(53), 2); // the number the keyboard holds it under
    // A new macro never takes the number of a held one.
    MACROInfo other;
    other.keyIndex = 51;
    other.steps << MACRO_Key{true, QStringLiteral("B"), 0};
    QVERIFY(data.writeAdvancedBinding(other));
    QCOMPARE(data.macroNumber(51), 0);

    data.removeAdvancedBinding(51, Bind_MT);
    QVERIFY(data.mtMap().isEmpty());
}

void TestProtocol::familyMatrices()
{
    QCOMPARE(familyKeyMatrix(7), familyKeyMatrix(0));
    QCOMPARE(familyKeyMatrix(42), familyKeyMatrix(0));
    QVERIFY(familyKeyMatrix(8) != familyKeyMatrix(0));
    QCOMPARE(familyKeyMatrix(3)[5 * 21 + 10], quint16(0xF001));
    QCOMPARE(familyNextKey(6, -1), qMakePair(quint16(0x29), 21)); // row 0 is empty
    QCOMPARE(familyNextKey(0, 123), qMakePair(quint16(0x63), 124));
    QCOMPARE(familyNextKey(0, 124), qMakePair(quint16(0), 126));
    QCOMPARE(familyNextKey(0, 125), qMakePair(quint16(0), 126));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
