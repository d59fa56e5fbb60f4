#include "sim/devicesimulator.h"

#include "device/firmwareimage.h"
#include "serial/framecodec.h"
#include "sim/ptypair.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <unistd.h>

namespace {

constexpr quint8 cmdReadBlock = 0x08;
constexpr quint8 cmdIdentify = 0x02;
constexpr quint8 cmdSetUpdateMode = 0x03;
constexpr quint8 cmdWritePage = 0x09;
constexpr quint8 cmdFinishImage = 0x1B;

constexpr quint8 statusAnswerCode = 0x41;
constexpr int statusAnswerLength = 12;
constexpr int identityFieldLength = 32;
constexpr int writePageRequestLength = 7 + firmwareimage::pageSize;
constexpr int finishRequestLength = 19;
constexpr quint16 finishFollowingBytes = 16;

constexpr quint8 statusAccepted = 0;
constexpr quint8 statusRejected = 1;

// The part of the address space that takes pages: from the first image page up to 1 MiB. Below lies the device's
// own boot code, which an update must never overwrite.
constexpr quint32 flashEnd = 0x100000;

constexpr char strayByte = 0x55;

// A device whose last accepted page is also its last word hangs up only after its answer had time to reach the
// client; a request that comes in meanwhile is not served.
constexpr qint64 unplugGraceNs = 50 * 1000 * 1000;

constexpr qint64 nsPerMs = 1000 * 1000;

// Limits of the fault rules' numbers: a page index whose address still fits 32 bits, delays up to ten minutes, and
// more pieces than any answer has bytes.
constexpr qlonglong maxPageIndex = (0xFFFFFFFFLL - firmwareimage::firstPageAddress) / firmwareimage::pageSize;
constexpr qlonglong maxFaultDelayMs = 600000;
constexpr qlonglong maxReplyPieces = 4096;

quint16 le16(const QByteArray &bytes, int at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes.at(at)) | (static_cast<quint8>(bytes.at(at + 1)) << 8));
}

