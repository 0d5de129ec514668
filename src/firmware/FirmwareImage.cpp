#include "FirmwareImage.h"

qint64 get_fw_size(qint64 imageSize)
{
    if (imageSize <= 0)
        return 0;
    return (imageSize + FwPageSize - 1) / FwPageSize * FwPageSize;
}

QByteArray fw_pad_image(const QByteArray &image)
{
    QByteArray padded = image;
    padded.append(QByteArray(int(get_fw_size(image.size()) - image.size()), char(0xFF)));
    return padded;
}

quint16 fw_crc16(const quint8 *data, qint64 size)
{
    quint16 crc = 0;
    for (qint64 i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0x8408) : quint16(crc >> 1);
    }
    return crc;
}

quint16 fw_crc16(const QByteArray &data)
{
    return fw_crc16(reinterpret_cast<const quint8 *>(data.constData()), data.size());
}
