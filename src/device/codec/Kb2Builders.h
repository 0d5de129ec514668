#pragma once

#include "BoardRecords.h"
#include "Kb2Commands.h"
#include "Kb2Frame.h"

#include <QString>

// Request builders: each returns a complete, checksummed frame.

// 0x00: sub-code, the argument when arg is 0..255, then 0xFF 0xFF (L 3 or 4).
Kb2Frame kb2_build_subcode(quint8 sub, int arg = -1);
// 0x01 with the session nonce, then 0xFF 0xFF (L = 6).
Kb2Frame kb2_build_board_info(const quint8 nonce[4]);
// A request whose payload is only 0xFF 0xFF (L = 2): the probe form of 0x01
// and the boot-loader restart 0x0A.
Kb2Frame kb2_build_plain(quint8 command);

// Selector-shaped requests; selector 1 writes, 0 reads.
Kb2Frame kb2_build_key(const STU_BoardFromKey &rec, quint8 selector = Kb2Access::Write);   // 0x23
Kb2Frame kb2_build_mt(const STU_BoardFromMT &rec, quint8 selector = Kb2Access::Write);     // 0x24
Kb2Frame kb2_build_tgl(const STU_BoardFromTGL &rec, quint8 selector = Kb2Access::Write);   // 0x25
Kb2Frame kb2_build_tdks(const STU_BoardFromTDKS &rec, quint8 selector = Kb2Access::Write); // 0x26
Kb2Frame kb2_build_ddks(const STU_BoardFromDDKS &rec, quint8 selector = Kb2Access::Write); // 0x27
Kb2Frame kb2_build_end(const STU_BoardFromEND &rec, quint8 selector = Kb2Access::Write);   // 0x28
Kb2Frame kb2_build_socd(const STU_BoardFromSOCD &rec, quint8 selector = Kb2Access::Write); // 0x2C
Kb2Frame kb2_build_rs(const STU_BoardFromRS &rec, quint8 selector = Kb2Access::Write);     // 0x2D
// 0x20: at most 14 steps; a larger count is clamped to 14.
Kb2Frame kb2_build_macro(const STU_BoardFromMACRO &rec, quint8 selector = Kb2Access::Write);
Kb2Frame kb2_build_db(const STU_BoardFromDB &rec, quint8 selector = Kb2Access::Write);     // 0x29
Kb2Frame kb2_build_prgb(const STU_BoardFromPRGB &rec, quint8 selector = Kb2Access::Write); // 0x18
Kb2Frame kb2_build_krgb(const STU_BoardFromKRGB &rec, quint8 selector = Kb2Access::Write); // 0x2A

// 0x2B: 0, first row, second row (L = 3).
Kb2Frame kb2_build_key_matrix_query(quint8 firstRow, quint8 secondRow);
// 0x12: table number, part, 0xFF 0xFF (L = 4).
Kb2Frame kb2_build_table_query(quint8 table, quint8 part);

// Encodings shared by the binding writer and the read-back.

// DKS action byte from a trigger string: character i == '1' sets, for i = 0..6,
// 0x01, 0x02, 0x04, 0x18, 0x20, 0x40, 0x80.
quint8 kb2_dks_action_byte(const QString &triggerValue);
// The seven flags of an action byte as a '1'/'0' string (0x18 needs both bits).
QString kb2_dks_action_string(quint8 action);
// One macro step: 0x10000000 down / 0x80000000 up, the delay (ms, clamped to
// 0..4095) in bits 16..27, the key code in bits 0..15.
quint32 kb2_macro_step_word(bool down, int delayMs, quint16 code);
// Hold/toggle time in 10 ms units, rounded up and clamped to 0..255.
quint8 kb2_delay_units(int delayMs);