quint32 le32(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

QByteArray identityField(const QByteArray &text)
{
    QByteArray field = text.left(identityFieldLength);
    field.append(QByteArray(identityFieldLength - field.size(), '\0'));
    return field;
}

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

qint64 Fault::pageAddress(int index)
{
    return firmwareimage::firstPageAddress + static_cast<qint64>(firmwareimage::pageSize) * index;
}

bool Fault::parse(const QString &text, Fault *fault, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2)
        return fail(QStringLiteral("expected kind:command[:key=value...], got \"%1\"").arg(text));

    Fault f;
    const QString kind = parts.at(0).trimmed().toLower();
    if (kind == QLatin1String("no-reply"))
        f.kind = FaultKind::NoReply;
    else if (kind == QLatin1String("corrupt-crc"))
        f.kind = FaultKind::CorruptCrc;
    else if (kind == QLatin1String("stray-byte"))
        f.kind = FaultKind::StrayByteBefore;
    else if (kind == QLatin1String("split"))
        f.kind = FaultKind::SplitReply;
    else if (kind == QLatin1String("delay"))
        f.kind = FaultKind::DelayedReply;
    else if (kind == QLatin1String("reject"))
        f.kind = FaultKind::RejectStatus;
    else if (kind == QLatin1String("replace"))
        f.kind = FaultKind::ReplaceReply;
    else if (kind == QLatin1String("unplug"))
        f.kind = FaultKind::Unplug;
    else
        return fail(QStringLiteral("unknown fault kind \"%1\"").arg(parts.at(0)));

    bool ok = false;
    const uint command = parts.at(1).trimmed().toUInt(&ok, 0); // base 0: "0x09" and "9" both work
    if (!ok || command > 0xFF)
        return fail(QStringLiteral("bad command code \"%1\"").arg(parts.at(1)));
    f.command = static_cast<quint8>(command);

    for (int i = 2; i < parts.size(); ++i) {
        const QString item = parts.at(i).trimmed();
        const int eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(QStringLiteral("expected key=value, got \"%1\"").arg(item));
        const QString key = item.left(eq).toLower();
        const QString value = item.mid(eq + 1);
        if (key == QLatin1String("nth") && value.toLower() == QLatin1String("every")) {
            f.occurrence = -1;
            continue;
        }
        if (key == QLatin1String("payload")) {
            static const QRegularExpression hexBytes(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
            if (!hexBytes.match(value).hasMatch())
                return fail(QStringLiteral("expected pairs of hex digits in \"%1\"").arg(item));
            f.payload = QByteArray::fromHex(value.toLatin1());
            continue;
        }
        // Every number is checked against its own range before it is narrowed: a value that wrapped when cast
        // would silently become another fault (a delay of 0xFFFFFFFF ms turned into no delay at all).
        const qlonglong n = value.toLongLong(&ok, 0);
        const auto inRange = [&](qlonglong low, qlonglong high) { return ok && n >= low && n <= high; };
        const auto outOfRange = [&](qlonglong low, qlonglong high) {
            return fail(QStringLiteral("\"%1\" wants a number from %2 to %3").arg(item).arg(low).arg(high));
        };
        if (key == QLatin1String("page")) {
            if (!inRange(0, maxPageIndex))
                return outOfRange(0, maxPageIndex);
            f.address = pageAddress(static_cast<int>(n));
        } else if (key == QLatin1String("addr")) {
            if (!inRange(0, 0xFFFFFFFFLL))
                return outOfRange(0, 0xFFFFFFFFLL);
            f.address = n;
        } else if (key == QLatin1String("nth")) {
            if (!inRange(1, std::numeric_limits<int>::max()))
                return outOfRange(1, std::numeric_limits<int>::max());
            f.occurrence = static_cast<int>(n);
        } else if (key == QLatin1String("ms") || key == QLatin1String("gap")) {
            if (!inRange(0, maxFaultDelayMs))
                return outOfRange(0, maxFaultDelayMs);
            (key == QLatin1String("ms") ? f.delayMs : f.gapMs) = static_cast<int>(n);
        } else if (key == QLatin1String("pieces")) {
            if (!inRange(0, maxReplyPieces))
                return outOfRange(0, maxReplyPieces);
            f.pieces = static_cast<int>(n);
        } else {
            return fail(QStringLiteral("unknown key in \"%1\"").arg(item));
        }
    }
    *fault = f;
    return true;
}

QString Fault::syntaxHelp()
{
    return QStringLiteral(
        "KIND:COMMAND[:KEY=VALUE...]\n"
        "  KIND     no-reply     the request is carried out, its answer is lost\n"
        "           corrupt-crc  one bit of the answer's frame CRC is flipped\n"
        "           stray-byte   a byte 0x55 goes out before the answer's 0x7E\n"
        "           split        the answer goes out in pieces (pieces=N, 0 = byte by byte; gap=MS between them)\n"
        "           delay        the answer goes out late (ms=MS, default 1200)\n"
        "           reject       0x09/0x1B answered with status 1 and not carried out\n"
        "           replace      carried out, but answered with exactly payload=HEX (e.g. payload=8901)\n"
        "           unplug       served as usual; the device vanishes ms=MS after the request arrived\n"
        "  COMMAND  request code, e.g. 0x09\n"
        "  page=K   only requests for page K (address 0x8000 + 512*K); addr=A for any address field\n"
        "  nth=N    only the Nth matching request (with page: the Nth attempt at that page); nth=every (default)\n"
        "  e.g. no-reply:0x09:page=3:nth=1   delay:0x08:ms=1500:nth=2   split:0x1B:pieces=0:gap=2\n"
        "       replace:0x02:payload=82   (a too short identification)   unplug:0x03:ms=700");
}

DeviceSimulator::DeviceSimulator(QObject *parent) : DeviceSimulator(SimulatorConfig(), parent) {}

DeviceSimulator::DeviceSimulator(const SimulatorConfig &config, QObject *parent)
    : QObject(parent), timer(new QTimer(this))
{
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &DeviceSimulator::runDueActions);
    clock.start();
    setConfig(config);
}

DeviceSimulator::~DeviceSimulator()
{
    closeLine();
}

