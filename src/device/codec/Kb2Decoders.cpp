#include "Kb2Decoders.h"

#include "Kb2Commands.h"
#include "Kb2Frame.h"

#include <cstring>

namespace {

// Validates and copies the frame into a zeroed buffer; an empty payload is
// refused like any invalid frame.
bool load(Kb2Frame &f, const quint8 *buf, int len)
{
    return kb2_frame_load(f, buf, len) >= 5;
}

void readString(const Kb2Frame &f, int off, char (&dst)[32])
{
    std::memset(dst, 0, sizeof dst);
    quint8 bytes[16];
    const int n = kb2_get_bytes(f, off, bytes, int(sizeof bytes));
    if (n > 0)
        std::memcpy(dst, bytes, size_t(n));
}

template <typename Rec>
void readPairs(const Kb2Frame &f, Rec &out)
{
    for (int i = 0; i < Rec::Entries; ++i) {
        out.key[i] = kb2_get_u8(f, 1 + 2 * i);
        out.DKS1[i] = kb2_get_u8(f, 2 + 2 * i);
    }
}

} // namespace

int kb2_response_status(const quint8 *buf, int len)
{
    Kb2Frame f;
    return load(f, buf, len) ? kb2_get_u8(f, 0) : -1;
}

int kb2_response_command(const quint8 *buf, int len)
{
    return kb2_frame_check(buf, len) >= 4 ? buf[2] : -1;
}

int kb2_response_subcode(const quint8 *buf, int len)
{
    Kb2Frame f;
    return load(f, buf, len) ? kb2_get_u8(f, 1) : -1;
}

bool kb2_decode_board_info(const quint8 *buf, int len, STU_BoardInfo2 &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.boardId = kb2_get_u32(f, 1);
    out.value2 = kb2_get_u16(f, 5);
    out.bootState = kb2_get_u8(f, 7);
    readString(f, 8, out.serial);
    readString(f, 25, out.version);
    readString(f, 42, out.third);
    return true;
}

bool kb2_decode_prgb(const quint8 *buf, int len, STU_BoardFromPRGB &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.background = kb2_get_u32(f, 1);
    for (int i = 0; i < 8; ++i)
        out.colours[i] = kb2_get_u32(f, 5 + 4 * i);
    out.bitmap = kb2_get_u8(f, 37);
    out.grayscale = kb2_get_u8(f, 38);
    out.rgb_mode = kb2_get_u8(f, 39);
    out.rgb_speed = kb2_get_u8(f, 40);
    out.rgb_sleep = kb2_get_u8(f, 41);
    return true;
}

bool kb2_decode_db(const quint8 *buf, int len, STU_BoardFromDB &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.ticks = kb2_get_u16(f, 1);
    out.gdBi = kb2_get_u16(f, 3);
    out.dt_dB = kb2_get_u16(f, 5);
    out.dt_RdB = kb2_get_u16(f, 7);
    out.db1 = kb2_get_u16(f, 9);
    out.db2 = kb2_get_u16(f, 11);
    out.db3 = kb2_get_u16(f, 13);
    return true;
}

bool kb2_decode_key_entries(const quint8 *buf, int len, STU_BoardFromKey &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromKey::Entries; ++i) {
        out.key[i] = kb2_get_u8(f, 1 + 4 * i);
        out.param[i] = kb2_get_u8(f, 2 + 4 * i);
        out.value[i] = kb2_get_u16(f, 3 + 4 * i);
    }
    return true;
}

bool kb2_decode_mt(const quint8 *buf, int len, STU_BoardFromMT &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromMT::Entries; ++i) {
        out.key[i] = kb2_get_u8(f, 1 + 4 * i);
        out.DKS1[i] = kb2_get_u8(f, 2 + 4 * i);
        out.DKS2[i] = kb2_get_u8(f, 3 + 4 * i);
        out.delay[i] = kb2_get_u8(f, 4 + 4 * i);
    }
    return true;
}

bool kb2_decode_tgl(const quint8 *buf, int len, STU_BoardFromTGL &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromTGL::Entries; ++i) {
        out.key[i] = kb2_get_u8(f, 1 + 3 * i);
        out.DKS1[i] = kb2_get_u8(f, 2 + 3 * i);
        out.delay[i] = kb2_get_u8(f, 3 + 3 * i);
    }
    return true;
}

bool kb2_decode_tdks(const quint8 *buf, int len, STU_BoardFromTDKS &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromTDKS::Entries; ++i) {
        const int base = 1 + 11 * i;
        out.key[i] = kb2_get_u8(f, base);
        for (int b = 0; b < 8; ++b)
            out.b[b][i] = kb2_get_u8(f, base + 1 + b);
        out.value[i] = kb2_get_u16(f, base + 9);
    }
    return true;
}

bool kb2_decode_ddks(const quint8 *buf, int len, STU_BoardFromDDKS &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromDDKS::Entries; ++i) {
        const int base = 1 + 10 * i;
        out.key[i] = kb2_get_u8(f, base);
        out.DKS1[i] = kb2_get_u8(f, base + 1);
        out.DKS2[i] = kb2_get_u8(f, base + 2);
        out.DKS3[i] = kb2_get_u8(f, base + 3);
        out.dB1[i] = kb2_get_u16(f, base + 4);
        out.dB2[i] = kb2_get_u16(f, base + 6);
        out.dB3[i] = kb2_get_u16(f, base + 8);
    }
    return true;
}

