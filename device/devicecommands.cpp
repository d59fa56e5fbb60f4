// The device's requests as operations of the main window, which owns the link to the device.

#include "ui/mainwindow.h"

#include "serial/qorvserial.h"

#include <cstring>

CommandResult MainWindow::exchange(const QByteArray &request, QByteArray &reply)
{
    if (worker->sendPacket(request))
        return CommandResult::SendFailed;
    reply.clear();
    if (worker->receivePacket(reply, protocol::replyTimeoutMs))
        return CommandResult::NoReply;
    return CommandResult::Ok;
}

bool MainWindow::readBlock(quint8 code, quint32 address, quint16 length, quint8 *destination)
{
    QByteArray reply;
    if (exchange(protocol::readBlockRequest(code, address, length), reply) != CommandResult::Ok ||
        !protocol::isValidReadBlockReply(reply, length))
        return false;
    std::memcpy(destination, reply.constData() + 1, length - 1);
    return true;
}

bool MainWindow::identify()
{
    QByteArray reply;
    QString sku;
    QString hardware;
    if (exchange(protocol::identifyRequest(), reply) != CommandResult::Ok ||
        !protocol::parseIdentifyReply(reply, &sku, &hardware))
        return false;
    deviceInfo.sku = sku;
    deviceInfo.hardware = hardware;
    return true;
}

bool MainWindow::setUpdateMode(bool enter)
{
    return !worker->sendPacket(protocol::setUpdateModeRequest(enter));
}

CommandResult MainWindow::writePage(quint32 address, const char *page)
{
    QByteArray reply;
    const CommandResult sent = exchange(protocol::writePageRequest(address, page), reply);
    return sent != CommandResult::Ok ? sent
                                     : protocol::judgeAnswer(reply, protocol::answerCode(DeviceCommand::WritePage));
}

CommandResult MainWindow::finishImage(quint16 crc, quint32 endAddress)
{
    QByteArray reply;
    const CommandResult sent = exchange(protocol::finishImageRequest(endAddress, crc), reply);
    return sent != CommandResult::Ok ? sent
                                     : protocol::judgeAnswer(reply, protocol::answerCode(DeviceCommand::FinishImage));
}