bool DeviceSimulator::openPty()
{
    closeLine();
    auto pty = std::make_unique<PtyPair>();
    if (!pty->isValid())
        return false;
    ptyPair = std::move(pty);
    linePath = ptyPair->slavePath();
    readNotifier = new QSocketNotifier(ptyPair->masterFd(), QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &DeviceSimulator::onMasterReadable);
    writeNotifier = new QSocketNotifier(ptyPair->masterFd(), QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &DeviceSimulator::onMasterWritable);
    startLine();
    return true;
}

bool DeviceSimulator::openSerialPort(const QString &name)
{
    closeLine();
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
    connect(serial, &QSerialPort::readyRead, this, &DeviceSimulator::onSerialReadyRead);
    linePath = name;
    startLine();
    return true;
}

bool DeviceSimulator::isOpen() const
{
    return ptyPair != nullptr || serial != nullptr;
}

void DeviceSimulator::unplug()
{
    const bool wasOpen = isOpen();
    closeLine();
    if (wasOpen)
        emit unplugged();
}

void DeviceSimulator::startLine()
{
    clock.start();
    rxLineFreeNs = 0;
    txLineFreeNs = 0;
    pageWritesAccepted = 0;
    requestsHeard = 0;
}

void DeviceSimulator::closeLine()
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
    actions.clear();
    timer->stop();
    unplugPending = false;
}

void DeviceSimulator::setConfig(const SimulatorConfig &config)
{
    configuration = config;
    faults.clear();
    for (const Fault &f : config.faults)
        faults.append({f, 0});
    resetState();
}

void DeviceSimulator::resetState()
{
    mode = configuration.runMode;
    currentVersion = configuration.version;
    restarting = false;
    restartPollsLeft = 0;
    imageAccepted = false;
}

void DeviceSimulator::setRunMode(quint8 runMode)
{
    configuration.runMode = runMode;
    mode = runMode;
    restarting = false;
}

void DeviceSimulator::setVersion(const SimulatorVersion &version)
{
    configuration.version = version;
    currentVersion = version;
}

void DeviceSimulator::setSku(const QByteArray &sku)
{
    configuration.sku = sku;
}

void DeviceSimulator::setHardware(const QByteArray &hardware)
{
    configuration.hardware = hardware;
}

void DeviceSimulator::setVersionAfterUpdate(const SimulatorVersion &version)
{
    configuration.versionAfterUpdate = version;
}

void DeviceSimulator::setRestartPolls(int polls)
{
    configuration.restartPolls = std::max(0, polls);
}

void DeviceSimulator::setPacing(int baudRate, double latencyMs)
{
    configuration.baudRate = std::max(0, baudRate);
    configuration.latencyMs = std::max(0.0, latencyMs);
}

void DeviceSimulator::addFault(const Fault &fault)
{
    configuration.faults.append(fault);
    faults.append({fault, 0});
}

void DeviceSimulator::clearFaults()
{
    configuration.faults.clear();
    configuration.vanishAtRequest = 0;
    configuration.silentFromRequest = 0;
    configuration.unplugAfterPages = -1;
    faults.clear();
}

void DeviceSimulator::setUnplugAfterPages(int pages)
{
    configuration.unplugAfterPages = pages;
}

QByteArray DeviceSimulator::flash(quint32 from, int size) const
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

double DeviceSimulator::elapsedMs() const
{
    return static_cast<double>(nowNs()) / nsPerMs;
}

qint64 DeviceSimulator::nowNs() const
{
    return clock.nsecsElapsed();
}

qint64 DeviceSimulator::byteTimeNs() const
{
    // Ten bit times per byte: start bit, eight data bits, stop bit. A real port is paced by its own line.
    return configuration.baudRate > 0 && !serial ? (10LL * 1000 * 1000 * 1000) / configuration.baudRate : 0;
}

void DeviceSimulator::onMasterReadable()
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

void DeviceSimulator::onMasterWritable()
{
    writeLine(QByteArray());
}

void DeviceSimulator::onSerialReadyRead()
{
    if (serial)
        receiveBytes(serial->readAll(), nowNs());
}

