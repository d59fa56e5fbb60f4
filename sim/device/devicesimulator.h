#pragma once

#include "serial/qorvserial.h"
#include "sim/device/devicemodel.h"
#include "sim/device/faultrules.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

class DeviceLine;

// Everything a simulated device is made to be: the device itself, its line, and its faults.
struct SimulatorConfig : DeviceSetup
{
    int baudRate = 0;      // 0 = no pacing; otherwise the line carries at most baudRate / 10 bytes per second
    double latencyMs = 0;  // the device's think time per request, before its answer starts
    QVector<Fault> faults; // its faults, each a trigger and an effect (faultrules.h)
};

// One request as the device received it.
struct RequestTrace
{
    double timeMs = 0;     // when its last byte had arrived, ms since the line was opened (monotonic)
    quint8 command = 0;    // byte 0 of the payload
    int payloadLength = 0; // payload bytes, code included, without the frame's CRC
    quint32 address = 0;   // address field of 0x08, 0x09 and 0x1B; 0 for the others
    bool answered = false; // whether an answer frame was (or is about to be) put on the line
};

// The device side of the serial protocol, standing in for the real device in tests, the demo and the benchmark: the
// device model behind its line, with the fault rules between them.
//
class DeviceSimulator : public QObject
{
    Q_OBJECT

public:
    explicit DeviceSimulator(const SimulatorConfig &config = SimulatorConfig(), QObject *parent = nullptr);
    ~DeviceSimulator() override;

    // Creates a pseudo-terminal; the client opens portPath() (the slave side) as its serial port.
    bool openPty();
    // Serves a real serial port at 115200 8N1 (bench work through a null-modem cable).
    bool openSerialPort(const QString &name);
    QString portPath() const;
    bool isOpen() const;
    // The port list of a system with the device's bridge plugged in: `others`, then the bridge while the device is
    // there, under the name it has now. A vanished device leaves the list, as a pulled cable does.
    PortLister portLister(const QList<PortListing> &others = {}) const;
    // The device vanishes: its end of the line is closed (and the pty is gone).
    void unplug();

    // Clears the faults, or puts others in their place; the device keeps its state.
    void clearFaults() { setFaults({}); }
    void setFaults(const QVector<Fault> &rules);

    // Current device state.
    quint8 runMode() const { return model.runMode(); }
    SimulatorVersion version() const { return model.version(); }
    QByteArray flash(quint32 from, int size) const { return model.flash(from, size); }
    // Page writes accepted since the line was opened.
    int acceptedPageWrites() const { return model.acceptedPageWrites(); }
    FinishRecord lastFinish() const { return model.lastFinish(); }
    // Frames that came in with a wrong CRC (or otherwise undecodable) and were ignored.
    int badFrames() const;
    // A line of text that sums up the device as it stands.
    QString summary() const;

    QList<RequestTrace> trace() const { return requests; }
    void clearTrace();

signals:
    void requestReceived(const RequestTrace &request);
    void unplugged();

private:
    void startLine();
    void onRequest(const QByteArray &payload, qint64 arrivalNs);
    void process(const QByteArray &payload, double arrivalMs, qint64 dueNs);
    void sendAnswer(const QByteArray &answer, const AnswerShape &shape, qint64 readyNs);
    // The device leaves at atNs; AtOrAtNextRequest makes a request that arrives sooner its last, unserved one.
    enum class UnplugWhen { AtOrAtNextRequest, ServingMeanwhile };
    void scheduleUnplug(qint64 atNs, UnplugWhen when = UnplugWhen::AtOrAtNextRequest);
    void record(const RequestTrace &entry);

    SimulatorConfig configuration;
    DeviceModel model;
    FaultRules faults;
    DeviceLine *line;
    bool unplugPending = false;
    int requestsHeard = 0; // since the line was opened, for the faults' request triggers
    QList<RequestTrace> requests;
};
