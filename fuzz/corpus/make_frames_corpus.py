#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_frames: one valid answer of each kind, plus
truncated frames and frames with a bad checksum. Run from this folder."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frames")


def frame(cmd, payload, pad=True):
    payload = bytes(payload)
    last = payload[-1] if payload else 0
    data = bytes([0x5C, len(payload), cmd, (0x5C + len(payload) + cmd + 0x35 + last) & 0xFF]) + payload
    if pad:
        data += bytes((64 - len(data) % 64) % 64)
    return data


def text(s):
    b = s.encode()[:16]
    return bytes([len(b)]) + b.ljust(16, b"\0")


seeds = {
    "info_81": frame(0x81, b"\0" + struct.pack("<IHB", 0x03001234, 0x0102, 0) + text("SN123") + text("V1.0.3") + text("x")),
    "info_boot_81": frame(0x81, b"\0" + struct.pack("<IHB", 0x00000001, 0, 0xFF) + text("B") + text("Boot 1.0") + text("")),
    "prgb_98": frame(0x98, b"\0" + struct.pack("<9I", *range(9)) + bytes([0x15, 3, 4, 2, 1])),
    "db_a9": frame(0xA9, b"\0" + struct.pack("<7H", 0, 1500, 10, 3, 10, 20, 30)),
    "key_a3": frame(0xA3, b"\0" + b"".join(struct.pack("<BBH", 4 + i, i % 22, 1000 + i) for i in range(14))),
    "key_mode_a3": frame(0xA3, b"\0" + b"".join(struct.pack("<BBH", 4 + i, 8, [3, 6, 0x21, 1][i % 4]) for i in range(14))),
    "mt_a4": frame(0xA4, b"\0" + bytes([4, 5, 6, 20]) + bytes([0xFF] * 52)),
    "tgl_a5": frame(0xA5, b"\0" + bytes([4, 5, 30]) + bytes([0xFF] * 54)),
    "tdks_a6": frame(0xA6, b"\0" + bytes([4, 5, 6, 7, 8, 1, 2, 0x18, 0x80]) + struct.pack("<H", 1500) + bytes([0xFF] * 44)),
    "ddks_a7": frame(0xA7, b"\0" + bytes([4, 5, 6, 7]) + struct.pack("<3H", 500, 1000, 1500) + bytes([0xFF] * 40)),
    "end_a8": frame(0xA8, b"\0" + bytes([4, 5]) + bytes([0xFF] * 56)),
    "krgb_aa": frame(0xAA, b"\0" + b"".join(bytes([4 + i, i, 2 * i, 3 * i]) for i in range(14))),
    "matrix_ab": frame(0xAB, b"\0" + bytes([4]) + bytes(range(0xE0, 0xE0 + 21)) + bytes([5]) + bytes([1, 2, 3] + [0] * 18)),
    "table2_92": frame(0x92, b"\0\x02" + b"".join(struct.pack("<H", 100 * i) for i in range(63))),
    "table3_92": frame(0x92, b"\0\x03" + bytes(range(126))),
    "winmode_80": frame(0x80, bytes([0, 33, 1])),
    "macmode_80": frame(0x80, bytes([0, 34, 0xFF])),
    "precision_80": frame(0x80, bytes([0, 37, 5]) + struct.pack("<2H", 100, 4000)),
    "name_80": frame(0x80, bytes([0, 38]) + "键盘 Corvane".encode().ljust(32, b"\0")),
    "rate_80": frame(0x80, bytes([0, 80, 3])),
    "macro_a0": frame(0xA0, b"\0" + struct.pack("<HB", 256, 2) + struct.pack("<2I", 0x10140004, 0x80000004)),
    "empty_payload": frame(0xA3, b""),
    "foreign_ff": frame(0xFF, bytes([0, 1, 2, 3])),
}
# Broken ones: truncated mid-frame, bad checksum, length past the data.
seeds["truncated_table"] = seeds["table2_92"][:100]
seeds["truncated_info"] = seeds["info_81"][:40]
bad = bytearray(seeds["key_a3"]); bad[3] ^= 0x55
seeds["bad_checksum"] = bytes(bad)
long_len = bytearray(seeds["db_a9"]); long_len[1] = 200
seeds["length_past_data"] = bytes(long_len)
big_len = bytearray(seeds["db_a9"]); big_len[1] = 0xFE
seeds["length_too_large"] = bytes(big_len)
seeds["two_frames"] = seeds["winmode_80"] + seeds["key_a3"]

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(len(seeds), "seeds written to", OUT)