void DeviceSimulator::receiveBytes(const QByteArray &bytes, qint64 nowNs)
{
    // The pty hands over the client's whole write at once; a real line would deliver byte after byte. Each byte is
    // given the moment its stop bit would have arrived, the line being busy with earlier bytes until then.
    const qint64 byteNs = byteTimeNs();
    const qint64 base = std::max(rxLineFreeNs, nowNs);
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
        if (c == framecodec::endByte) {
            inFrame = false;
            frameComplete(partialFrame, base + (i + 1) * byteNs);
            partialFrame.clear();
        }
    }
    rxLineFreeNs = base + bytes.size() * byteNs;
    runDueActions();
}

void DeviceSimulator::frameComplete(const QByteArray &frame, qint64 arrivalNs)
{
    QByteArray payload;
    if (framecodec::decodeFrame(frame, &payload) != framecodec::DecodeResult::Ok) {
        ++rejectedFrames;
        return;
    }
    if (unplugPending) {
        // The device is on its way out: it no longer serves anything, and this request makes it go now.
        scheduleUnplug(arrivalNs);
        return;
    }
    Action action;
    action.kind = Action::Process;
    action.bytes = payload;
    action.arrivalMs = static_cast<double>(arrivalNs) / nsPerMs;
    schedule(arrivalNs + static_cast<qint64>(configuration.latencyMs * nsPerMs), action);
}

void DeviceSimulator::schedule(qint64 atNs, Action action)
{
    actions.emplace(atNs, std::move(action));
}

void DeviceSimulator::runDueActions()
{
    while (!actions.empty()) {
        auto first = actions.begin();
        const qint64 due = first->first;
        if (due > nowNs())
            break;
        Action action = std::move(first->second);
        actions.erase(first);
        switch (action.kind) {
        case Action::Process:
            process(action.bytes, action.arrivalMs, due);
            break;
        case Action::Write:
            writeLine(action.bytes);
            if (action.traceIndex >= traceOffset && action.traceIndex - traceOffset < requests.size())
                requests[action.traceIndex - traceOffset].replyDoneMs = elapsedMs();
            break;
        case Action::Unplug:
            unplug();
            return; // the line and every pending action are gone
        }
    }
    armTimer();
}

void DeviceSimulator::armTimer()
{
    if (actions.empty()) {
        timer->stop();
        return;
    }
    // Timer intervals are whole milliseconds; a precise timer fires on time within that grain. Sleep for the whole
    // milliseconds and let the last fraction pass in zero-interval turns of the event loop, so that pacing keeps to
    // microseconds rather than piling up a millisecond per request.
    const qint64 remainingNs = actions.begin()->first - nowNs();
    const qint64 wholeMs = remainingNs > 0 ? remainingNs / nsPerMs : 0;
    timer->start(static_cast<int>(std::min<qint64>(wholeMs, std::numeric_limits<int>::max())));
}

quint32 DeviceSimulator::addressOf(const QByteArray &payload)
{
    const quint8 code = static_cast<quint8>(payload.at(0));
    if ((code == cmdReadBlock || code == cmdWritePage || code == cmdFinishImage) && payload.size() >= 7)
        return le32(payload, 3);
    return 0;
}

