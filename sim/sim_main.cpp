// kivra-zid-sim: the device's stand-in as a process of its own. It opens a pty (or a real serial port), prints the
// port's path as its first line on stdout and answers the client's requests until SIGINT or SIGTERM.

#include "sim/devicesimulator.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    // Only async-signal-safe work here: the event loop picks the byte up and quits.
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

bool installSignalPipe()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// A text option as bytes, one byte per character (Latin-1), with \xHH escapes for anything else.
bool parseFieldText(const QString &text, QByteArray *out)
{
    QByteArray bytes;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 3 < text.size() && text.at(i + 1) == QLatin1Char('x')) {
            bool ok = false;
            const uint value = text.mid(i + 2, 2).toUInt(&ok, 16);
            if (!ok)
                return false;
            bytes.append(static_cast<char>(value));
            i += 3;
            continue;
        }
        if (text.at(i).unicode() > 0xFF)
            return false;
        bytes.append(static_cast<char>(text.at(i).unicode()));
    }
    if (bytes.size() > 32)
        return false;
    *out = bytes;
    return true;
}

const char *commandName(quint8 code)
{
    switch (code) {
    case 0x08:
        return "status";
    case 0x02:
        return "identify";
    case 0x03:
        return "update-mode";
    case 0x09:
        return "write-page";
    case 0x1B:
        return "finish";
    default:
        return "unknown";
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Stands in for a Kivra Zid on a serial line. Prints the port to open as the first line of stdout and "
            "answers "
            "status, identify, update-mode, page-write and finish requests until SIGINT/SIGTERM.\n\nFault RULE for "
            "--fault:\n%1")
            .arg(Fault::syntaxHelp()));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Serve the real serial port NAME (115200 8N1) instead of a new pty."),
        QStringLiteral("NAME"));
    const QCommandLineOption versionOption(QStringLiteral("fw-version"),
                                           QStringLiteral("Firmware version the device reports (default 0.1.157)."),
                                           QStringLiteral("X.Y.Z"));
    const QCommandLineOption newVersionOption(
        QStringLiteral("new-version"),
        QStringLiteral("Version reported after an accepted finish and leaving update mode (default 0.1.158)."),
        QStringLiteral("X.Y.Z"));
    const QCommandLineOption skuOption(
        QStringLiteral("sku"), QStringLiteral("SKU text, at most 32 bytes; \\xHH for raw bytes (default 60318)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption hardwareOption(
        QStringLiteral("hardware"),
        QStringLiteral("Hardware text, at most 32 bytes; \\xHH for raw bytes (default KTL407.001)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption runModeOption(
        QStringLiteral("run-mode"),
        QStringLiteral("Run mode at start: 1 = application (default), anything else = already in update mode."),
        QStringLiteral("N"));
    const QCommandLineOption restartOption(
        QStringLiteral("restart-polls"),
        QStringLiteral("Status requests left unanswered after the request to enter update mode (default 0)."),
        QStringLiteral("N"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("Pace the pty like a line of this speed, 10 bits per byte (default 0 = unpaced)."),
        QStringLiteral("RATE"));
    const QCommandLineOption latencyOption(
        QStringLiteral("latency"),
        QStringLiteral("Device think time per request in ms, fractions allowed (default 0)."), QStringLiteral("MS"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"), QStringLiteral("Inject a fault (form under \"Fault RULE\" above); may be repeated."),
        QStringLiteral("RULE"));
    const QCommandLineOption unplugOption(
        QStringLiteral("unplug-after-pages"),
        QStringLiteral("Vanish (close the line) after N accepted page writes; 0 = at the first page write."),
        QStringLiteral("N"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Do not log each request to stderr."));
    parser.addOptions({portOption, versionOption, newVersionOption, skuOption, hardwareOption, runModeOption,
                       restartOption, baudOption, latencyOption, faultOption, unplugOption, quietOption});
    parser.process(app);

    auto usageError = [](const QString &message) {
        err() << message << '\n';
        err().flush();
        return 2;
    };
    auto intOption = [&parser](const QCommandLineOption &option, int minimum, int *out) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok, 0);
        if (!ok || value < minimum)
            return false;
        *out = value;
        return true;
    };

    SimulatorConfig config;
    if (parser.isSet(versionOption) && !SimulatorVersion::parse(parser.value(versionOption), &config.version))
        return usageError(QStringLiteral("--fw-version wants X.Y.Z with numbers 0..255"));
    if (parser.isSet(newVersionOption) &&
        !SimulatorVersion::parse(parser.value(newVersionOption), &config.versionAfterUpdate))
        return usageError(QStringLiteral("--new-version wants X.Y.Z with numbers 0..255"));
    if (parser.isSet(skuOption) && !parseFieldText(parser.value(skuOption), &config.sku))
        return usageError(QStringLiteral("--sku wants at most 32 Latin-1 characters or \\xHH bytes"));
    if (parser.isSet(hardwareOption) && !parseFieldText(parser.value(hardwareOption), &config.hardware))
        return usageError(QStringLiteral("--hardware wants at most 32 Latin-1 characters or \\xHH bytes"));
    int runMode = config.runMode;
    if (!intOption(runModeOption, 0, &runMode) || runMode > 255)
        return usageError(QStringLiteral("--run-mode wants a number 0..255"));
    config.runMode = static_cast<quint8>(runMode);
    if (!intOption(restartOption, 0, &config.restartPolls))
        return usageError(QStringLiteral("--restart-polls wants a number >= 0"));
    if (!intOption(baudOption, 0, &config.baudRate))
        return usageError(QStringLiteral("--baud wants a number >= 0"));
    if (parser.isSet(latencyOption)) {
        bool ok = false;
        config.latencyMs = parser.value(latencyOption).toDouble(&ok);
        if (!ok || config.latencyMs < 0)
            return usageError(QStringLiteral("--latency wants a number of ms >= 0"));
    }
    if (!intOption(unplugOption, 0, &config.unplugAfterPages))
        return usageError(QStringLiteral("--unplug-after-pages wants a number >= 0"));
    const QStringList faults = parser.values(faultOption);
    for (const QString &text : faults) {
        Fault fault;
        QString why;
        if (!Fault::parse(text, &fault, &why))
            return usageError(QStringLiteral("--fault %1: %2").arg(text, why));
        config.faults.append(fault);
    }
    const bool quiet = parser.isSet(quietOption);

    if (!installSignalPipe())
        return usageError(QStringLiteral("cannot set up signal handling"));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });

    DeviceSimulator simulator(config);
    const bool opened =
        parser.isSet(portOption) ? simulator.openSerialPort(parser.value(portOption)) : simulator.openPty();
    if (!opened) {
        err() << "cannot open " << (parser.isSet(portOption) ? parser.value(portOption) : QStringLiteral("a pty"))
              << '\n';
        return 1;
    }
    {
        QTextStream out(stdout);
        out << simulator.portPath() << '\n';
        out.flush();
    }
    std::fflush(stdout);

    if (!quiet) {
        QObject::connect(&simulator, &DeviceSimulator::requestReceived, &app, [](const RequestTrace &r) {
            err() << QStringLiteral("%1 ms  0x%2 %3  %4 bytes  addr 0x%5  %6\n")
                         .arg(r.timeMs, 10, 'f', 3)
                         .arg(static_cast<uint>(r.command), 2, 16, QLatin1Char('0'))
                         .arg(QLatin1String(commandName(r.command)), -11)
                         .arg(r.payloadLength, 3)
                         .arg(r.address, 5, 16, QLatin1Char('0'))
                         .arg(r.answered ? QStringLiteral("answered") : QStringLiteral("unanswered"));
            err().flush();
        });
    }
    QObject::connect(&simulator, &DeviceSimulator::unplugged, &app, [] {
        err() << "device unplugged; serving nothing until stopped\n";
        err().flush();
    });

    const int rc = QCoreApplication::exec();

    const FinishRecord finish = simulator.lastFinish();
    err() << "pages stored: " << simulator.pages().size()
          << ", page writes accepted: " << simulator.acceptedPageWrites() << ", bad frames: " << simulator.badFrames()
          << '\n';
    if (finish.received) {
        err() << QStringLiteral("last finish: end 0x%1 crc 0x%2 %3\n")
                     .arg(finish.endAddress, 0, 16)
                     .arg(finish.crc, 4, 16, QLatin1Char('0'))
                     .arg(finish.accepted ? QStringLiteral("accepted") : QStringLiteral("rejected"));
    } else {
        err() << "no finish request received\n";
    }
    err() << "run mode " << static_cast<uint>(simulator.runMode()) << ", version " << simulator.version().toString()
          << '\n';
    err().flush();
    return rc;
}
