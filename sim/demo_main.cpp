// kivra-zid-update-demo: the client exactly as its users meet it, but with a simulated device on a pty in place of
// the cable and the USB-to-UART driver reported present, so the whole update can be shown (or photographed) on any
// machine. The device can be started in any state the client reacts to; without options it runs an older release
// than the carried image (0.1.153, shown as 1.0.20), so the full update runs.

#include "app/startup.h"
#include "serial/qorvserial.h"
#include "sim/boxanswerer.h"
#include "sim/devicesimulator.h"
#include "sim/scriptedsystem.h"
#include "sim/simulatoroptions.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QProgressBar>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <cstdlib>
#include <memory>

namespace {

// A line as fast as the real cable, so the progress bar moves at the pace a user would see.
constexpr int realisticBaudRate = 115200;
// When pictures are taken, a box stays up this long, so that the pictures show it settled.
constexpr int screenshotPauseMs = 1000;
constexpr int progressPollMs = 50;
// A day; more would not fit a timer's milliseconds.
constexpr int maxTimeLimitS = 24 * 3600;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const QString &message)
{
    err() << message << '\n';
    err().flush();
    return 2;
}

bool saveWindow(QWidget *window, const QString &directory, const QString &name)
{
    QDir().mkpath(directory);
    const QString path = QDir(directory).filePath(name);
    if (window->grab().save(path))
        return true;
    err() << "cannot save " << path << '\n';
    err().flush();
    return false;
}

