#pragma once

#include "app/constants.h"
#include "app/startup.h"
#include "bench/lineplan.h"
#include "bench/porttimeline.h"
#include "bench/processusage.h"
#include "bench/simulatorprocess.h"
#include "device/protocol.h"
#include "serial/eventwait.h"
#include "serial/qorvserial.h"
#include "sim/device/devicelog.h"
#include "sim/system/scriptedsystem.h"
#include "sim/user/boxanswerer.h"
#include "sim/user/windowsession.h"
#include "ui/mainwindow.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// The version the simulated device is told to report.
const QString benchDeviceVersionText =
    QStringLiteral("%1.%2.%3").arg(benchDeviceVersion[0]).arg(benchDeviceVersion[1]).arg(benchDeviceVersion[2]);

// What the benchmark is asked to measure.
struct BenchOptions
{
    QString simulator;
    QString port; // a device already on this port: no simulator of the bench's own
    int baud = 115200;
    double latencyMs = 0;
    int runMode = 0;
    int runs = 1;
    bool paced = true;
    bool unpaced = true;
    bool hideWindow = false;
    bool unplug = true;
};

// From pulling the cable to the client's error box.
struct UnplugResult
{
    bool ok = false;
    QString failure;
    double toBoxMs = 0;
    double cpuMs = 0;
    qint64 longestStallMs = 0; // the longest time the window went without processing events, from the start
};

struct TransferResult
{
    bool ok = false;
    QString failure;
    int baud = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double simulatorCpuSeconds = -1;
    devicelog::Log device; // what the simulator logged
    QVector<double> turnaroundsMs;
    QStringList boxes;
};

// The client's window and its transfers against the simulator, one measured run at a time.
class Bench
{
public:
    Bench(const BenchOptions &options, const QByteArray &image, PortTimeline *timeline)
        : options(options),
          linePlan(planTransfer(image, options.runMode == protocol::runModeApplication, options.latencyMs)),
          timeline(timeline)
    {
    }

    bool setUp(QString *error)
    {
        user.setPause(0);
        // Where it has one; a box without Cancel gets its default button.
        user.setFallbackButton(QMessageBox::Cancel);
        session.newWindow(std::make_unique<ScriptedSystem>());
        if (!logDir.isValid()) {
            *error = QStringLiteral("no temporary directory for the simulator's log");
            return false;
        }
        // The window starts its workflow by itself: the driver check after 1.5 s, the connection prompt half a second
        // later. Let that run its course first, so that none of it fires into a measured transfer: the user cancels
        // the prompt and the window closes itself 800 ms later, after which no timer of the workflow is left.
        window->show();
        waitWhileProcessingEvents(10000, [this] { return !user.boxes().isEmpty(); });
        waitWhileProcessingEvents(5000, [this] { return !window->isVisible(); });
        boxesAtStart = boxTexts(0);
        // The transfer runs with the window on screen, as in an update, so that repainting its progress counts. Shown
        // again, the window takes up the run its close gave up; --hide-window then hides it (no close).
        window->show();
        if (options.hideWindow)
            window->hide();
        waitWhileProcessingEvents(100, {});
        return true;
    }

    const QStringList &startupBoxes() const { return boxesAtStart; }
    const LinePlan &plan() const { return linePlan; }

    // Starts the simulator with its log in a file of its own and opens the client's port to it.
    bool startAndConnect(SimulatorProcess &simulator, const QStringList &arguments, QString *failure)
    {
        const QString logFile = logDir.filePath(QStringLiteral("sim-%1.log").arg(++transfers));
        if (options.port.isEmpty() && !simulator.start(options.simulator, arguments, logFile, failure))
            return false;
        qorvserial *worker = window->serialWorker();
        const QString path = options.port.isEmpty() ? simulator.portPath() : options.port;
        worker->setPortLister([path] { return QList<PortListing>{cp210x::port(path)}; });
        worker->findDevicePort();
        if (!worker->isPortFound() || worker->connectPort()) {
            *failure = QStringLiteral("cannot open %1").arg(path);
            return false;
        }
        return true;
    }

    TransferResult transfer(int baud)
    {
        TransferResult result;
        result.baud = baud;
        const QStringList arguments{QStringLiteral("--baud"),       QString::number(baud),
                                    QStringLiteral("--latency"),    QString::number(options.latencyMs),
                                    QStringLiteral("--run-mode"),   QString::number(options.runMode),
                                    QStringLiteral("--fw-version"), benchDeviceVersionText};
        SimulatorProcess simulator;
        if (!startAndConnect(simulator, arguments, &result.failure))
            return result;
        qorvserial *worker = window->serialWorker();
        // As the workflow leaves things before it calls the transfer.
        auto *bar = window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        if (bar) {
            bar->reset();
            bar->show();
        }
        QCoreApplication::processEvents();

        const int boxesBefore = user.boxes().size();
        timeline->clear();
        const double simulatorCpuBefore = simulator.cpuSeconds();
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        const bool flashed = window->flashFirmware();
        const qint64 wallNs = clock.nsecsElapsed();
        const double cpuAfter = processCpuSeconds();
        const double simulatorCpuAfter = simulator.cpuSeconds();

        worker->disconnectPort();
        if (bar)
            bar->hide();
        result.wallSeconds = static_cast<double>(wallNs) / 1e9;
        result.cpuSeconds = cpuAfter - cpuBefore;
        if (simulatorCpuBefore >= 0 && simulatorCpuAfter >= 0)
            result.simulatorCpuSeconds = simulatorCpuAfter - simulatorCpuBefore;
        result.boxes = boxTexts(boxesBefore);
        result.turnaroundsMs = timeline->turnaroundsMs();
        result.device = simulator.stop();

        if (!flashed)
            result.failure = QStringLiteral("flashFirmware returned false");
        else if (options.port.isEmpty() && (result.device.stopped.pageWritesAccepted != linePlan.pages ||
                                            !result.device.stopped.finishAccepted()))
            result.failure = QStringLiteral("the device accepted %1 of %2 pages and its last finish request was %3")
                                 .arg(result.device.stopped.pageWritesAccepted)
                                 .arg(linePlan.pages)
                                 .arg(result.device.stopped.finish);
        result.ok = result.failure.isEmpty();
        return result;
    }

