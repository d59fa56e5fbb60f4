#include "serial/qorvserial.h"

#include "serial/eventwait.h"
#include "serial/framecodec.h"
#include "serial/serialtrace.h"

#include <QAbstractEventDispatcher>
#include <QSerialPortInfo>

namespace {
// The port object keeps at most this many unread bytes; a reply is far shorter.
constexpr qint64 readBufferSize = 1024;
} // namespace

QList<PortListing> systemSerialPorts()
{
    QList<PortListing> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        ports.append({info.portName(), info.hasVendorIdentifier(), info.vendorIdentifier(), info.hasProductIdentifier(),
                      info.productIdentifier()});
    }
    return ports;
}

qorvserial::qorvserial(QObject *parent) : QObject(parent), port(new QSerialPort), portLister(systemSerialPorts)
{
    connect(port, &QSerialPort::readyRead, this, &qorvserial::dataReady);
    // Connected from the start: a device that vanishes mid-transfer must end the transfer's waits at once.
    connect(port, &QSerialPort::errorOccurred, this, &qorvserial::handleError);
}

qorvserial::~qorvserial()
{
    qCDebug(lcSerial) << "Finish qorvserial in thread";
    emit finishedPort();
    delete port;
}

void qorvserial::setPortLister(PortLister lister)
{
    portLister = lister ? std::move(lister) : PortLister(systemSerialPorts);
}

void qorvserial::setSettings(QString name, QSerialPort::BaudRate baudrate, QSerialPort::DataBits dataBits,
                             QSerialPort::Parity parity, QSerialPort::StopBits stopBits,
                             QSerialPort::FlowControl flowControl)
{
    portName = name;
    this->baudrate = baudrate;
    this->dataBits = dataBits;
    this->parity = parity;
    this->stopBits = stopBits;
    this->flowControl = flowControl;
}

void qorvserial::setSettings(int pid, int vid, QSerialPort::BaudRate baudrate, QSerialPort::DataBits dataBits,
                             QSerialPort::Parity parity, QSerialPort::StopBits stopBits,
                             QSerialPort::FlowControl flowControl)
{
    portFound = false;
    portName.clear();
    const QList<PortListing> ports = portLister();
    for (const PortListing &p : ports) {
        if (p.hasVendorIdentifier && p.hasProductIdentifier && p.productIdentifier == pid &&
            p.vendorIdentifier == vid) {
            portName = p.name;
            portFound = true;
            break;
        }
    }
    this->baudrate = baudrate;
    this->dataBits = dataBits;
    this->parity = parity;
    this->stopBits = stopBits;
    this->flowControl = flowControl;
}

void qorvserial::findDevicePort()
{
    setSettings(cp210x::productId, cp210x::vendorId, QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                QSerialPort::OneStop, QSerialPort::NoFlowControl);
}

bool qorvserial::connectPort()
{
    port->setPortName(portName);
    linkLost = false;
    if (!port->open(QIODevice::ReadWrite)) {
        // Read before close(): closing a port that never opened replaces the reason with "Device is not open".
        lastError = port->errorString();
        port->close();
        emit errorMsg(lastError);
        return true;
    }
    const bool configured = port->setBaudRate(baudrate, QSerialPort::AllDirections) && port->setDataBits(dataBits) &&
                            port->setParity(parity) && port->setStopBits(stopBits) && port->setFlowControl(flowControl);
    if (!configured) {
        lastError = port->errorString();
        port->close();
        emit errorMsg(lastError);
        return true;
    }
    port->setBreakEnabled(false);
    port->setReadBufferSize(readBufferSize);
    port->setFlowControl(flowControl);
    return false;
}

void qorvserial::disconnectPort()
{
    if (!port->isOpen())
        return;
    port->close();
    emit infoMsg(portName + QStringLiteral(" >> close\n"));
}

void qorvserial::processPort()
{
    qCDebug(lcSerial) << "Start qorvserial in thread";
}

