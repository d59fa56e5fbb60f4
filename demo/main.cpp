// kivra-zid-update-demo: the client exactly as its users meet it, but with a simulated device on a pty in place of
// the cable and the USB-to-UART driver reported present, so the whole update can be shown (or photographed) on any
// machine. The device can be started in any state the client reacts to; without options it runs the release before
// the carried image, so the full update runs and the panel moves from one release's name to the next.

#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/version.h"
#include "serial/qorvserial.h"
#include "sim/commandline.h"
#include "sim/device/devicesimulator.h"
#include "sim/device/simulatoroptions.h"
#include "sim/system/scriptedsystem.h"
#include "sim/user/boxanswerer.h"
#include "sim/user/screenreaderlistener.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProgressBar>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <cstdlib>
#include <limits>
#include <memory>

using commandline::err;

namespace {

// A line as fast as the real cable, so the progress bar moves at the pace a user would see.
constexpr int realisticBaudRate = 115200;
// When pictures are taken, a box stays up this long, so that the pictures show it settled.
constexpr int screenshotPauseMs = 1000;
// A day; more would not fit a timer's milliseconds.
constexpr int maxTimeLimitS = 24 * 3600;

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

struct Options
{
    SimulatorConfig device;
    QString screenshots; // "" = no pictures
    bool answerBoxes = false;
    bool printBoxes = false;
    bool screenReader = false;
    bool driverMissing = false;
    bool noDevice = false;
    QString tableTexts; // "" = not recorded
    QString history;    // "" = none kept
    int answerPauseMs = screenshotPauseMs;
    int timeLimitS = 0;
};

// The options as given, or the exit status of a usage error.
int parseOptions(const QCoreApplication &app, Options *options)
{
    SimulatorConfig &config = options->device;
    config.baudRate = realisticBaudRate;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "The Kivra Zid update client, connected to a simulated device on a pseudo-terminal instead of a real one, "
            "with the USB-to-UART driver reported present. Without options the device runs firmware %1 with SKU %2 "
            "and hardware %3, so the whole update is shown: connection prompt, search, transfer, success and the "
            "second search. The options below start the device in other states (newer firmware, another identity, "
            "already in update mode) or make it misbehave.\n\n"
            "Examples:\n"
            "  --fw-version %5 device already up to date\n"
            "  --sku 99999                         update not suitable for the device\n"
            "  --run-mode 0                        device left in update mode by an interrupted transfer\n"
            "  --unplug-after-pages 100            cable pulled in the middle of the transfer\n"
            "  --fault no-reply:0x09:page=3:nth=1  one page write's answer lost; the client writes the page again\n"
            "  --baud 0                            transfer as fast as the machine allows\n"
            "  --screenshots shots                 pictures of every box and of the window, into ./shots\n"
            "  --screen-reader                     what a screen reader announces, printed as it is announced\n\n"
            "Fault RULE for --fault:\n%4")
            .arg(config.version.toString(), fieldOptionText(config.sku), fieldOptionText(config.hardware),
                 Fault::syntaxHelp(), QStringLiteral(KZ_IMAGE_VERSION).leftJustified(22)));
    parser.addHelpOption();
    addSimulatorOptions(parser, config);
    parser.addOptions({
        {QStringLiteral("answer-boxes"),
         QStringLiteral("Answer every message box with its default button after MS milliseconds, as a user would."),
         QStringLiteral("MS")},
        {QStringLiteral("print-boxes"),
         QStringLiteral("With --answer-boxes: print each box's text as it shows (\"box: \") and as it is answered "
                        "(\"answered: \"), for a check that acts at a moment of the run.")},
        {QStringLiteral("screenshots"),
         QStringLiteral("Save a picture of each message box and of the window behind it (NN-box.png, NN-window.png), "
                        "one of the window mid-transfer (transfer-window.png) and one as the client ends "
                        "(last-window.png) into DIR. Answers the boxes, after %1 ms unless --answer-boxes says "
                        "otherwise.")
             .arg(screenshotPauseMs),
         QStringLiteral("DIR")},
        {QStringLiteral("screen-reader"),
         QStringLiteral("Print what a screen reader announces as it is announced (\"heard: \"), and each text of the "
                        "step table that was not announced before the next box opened (\"not heard: \").")},
        {QStringLiteral("driver-missing"),
         QStringLiteral("The USB-to-UART driver is missing at first and present once the installer has run.")},
        {QStringLiteral("no-device"), QStringLiteral("No device is connected: every search finds no port.")},
        {QStringLiteral("table-texts"),
         QStringLiteral("Append each text the step table shows, as it appears, to FILE "
                        "(\"ms<TAB>row<TAB>column<TAB>text\", ms on the system's monotonic clock)."),
         QStringLiteral("FILE")},
        {QStringLiteral("history"),
         QStringLiteral("Keep the run's record in DIR/history.jsonl, as the client keeps it in the user's folder "
                        "(default: none kept)."),
         QStringLiteral("DIR")},
        {QStringLiteral("time-limit"),
         QStringLiteral("End the demo after S seconds whatever the client is doing (default 0 = no limit)."),
         QStringLiteral("S")},
    });
    parser.process(app);

    QString error;
    if (!simulatorConfigFromOptions(parser, &config, &error))
        return commandline::usageError(error);
    options->screenshots = parser.value(QStringLiteral("screenshots"));
    if (parser.isSet(QStringLiteral("screenshots")) && options->screenshots.isEmpty())
        return commandline::usageError(QStringLiteral("--screenshots wants a directory"));
    options->screenReader = parser.isSet(QStringLiteral("screen-reader"));
    options->driverMissing = parser.isSet(QStringLiteral("driver-missing"));
    options->noDevice = parser.isSet(QStringLiteral("no-device"));
    options->tableTexts = parser.value(QStringLiteral("table-texts"));
    options->history = parser.value(QStringLiteral("history"));
    options->printBoxes = parser.isSet(QStringLiteral("print-boxes"));
    options->answerBoxes = parser.isSet(QStringLiteral("answer-boxes")) || !options->screenshots.isEmpty();
    if (!commandline::intOption(parser, QStringLiteral("answer-boxes"), 0, std::numeric_limits<int>::max(),
                                &options->answerPauseMs))
        return commandline::usageError(QStringLiteral("--answer-boxes wants a number of ms >= 0"));
    if (!commandline::intOption(parser, QStringLiteral("time-limit"), 0, maxTimeLimitS, &options->timeLimitS))
        return commandline::usageError(
            QStringLiteral("--time-limit wants a number of seconds from 0 to %1").arg(maxTimeLimitS));
    return 0;
}

