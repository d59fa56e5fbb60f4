#include "sim/device/devicemodel.h"

#include "device/firmwareimage.h"
#include "device/protocol.h"

#include <QStringList>
#include <QtEndian>

#include <algorithm>

namespace {

// The device reads each request by its fixed layout and takes only one that fills it exactly: the length field, the
// address the status is read from and the finish request's reserved bytes as well as the code.
constexpr int statusRequestLength = 7;
constexpr quint16 statusLength = 12; // the only length the status is read with, the reply's own
constexpr int writePageRequestLength = 7 + firmwareimage::pageSize;
constexpr int finishRequestLength = 19;
constexpr quint16 finishFollowingBytes = 16;
constexpr int finishReservedAt = 9;
constexpr char finishReserved = static_cast<char>(0xFF);

constexpr quint8 statusAccepted = 0;
constexpr quint8 statusRejected = 1;

// The part of the address space that takes pages: from the first image page up to 1 MiB. Below lies the device's
// own boot code, which an update must never overwrite.
constexpr quint32 flashEnd = 0x100000;

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QByteArray identityField(const QByteArray &text)
{
    QByteArray field = text.left(protocol::identityFieldLength);
    field.append(QByteArray(protocol::identityFieldLength - field.size(), '\0'));
    return field;
}

} // namespace

QString SimulatorVersion::toString() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

bool SimulatorVersion::parse(const QString &text, SimulatorVersion *version)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return false;
    quint8 numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const uint n = parts.at(i).toUInt(&ok);
        if (!ok || n > 255)
            return false;
        numbers[i] = static_cast<quint8>(n);
    }
    *version = {numbers[0], numbers[1], numbers[2]};
    return true;
}

DeviceModel::DeviceModel(const DeviceSetup &setup)
    : setup(setup), mode(setup.runMode), currentVersion(setup.version), currentSku(setup.sku)
{
}

quint32 DeviceModel::requestAddress(const QByteArray &request)
{
    const quint8 code = static_cast<quint8>(request.at(0));
    if ((code == DeviceCommand::ReadBlock || code == DeviceCommand::WritePage || code == DeviceCommand::FinishImage) &&
        request.size() >= 7)
        return le32(request, 3);
    return 0;
}

QByteArray DeviceModel::answer(const QByteArray &request, bool reject)
{
    const quint8 code = static_cast<quint8>(request.at(0));
    if (isRestarting()) {
        // The client's status polls are what run the restart out.
        if (code == DeviceCommand::ReadBlock && --restartPollsLeft == 0) {
            mode = 0;
            imageAccepted = false;
        }
        return {};
    }
    switch (code) {
    case DeviceCommand::ReadBlock:
        if (request.size() != statusRequestLength || le16(request, 1) != statusLength || le32(request, 3) != 0)
            return {};
        return protocol::statusReply(mode, currentVersion.major, currentVersion.minor, currentVersion.build);
    case DeviceCommand::Identify:
        if (request.size() != 1)
            return {};
        return QByteArray(1, static_cast<char>(protocol::answerCode(DeviceCommand::Identify))) +
               identityField(currentSku) + identityField(setup.hardware);
    case DeviceCommand::SetUpdateMode:
        if (request.size() == 2 && (request.at(1) == 0 || request.at(1) == 1))
            setUpdateMode(request.at(1) == 1);
        return {}; // never answered
    case DeviceCommand::WritePage:
        return answerWritePage(request, reject);
    case DeviceCommand::FinishImage:
        return answerFinish(request, reject);
    default:
        return {};
    }
}

void DeviceModel::setUpdateMode(bool enter)
{
    if (enter && mode == protocol::runModeApplication) {
        if (setup.restartPolls > 0) {
            restartPollsLeft = setup.restartPolls;
        } else {
            mode = 0;
            imageAccepted = false;
        }
    } else if (!enter && mode != protocol::runModeApplication) {
        mode = protocol::runModeApplication;
        if (imageAccepted) {
            currentVersion = setup.versionAfterUpdate;
            if (!setup.skuAfterUpdate.isEmpty())
                currentSku = setup.skuAfterUpdate;
        }
        imageAccepted = false;
    }
}

QByteArray DeviceModel::answerWritePage(const QByteArray &request, bool reject)
{
    if (reject || mode == protocol::runModeApplication || request.size() != writePageRequestLength ||
        le16(request, 1) != firmwareimage::pageSize)
        return protocol::answerReply(DeviceCommand::WritePage, statusRejected);
    const quint32 address = le32(request, 3);
    if (address < firmwareimage::firstPageAddress || address % firmwareimage::pageSize != 0 ||
        address > flashEnd - firmwareimage::pageSize)
        return protocol::answerReply(DeviceCommand::WritePage, statusRejected);
    storedPages.insert(address, request.mid(7));
    ++pageWritesAccepted;
    imageAccepted = false; // the flash changed under an image that was accepted before
    return protocol::answerReply(DeviceCommand::WritePage, statusAccepted);
}

QByteArray DeviceModel::answerFinish(const QByteArray &request, bool reject)
{
    if (request.size() != finishRequestLength || le16(request, 1) != finishFollowingBytes ||
        request.mid(finishReservedAt) != QByteArray(finishRequestLength - finishReservedAt, finishReserved))
        return protocol::answerReply(DeviceCommand::FinishImage, statusRejected);
    FinishRecord record;
    record.received = true;
    record.endAddress = le32(request, 3);
    record.crc = le16(request, 7);
    record.accepted = !reject && mode != protocol::runModeApplication &&
                      record.endAddress >= firmwareimage::firstPageAddress && record.endAddress <= flashEnd &&
                      firmwareimage::crc16Modbus(
                          flash(firmwareimage::firstPageAddress,
                                static_cast<int>(record.endAddress - firmwareimage::firstPageAddress))) == record.crc;
    finishRecord = record;
    imageAccepted = record.accepted;
    return protocol::answerReply(DeviceCommand::FinishImage, record.accepted ? statusAccepted : statusRejected);
}

QByteArray DeviceModel::flash(quint32 from, int size) const
{
    QByteArray out(std::max(0, size), firmwareimage::fillByte);
    if (size <= 0)
        return out;
    const quint64 end = static_cast<quint64>(from) + static_cast<quint64>(size);
    for (auto it = storedPages.lowerBound(from - std::min<quint32>(from, firmwareimage::pageSize - 1));
         it != storedPages.cend() && it.key() < end; ++it) {
        const quint64 pageStart = it.key();
        const quint64 pageEnd = pageStart + static_cast<quint64>(it.value().size());
        const quint64 lo = std::max<quint64>(pageStart, from);
        const quint64 hi = std::min<quint64>(pageEnd, end);
        for (quint64 a = lo; a < hi; ++a)
            out[static_cast<int>(a - from)] = it.value().at(static_cast<int>(a - pageStart));
    }
    return out;
}
