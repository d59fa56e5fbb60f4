#include "sim/device/devicesimulator.h"

#include "device/protocol.h"
#include "serial/framecodec.h"
#include "sim/device/deviceline.h"

#include <algorithm>

namespace {

constexpr char strayByte = 0x55;

// A device whose last accepted page is also its last word hangs up only after its answer had time to reach the
// client; a request that comes in meanwhile is not served.
constexpr qint64 unplugGraceNs = 50 * 1000 * 1000;

constexpr qint64 nsPerMs = 1000 * 1000;

// The frame as encodeFrame() builds it, but with bit 0 of the CRC's low byte flipped before stuffing, so that the
// stuffing stays valid and only the CRC check can notice.
QByteArray frameWithBadCrc(const QByteArray &payload)
{
    QByteArray body = appendCrc(payload);
    body[body.size() - 2] = static_cast<char>(body.at(body.size() - 2) ^ 0x01);
    QByteArray frame = framecodec::stuff(body);
    frame.prepend(framecodec::startByte);
    frame.append(framecodec::endByte);
    return frame;
}

} // namespace

DeviceSimulator::DeviceSimulator(const SimulatorConfig &config, QObject *parent)
    : QObject(parent), configuration(config), model(config), line(new DeviceLine(this))
{
    faults.set(config.faults);
    line->setBaudRate(config.baudRate);
    connect(line, &DeviceLine::requestArrived, this, &DeviceSimulator::onRequest);
}

DeviceSimulator::~DeviceSimulator() = default;

bool DeviceSimulator::openPty()
{
    unplugPending = false;
    if (!line->openPty())
        return false;
    startLine();
    return true;
}

bool DeviceSimulator::openSerialPort(const QString &name)
{
    unplugPending = false;
    if (!line->openSerialPort(name))
        return false;
    startLine();
    return true;
}

void DeviceSimulator::startLine()
{
    model.resetPageWriteCount();
    requestsHeard = 0;
}

QString DeviceSimulator::portPath() const
{
    return line->path();
}

bool DeviceSimulator::isOpen() const
{
    return line->isOpen();
}

PortLister DeviceSimulator::portLister(const QList<PortListing> &others) const
{
    return [this, others] {
        QList<PortListing> ports = others;
        if (isOpen())
            ports.append(cp210x::port(portPath()));
        return ports;
    };
}

void DeviceSimulator::unplug()
{
    const bool wasOpen = line->isOpen();
    line->close();
    unplugPending = false;
    if (wasOpen)
        emit unplugged();
}

void DeviceSimulator::setFaults(const QVector<Fault> &rules)
{
    configuration.faults = rules;
    faults.set(rules);
}

int DeviceSimulator::badFrames() const
{
    return line->badFrames();
}

QString DeviceSimulator::summary() const
{
    return QStringLiteral("firmware %1, run mode %2, %3 page writes accepted, %4 bad frames")
        .arg(model.version().toString())
        .arg(model.runMode())
        .arg(model.acceptedPageWrites())
        .arg(badFrames());
}

void DeviceSimulator::clearTrace()
{
    requests.clear();
}

void DeviceSimulator::record(const RequestTrace &entry)
{
    requests.append(entry);
    emit requestReceived(entry);
}

void DeviceSimulator::onRequest(const QByteArray &payload, qint64 arrivalNs)
{
    if (unplugPending) {
        // The device is on its way out: it no longer serves anything, and this request makes it go now.
        scheduleUnplug(arrivalNs);
        return;
    }
    const double arrivalMs = static_cast<double>(arrivalNs) / nsPerMs;
    const qint64 dueNs = arrivalNs + static_cast<qint64>(configuration.latencyMs * nsPerMs);
    line->at(dueNs, [this, payload, arrivalMs, dueNs] { process(payload, arrivalMs, dueNs); });
}

void DeviceSimulator::process(const QByteArray &payload, double arrivalMs, qint64 dueNs)
{
    RequestTrace entry;
    entry.timeMs = arrivalMs;
    entry.command = static_cast<quint8>(payload.at(0));
    entry.payloadLength = payload.size();
    entry.address = DeviceModel::requestAddress(payload);

    const int index = ++requestsHeard;
    const FaultRules::Cut cut = faults.cutOff(entry.command, entry.address, index, model.acceptedPageWrites());
    if (cut != FaultRules::Cut::None) {
        record(entry);
        if (cut == FaultRules::Cut::Vanish)
            scheduleUnplug(dueNs);
        return;
    }
    if (model.isRestarting()) {
        model.answer(payload);
        record(entry);
        return;
    }

    const AnswerShape shape = faults.hit(entry.command, entry.address, index);
    // Requests that arrive meanwhile are served (or swallowed by a restart).
    for (const int ms : shape.unplugInMs)
        scheduleUnplug(dueNs + static_cast<qint64>(ms) * nsPerMs, UnplugWhen::ServingMeanwhile);

    const int acceptedBefore = model.acceptedPageWrites();
    // The device still does what was asked; only what it says about it is replaced.
    const QByteArray reply = model.answer(payload, shape.reject);
    entry.answered = (shape.replaced || !reply.isEmpty()) && !shape.lost;
    record(entry);
    if (entry.answered)
        sendAnswer(shape.replaced ? shape.payload : reply, shape, dueNs);

    if (entry.command == DeviceCommand::WritePage &&
        faults.unplugsAfterPage(acceptedBefore, model.acceptedPageWrites()))
        scheduleUnplug(std::max(line->sendingFreeAtNs(), dueNs) + unplugGraceNs);
}

void DeviceSimulator::scheduleUnplug(qint64 atNs, UnplugWhen when)
{
    unplugPending = unplugPending || when == UnplugWhen::AtOrAtNextRequest;
    line->at(atNs, [this] { unplug(); });
}

void DeviceSimulator::sendAnswer(const QByteArray &answer, const AnswerShape &shape, qint64 readyNs)
{
    QByteArray frame = shape.corruptCrc ? frameWithBadCrc(answer) : framecodec::encodeFrame(answer);
    if (shape.strayByte)
        frame.prepend(strayByte);
    line->send(frame, readyNs + static_cast<qint64>(shape.delayMs) * nsPerMs, shape.pieces,
               static_cast<qint64>(shape.gapMs) * nsPerMs);
}
