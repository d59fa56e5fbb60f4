// kivra-zid-sim: the device's stand-in as a process of its own. It opens a pty (or a real serial port), prints the
// port's path as its first line on stdout and answers the client's requests until SIGINT or SIGTERM. With --link it
// also stands for the cable: the link to its pty exists while the device is plugged in (Wine maps a COM port so).

#include "sim/devicesimulator.h"
#include "sim/simulatoroptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
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
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Do not log each request to stderr."));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Make PATH a symbolic link to the port while the device is plugged in (e.g. a Wine prefix's "
                       "dosdevices/com10); removed when it is unplugged or stopped."),
        QStringLiteral("PATH"));
    const QCommandLineOption busyOption(
        QStringLiteral("busy"),
        QStringLiteral("Hold the pty as another program holding the port would: every later open is refused "
                       "(TIOCEXCL; processes with CAP_SYS_ADMIN are let through)."));
    const QCommandLineOption replugOption(
        QStringLiteral("replug-after"),
        QStringLiteral("After vanishing, be plugged in again MS later, as it was left (run mode, pages, version), on a "
                       "new pty (and --link), without the faults."),
        QStringLiteral("MS"));
    parser.addOption(portOption);
    parser.addOption(linkOption);
    parser.addOption(replugOption);
    parser.addOption(busyOption);
    addSimulatorOptions(parser);
    parser.addOption(quietOption);
    parser.process(app);

    auto usageError = [](const QString &message) {
        err() << message << '\n';
        err().flush();
        return 2;
    };

    SimulatorConfig config;
    QString optionError;
    if (!simulatorConfigFromOptions(parser, &config, &optionError))
        return usageError(optionError);
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
    if (parser.isSet(busyOption)) {
        const int fd = ::open(QFile::encodeName(simulator.portPath()).constData(), O_RDWR | O_NOCTTY);
        const bool held = fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0;
        if (fd >= 0)
            ::close(fd); // the flag stays with the terminal, which the simulator keeps open
        if (!held) {
            err() << "cannot hold " << simulator.portPath() << '\n';
            return 1;
        }
    }
    const QString link = parser.value(linkOption);
    const auto removeLink = [link] {
        if (!link.isEmpty())
            QFile::remove(link);
    };
    const auto makeLink = [link, &simulator] {
        QFile::remove(link); // one that an earlier run left behind
        return link.isEmpty() || QFile::link(simulator.portPath(), link);
    };
    if (!makeLink()) {
        err() << "cannot make the link " << link << '\n';
        return 1;
    }
    bool replugOk = false;
    const int replugMs = parser.value(replugOption).toInt(&replugOk);
    if (parser.isSet(replugOption) && (!replugOk || replugMs < 0))
        return usageError(QStringLiteral("--replug-after wants a number of ms >= 0"));
    {
        QTextStream out(stdout);
        out << simulator.portPath() << '\n';
        out.flush();
    }
    std::fflush(stdout);

    if (!quiet) {
        QObject::connect(&simulator, &DeviceSimulator::requestReceived, &app, [&simulator](const RequestTrace &r) {
            err() << QStringLiteral("%1 ms  0x%2 %3  %4 bytes  addr 0x%5  %6\n")
                         .arg(r.timeMs, 10, 'f', 3)
                         .arg(static_cast<uint>(r.command), 2, 16, QLatin1Char('0'))
                         .arg(QLatin1String(commandName(r.command)), -11)
                         .arg(r.payloadLength, 3)
                         .arg(r.address, 5, 16, QLatin1Char('0'))
                         .arg(r.answered ? QStringLiteral("answered") : QStringLiteral("unanswered"));
            if (r.command == 0x1B && r.answered)
                err() << (simulator.lastFinish().accepted ? "finish accepted\n" : "finish rejected\n");
            err().flush();
        });
    }
    const bool replug = parser.isSet(replugOption);
    QObject::connect(&simulator, &DeviceSimulator::unplugged, &app, [&, removeLink, makeLink] {
        removeLink();
        // Wall-clock time, which a client in another process (under Wine too) can compare with its own.
        err() << "device unplugged at " << QDateTime::currentMSecsSinceEpoch() << " ms since the epoch; "
              << (replug ? "plugged in again soon\n" : "serving nothing until stopped\n");
        err().flush();
        if (!replug)
            return;
        QTimer::singleShot(replugMs, &app, [&, makeLink] {
            simulator.clearFaults();
            if (!simulator.openPty() || !makeLink()) {
                err() << "cannot plug the device in again\n";
                QCoreApplication::exit(1);
                return;
            }
            err() << "device plugged in again on " << simulator.portPath() << '\n';
            err().flush();
        });
    });

    const int rc = QCoreApplication::exec();
    removeLink();

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
