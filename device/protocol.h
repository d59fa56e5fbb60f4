#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The device's request set, for the client, the simulated device and the benchmark alike. Requests 0x02, 0x09 and
// 0x1B are answered with their code with the answer flag set; the status read 0x08 is answered with 'A'; 0x03 gets
// no answer.
struct DeviceCommand
{
    enum Code : quint8 {
        ReadBlock = 0x08,
        Identify = 0x02,
        SetUpdateMode = 0x03,
        WritePage = 0x09,
        FinishImage = 0x1B,
    };
};

// Results of writePage and finishImage. A scoped type, so that neither a bool nor the worker's true-on-failure
// result can be taken for one; the values are those the device's log and support staff know.
enum class CommandResult : int {
    Ok = 0,
    SendFailed = 1,
    NoReply = 2,
    Rejected = 3,
};

// What the device last reported.
struct DeviceInfo
{
    quint8 statusBlock[11] = {}; // bytes 1..11 of the last valid status reply: [0] run mode, [2..4] version
    quint8 fwMajor = 0;
    quint8 fwMinor = 0;
    quint8 fwBuild = 0;
    QString sku;
    QString hardware;

    // The version as reported, "0.1.157" style, in plain decimal.
    QString versionText() const { return QStringLiteral("%1.%2.%3").arg(fwMajor).arg(fwMinor).arg(fwBuild); }
};

namespace protocol {

constexpr int replyTimeoutMs = 1000;
constexpr quint8 answerFlag = 0x80;
// The first byte of the answer to `request`.
constexpr quint8 answerCode(quint8 request)
{
    return request | answerFlag;
}
constexpr quint8 statusReplyCode = 0x41;
constexpr quint16 statusReplyLength = 12;
constexpr int identifyReplyLength = 65;
constexpr int identityFieldLength = 32;
constexpr quint8 runModeApplication = 1;

QByteArray readBlockRequest(quint8 code, quint32 address, quint16 length);
QByteArray identifyRequest();
QByteArray setUpdateModeRequest(bool enter);
QByteArray writePageRequest(quint32 address, const char *page); // page: 512 bytes
QByteArray finishImageRequest(quint32 endAddress, quint16 imageCrc);

// A ReadBlock reply is valid when it has exactly `length` bytes and begins with 0x41.
bool isValidReadBlockReply(const QByteArray &reply, quint16 length);

// An identification reply is valid when it has exactly 65 bytes and begins with 0x82; then sku and hardware are set.
bool parseIdentifyReply(const QByteArray &reply, QString *sku, QString *hardware);

// A 32-byte text field: bytes up to the first 0x00, each byte one Latin-1 character.
QString identityField(const QByteArray &field);

// Ok when byte 0 is `answerCode` and the status byte is 0 or absent, Rejected otherwise (an empty reply included).
CommandResult judgeAnswer(const QByteArray &reply, quint8 answerCode);

// The device's side, for the simulated device and for what the benchmark counts on the line: the 12-byte status
// reply (0x41, run mode, 0, the three version numbers, six zeros), and the answer to a page or finish request (its
// code with the answer flag, then the status byte: 0 accepted, 1 refused).
QByteArray statusReply(quint8 runMode, quint8 major, quint8 minor, quint8 build);
QByteArray answerReply(quint8 request, quint8 status);

} // namespace protocol
