#include "device/protocol.h"

#include "device/firmwareimage.h"

namespace protocol {

namespace {
void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}
} // namespace

QByteArray readBlockRequest(quint8 code, quint32 address, quint16 length)
{
    QByteArray out(1, static_cast<char>(code));
    appendLe(out, length, 2);
    appendLe(out, address, 4);
    return out;
}

QByteArray identifyRequest()
{
    return QByteArray(1, static_cast<char>(DeviceCommand::Identify));
}

QByteArray setUpdateModeRequest(bool enter)
{
    QByteArray out(1, static_cast<char>(DeviceCommand::SetUpdateMode));
    out.append(enter ? '\x01' : '\x00');
    return out;
}

QByteArray writePageRequest(quint32 address, const char *page)
{
    QByteArray out(1, static_cast<char>(DeviceCommand::WritePage));
    appendLe(out, firmwareimage::pageSize, 2);
    appendLe(out, address, 4);
    out.append(page, firmwareimage::pageSize);
    return out;
}

QByteArray finishImageRequest(quint32 endAddress, quint16 imageCrc)
{
    // The length field counts what follows it: address, CRC and ten bytes of 0xFF the device reserves.
    constexpr quint16 followingBytes = 16;
    constexpr int reservedBytes = 10;
    QByteArray out(1, static_cast<char>(DeviceCommand::FinishImage));
    appendLe(out, followingBytes, 2);
    appendLe(out, endAddress, 4);
    appendLe(out, imageCrc, 2);
    out.append(reservedBytes, static_cast<char>(0xFF));
    return out;
}

bool isValidReadBlockReply(const QByteArray &reply, quint16 length)
{
    return length > 0 && reply.size() == length && static_cast<quint8>(reply.at(0)) == statusReplyCode;
}

QString identityField(const QByteArray &field)
{
    const int end = field.indexOf('\0');
    return QString::fromLatin1(end < 0 ? field : field.left(end));
}

bool parseIdentifyReply(const QByteArray &reply, QString *sku, QString *hardware)
{
    if (reply.size() != identifyReplyLength || static_cast<quint8>(reply.at(0)) != answerCode(DeviceCommand::Identify))
        return false;
    *sku = identityField(reply.mid(1, identityFieldLength));
    *hardware = identityField(reply.mid(1 + identityFieldLength, identityFieldLength));
    return true;
}

CommandResult judgeAnswer(const QByteArray &reply, quint8 answerCode)
{
    if (reply.isEmpty() || static_cast<quint8>(reply.at(0)) != answerCode)
        return CommandResult::Rejected;
    // Some firmware answers with the code alone; that counts as accepted.
    if (reply.size() > 1 && reply.at(1) != 0)
        return CommandResult::Rejected;
    return CommandResult::Ok;
}

QByteArray statusReply(quint8 runMode, quint8 major, quint8 minor, quint8 build)
{
    QByteArray reply(statusReplyLength, '\0');
    reply[0] = static_cast<char>(statusReplyCode);
    reply[1] = static_cast<char>(runMode);
    reply[3] = static_cast<char>(major);
    reply[4] = static_cast<char>(minor);
    reply[5] = static_cast<char>(build);
    return reply;
}

QByteArray answerReply(quint8 request, quint8 status)
{
    QByteArray reply(2, '\0');
    reply[0] = static_cast<char>(answerCode(request));
    reply[1] = static_cast<char>(status);
    return reply;
}

} // namespace protocol