void DeviceSimulator::process(const QByteArray &payload, double arrivalMs, qint64 dueNs)
{
    RequestTrace entry;
    entry.timeMs = arrivalMs;
    entry.command = static_cast<quint8>(payload.at(0));
    entry.payloadLength = payload.size();
    entry.address = addressOf(payload);
    const int traceIndex = traceOffset + requests.size();

    const int index = ++requestsHeard;
    const bool vanishes = index == configuration.vanishAtRequest;
    if (vanishes || (configuration.silentFromRequest > 0 && index >= configuration.silentFromRequest)) {
        requests.append(entry);
        emit requestReceived(entry);
        if (vanishes)
            scheduleUnplug(dueNs);
        return;
    }

    if (restarting) {
        // A restarting device hears nothing; the client's status polls only run out the restart.
        if (entry.command == cmdReadBlock && --restartPollsLeft <= 0) {
            restarting = false;
            mode = 0;
            imageAccepted = false;
        }
        requests.append(entry);
        emit requestReceived(entry);
        return;
    }

    if (entry.command == cmdWritePage && configuration.unplugAfterPages >= 0 &&
        pageWritesAccepted >= configuration.unplugAfterPages) {
        // Only reachable with a limit of 0: with any other limit the device is already leaving (see below).
        requests.append(entry);
        emit requestReceived(entry);
        scheduleUnplug(dueNs);
        return;
    }

    QVector<Fault> hits;
    bool reject = false;
    bool lost = false;
    const Fault *replacement = nullptr;
    for (FaultRule &rule : faults) {
        if (rule.fault.command != entry.command)
            continue;
        if (rule.fault.address >= 0 && static_cast<qint64>(entry.address) != rule.fault.address)
            continue;
        ++rule.seen;
        if (rule.fault.occurrence != -1 && rule.fault.occurrence != rule.seen)
            continue;
        hits.append(rule.fault);
        reject = reject || rule.fault.kind == FaultKind::RejectStatus;
        lost = lost || rule.fault.kind == FaultKind::NoReply;
        if (rule.fault.kind == FaultKind::ReplaceReply)
            replacement = &rule.fault; // the last matching rule wins
        // Requests that arrive meanwhile are served (or swallowed by a restart).
        if (rule.fault.kind == FaultKind::Unplug)
            scheduleUnplug(dueNs + static_cast<qint64>(rule.fault.delayMs) * nsPerMs, UnplugWhen::ServingMeanwhile);
    }

    const int acceptedBefore = pageWritesAccepted;
    // The device still does what was asked; only what it says about it is replaced.
    const QByteArray reply = answer(payload, reject);
    entry.answered = (replacement || !reply.isEmpty()) && !lost;
    requests.append(entry);
    if (entry.answered)
        sendAnswer(replacement ? replacement->payload : reply, hits, traceIndex, dueNs);
    emit requestReceived(entry);

    if (entry.command == cmdWritePage && pageWritesAccepted == configuration.unplugAfterPages &&
        acceptedBefore != pageWritesAccepted)
        scheduleUnplug(std::max(txLineFreeNs, dueNs) + unplugGraceNs);
}

void DeviceSimulator::scheduleUnplug(qint64 atNs, UnplugWhen when)
{
    unplugPending = unplugPending || when == UnplugWhen::AtOrAtNextRequest;
    Action action;
    action.kind = Action::Unplug;
    schedule(atNs, action);
}

QByteArray DeviceSimulator::answer(const QByteArray &payload, bool reject)
{
    const quint8 code = static_cast<quint8>(payload.at(0));
    switch (code) {
    case cmdReadBlock: {
        if (payload.size() != 7)
            return {};
        QByteArray reply(statusAnswerLength, '\0');
        reply[0] = static_cast<char>(statusAnswerCode);
        reply[1] = static_cast<char>(mode);
        reply[3] = static_cast<char>(currentVersion.major);
        reply[4] = static_cast<char>(currentVersion.minor);
        reply[5] = static_cast<char>(currentVersion.build);
        return reply;
    }
    case cmdIdentify: {
        if (payload.size() != 1)
            return {};
        QByteArray reply;
        reply.append(static_cast<char>(cmdIdentify | 0x80));
        reply.append(identityField(configuration.sku));
        reply.append(identityField(configuration.hardware));
        return reply;
    }
    case cmdSetUpdateMode:
        if (payload.size() != 2)
            return {};
        if (payload.at(1) == 1 && mode == 1) {
            if (configuration.restartPolls > 0) {
                restarting = true;
                restartPollsLeft = configuration.restartPolls;
            } else {
                mode = 0;
                imageAccepted = false;
            }
        } else if (payload.at(1) == 0 && mode != 1) {
            mode = 1;
            if (imageAccepted)
                currentVersion = configuration.versionAfterUpdate;
            imageAccepted = false;
        }
        return {}; // never answered
    case cmdWritePage:
        return answerWritePage(payload, reject);
    case cmdFinishImage:
        return answerFinish(payload, reject);
    default:
        return {};
    }
}