// --help and friends print and exit; they must work where no display is, so no GUI application is made for them.
bool wantsTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    enableHighDpiScaling(); // the demo shows the client's window as the client does
    const std::unique_ptr<QCoreApplication> application(wantsTextOnly(argc, argv) ? new QCoreApplication(argc, argv)
                                                                                  : new QApplication(argc, argv));
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-update-demo"));

    SimulatorConfig config;
    config.baudRate = realisticBaudRate;
    // A released version the panel shows as 1.0.20, so the update visibly moves it to 1.0.26.
    config.version = {0, 1, 153};

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "The Kivra Zid update client, connected to a simulated device on a pseudo-terminal instead of a real one, "
            "with the USB-to-UART driver reported present. Without options the device runs firmware %1 with SKU %2 "
            "and hardware %3, so the whole update is shown: connection prompt, search, transfer, success and the "
            "second search. The options below start the device in other states (newer firmware, another identity, "
            "already in update mode) or make it misbehave.\n\n"
            "Examples:\n"
            "  --fw-version 0.1.158                device already up to date\n"
            "  --sku 99999                         update not suitable for the device\n"
            "  --run-mode 0                        device left in update mode by an interrupted transfer\n"
            "  --unplug-after-pages 100            cable pulled in the middle of the transfer\n"
            "  --fault no-reply:0x09:page=3:nth=1  one page write's answer lost; the client writes the page again\n"
            "  --baud 0                            transfer as fast as the machine allows\n"
            "  --screenshots shots                 pictures of every box and of the window, into ./shots\n\n"
            "Fault RULE for --fault:\n%4")
            .arg(config.version.toString(), fieldOptionText(config.sku), fieldOptionText(config.hardware),
                 Fault::syntaxHelp()));
    parser.addHelpOption();
    addSimulatorOptions(parser, config);
    const QCommandLineOption answerOption(
        QStringLiteral("answer-boxes"),
        QStringLiteral("Answer every message box with its default button after MS milliseconds, as a user would."),
        QStringLiteral("MS"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshots"),
        QStringLiteral("Save a picture of each message box and of the window behind it (NN-box.png, NN-window.png), "
                       "one of the window mid-transfer (transfer-window.png) and one as the client ends "
                       "(last-window.png) into DIR. Answers the boxes, after %1 ms unless --answer-boxes says "
                       "otherwise.")
            .arg(screenshotPauseMs),
        QStringLiteral("DIR"));
    const QCommandLineOption timeLimitOption(
        QStringLiteral("time-limit"),
        QStringLiteral("End the demo after S seconds whatever the client is doing (default 0 = no limit)."),
        QStringLiteral("S"));
    parser.addOptions({answerOption, screenshotOption, timeLimitOption});
    parser.process(app);

    QString optionError;
    if (!simulatorConfigFromOptions(parser, &config, &optionError))
        return usageError(optionError);
    const QString screenshotDirectory = parser.value(screenshotOption);
    if (parser.isSet(screenshotOption) && screenshotDirectory.isEmpty())
        return usageError(QStringLiteral("--screenshots wants a directory"));
    const bool answerBoxes = parser.isSet(answerOption) || parser.isSet(screenshotOption);
    int answerPauseMs = screenshotPauseMs;
    if (parser.isSet(answerOption)) {
        bool ok = false;
        answerPauseMs = parser.value(answerOption).toInt(&ok);
        if (!ok || answerPauseMs < 0)
            return usageError(QStringLiteral("--answer-boxes wants a number of ms >= 0"));
    }
    int timeLimitS = 0;
    if (parser.isSet(timeLimitOption)) {
        bool ok = false;
        timeLimitS = parser.value(timeLimitOption).toInt(&ok);
        if (!ok || timeLimitS < 0 || timeLimitS > maxTimeLimitS)
            return usageError(QStringLiteral("--time-limit wants a number of seconds from 0 to %1").arg(maxTimeLimitS));
    }

    // The same start-up as the client proper: the catalogues for the user's locale, the window sized from the
    // first screen.
    QTranslator translator;
    QTranslator toolkitTranslator;
    installCatalogues(translator, toolkitTranslator);
    const QSize size = initialWindowSize();

    DeviceSimulator simulator(config);
    if (!simulator.openPty()) {
        err() << "cannot open a pty for the simulated device\n";
        err().flush();
        return 1;
    }

    MainWindow window(nullptr, size);
    window.setSystemAccess(std::make_unique<ScriptedSystem>());
    // An unplugged device leaves the system's port list, as a pulled cable would.
    window.serialWorker()->setPortLister([&simulator] {
        QList<PortListing> ports;
        if (simulator.isOpen())
            ports.append(cp210x::port(simulator.portPath()));
        return ports;
    });

    std::unique_ptr<BoxAnswerer> user;
    if (answerBoxes) {
        user = std::make_unique<BoxAnswerer>();
        user->setPause(answerPauseMs);
        user->setScreenshotDirectory(screenshotDirectory);
    }

    QTimer progressWatch;
    if (!screenshotDirectory.isEmpty()) {
        // One picture with the progress bar about half way, the moment the demo is mostly about.
        auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QObject::connect(&progressWatch, &QTimer::timeout, &window, [&, bar] {
            if (!bar || !bar->isVisible() || bar->maximum() <= bar->minimum())
                return;
            if (bar->value() - bar->minimum() < (bar->maximum() - bar->minimum()) / 2)
                return;
            progressWatch.stop();
            saveWindow(&window, screenshotDirectory, QStringLiteral("transfer-window.png"));
        });
        progressWatch.start(progressPollMs);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                         [&] { saveWindow(&window, screenshotDirectory, QStringLiteral("last-window.png")); });
    }

    if (timeLimitS > 0) {
        // The client runs its boxes and waits in nested event loops and goes on with its workflow when they are
        // told to end, so asking the application to quit would not stop it in time: the process ends here.
        QTimer::singleShot(timeLimitS * 1000, &app, [timeLimitS] {
            err() << "time limit of " << timeLimitS << " s reached; the client had not ended its run\n";
            err().flush();
            std::_Exit(3);
        });
    }

    window.show();
    const int rc = QApplication::exec();
    // The worker outlives the window by design; the line is let go here, before the device goes away.
    window.serialWorker()->disconnectPort();

    err() << "simulated device: firmware " << simulator.version().toString() << ", run mode "
          << static_cast<uint>(simulator.runMode()) << ", " << simulator.acceptedPageWrites()
          << " page writes accepted\n";
    if (!screenshotDirectory.isEmpty())
        err() << "screenshots in " << QDir(screenshotDirectory).absolutePath() << '\n';
    err().flush();
    return rc;
}
