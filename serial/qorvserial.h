#pragma once

#include "serial/serialtrace.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

// One serial port as port discovery sees it: the system name and the USB identifiers it reports.
struct PortListing
{
    QString name;
    bool hasVendorIdentifier = false;
    quint16 vendorIdentifier = 0;
    bool hasProductIdentifier = false;
    quint16 productIdentifier = 0;
};

using PortLister = std::function<QList<PortListing>()>;

// The device's USB-to-UART bridge, a Silicon Labs CP210x, and the line it runs: 115200 baud, 8N1, no flow control.
namespace cp210x {
constexpr quint16 vendorId = 0x10C4;
constexpr quint16 productId = 0xEA60;

// A port as the system lists it when the bridge is attached under that name.
inline PortListing port(const QString &name)
{
    return {name, true, vendorId, true, productId};
}
} // namespace cp210x

// The system's serial ports, in the order QSerialPortInfo::availablePorts() gives them.
QList<PortListing> systemSerialPorts();

// The client's one link to the device's USB-to-UART bridge: finds the port by USB identifiers, opens it with the
// stored line settings, collects every byte that arrives and writes frames. Boolean results are true on failure.
//
// The worker also keeps the interface of a worker thread that the client does not use: processPort (which only
// announces itself) and the finishedPort, maxFlashPage and flashPage signals, which nothing emits or connects. They
// are kept on purpose, in their meta-object order, for code that drives the worker from a thread of its own.
class qorvserial : public QObject
{
    Q_OBJECT

public:
    explicit qorvserial(QObject *parent = nullptr);
    ~qorvserial() override;

    bool isPortFound() const { return portFound; }
    // Port discovery for the device: the bridge's identifiers and its line settings.
    void findDevicePort();
    bool writePort(QByteArray data);
    bool readPort(QByteArray &data);

    // Framed operations (frame codec): true on failure.
    bool sendPacket(QByteArray payload);
    bool receivePacket(QByteArray &payload, int timeoutMs);

    // Where port discovery looks; the system's port list unless replaced (the simulator's pty, for instance).
    void setPortLister(PortLister lister);

    QString currentPortName() const { return portName; }
    bool isOpen() const { return port->isOpen(); }
    // True once the port has reported that the device is gone (unplugged, hung up), until the next successful open.
    bool isLinkLost() const { return linkLost; }
    // The port's own text for the last failure (open, write, lost link): for the log a support person reads.
    QString lastErrorText() const { return lastError; }
    // Every frame this worker wrote and every reply it read, its clock started with the worker.
    serialtrace::Trace &serialTrace() { return trace; }

signals:
    void finishedPort();
    void errorMsg(QString err);
    void infoMsg(QString msg);
    void maxFlashPage(int page);
    void flashPage(int page);

public slots:
    void disconnectPort();
    bool connectPort();
    void setSettings(QString name, QSerialPort::BaudRate baudrate, QSerialPort::DataBits dataBits,
                     QSerialPort::Parity parity, QSerialPort::StopBits stopBits, QSerialPort::FlowControl flowControl);
    void setSettings(int pid, int vid, QSerialPort::BaudRate baudrate, QSerialPort::DataBits dataBits,
                     QSerialPort::Parity parity, QSerialPort::StopBits stopBits, QSerialPort::FlowControl flowControl);
    void processPort();
    void dataReady();

private slots:
    void handleError(QSerialPort::SerialPortError error);

private:
    QSerialPort *port;
    QString portName;
    QSerialPort::BaudRate baudrate = QSerialPort::Baud115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
    QByteArray rxBuffer;
    bool portFound = false;
    bool linkLost = false;
    bool awaitingReply = false; // a reply wait of receivePacket is running
    QString lastError;
    PortLister portLister;
    serialtrace::Trace trace;
};
