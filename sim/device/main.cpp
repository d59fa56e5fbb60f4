// kivra-zid-sim: the device's stand-in as a process of its own. It opens a pty (or a real serial port), prints the
// port's path as its first line on stdout and answers the client's requests until SIGINT or SIGTERM, logging to
// stderr one JSON object a line (sim/device/devicelog.h). With --link it also stands for the cable: the link to its
// pty exists while the device is plugged in (Wine maps a COM port so).

#include "device/protocol.h"
#include "sim/commandline.h"
#include "sim/device/devicelog.h"
#include "sim/device/devicesimulator.h"
#include "sim/device/simulatoroptions.h"

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
#include <limits>
#include <sys/ioctl.h>
#include <unistd.h>

using commandline::err;

namespace {

// One line of the device log, out at once: the programs that read it may be watching while the device runs.
void writeLog(const QByteArray &line)
{
    err() << line;
    err().flush();
}

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    // Only async-signal-safe work here: the event loop picks the byte up and quits.
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

// SIGINT and SIGTERM end the event loop, so that the closing log line is written.
bool quitOnTerminationSignals(QCoreApplication *app)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

struct Options
{
    SimulatorConfig config;
    QString port; // a real serial port instead of a pty
    QString link;
    bool busy = false;
    bool quiet = false;
    int replugMs = -1;
};

// The options as given, or the exit status of a usage error.
int parseOptions(const QCoreApplication &app, Options *options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for a Kivra Zid on a serial line. Prints the port to open as the first line of "
                       "stdout and answers status, identify, update-mode, page-write and finish requests until "
                       "SIGINT/SIGTERM, logging one JSON object a line to stderr.\n\nFault RULE for --fault:\n%1")
            .arg(Fault::syntaxHelp()));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serve the real serial port NAME (115200 8N1) instead of a new pty."),
         QStringLiteral("NAME")},
        {QStringLiteral("link"),
         QStringLiteral("Make PATH a symbolic link to the port while the device is plugged in (e.g. a Wine prefix's "
                        "dosdevices/com10); removed when it is unplugged or stopped."),
         QStringLiteral("PATH")},
        {QStringLiteral("replug-after"),
         QStringLiteral("After vanishing, be plugged in again MS later, as it was left (run mode, pages, version), "
                        "on a new pty (and --link), without the faults."),
         QStringLiteral("MS")},
        {QStringLiteral("busy"),
         QStringLiteral("Hold the pty as another program holding the port would: every later open is refused "
                        "(TIOCEXCL; processes with CAP_SYS_ADMIN are let through).")},
    });
    addSimulatorOptions(parser);
    parser.addOption({QStringLiteral("quiet"), QStringLiteral("Do not log each request.")});
    parser.process(app);

    QString error;
    if (!simulatorConfigFromOptions(parser, &options->config, &error))
        return commandline::usageError(error);
    if (!commandline::intOption(parser, QStringLiteral("replug-after"), 0, std::numeric_limits<int>::max(),
                                &options->replugMs))
        return commandline::usageError(QStringLiteral("--replug-after wants a number of ms >= 0"));
    options->port = parser.value(QStringLiteral("port"));
    options->link = parser.value(QStringLiteral("link"));
    options->busy = parser.isSet(QStringLiteral("busy"));
    options->quiet = parser.isSet(QStringLiteral("quiet"));
    return 0;
}

// Every later open of the pty is refused; the flag stays with the terminal, which the simulator keeps open.
bool holdExclusively(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
    const bool held = fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0;
    if (fd >= 0)
        ::close(fd);
    return held;
}

// The cable: the link to the device's port while it is plugged in, and the device plugged in again after it
// vanished, where that was asked for.
class Cable : public QObject
{
public:
    Cable(DeviceSimulator *device, const Options &options)
        : device(device), link(options.link), replugMs(options.replugMs)
    {
        connect(device, &DeviceSimulator::unplugged, this, &Cable::onUnplugged);
    }
    ~Cable() override { removeLink(); }

    bool makeLink()
    {
        QFile::remove(link); // one that an earlier run left behind
        return link.isEmpty() || QFile::link(device->portPath(), link);
    }

private:
    void removeLink()
    {
        if (!link.isEmpty())
            QFile::remove(link);
    }

    void onUnplugged()
    {
        removeLink();
        // Wall-clock time, which a client in another process (under Wine too) can compare with its own.
        writeLog(devicelog::unpluggedLine(QDateTime::currentMSecsSinceEpoch(), replugMs >= 0));
        if (replugMs < 0)
            return;
        QTimer::singleShot(replugMs, this, [this] {
            device->clearFaults();
            if (!device->openPty() || !makeLink()) {
                err() << "cannot plug the device in again\n";
                QCoreApplication::exit(1);
                return;
            }
            writeLog(devicelog::pluggedInLine(device->portPath()));
        });
    }

    DeviceSimulator *device;
    QString link;
    int replugMs;
};

void logRequests(DeviceSimulator *device)
{
    QObject::connect(device, &DeviceSimulator::requestReceived, device, [device](const RequestTrace &r) {
        devicelog::Request entry{r.timeMs, r.command, r.payloadLength, r.address, r.answered, QString()};
        if (r.command == DeviceCommand::FinishImage && r.answered)
            entry.finish = devicelog::finishVerdict(device->lastFinish().accepted);
        writeLog(devicelog::requestLine(entry));
    });
}

devicelog::Stopped stoppedState(const DeviceSimulator &device)
{
    const FinishRecord finish = device.lastFinish();
    return {device.acceptedPageWrites(), device.badFrames(),
            finish.received ? devicelog::finishVerdict(finish.accepted) : QString(), device.runMode(),
            device.version().toString()};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-sim"));
    Options options;
    if (const int usage = parseOptions(app, &options))
        return usage;
    if (!quitOnTerminationSignals(&app))
        return commandline::usageError(QStringLiteral("cannot set up signal handling"));

    DeviceSimulator device(options.config);
    if (!(options.port.isEmpty() ? device.openPty() : device.openSerialPort(options.port))) {
        err() << "cannot open " << (options.port.isEmpty() ? QStringLiteral("a pty") : options.port) << '\n';
        return 1;
    }
    if (options.busy && !holdExclusively(device.portPath())) {
        err() << "cannot hold " << device.portPath() << '\n';
        return 1;
    }
    Cable cable(&device, options);
    if (!cable.makeLink()) {
        err() << "cannot make the link " << options.link << '\n';
        return 1;
    }
    std::printf("%s\n", QFile::encodeName(device.portPath()).constData());
    std::fflush(stdout);
    if (!options.quiet)
        logRequests(&device);

    const int rc = QCoreApplication::exec();
    writeLog(devicelog::stoppedLine(stoppedState(device)));
    return rc;
}