// One picture with the progress bar about half way, the moment the demo is mostly about, and one as the client ends.
void takePictures(MainWindow *window, const QString &directory)
{
    auto *bar = window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto halfway = std::make_shared<QMetaObject::Connection>();
    *halfway = QObject::connect(bar, &QProgressBar::valueChanged, window, [=](int value) {
        if (value - bar->minimum() < (bar->maximum() - bar->minimum()) / 2)
            return;
        QObject::disconnect(*halfway);
        saveWindow(window, directory, QStringLiteral("transfer-window.png"));
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window,
                     [=] { saveWindow(window, directory, QStringLiteral("last-window.png")); });
}

// Each text of the step table as it appears, whatever the table does to show it, for a check of what a screen reader
// said that does not take the table's word for what it showed.
void recordTableTexts(MainWindow *window, const QString &path)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        err() << "cannot write " << path << '\n';
        err().flush();
        std::exit(1);
    }
    const QAbstractItemModel *model = window->findChild<QTableView *>()->model();
    auto shown = std::make_shared<QHash<QPair<int, int>, QString>>();
    const auto look = [=](const QModelIndex &from, const QModelIndex &to) {
        for (int row = from.row(); row <= to.row(); ++row) {
            for (int column = from.column(); column <= to.column(); ++column) {
                const QModelIndex cell = model->index(row, column);
                QString text = cell.data(Qt::AccessibleTextRole).toString();
                if (text.isEmpty())
                    text = cell.data(Qt::DisplayRole).toString();
                if (text.isEmpty() || shown->value({row, column}) == text)
                    continue;
                shown->insert({row, column}, text);
                QElapsedTimer now;
                now.start();
                QTextStream(file.get()) << now.msecsSinceReference() << '\t' << row << '\t' << column << '\t'
                                        << text.simplified() << '\n';
            }
        }
    };
    QObject::connect(model, &QAbstractItemModel::dataChanged, window, look);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, window, [=](const QModelIndex &, int first, int last) {
        look(model->index(first, 0), model->index(last, model->columnCount() - 1));
    });
}