namespace {

// END, SOCD and RS answers: 29 entries of (key, one byte).
template <typename Record>
bool decodePairRecord(const quint8 *buf, int len, Record &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    readPairs(f, out);
    return true;
}

} // namespace

bool kb2_decode_end(const quint8 *buf, int len, STU_BoardFromEND &out) { return decodePairRecord(buf, len, out); }
bool kb2_decode_socd(const quint8 *buf, int len, STU_BoardFromSOCD &out) { return decodePairRecord(buf, len, out); }
bool kb2_decode_rs(const quint8 *buf, int len, STU_BoardFromRS &out) { return decodePairRecord(buf, len, out); }

bool kb2_decode_krgb(const quint8 *buf, int len, STU_BoardFromKRGB &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    for (int i = 0; i < STU_BoardFromKRGB::Entries; ++i) {
        out.key[i] = kb2_get_u8(f, 1 + 4 * i);
        out.red[i] = kb2_get_u8(f, 2 + 4 * i);
        out.green[i] = kb2_get_u8(f, 3 + 4 * i);
        out.blue[i] = kb2_get_u8(f, 4 + 4 * i);
    }
    return true;
}

bool kb2_decode_macro_echo(const quint8 *buf, int len, STU_BoardFromMACRO &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.offset = kb2_get_u16(f, 1);
    out.count = kb2_get_u8(f, 3);
    for (int i = 0; i < STU_BoardFromMACRO::MaxSteps; ++i)
        out.step[i] = kb2_get_u32(f, 4 * (i + 1));
    return true;
}

bool kb2_decode_key_matrix(const quint8 *buf, int len, Kb2MatrixRows &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.firstRow = kb2_get_u8(f, 1);
    for (int c = 0; c < KB2MatrixCols; ++c)
        out.first[c] = kb2_get_u8(f, 2 + c);
    out.secondRow = kb2_get_u8(f, 23);
    for (int c = 0; c < KB2MatrixCols; ++c)
        out.second[c] = kb2_get_u8(f, 24 + c);
    return true;
}

bool kb2_decode_table_u16(const quint8 *buf, int len, quint8 &table, QList<QList<quint16>> &rows)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    table = kb2_get_u8(f, 1);
    rows.clear();
    for (int r = 0; r < 3; ++r) {
        QList<quint16> row;
        row.reserve(KB2MatrixCols);
        for (int c = 0; c < KB2MatrixCols; ++c)
            row.append(kb2_get_u16(f, 2 + 2 * (r * KB2MatrixCols + c)));
        rows.append(row);
    }
    return true;
}

bool kb2_decode_table_u8(const quint8 *buf, int len, quint8 &table, QList<QList<quint8>> &rows)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    table = kb2_get_u8(f, 1);
    rows.clear();
    for (int r = 0; r < KB2MatrixRows; ++r) {
        QList<quint8> row;
        row.reserve(KB2MatrixCols);
        for (int c = 0; c < KB2MatrixCols; ++c)
            row.append(kb2_get_u8(f, 2 + r * KB2MatrixCols + c));
        rows.append(row);
    }
    return true;
}

int kb2_decode_sys_mode(const quint8 *buf, int len)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return -1;
    const quint8 sub = kb2_get_u8(f, 1);
    const quint8 state = kb2_get_u8(f, 2);
    if (sub == Kb2Sub::QueryWinMode)
        return state == 1 ? SystemWindows : state == 0xFF ? SystemNoWindows : -1;
    if (sub == Kb2Sub::QueryMacMode)
        return state == 1 ? SystemMac : state == 0xFF ? SystemNoMac : -1;
    return -1;
}

bool kb2_decode_precision(const quint8 *buf, int len, Kb2Precision &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    out.raw = kb2_get_u8(f, 2);
    out.stepMm = out.raw / 1000.0;
    out.decimals = out.raw % 10 == 0 ? 2 : 3;
    out.a = kb2_get_u16(f, 3);
    out.b = kb2_get_u16(f, 5);
    return true;
}

bool kb2_decode_keyboard_name(const quint8 *buf, int len, QString &out)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return false;
    char name[32];
    int n = 0;
    for (; n < 32; ++n) {
        name[n] = char(kb2_get_u8(f, 2 + n));
        if (name[n] == 0)
            break;
    }
    out = QString::fromUtf8(name, n);
    return true;
}

int kb2_decode_polling_rate(const quint8 *buf, int len)
{
    Kb2Frame f;
    if (!load(f, buf, len))
        return -1;
    return kb2_get_u8(f, 2);
}

void kb2_macro_step_fields(quint32 word, bool &down, int &delayMs, quint16 &code)
{
    down = (word & 0x10000000u) != 0;
    delayMs = int((word >> 16) & 0xFFF);
    code = quint16(word & 0xFFFF);
}
