#include "device/firmwareimage.h"

namespace firmwareimage {

bool paddedImageCrc(QIODevice &image, qint64 size, quint16 *crc)
{
    constexpr qint64 chunkSize = 64 * 1024;
    QByteArray chunk(static_cast<int>(chunkSize), Qt::Uninitialized);
    quint16 sum = 0xFFFF;
    for (qint64 left = size; left > 0;) {
        const qint64 wanted = qMin(left, chunkSize);
        if (image.read(chunk.data(), wanted) != wanted)
            return false;
        sum = crc16Modbus(chunk.constData(), wanted, sum);
        left -= wanted;
    }
    const QByteArray fill(static_cast<int>(pageCount(size) * pageSize - size), fillByte);
    *crc = crc16Modbus(fill, sum);
    return true;
}

QByteArray page(const QByteArray &image, qint64 k)
{
    const qint64 offset = k * pageSize;
    if (k < 0 || offset >= image.size())
        return {};
    QByteArray out = image.mid(static_cast<int>(offset), pageSize);
    out.append(pageSize - out.size(), fillByte);
    return out;
}

QByteArray padded(const QByteArray &image)
{
    QByteArray out = image;
    out.append(static_cast<int>(pageCount(image.size()) * pageSize - image.size()), fillByte);
    return out;
}

quint16 crc16Modbus(const char *data, qint64 size, quint16 crc)
{
    for (qint64 i = 0; i < size; ++i) {
        crc ^= static_cast<quint8>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

} // namespace firmwareimage
