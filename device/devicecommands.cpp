// The device's requests as operations of the main window, which owns the link to the device.

#include "ui/mainwindow.h"

#include "serial/qorvserial.h"

#include <cstring>

namespace {
constexpr quint8 answerFlag = 0x80;
}

bool MainWindow::readBlock(quint8 code, quint32 address, quint16 length, quint8 *destination)
{
    if (worker->sendPacket(protocol::readBlockRequest(code, address, length)))
        return false;
    QByteArray reply;
    if (worker->receivePacket(reply, protocol::replyTimeoutMs))
        return false;
    if (!protocol::isValidReadBlockReply(reply, length))
        return false;
    std::memcpy(destination, reply.constData() + 1, length - 1);
    return true;
}

bool MainWindow::identify()
{
    if (worker->sendPacket(protocol::identifyRequest()))
        return false;
    QByteArray reply;
    if (worker->receivePacket(reply, protocol::replyTimeoutMs))
        return false;
    QString sku;
    QString hardware;
    if (!protocol::parseIdentifyReply(reply, &sku, &hardware))
        return false;
    deviceInfo.sku = sku;
    deviceInfo.hardware = hardware;
    return true;
}

bool MainWindow::setUpdateMode(bool enter)
{
    return !worker->sendPacket(protocol::setUpdateModeRequest(enter));
}

int MainWindow::writePage(quint32 address, const char *page)
{
    if (worker->sendPacket(protocol::writePageRequest(address, page)))
        return CommandResult::SendFailed;
    QByteArray reply;
    if (worker->receivePacket(reply, protocol::replyTimeoutMs))
        return CommandResult::NoReply;
    return protocol::judgeAnswer(reply, DeviceCommand::WritePage | answerFlag);
}

int MainWindow::finishImage(quint16 crc, quint32 endAddress)
{
    if (worker->sendPacket(protocol::finishImageRequest(endAddress, crc)))
        return CommandResult::SendFailed;
    QByteArray reply;
    if (worker->receivePacket(reply, protocol::replyTimeoutMs))
        return CommandResult::NoReply;
    return protocol::judgeAnswer(reply, DeviceCommand::FinishImage | answerFlag);
}