void printBoxes(BoxAnswerer *user)
{
    const auto print = [](const char *what, const QString &text) {
        QTextStream(stdout) << what << text.simplified() << Qt::endl;
    };
    QObject::connect(user, &BoxAnswerer::shown, [print](const QString &text) { print("box: ", text); });
    QObject::connect(user, &BoxAnswerer::answered, [print](const RecordedBox &box) { print("answered: ", box.text); });
}

// The client runs its boxes and waits in nested event loops and goes on with its workflow when they are told to
// end, so asking the application to quit would not stop it in time: the process ends here.
void endAfter(int seconds)
{
    QTimer::singleShot(seconds * 1000, qApp, [seconds] {
        err() << "time limit of " << seconds << " s reached; the client had not ended its run\n";
        err().flush();
        std::_Exit(3);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    enableHighDpiScaling(); // the demo shows the client's window as the client does
    const std::unique_ptr<QCoreApplication> app(
        commandline::wantsTextOnly(argc, argv) ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-update-demo"));
    Options options;
    if (const int usage = parseOptions(*app, &options))
        return usage;

    // The same start-up as the client proper: one at a time (a second start shows the running window, or runs once
    // it has gone), the catalogues for the user's locale, the window sized from the first screen.
    SingleInstance instance;
    QTranslator translator;
    QTranslator toolkitTranslator;
    if (!startAsOnlyClient(instance, translator, toolkitTranslator))
        return 0;
    const QSize size = initialWindowSize();

    DeviceSimulator device(options.device);
    if (!device.openPty()) {
        err() << "cannot open a pty for the simulated device\n";
        return 1;
    }
    // The client leaves its serial worker to the end of the process (the window's last record still reads its trace);
    // the demo deletes it after the window, as a test's session does, so that a run under the sanitizers leaks nothing.
    std::unique_ptr<qorvserial> worker;
    MainWindow window(nullptr, size);
    worker.reset(window.serialWorker());
    // A missing driver is found present once the installer has gone.
    window.setSystemAccess(options.driverMissing ? std::make_unique<ScriptedSystem>(QList<bool>{false, true})
                                                 : std::make_unique<ScriptedSystem>());
    if (options.noDevice)
        window.serialWorker()->setPortLister([] { return QList<PortListing>(); });
    else
        window.serialWorker()->setPortLister(device.portLister());
    if (!options.tableTexts.isEmpty())
        recordTableTexts(&window, options.tableTexts);
    // A simulated device's runs stay out of the user's own run history; a folder of its own is named for a check.
    window.setHistoryFolder(options.history);
    instance.answerWith([&window] { return window.showForSecondStart(); });
    std::unique_ptr<BoxAnswerer> user;
    if (options.answerBoxes) {
        user = std::make_unique<BoxAnswerer>();
        user->setPause(options.answerPauseMs);
        user->setScreenshotDirectory(options.screenshots);
        if (options.printBoxes)
            printBoxes(user.get());
    }
    if (!options.screenshots.isEmpty())
        takePictures(&window, options.screenshots);
    if (options.timeLimitS > 0)
        endAfter(options.timeLimitS);
    std::unique_ptr<ScreenReaderListener> listener;
    if (options.screenReader) {
        listener = std::make_unique<ScreenReaderListener>();
        const auto print = [](const char *what, const QString &text) {
            QTextStream(stdout) << what << text << Qt::endl;
        };
        QObject::connect(listener.get(), &ScreenReaderListener::heardText,
                         [print](auto &text) { print("heard: ", text); });
        QObject::connect(listener.get(), &ScreenReaderListener::missedText,
                         [print](auto &text) { print("not heard: ", text); });
    }

    window.show();
    const int rc = QApplication::exec();
    // The line is let go here, before the device goes away.
    worker->disconnectPort();
    if (listener)
        listener->missedBy(&window, QStringLiteral("the end"));
    err() << "simulated device: " << device.summary() << '\n';
    if (!options.screenshots.isEmpty())
        err() << "screenshots in " << QDir(options.screenshots).absolutePath() << '\n';
    err().flush();
    return rc;
}
