#include "Kb2Builders.h"

namespace {

Kb2Frame begin(quint8 command, quint8 selector)
{
    Kb2Frame f;
    kb2_frame_begin(f, command);
    kb2_put_u8(f, selector);
    return f;
}

Kb2Frame seal(Kb2Frame f)
{
    kb2_frame_seal(f);
    return f;
}

template <typename Rec>
Kb2Frame buildPairs(quint8 command, const Rec &rec, quint8 selector)
{
    Kb2Frame f = begin(command, selector);
    for (int i = 0; i < Rec::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.DKS1[i]);
    }
    return seal(f);
}

} // namespace

Kb2Frame kb2_build_subcode(quint8 sub, int arg)
{
    Kb2Frame f;
    kb2_frame_begin(f, Kb2Cmd::SubCode);
    kb2_put_u8(f, sub);
    if (arg >= 0 && arg <= 0xFF)
        kb2_put_u8(f, quint8(arg));
    kb2_put_u8(f, 0xFF);
    kb2_put_u8(f, 0xFF);
    return seal(f);
}

Kb2Frame kb2_build_board_info(const quint8 nonce[4])
{
    Kb2Frame f;
    kb2_frame_begin(f, Kb2Cmd::BoardInfo);
    for (int i = 0; i < 4; ++i)
        kb2_put_u8(f, nonce ? nonce[i] : 0);
    kb2_put_u8(f, 0xFF);
    kb2_put_u8(f, 0xFF);
    return seal(f);
}

Kb2Frame kb2_build_plain(quint8 command)
{
    Kb2Frame f;
    kb2_frame_begin(f, command);
    kb2_put_u8(f, 0xFF);
    kb2_put_u8(f, 0xFF);
    return seal(f);
}

Kb2Frame kb2_build_key(const STU_BoardFromKey &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::Key, selector);
    for (int i = 0; i < STU_BoardFromKey::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.param[i]);
        kb2_put_u16(f, rec.value[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_mt(const STU_BoardFromMT &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::MT, selector);
    for (int i = 0; i < STU_BoardFromMT::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.DKS1[i]);
        kb2_put_u8(f, rec.DKS2[i]);
        kb2_put_u8(f, rec.delay[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_tgl(const STU_BoardFromTGL &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::TGL, selector);
    for (int i = 0; i < STU_BoardFromTGL::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.DKS1[i]);
        kb2_put_u8(f, rec.delay[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_tdks(const STU_BoardFromTDKS &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::TDKS, selector);
    for (int i = 0; i < STU_BoardFromTDKS::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        for (int b = 0; b < 8; ++b)
            kb2_put_u8(f, rec.b[b][i]);
        kb2_put_u16(f, rec.value[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_ddks(const STU_BoardFromDDKS &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::DDKS, selector);
    for (int i = 0; i < STU_BoardFromDDKS::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.DKS1[i]);
        kb2_put_u8(f, rec.DKS2[i]);
        kb2_put_u8(f, rec.DKS3[i]);
        kb2_put_u16(f, rec.dB1[i]);
        kb2_put_u16(f, rec.dB2[i]);
        kb2_put_u16(f, rec.dB3[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_end(const STU_BoardFromEND &rec, quint8 selector)
{
    return buildPairs(Kb2Cmd::END, rec, selector);
}

Kb2Frame kb2_build_socd(const STU_BoardFromSOCD &rec, quint8 selector)
{
    return buildPairs(Kb2Cmd::SOCD, rec, selector);
}

Kb2Frame kb2_build_rs(const STU_BoardFromRS &rec, quint8 selector)
{
    return buildPairs(Kb2Cmd::RS, rec, selector);
}

Kb2Frame kb2_build_macro(const STU_BoardFromMACRO &rec, quint8 selector)
{
    const int count = qMin(int(rec.count), int(STU_BoardFromMACRO::MaxSteps));
    Kb2Frame f = begin(Kb2Cmd::Macro, selector);
    kb2_put_u16(f, rec.offset);
    kb2_put_u8(f, quint8(count));
    for (int i = 0; i < count; ++i)
        kb2_put_u32(f, rec.step[i]);
    return seal(f);
}

Kb2Frame kb2_build_db(const STU_BoardFromDB &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::DB, selector);
    for (quint16 v : {rec.ticks, rec.gdBi, rec.dt_dB, rec.dt_RdB, rec.db1, rec.db2, rec.db3})
        kb2_put_u16(f, v);
    return seal(f);
}

Kb2Frame kb2_build_prgb(const STU_BoardFromPRGB &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::PRGB, selector);
    kb2_put_u32(f, rec.background);
    for (quint32 colour : rec.colours)
        kb2_put_u32(f, colour);
    kb2_put_u8(f, rec.bitmap);
    kb2_put_u8(f, rec.grayscale);
    kb2_put_u8(f, rec.rgb_mode);
    kb2_put_u8(f, rec.rgb_speed);
    kb2_put_u8(f, rec.rgb_sleep);
    kb2_put_u8(f, 0xFF);
    kb2_put_u8(f, 0xFF);
    return seal(f);
}

Kb2Frame kb2_build_krgb(const STU_BoardFromKRGB &rec, quint8 selector)
{
    Kb2Frame f = begin(Kb2Cmd::KRGB, selector);
    for (int i = 0; i < STU_BoardFromKRGB::Entries; ++i) {
        kb2_put_u8(f, rec.key[i]);
        kb2_put_u8(f, rec.red[i]);
        kb2_put_u8(f, rec.green[i]);
        kb2_put_u8(f, rec.blue[i]);
    }
    return seal(f);
}

Kb2Frame kb2_build_key_matrix_query(quint8 firstRow, quint8 secondRow)
{
    Kb2Frame f = begin(Kb2Cmd::KeyMatrix, 0);
    kb2_put_u8(f, firstRow);
    kb2_put_u8(f, secondRow);
    return seal(f);
}

Kb2Frame kb2_build_table_query(quint8 table, quint8 part)
{
    Kb2Frame f = begin(Kb2Cmd::TableQuery, table);
    kb2_put_u8(f, part);
    kb2_put_u8(f, 0xFF);
    kb2_put_u8(f, 0xFF);
    return seal(f);
}

namespace {
const quint8 kDksActionBits[7] = {0x01, 0x02, 0x04, 0x18, 0x20, 0x40, 0x80};
} // namespace

quint8 kb2_dks_action_byte(const QString &triggerValue)
{
    quint8 byte = 0;
    for (int i = 0; i < 7 && i < triggerValue.size(); ++i) {
        if (triggerValue.at(i) == QLatin1Char('1'))
            byte |= kDksActionBits[i];
    }
    return byte;
}

QString kb2_dks_action_string(quint8 action)
{
    QString text;
    for (quint8 bits : kDksActionBits)
        text.append((action & bits) == bits ? QLatin1Char('1') : QLatin1Char('0'));
    return text;
}

quint32 kb2_macro_step_word(bool down, int delayMs, quint16 code)
{
    // A longer delay does not fit the 12-bit field; keep the longest one
    // rather than letting it wrap to a short one.
    const quint32 delay = quint32(qBound(0, delayMs, 0xFFF));
    return (down ? 0x10000000u : 0x80000000u) | (delay << 16) | code;
}

quint8 kb2_delay_units(int delayMs)
{
    // Beyond 2550 ms the count would wrap to a short time.
    return quint8(qBound<qint64>(0, (qint64(delayMs) + 9) / 10, 255));
}