    // The device vanishes during the transfer: after `pages` accepted pages, or (pages < 0) 700 ms after the request
    // to enter update mode, while the client waits between its status polls for a device that stays silent.
    UnplugResult unplug(int pages)
    {
        UnplugResult result;
        // Between the restart polls, the device stays silent in its restart for as long as the client polls.
        QStringList arguments{QStringLiteral("--baud"),       QString::number(options.baud),
                              QStringLiteral("--fw-version"), benchDeviceVersionText,
                              QStringLiteral("--run-mode"),   QString::number(pages < 0 ? 1 : 0)};
        if (pages < 0)
            arguments << QStringLiteral("--restart-polls") << QStringLiteral("1000");
        SimulatorProcess simulator;
        if (!startAndConnect(simulator, arguments, &result.failure))
            return result;
        qorvserial *worker = window->serialWorker();

        QElapsedTimer clock;
        qint64 pulledNs = -1;
        qint64 boxNs = -1;
        double cpuAtPull = 0;
        double cpuAtBox = 0;
        const auto pull = [&] {
            if (pulledNs >= 0)
                return;
            cpuAtPull = processCpuSeconds();
            pulledNs = clock.nsecsElapsed();
            simulator.kill();
        };
        const QMetaObject::Connection onShow = QObject::connect(&user, &BoxAnswerer::shown, [&] {
            if (pulledNs >= 0 && boxNs < 0) {
                boxNs = clock.nsecsElapsed();
                cpuAtBox = processCpuSeconds();
            }
        });
        auto *bar = window->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QMetaObject::Connection watch;
        QTimer restartPull;
        if (pages >= 0) {
            watch = QObject::connect(bar, &QProgressBar::valueChanged, [&, pages](int value) {
                if (value + 1 >= pages)
                    pull();
            });
        } else {
            restartPull.setSingleShot(true);
            QObject::connect(&restartPull, &QTimer::timeout, pull);
            restartPull.start(700);
        }
        clock.start();
        const StallClock stalls;
        const bool flashed = window->flashFirmware();
        result.longestStallMs = stalls.longest();
        QObject::disconnect(watch);
        QObject::disconnect(onShow);
        worker->disconnectPort();
        simulator.stop();
        if (flashed || pulledNs < 0 || boxNs < 0) {
            result.failure = flashed ? QStringLiteral("the transfer reported success") : QStringLiteral("no error box");
            return result;
        }
        result.toBoxMs = static_cast<double>(boxNs - pulledNs) / 1e6;
        result.cpuMs = (cpuAtBox - cpuAtPull) * 1000;
        result.ok = true;
        return result;
    }

    // Device-side view of each page cycle: from one page request's arrival to the next, less the line time of the
    // answer in between and of the next request. What remains is time in which the line stood idle.
    QVector<double> idleMsPerPage(const TransferResult &r) const
    {
        QVector<double> idle;
        QVector<double> arrivals;
        for (const devicelog::Request &request : r.device.requests) {
            if (request.code == DeviceCommand::WritePage)
                arrivals.append(request.ms);
        }
        const double byteMs = linePlan.byteMs(r.baud);
        for (int i = 1; i < arrivals.size() && i < linePlan.pageRequestBytes.size(); ++i) {
            const double lineMs = (linePlan.pageReplyBytes + linePlan.pageRequestBytes.at(i)) * byteMs;
            idle.append(arrivals.at(i) - arrivals.at(i - 1) - lineMs);
        }
        return idle;
    }

private:
    // Each box as "title: text", from the `first` on.
    QStringList boxTexts(int first) const
    {
        QStringList texts;
        for (int i = first; i < user.boxes().size(); ++i)
            texts.append(user.boxes().at(i).title + QStringLiteral(": ") + user.boxes().at(i).text);
        return texts;
    }

    BenchOptions options;
    LinePlan linePlan;
    PortTimeline *timeline;
    // The simulated user cancels every box where it can, reacting to the boxes' show events so that it adds no
    // wake-ups of its own to the CPU time being measured.
    WindowSession session{BoxAnswerer::Watch::ShowEvents};
    BoxAnswerer &user = session.user;
    MainWindow *&window = session.window;
    QTemporaryDir logDir;
    QStringList boxesAtStart;
    int transfers = 0;
};
