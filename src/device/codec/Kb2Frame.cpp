#include "Kb2Frame.h"

#include <cstring>

namespace {

constexpr quint8 kChecksumConstant = 0x35;

quint8 *tail(Kb2Frame &frame)
{
    return frame.data + Kb2Frame::HeaderSize + frame.data[1];
}

bool fits(const Kb2Frame &frame, int n)
{
    return n >= 0 && frame.data[1] + n <= Kb2Frame::MaxPayload;
}

} // namespace

void kb2_frame_begin(Kb2Frame &frame, quint8 command)
{
    std::memset(frame.data, 0, sizeof frame.data);
    frame.data[0] = Kb2Frame::StartByte;
    frame.data[2] = command;
}

void kb2_frame_seal(Kb2Frame &frame)
{
    frame.data[3] = kb2_frame_checksum(frame);
}

quint8 kb2_frame_checksum(const quint8 *buf, int len)
{
    if (!buf || len < 3)
        return 0;
    const int L = buf[1];
    unsigned sum = buf[0] + buf[1] + buf[2] + kChecksumConstant;
    if (L >= 1 && 3 + L < len)
        sum += buf[3 + L];
    return quint8(sum & 0xFF);
}

quint8 kb2_frame_checksum(const Kb2Frame &frame)
{
    return kb2_frame_checksum(frame.data, Kb2Frame::Size);
}

int kb2_put_u8(Kb2Frame &frame, quint8 value)
{
    if (!fits(frame, 1))
        return -1;
    tail(frame)[0] = value;
    frame.data[1] += 1;
    return 1;
}

int kb2_put_u16(Kb2Frame &frame, quint16 value)
{
    if (!fits(frame, 2))
        return -1;
    quint8 *p = tail(frame);
    p[0] = quint8(value);
    p[1] = quint8(value >> 8);
    frame.data[1] += 2;
    return 2;
}

int kb2_put_u32(Kb2Frame &frame, quint32 value)
{
    if (!fits(frame, 4))
        return -1;
    quint8 *p = tail(frame);
    for (int i = 0; i < 4; ++i)
        p[i] = quint8(value >> (8 * i));
    frame.data[1] += 4;
    return 4;
}

int kb2_put_bytes(Kb2Frame &frame, const quint8 *bytes, int n)
{
    if (n < 0 || n > 255 || (n > 0 && !bytes) || !fits(frame, n + 1))
        return -1;
    quint8 *p = tail(frame);
    p[0] = quint8(n);
    if (n > 0)
        std::memcpy(p + 1, bytes, size_t(n));
    frame.data[1] += quint8(n + 1);
    return n + 1;
}

int kb2_put_raw(Kb2Frame &frame, const quint8 *bytes, int n)
{
    if (n < 0 || (n > 0 && !bytes) || !fits(frame, n))
        return -1;
    if (n > 0)
        std::memcpy(tail(frame), bytes, size_t(n));
    frame.data[1] += quint8(n);
    return n;
}

quint8 kb2_get_u8(const Kb2Frame &frame, int off)
{
    if (off < 0 || off >= Kb2Frame::MaxPayload)
        return 0;
    return frame.payload()[off];
}

quint16 kb2_get_u16(const Kb2Frame &frame, int off)
{
    if (off < 0 || off > Kb2Frame::MaxPayload - 2)
        return 0;
    const quint8 *p = frame.payload() + off;
    return quint16(p[0] | (p[1] << 8));
}

quint32 kb2_get_u32(const Kb2Frame &frame, int off)
{
    if (off < 0 || off > Kb2Frame::MaxPayload - 4)
        return 0;
    const quint8 *p = frame.payload() + off;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

int kb2_get_bytes(const Kb2Frame &frame, int off, quint8 *dst, int max)
{
    if (off < 0 || off >= Kb2Frame::MaxPayload)
        return -1;
    const int n = frame.payload()[off];
    if (off + 1 + n > Kb2Frame::MaxPayload)
        return -1;
    const int count = qBound(0, max, n);
    if (count > 0 && dst)
        std::memcpy(dst, frame.payload() + off + 1, size_t(count));
    return count;
}

int kb2_frame_check(const quint8 *buf, int len)
{
    if (!buf || len < 4)
        return -1;
    if (buf[0] != Kb2Frame::StartByte)
        return -2;
    const int L = buf[1];
    if (L > Kb2Frame::MaxPayload)
        return -3;
    if (L + 4 > len)
        return -4;
    if (kb2_frame_checksum(buf, len) != buf[3])
        return -5;
    return L + 4;
}

int kb2_frame_copy_check(quint8 *dst, const quint8 *src, int len)
{
    if (!src || len < 4)
        return -1;
    if (src[0] != Kb2Frame::StartByte)
        return -2;
    const int L = src[1];
    if (L >= Kb2Frame::MaxPayload)
        return -3;
    if (L + 4 >= len)
        return -4;
    if (kb2_frame_checksum(src, len) != src[3])
        return -5;
    if (dst)
        std::memmove(dst, src, size_t(L + 4));
    return L + 4;
}

bool kb2_response_matches(quint8 requestCommand, quint8 responseCommand)
{
    return responseCommand == quint8(requestCommand + 0x80) || responseCommand == 0xFF;
}

int kb2_frame_load(Kb2Frame &frame, const quint8 *buf, int len)
{
    std::memset(frame.data, 0, sizeof frame.data);
    const int result = kb2_frame_check(buf, len);
    if (result > 0)
        std::memcpy(frame.data, buf, size_t(result));
    return result;
}
