#pragma once

#include "BoardRecords.h"

#include <QList>
#include <QString>

// Response decoders. Each takes the received bytes (the concatenated input
// reports) and first validates them as a frame; it returns false, leaving
// out untouched, when the frame is invalid or has an empty payload (the
// same rule the worker applies: a check result below 5). Only the validated
// frame bytes are read; fields past the frame read as 0. None of them checks
// the command byte or the status: that is the dispatcher's job.

// Status byte (payload 0) of a valid frame, -1 when the frame is invalid.
int kb2_response_status(const quint8 *buf, int len);
// Command byte of a valid frame, -1 when invalid.
int kb2_response_command(const quint8 *buf, int len);
// Sub-code echo (payload 1) of a valid frame, -1 when invalid.
int kb2_response_subcode(const quint8 *buf, int len);

bool kb2_decode_board_info(const quint8 *buf, int len, STU_BoardInfo2 &out); // 0x81
bool kb2_decode_prgb(const quint8 *buf, int len, STU_BoardFromPRGB &out);    // 0x98; keeps out.spare
// 0xA9: writes the seven carried values (ticks, gdBi, dt_dB, dt_RdB, db1..db3)
// into out and keeps its per-key arrays.
bool kb2_decode_db(const quint8 *buf, int len, STU_BoardFromDB &out);
bool kb2_decode_key_entries(const quint8 *buf, int len, STU_BoardFromKey &out); // 0xA3
bool kb2_decode_mt(const quint8 *buf, int len, STU_BoardFromMT &out);          // 0xA4
bool kb2_decode_tgl(const quint8 *buf, int len, STU_BoardFromTGL &out);        // 0xA5
bool kb2_decode_tdks(const quint8 *buf, int len, STU_BoardFromTDKS &out);      // 0xA6
bool kb2_decode_ddks(const quint8 *buf, int len, STU_BoardFromDDKS &out);      // 0xA7
bool kb2_decode_end(const quint8 *buf, int len, STU_BoardFromEND &out);        // 0xA8
bool kb2_decode_krgb(const quint8 *buf, int len, STU_BoardFromKRGB &out);      // 0xAA
bool kb2_decode_socd(const quint8 *buf, int len, STU_BoardFromSOCD &out);      // 0xAC
bool kb2_decode_rs(const quint8 *buf, int len, STU_BoardFromRS &out);          // 0xAD
bool kb2_decode_macro_echo(const quint8 *buf, int len, STU_BoardFromMACRO &out); // 0xA0
// The fields of a macro step word (see kb2_macro_step_word).
void kb2_macro_step_fields(quint32 word, bool &down, int &delayMs, quint16 &code);

// 0xAB: two rows of the board's key matrix, as wire key codes.
struct Kb2MatrixRows {
    quint8 firstRow = 0;
    quint8 first[KB2MatrixCols] = {};
    quint8 secondRow = 0;
    quint8 second[KB2MatrixCols] = {};
};
bool kb2_decode_key_matrix(const quint8 *buf, int len, Kb2MatrixRows &out);

// 0x92: a slice of a live table. The u16 tables (2, 6) come as 3 rows of
// 21 values per part, table 3 as 6 rows of 21 bytes.
bool kb2_decode_table_u16(const quint8 *buf, int len, quint8 &table, QList<QList<quint16>> &rows);
bool kb2_decode_table_u8(const quint8 *buf, int len, quint8 &table, QList<QList<quint8>> &rows);

// 0x80 answers, by sub-code.
// 33 / 34: system mode 0..3, or -1 when the answer carries none.
int kb2_decode_sys_mode(const quint8 *buf, int len);

struct Kb2Precision {
    quint8 raw = 0;       // micrometres per travel step
    double stepMm = 0.0;  // raw / 1000
    int decimals = 2;     // 2 when raw is a multiple of 10, else 3
    quint16 a = 0;
    quint16 b = 0;
};
bool kb2_decode_precision(const quint8 *buf, int len, Kb2Precision &out); // 37
// 38: the 32-byte name, UTF-8, cut at the first NUL. False when invalid.
bool kb2_decode_keyboard_name(const quint8 *buf, int len, QString &out);
// 80: the current polling-rate index, -1 when invalid.
int kb2_decode_polling_rate(const quint8 *buf, int len);