void qorvserial::dataReady()
{
    if (!port->isOpen())
        return;
    rxBuffer.append(port->readAll());
    // On Windows the port hands over its bytes from a completion routine that runs inside the event dispatcher's
    // wait, and that alone does not end the dispatcher's pass: a reply wait would sleep on to its deadline (or the
    // next unrelated event) with the reply already here. Ending the pass lets the wait look at what came.
    if (awaitingReply)
        QAbstractEventDispatcher::instance()->interrupt();
}

void qorvserial::handleError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as a resource error (EIO, ENXIO) or, on a hung-up line, as a read that is ready but
    // returns nothing. Either way the port notifies on every event-loop pass from now on, so the link is marked lost
    // (which ends any wait at once) and the port is closed as soon as the port's own notification has returned.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!port->isOpen() || linkLost)
        return;
    linkLost = true;
    lastError = port->errorString();
    emit errorMsg(portName + QStringLiteral(" >> ") + lastError);
    QMetaObject::invokeMethod(this, &qorvserial::disconnectPort, Qt::QueuedConnection);
}

bool qorvserial::writePort(QByteArray data)
{
    if (!port->isOpen() || linkLost) {
        emit errorMsg(portName + QStringLiteral(" >> is not open. Write error\n"));
        return true;
    }
    // Whatever arrived before this request (a late reply, line noise) must not be taken for its answer.
    port->clear(QSerialPort::AllDirections);
    rxBuffer.clear();
    port->clearError();
    const qint64 written = port->write(data);
    // One millisecond per byte: at 115200 baud a byte takes under 0.1 ms. A wait that merely runs out is no failure:
    // on Windows a write completes only when the USB driver reports it, which a busy machine can put off for longer,
    // and the reply wait decides whether the device heard the frame. A frame the port did not take whole, a write
    // that failed, or a link lost meanwhile is a failed write.
    const bool failed = written < data.size() || (!port->waitForBytesWritten(static_cast<int>(written)) &&
                                                  port->error() != QSerialPort::TimeoutError);
    if (failed || linkLost) {
        if (!linkLost)
            lastError = port->errorString();
        trace.log(">>", data, QStringLiteral("write failed: ") + lastError);
        emit errorMsg(portName + QStringLiteral(" >> write error: ") + lastError);
        return true;
    }
    if (port->error() == QSerialPort::TimeoutError)
        trace.log(">>", data, QStringLiteral("still being written after %1 ms").arg(written));
    else
        trace.log(">>", data);
    return false;
}

bool qorvserial::readPort(QByteArray &data)
{
    if (!port->isOpen() || linkLost) {
        emit errorMsg(portName + QStringLiteral(" >> is not open. Read error\n"));
        return true;
    }
    data.append(rxBuffer);
    rxBuffer.clear();
    return false;
}

bool qorvserial::sendPacket(QByteArray payload)
{
    return writePort(framecodec::encodeFrame(payload));
}

bool qorvserial::receivePacket(QByteArray &payload, int timeoutMs)
{
    QByteArray collected;
    bool portClosed = false;
    awaitingReply = true;
    const qint64 elapsed = waitWhileProcessingEvents(timeoutMs, [&] {
        if (readPort(collected)) {
            portClosed = true;
            return true;
        }
        return !collected.isEmpty() && collected.contains(framecodec::endByte);
    });
    awaitingReply = false;
    if (portClosed) {
        trace.log("<<", collected, QStringLiteral("port closed"));
        return true;
    }
    // A frame whose end byte came only in the pass that reached the deadline still counts as late.
    if (elapsed >= timeoutMs) {
        trace.log("<<", collected, QStringLiteral("no reply within %1 ms").arg(timeoutMs));
        emit errorMsg(QStringLiteral("dev: read timeout"));
        return true;
    }
    const framecodec::DecodeResult result = framecodec::decodeFrame(collected, &payload);
    trace.log("<<", collected, serialtrace::verdict(result));
    return result != framecodec::DecodeResult::Ok;
}
