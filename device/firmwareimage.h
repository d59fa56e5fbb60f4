#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

// How the carried image is laid into the device's flash: 512-byte pages from 0x8000, the last page filled with 0xFF,
// the whole padded image summed with CRC-16/MODBUS for the finish request.
namespace firmwareimage {

constexpr int pageSize = 512;
constexpr quint32 firstPageAddress = 0x8000;
constexpr char fillByte = static_cast<char>(0xFF);

// Number of pages an image of the given size occupies (rounded up).
constexpr qint64 pageCount(qint64 imageSize)
{
    return imageSize / pageSize + (imageSize % pageSize != 0 ? 1 : 0);
}

// Where page k (from 0) goes in the device's flash.
constexpr quint32 pageAddress(qint64 k)
{
    return firstPageAddress + static_cast<quint32>(pageSize * k);
}

// Address just behind the last page: what the finish request announces.
constexpr quint32 endAddress(qint64 pages)
{
    return pageAddress(pages);
}

// The largest image whose pages, laid from 0x8000, still end within the 32-bit address the finish request carries.
constexpr qint64 maxImageSize = (0xFFFFFFFFLL - firstPageAddress) / pageSize * pageSize;

// Whether an image of this size can be written at all: an empty image (a broken build) cannot, nor one that does not
// fit the device's address space.
constexpr bool isWritableSize(qint64 imageSize)
{
    return imageSize > 0 && imageSize <= maxImageSize;
}

// CRC-16/MODBUS of the first `size` bytes of `image` read from its current position, followed by the 0xFF fill up to
// whole pages, read in pieces so that no image needs to be held whole. False if fewer bytes could be read.
bool paddedImageCrc(QIODevice &image, qint64 size, quint16 *crc);

// Page k of the image, filled up to 512 bytes with 0xFF; an empty array when k is past the image.
QByteArray page(const QByteArray &image, qint64 k);

// The image followed by its 0xFF fill up to whole pages.
QByteArray padded(const QByteArray &image);

// CRC-16/MODBUS (reflected poly 0xA001, init 0xFFFF, no final XOR); can be fed in pieces.
quint16 crc16Modbus(const char *data, qint64 size, quint16 crc = 0xFFFF);
inline quint16 crc16Modbus(const QByteArray &data, quint16 crc = 0xFFFF)
{
    return crc16Modbus(data.constData(), data.size(), crc);
}

} // namespace firmwareimage
