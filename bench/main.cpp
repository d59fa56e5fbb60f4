// kivra-zid-transfer-bench: how fast the client writes the carried image into the device, and what that costs it.
//
// The client's own MainWindow::flashFirmware writes the image to kivra-zid-sim, started as a process of its own on a
// pty, so everything this process spends is the client's: the simulator's pacing, decoding and flash bookkeeping run
// elsewhere. Two transfers are measured:
// - paced like a 115200 baud 8N1 line (ten bit times per byte, both ways) with a device that answers at once: the
//   wall time against the line's lower bound for exactly the frames the transfer exchanges, and the client's CPU
//   time as a share of that wall time;
// - unpaced: pages per second, which is then the client's (and the pty's) own overhead per page.
// At the end it prints the process's peak resident memory. Exit status 1 means a transfer failed; missed targets
// are reported but are not a failure, since this is a measurement.

#include "bench/report.h"
#include "sim/commandline.h"

#include <QCommandLineParser>

#include <cstdio>
#include <limits>
#include <optional>

namespace {

// The options as given, or nothing (with a message on stderr) when one is out of range.
std::optional<BenchOptions> parseOptions(const QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the carried firmware image through the client's flashFirmware to kivra-zid-sim in a separate "
        "process, paced like a serial line and unpaced, and prints wall time against the line's lower bound, the "
        "client's CPU share, pages per second and peak memory."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("sim"), QStringLiteral("The simulator program (default: the one built with this)."),
         QStringLiteral("PATH")},
        {QStringLiteral("port"),
         QStringLiteral("Write to a device already on this port (for the Windows build under Wine, whose simulator "
                        "runs on the host) instead of starting kivra-zid-sim: paced transfers only, at the line "
                        "speed the device keeps; the device must be in its application at each start (--run-mode 1)."),
         QStringLiteral("NAME")},
        {QStringLiteral("baud"), QStringLiteral("Line speed of the paced transfer (default 115200)."),
         QStringLiteral("RATE")},
        {QStringLiteral("latency"), QStringLiteral("Device think time per request in ms (default 0)."),
         QStringLiteral("MS")},
        {QStringLiteral("run-mode"),
         QStringLiteral("Device state at start: 0 = already in update mode (default), 1 = running its application, "
                        "so that the transfer first switches it over and waits for it."),
         QStringLiteral("N")},
        {QStringLiteral("runs"), QStringLiteral("Measure each transfer this many times (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("no-paced"), QStringLiteral("Skip the paced transfer.")},
        {QStringLiteral("no-unpaced"), QStringLiteral("Skip the unpaced transfer.")},
        {QStringLiteral("no-unplug"), QStringLiteral("Skip the unplug measurements.")},
        {QStringLiteral("hide-window"),
         QStringLiteral("Run the transfers with the window hidden, which tells painting apart from the rest.")},
    });
    parser.process(app);

    BenchOptions options;
    constexpr int most = std::numeric_limits<int>::max();
    bool ok = commandline::intOption(parser, QStringLiteral("baud"), 1, most, &options.baud) &&
              commandline::intOption(parser, QStringLiteral("run-mode"), 0, 255, &options.runMode) &&
              commandline::intOption(parser, QStringLiteral("runs"), 1, most, &options.runs);
    if (parser.isSet(QStringLiteral("latency"))) {
        options.latencyMs = parser.value(QStringLiteral("latency")).toDouble(&ok);
        ok = ok && options.latencyMs >= 0;
    }
    if (!ok) {
        commandline::usageError(QStringLiteral("bad option value; see --help"));
        return std::nullopt;
    }
    options.paced = !parser.isSet(QStringLiteral("no-paced"));
    options.unpaced = !parser.isSet(QStringLiteral("no-unpaced"));
    options.unplug = !parser.isSet(QStringLiteral("no-unplug"));
    options.hideWindow = parser.isSet(QStringLiteral("hide-window"));
    options.port = parser.value(QStringLiteral("port"));
    if (!options.port.isEmpty()) {
        // Pacing, faults and unplugging are the simulator's, which is not the bench's to start here.
        options.unpaced = options.unplug = false;
        return options;
    }
    options.simulator = findSimulator(parser.value(QStringLiteral("sim")));
    if (options.simulator.isEmpty()) {
        commandline::usageError(QStringLiteral("kivra-zid-sim not found; give it with --sim"));
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    // Offscreen unless told otherwise: the window is real and repaints, but needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-transfer-bench"));
    const std::optional<BenchOptions> options = parseOptions(app);
    if (!options)
        return 2;

    const QByteArray image = readFirmwareResource();
    if (image.isEmpty()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(firmwareResource()));
        return 1;
    }
    Bench bench(*options, image, &app.timeline);
    QString error;
    if (!bench.setUp(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const long baselineKiB = peakResidentKiB();
    printHeader(*options, image, bench);

    Summary summary;
    if (options->paced)
        measurePaced(*options, bench, summary);
    if (options->unpaced)
        measureUnpaced(*options, bench, summary);
    if (options->unplug)
        measureUnplugs(*options, bench, summary);

    std::printf("\nPeak resident memory  %.1f MiB (%.1f MiB before the first transfer)\n", peakResidentKiB() / 1024.0,
                baselineKiB / 1024.0);
    printTargets(*options, summary);
    return summary.allOk ? 0 : 1;
}
