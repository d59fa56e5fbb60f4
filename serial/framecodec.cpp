#include "serial/framecodec.h"

namespace framecodec {

quint16 crc16Value(const QByteArray &data)
{
    quint16 crc = 0x0000;
    for (const char c : data) {
        crc ^= static_cast<quint16>(static_cast<quint8>(c) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<quint16>((crc << 1) ^ 0x8005) : static_cast<quint16>(crc << 1);
    }
    return crc;
}

static bool needsEscape(char c)
{
    return c == escapeByte || c == startByte || c == endByte;
}

QByteArray stuff(const QByteArray &body)
{
    QByteArray out;
    out.reserve(body.size() * 2);
    for (const char c : body) {
        if (needsEscape(c)) {
            out.append(escapeByte);
            out.append(static_cast<char>(c ^ escapeXor));
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray unstuff(QByteArray body)
{
    int out = 0;
    for (int in = 0; in < body.size(); ++in) {
        char c = body.at(in);
        if (c == escapeByte) {
            // A trailing escape stands for a zero byte that never came: 0x00 XOR 0x40.
            c = (in + 1 < body.size()) ? body.at(++in) : '\0';
            c = static_cast<char>(c ^ escapeXor);
        }
        body[out++] = c;
    }
    body.truncate(out);
    return body;
}

QByteArray encodeFrame(const QByteArray &payload)
{
    QByteArray frame = stuff(appendCrc(payload));
    frame.prepend(startByte);
    frame.append(endByte);
    return frame;
}

DecodeResult decodeFrame(const QByteArray &collected, QByteArray *payload)
{
    // The device starts every reply with 0x7E; a reply that begins otherwise is refused, even if a good frame
    // follows, because the request/reply pairing can no longer be trusted.
    if (collected.isEmpty() || collected.at(0) != startByte)
        return DecodeResult::NoStartByte;
    const int end = collected.indexOf(endByte);
    if (end < 0)
        return DecodeResult::NoEndByte;
    if (end == 1)
        return DecodeResult::EmptyBody;
    const QByteArray body = unstuff(collected.mid(1, end - 1));
    if (body.size() < 3)
        return DecodeResult::ShortBody;
    const QByteArray data = body.left(body.size() - 2);
    if (crc16(data) != body.right(2))
        return DecodeResult::CrcMismatch;
    *payload = data;
    return DecodeResult::Ok;
}

} // namespace framecodec

QByteArray crc16(const QByteArray &data)
{
    const quint16 crc = framecodec::crc16Value(data);
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(crc & 0xFF);
    out[1] = static_cast<char>(crc >> 8);
    return out;
}

QByteArray appendCrc(const QByteArray &data)
{
    return data + crc16(data);
}
