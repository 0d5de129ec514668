// Feeds arbitrary bytes, as the sequence of 64-byte input reports they would
// arrive in, to the frame validators, every response decoder and the
// board-side copy's decoding operations.

#include "FamilyKeyMatrix.h"
#include "KB2ActionData.h"
#include "Kb2Decoders.h"
#include "Kb2Frame.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class FuzzActionData : public KB2ActionData::Outlet, public KB2ActionData
{
public:
    FuzzActionData() : KB2ActionData(static_cast<KB2ActionData::Outlet &>(*this)) {}

protected:
    void sendRecord(const QVariant &) override {}
    void emitLayoutDB() override { layoutDBMap(); }
    void emitLayoutKey() override { layoutKeyMap(); }
    void emitLayoutDis() override { layoutParamRows(4); layoutParamRows(20); layoutParamRows(21); }
    void emitAdvancedKey(const QVariant &) override {}
};

// Every decoder over exactly len bytes at buf: reading past them is a fault
// the sanitizers report.
void decodeAll(const quint8 *buf, int len, FuzzActionData &data)
{
    quint8 copy[Kb2Frame::Size];
    kb2_frame_check(buf, len);
    kb2_frame_copy_check(copy, buf, len);
    kb2_response_status(buf, len);
    kb2_response_command(buf, len);
    kb2_response_subcode(buf, len);

    STU_BoardInfo2 info;
    if (kb2_decode_board_info(buf, len, info))
        data.storeBoardInfo(info);
    STU_BoardFromPRGB prgb;
    if (kb2_decode_prgb(buf, len, prgb))
        data.storePRGB(prgb);
    STU_BoardFromDB db = data.boardDB();
    if (kb2_decode_db(buf, len, db))
        data.storeDB(db);
    STU_BoardFromKey entries;
    if (kb2_decode_key_entries(buf, len, entries)) {
        data.applyKeyEntries(entries);
        data.storeWalkEntries(entries);
    }
    // Every advanced-key answer the board copy stores.
    auto store = [&](auto decode, auto record) {
        if (decode(buf, len, record))
            data.storeAdvancedEntries(QVariant::fromValue(record));
    };
    store(kb2_decode_mt, STU_BoardFromMT());
    store(kb2_decode_tgl, STU_BoardFromTGL());
    store(kb2_decode_tdks, STU_BoardFromTDKS());
    store(kb2_decode_ddks, STU_BoardFromDDKS());
    store(kb2_decode_end, STU_BoardFromEND());
    store(kb2_decode_socd, STU_BoardFromSOCD());
    store(kb2_decode_rs, STU_BoardFromRS());
    STU_BoardFromKRGB krgb;
    if (kb2_decode_krgb(buf, len, krgb))
        data.storeKeyColourEntries(krgb);
    STU_BoardFromMACRO macro;
    kb2_decode_macro_echo(buf, len, macro);

    Kb2MatrixRows rows;
    if (kb2_decode_key_matrix(buf, len, rows)) {
        for (int c = 0; c < KB2MatrixCols; ++c) {
            data.setKeyMatrixCell(rows.firstRow, c, rows.first[c]);
            data.setKeyMatrixCell(rows.secondRow, c, rows.second[c]);
        }
    }
    quint8 table = 0;
    QList<QList<quint16>> wide;
    kb2_decode_table_u16(buf, len, table, wide);
    QList<QList<quint8>> narrow;
    kb2_decode_table_u8(buf, len, table, narrow);
    kb2_decode_sys_mode(buf, len);
    Kb2Precision precision;
    kb2_decode_precision(buf, len, precision);
    QString name;
    kb2_decode_keyboard_name(buf, len, name);
    kb2_decode_polling_rate(buf, len);
}

// Writes back what was read, so garbage key types reach the encoders too.
void writeBack(FuzzActionData &data)
{
    for (const DKSInfo &info : data.tdksMap())
        data.writeAdvancedBinding(info);
    for (const MTInfo &info : data.mtMap())
        data.writeAdvancedBinding(info);
    for (const TGLInfo &info : data.tglMap())
        data.writeAdvancedBinding(info);
    for (const MPTInfo &info : data.mptMap())
        data.writeAdvancedBinding(info);
    for (const ENDInfo &info : data.endMap())
        data.writeAdvancedBinding(info);
    const MapKB2DockerKey layers = data.layoutKeyMap();
    for (auto it = layers.cbegin(); it != layers.cend(); ++it) {
        for (auto key = it.value().cbegin(); key != it.value().cend(); ++key)
            data.setLayerKey(it.key(), key.key(), key.key());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzActionData data;
    const quint16 *family = familyKeyMatrix(0);
    for (int i = 0; i < KB2MatrixCells; ++i)
        data.setKeyMatrixCell(i / KB2MatrixCols, i % KB2MatrixCols, family[i]);
    // The bytes exactly as given, in a buffer of their own size.
    const std::vector<quint8> raw(bytes, bytes + size);
    decodeAll(raw.data(), int(raw.size()), data);

    // The same bytes as reports: each frame is assembled from up to four
    // consecutive 64-byte reports, the last one zero-padded.
    const size_t reports = (size + 63) / 64;
    for (size_t first = 0; first < reports; ++first) {
        const size_t count = std::min<size_t>(4, reports - first);
        std::vector<quint8> buf(count * 64, 0);
        std::memcpy(buf.data(), bytes + first * 64, std::min(size - first * 64, count * 64));
        decodeAll(buf.data(), int(buf.size()), data);
    }

    data.finishWalk(familyKeyMatrix(data.boardInfo().family()));
    writeBack(data);
    return 0;
}
