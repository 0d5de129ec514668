#pragma once

#include <QtGlobal>

// One protocol frame: start byte 0x5C, payload length L (0..252), command,
// checksum, then L payload bytes (multi-byte numbers little-endian). The
// buffer is always 256 bytes and zero past the frame; L + 4 bytes go on the
// wire, as one to four 64-byte reports.
struct Kb2Frame {
    static constexpr int Size = 256;
    static constexpr int HeaderSize = 4;
    static constexpr int MaxPayload = 252;
    static constexpr quint8 StartByte = 0x5C;

    quint8 data[Size] = {};

    quint8 length() const { return data[1]; }
    quint8 command() const { return data[2]; }
    quint8 checksum() const { return data[3]; }
    const quint8 *payload() const { return data + HeaderSize; }
    // Bytes to write: L + 4.
    int frameSize() const { return data[1] + HeaderSize; }
};

// Starts a frame: zeroes it and writes the start byte, the command and L = 0.
void kb2_frame_begin(Kb2Frame &frame, quint8 command);
// Stores the checksum in byte 3. Call after the last writer.
void kb2_frame_seal(Kb2Frame &frame);

// (byte0 + L + command + 0x35 + last payload byte) mod 256; only the header
// and the last payload byte enter the sum. The last payload byte counts as 0
// when it lies beyond len, so a short buffer is never over-read.
quint8 kb2_frame_checksum(const quint8 *buf, int len);
quint8 kb2_frame_checksum(const Kb2Frame &frame);

// Payload writers: append at offset L and grow L. Each refuses with -1, and
// leaves the frame unchanged, when the value would not fit in 252 bytes.
int kb2_put_u8(Kb2Frame &frame, quint8 value);
int kb2_put_u16(Kb2Frame &frame, quint16 value);
int kb2_put_u32(Kb2Frame &frame, quint32 value);
// A length byte n, then n bytes; returns n + 1.
int kb2_put_bytes(Kb2Frame &frame, const quint8 *bytes, int n);
// n bytes without a length byte (block data of the firmware writes); returns n.
int kb2_put_raw(Kb2Frame &frame, const quint8 *bytes, int n);

// Payload readers: offsets count from payload byte 0; out of range gives 0.
quint8 kb2_get_u8(const Kb2Frame &frame, int off);
quint16 kb2_get_u16(const Kb2Frame &frame, int off);
quint32 kb2_get_u32(const Kb2Frame &frame, int off);
// n = payload[off]; copies min(n, max) bytes from payload[off + 1] to dst and
// returns that count; -1 when the n bytes would run past the payload area.
int kb2_get_bytes(const Kb2Frame &frame, int off, quint8 *dst, int max);

// Validators over received bytes (the concatenated input reports).
// kb2_frame_check: -1 len < 4, -2 bad start byte, -3 L > 252,
// -4 L + 4 > len, -5 checksum; L + 4 on success.
int kb2_frame_check(const quint8 *buf, int len);
// As kb2_frame_check, but L >= 252 gives -3 and the frame must be strictly
// shorter than len (-4 otherwise); on success copies L + 4 bytes to dst,
// which must hold 256 bytes.
int kb2_frame_copy_check(quint8 *dst, const quint8 *src, int len);

// A response answers a request when its command is the request's + 0x80
// (mod 256) or 0xFF.
bool kb2_response_matches(quint8 requestCommand, quint8 responseCommand);

// Loads a received buffer into a zeroed frame after kb2_frame_check; only
// the validated L + 4 bytes are copied. Returns the check result.
int kb2_frame_load(Kb2Frame &frame, const quint8 *buf, int len);
