#pragma once

#include <QByteArray>
#include <QtGlobal>

// The keyboard erases, writes and checks its application area in whole
// 512-byte pages; the bytes past the image are 0xFF (erased flash).
constexpr int FwPageSize = 512;
// No firmware image is larger; a bigger file is not one, and writing it
// would erase the keyboard for nothing.
constexpr qint64 FwMaxImageSize = qint64(8) << 20;

// Image size rounded up to whole pages; 0 for an empty image.
qint64 get_fw_size(qint64 imageSize);
// The image followed by 0xFF up to get_fw_size.
QByteArray fw_pad_image(const QByteArray &image);
// CRC-16/KERMIT (reflected polynomial 0x8408, initial value 0, no final
// xor), the check the keyboard computes over its flash.
quint16 fw_crc16(const quint8 *data, qint64 size);
quint16 fw_crc16(const QByteArray &data);