QByteArray DeviceSimulator::answerWritePage(const QByteArray &payload, bool reject)
{
    QByteArray reply(2, '\0');
    reply[0] = static_cast<char>(cmdWritePage | 0x80);
    reply[1] = static_cast<char>(statusRejected);
    if (reject || mode == 1 || payload.size() != writePageRequestLength || le16(payload, 1) != firmwareimage::pageSize)
        return reply;
    const quint32 address = le32(payload, 3);
    if (address < firmwareimage::firstPageAddress || address % firmwareimage::pageSize != 0 ||
        address > flashEnd - firmwareimage::pageSize)
        return reply;
    storedPages.insert(address, payload.mid(7));
    ++pageWritesAccepted;
    imageAccepted = false; // the flash changed under an image that was accepted before
    reply[1] = static_cast<char>(statusAccepted);
    return reply;
}

QByteArray DeviceSimulator::answerFinish(const QByteArray &payload, bool reject)
{
    QByteArray reply(2, '\0');
    reply[0] = static_cast<char>(cmdFinishImage | 0x80);
    reply[1] = static_cast<char>(statusRejected);
    if (payload.size() != finishRequestLength || le16(payload, 1) != finishFollowingBytes)
        return reply;
    FinishRecord record;
    record.received = true;
    record.endAddress = le32(payload, 3);
    record.crc = le16(payload, 7);
    record.accepted =
        !reject && mode != 1 && record.endAddress >= firmwareimage::firstPageAddress && record.endAddress <= flashEnd &&
        firmwareimage::crc16Modbus(flash(firmwareimage::firstPageAddress,
                                         static_cast<int>(record.endAddress - firmwareimage::firstPageAddress))) ==
            record.crc;
    finishRecord = record;
    imageAccepted = record.accepted;
    reply[1] = static_cast<char>(record.accepted ? statusAccepted : statusRejected);
    return reply;
}

void DeviceSimulator::sendAnswer(const QByteArray &answer, const QVector<Fault> &hits, int traceIndex, qint64 readyNs)
{
    bool corrupt = false;
    bool stray = false;
    qint64 delayNs = 0;
    int pieces = 1;
    qint64 gapNs = 0;
    for (const Fault &f : hits) {
        switch (f.kind) {
        case FaultKind::CorruptCrc:
            corrupt = true;
            break;
        case FaultKind::StrayByteBefore:
            stray = true;
            break;
        case FaultKind::DelayedReply:
            delayNs += static_cast<qint64>(f.delayMs) * nsPerMs;
            break;
        case FaultKind::SplitReply:
            pieces = f.pieces;
            gapNs = static_cast<qint64>(f.gapMs) * nsPerMs;
            break;
        case FaultKind::NoReply:
        case FaultKind::RejectStatus:
        case FaultKind::ReplaceReply:
        case FaultKind::Unplug:
            break;
        }
    }

    QByteArray frame = corrupt ? frameWithBadCrc(answer) : framecodec::encodeFrame(answer);
    if (stray)
        frame.prepend(strayByte);
    if (pieces <= 0 || pieces > frame.size())
        pieces = frame.size();

    // The answer starts once the device is ready and the line is free, and each piece is released when its last
    // byte would have left the wire.
    const qint64 byteNs = byteTimeNs();
    qint64 t = std::max(readyNs + delayNs, txLineFreeNs);
    int sent = 0;
    for (int p = 0; p < pieces; ++p) {
        const int end = static_cast<int>(static_cast<qint64>(frame.size()) * (p + 1) / pieces);
        if (p > 0)
            t += gapNs;
        t += (end - sent) * byteNs;
        Action action;
        action.kind = Action::Write;
        action.bytes = frame.mid(sent, end - sent);
        action.traceIndex = (p == pieces - 1) ? traceIndex : -1;
        schedule(t, action);
        sent = end;
    }
    txLineFreeNs = t;
}

void DeviceSimulator::writeLine(const QByteArray &bytes)
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

void DeviceSimulator::clearTrace()
{
    traceOffset += requests.size();
    requests.clear();
}
