#include "sim/device/deviceline.h"

#include "serial/framecodec.h"
#include "sim/device/ptypair.h"

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <unistd.h>

namespace {
constexpr qint64 nsPerMs = 1000 * 1000;
}

DeviceLine::DeviceLine(QObject *parent) : QObject(parent), timer(new QTimer(this))
{
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &DeviceLine::runDueWork);
    clock.start();
}

DeviceLine::~DeviceLine()
{
    close();
}

bool DeviceLine::openPty()
{
    close();
    auto pty = std::make_unique<PtyPair>();
    if (!pty->isValid())
        return false;
    ptyPair = std::move(pty);
    linePath = ptyPair->slavePath();
    readNotifier = new QSocketNotifier(ptyPair->masterFd(), QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &DeviceLine::onMasterReadable);
    writeNotifier = new QSocketNotifier(ptyPair->masterFd(), QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, [this] { write(QByteArray()); });
    start();
    return true;
}

bool DeviceLine::openSerialPort(const QString &name)
{
    close();
    serial = new QSerialPort(name, this);
    serial->setBaudRate(QSerialPort::Baud115200);
    serial->setDataBits(QSerialPort::Data8);
    serial->setParity(QSerialPort::NoParity);
    serial->setStopBits(QSerialPort::OneStop);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    if (!serial->open(QIODevice::ReadWrite)) {
        delete serial;
        serial = nullptr;
        return false;
    }
    connect(serial, &QSerialPort::readyRead, this, [this] { receiveBytes(serial->readAll(), nowNs()); });
    linePath = name;
    start();
    return true;
}

bool DeviceLine::isOpen() const
{
    return ptyPair != nullptr || serial != nullptr;
}

void DeviceLine::start()
{
    clock.start();
    rxFreeNs = 0;
    txFreeNs = 0;
}

void DeviceLine::close()
{
    // Notifiers must be gone before their descriptor is closed.
    delete readNotifier;
    readNotifier = nullptr;
    delete writeNotifier;
    writeNotifier = nullptr;
    ptyPair.reset();
    if (serial) {
        serial->close();
        delete serial;
        serial = nullptr;
    }
    pendingOut.clear();
    partialFrame.clear();
    inFrame = false;
    work.clear();
    timer->stop();
}

qint64 DeviceLine::byteTimeNs() const
{
    // Ten bit times per byte: start bit, eight data bits, stop bit. A real port is paced by its own line.
    return baudRate > 0 && !serial ? (10LL * 1000 * 1000 * 1000) / baudRate : 0;
}

void DeviceLine::onMasterReadable()
{
    if (!ptyPair)
        return;
    char buffer[4096];
    QByteArray received;
    for (;;) {
        const ssize_t n = ::read(ptyPair->masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: drained; EIO would mean no slave is open, which the pair prevents by holding one
    }
    if (!received.isEmpty())
        receiveBytes(received, nowNs());
}

void DeviceLine::receiveBytes(const QByteArray &bytes, qint64 nowNs)
{
    // The pty hands over the client's whole write at once; a real line would deliver byte after byte. Each byte is
    // given the moment its stop bit would have arrived, the line being busy with earlier bytes until then.
    const qint64 byteNs = byteTimeNs();
    const qint64 base = std::max(rxFreeNs, nowNs);
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == framecodec::startByte) {
            // Stuffing keeps 0x7E out of every body, so a start byte always begins a new frame; whatever was
            // collected before it was a broken frame and is dropped, as the device would resynchronise.
            if (inFrame)
                ++rejectedFrames;
            inFrame = true;
            partialFrame.clear();
        } else if (!inFrame) {
            continue; // noise between frames
        }
        partialFrame.append(c);
        if (c != framecodec::endByte)
            continue;
        inFrame = false;
        QByteArray payload;
        if (framecodec::decodeFrame(partialFrame, &payload) == framecodec::DecodeResult::Ok)
            emit requestArrived(payload, base + (i + 1) * byteNs);
        else
            ++rejectedFrames;
        partialFrame.clear();
    }
    rxFreeNs = base + bytes.size() * byteNs;
    runDueWork();
}

void DeviceLine::at(qint64 atNs, std::function<void()> task)
{
    work.emplace(atNs, std::move(task));
}

void DeviceLine::send(const QByteArray &bytes, qint64 readyNs, int pieces, qint64 gapNs)
{
    if (pieces <= 0 || pieces > bytes.size())
        pieces = bytes.size();
    // Each piece is released when its last byte would have left the wire.
    const qint64 byteNs = byteTimeNs();
    qint64 t = std::max(readyNs, txFreeNs);
    int done = 0;
    for (int p = 0; p < pieces; ++p) {
        const int end = static_cast<int>(static_cast<qint64>(bytes.size()) * (p + 1) / pieces);
        if (p > 0)
            t += gapNs;
        t += (end - done) * byteNs;
        const QByteArray piece = bytes.mid(done, end - done);
        at(t, [this, piece] { write(piece); });
        done = end;
    }
    txFreeNs = t;
}

void DeviceLine::runDueWork()
{
    while (!work.empty()) {
        auto first = work.begin();
        if (first->first > nowNs())
            break;
        const std::function<void()> task = std::move(first->second);
        work.erase(first);
        task(); // may close the line, which drops the rest
    }
    armTimer();
}

void DeviceLine::armTimer()
{
    if (work.empty()) {
        timer->stop();
        return;
    }
    // Timer intervals are whole milliseconds; a precise timer fires on time within that grain. Sleep for the whole
    // milliseconds and let the last fraction pass in zero-interval turns of the event loop, so that pacing keeps to
    // microseconds rather than piling up a millisecond per request.
    const qint64 remainingNs = work.begin()->first - nowNs();
    const qint64 wholeMs = remainingNs > 0 ? remainingNs / nsPerMs : 0;
    timer->start(static_cast<int>(std::min<qint64>(wholeMs, std::numeric_limits<int>::max())));
}

void DeviceLine::write(const QByteArray &bytes)
{
    if (serial) {
        serial->write(bytes);
        return;
    }
    if (!ptyPair)
        return;
    pendingOut.append(bytes);
    while (!pendingOut.isEmpty()) {
        const ssize_t n = ::write(ptyPair->masterFd(), pendingOut.constData(), static_cast<size_t>(pendingOut.size()));
        if (n > 0) {
            pendingOut.remove(0, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // the client is not reading: the rest goes when the line has room again
    }
    writeNotifier->setEnabled(!pendingOut.isEmpty());
}
