#pragma once

#include <QByteArray>

// Frames on the device's serial line: 0x7E, the byte-stuffed payload and its CRC-16/UMTS (low byte first), 0x7F.
// The functions here touch no port, so that everything speaking the protocol (the client, the simulated device, the
// fuzzer) frames with exactly this code.
namespace framecodec {

constexpr char startByte = 0x7E;
constexpr char endByte = 0x7F;
constexpr char escapeByte = 0x7D;
constexpr char escapeXor = 0x40;

// CRC-16/UMTS (poly 0x8005, init 0, no reflection, no final XOR) as a number.
quint16 crc16Value(const QByteArray &data);

// Escapes 0x7D, 0x7E and 0x7F as 0x7D followed by the byte XOR 0x40.
QByteArray stuff(const QByteArray &body);

// Undoes stuff(); an escape byte at the very end stands for the byte 0x40.
QByteArray unstuff(QByteArray body);

// The whole frame for a payload, delimiters included.
QByteArray encodeFrame(const QByteArray &payload);

// Why a collected reply was not accepted. The client rejects silently; the reason is there for whoever looks closer.
enum class DecodeResult {
    Ok,
    NoStartByte, // the first collected byte is not 0x7E
    NoEndByte,   // no 0x7F anywhere (the reply wait never hands such a buffer over)
    EmptyBody,   // nothing between the delimiters
    ShortBody,   // fewer than three bytes after unstuffing: no room for a payload byte and the CRC
    CrcMismatch,
};

// Judges everything collected during one reply wait. On Ok, *payload is the data without its CRC; otherwise
// *payload is left untouched. Bytes behind the first end byte are ignored.
DecodeResult decodeFrame(const QByteArray &collected, QByteArray *payload);

} // namespace framecodec

// The CRC of the payload as two bytes, low byte first, the order in which it travels.
QByteArray crc16(const QByteArray &data);

// The payload followed by crc16() of it.
QByteArray appendCrc(const QByteArray &data);
