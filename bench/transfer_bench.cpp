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

#include "app/startup.h"
#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "serial/framecodec.h"
#include "serial/qorvserial.h"
#include "sim/scriptedsystem.h"
#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#ifdef Q_OS_WIN
#include <windows.h>

#include <psapi.h> // after windows.h, whose types it uses
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

const QString imageResource = QStringLiteral(":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin");

// The version the simulated device is told to report, so that its status reply is known byte for byte.
const QString deviceVersionText = QStringLiteral("0.1.157");
constexpr quint8 deviceVersion[3] = {0, 1, 157};

// A device in its application first gets half a second to restart before the client asks for its status again.
constexpr int restartWaitMs = 500;

constexpr int bitsPerByte = 10; // 8N1: start bit, eight data bits, stop bit

// Targets the transfer is held to.
constexpr double maxRatio = 1.05;
constexpr double maxCpuShare = 0.10;
constexpr double minPagesPerSecond = 1000;
constexpr double maxUnplugToBoxMs = 1000;
constexpr double maxUnplugCpuMs = 100;

#ifdef Q_OS_WIN
double processCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME &t) { return (quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7; // 100 ns ticks
}

long peakResidentKiB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}
#else
double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}
#endif

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

double percentile(QVector<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int index = std::min(values.size() - 1, static_cast<int>(p * values.size()));
    return values.at(index);
}

double sum(const QVector<double> &values)
{
    double total = 0;
    for (double v : values)
        total += v;
    return total;
}

const char *verdict(bool holds)
{
    return holds ? "PASS" : "MISS";
}

QByteArray statusReply(quint8 runMode)
{
    QByteArray reply(protocol::statusReplyLength, '\0');
    reply[0] = static_cast<char>(protocol::statusReplyCode);
    reply[1] = static_cast<char>(runMode);
    reply[3] = static_cast<char>(deviceVersion[0]);
    reply[4] = static_cast<char>(deviceVersion[1]);
    reply[5] = static_cast<char>(deviceVersion[2]);
    return reply;
}

QByteArray answer(quint8 code)
{
    QByteArray reply(2, '\0');
    reply[0] = static_cast<char>(code | 0x80);
    return reply;
}

// Every frame a transfer exchanges and has to wait for, in both directions, built with the client's own request
// builders and frame codec so that the stuffing is counted byte for byte, plus the pause the protocol itself demands.
struct LinePlan
{
    qint64 requestBytes = 0;
    qint64 replyBytes = 0;
    int requests = 0;
    int replies = 0;
    QVector<int> pageRequestBytes; // frame length of each page's request
    int pageReplyBytes = 0;        // frame length of a page's answer
    double requiredWaitMs = 0;     // the device's restart and its think time: waits that no client can avoid
    qint64 pages = 0;

    double lineSeconds(int baud) const { return static_cast<double>((requestBytes + replyBytes) * bitsPerByte) / baud; }
    double lowerBoundSeconds(int baud) const { return lineSeconds(baud) + requiredWaitMs / 1000.0; }
    double byteMs(int baud) const { return baud > 0 ? 1000.0 * bitsPerByte / baud : 0; }
};

LinePlan planTransfer(const QByteArray &image, bool startsInApplication, double thinkTimeMs)
{
    LinePlan plan;
    auto request = [&plan](const QByteArray &payload) {
        const int n = framecodec::encodeFrame(payload).size();
        plan.requestBytes += n;
        ++plan.requests;
        return n;
    };
    auto reply = [&plan](const QByteArray &payload) {
        const int n = framecodec::encodeFrame(payload).size();
        plan.replyBytes += n;
        ++plan.replies;
        return n;
    };
    const QByteArray statusRequest =
        protocol::readBlockRequest(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength);

    request(statusRequest);
    reply(statusReply(startsInApplication ? protocol::runModeApplication : 0));
    if (startsInApplication) {
        request(protocol::setUpdateModeRequest(true));
        plan.requiredWaitMs += restartWaitMs;
        request(statusRequest);
        reply(statusReply(0));
    }

    plan.pages = firmwareimage::pageCount(image.size());
    for (qint64 k = 0; k < plan.pages; ++k) {
        const QByteArray page = firmwareimage::page(image, k);
        const quint32 address = firmwareimage::firstPageAddress + static_cast<quint32>(firmwareimage::pageSize * k);
        plan.pageRequestBytes.append(request(protocol::writePageRequest(address, page.constData())));
        plan.pageReplyBytes = reply(answer(DeviceCommand::WritePage));
    }

    const quint16 imageCrc = firmwareimage::crc16Modbus(firmwareimage::padded(image));
    request(protocol::finishImageRequest(firmwareimage::endAddress(plan.pages), imageCrc));
    reply(answer(DeviceCommand::FinishImage));
    plan.requiredWaitMs += thinkTimeMs * plan.replies;
    // The request to leave update mode comes last and nothing waits for it to cross the line (the client returns as
    // soon as the port has taken it), so it is no part of the bound.
    return plan;
}

// The simulated user. Every message box is answered with Cancel where it has one, else with its default button, on
// the next turn of the box's own event loop. It reacts to the boxes' show events instead of polling for them, so
// that it adds no wake-ups of its own to the CPU time being measured.
class BoxDismisser : public QObject
{
public:
    QStringList seen;
    // Called as each box is shown, before it is answered.
    std::function<void()> onShow;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (!box)
            return false;
        seen.append(box->windowTitle() + QStringLiteral(": ") + box->text());
        if (onShow)
            onShow();
        const QPointer<QMessageBox> guard(box);
        QTimer::singleShot(0, box, [guard] {
            if (!guard || !guard->isVisible())
                return;
            QAbstractButton *button = guard->button(QMessageBox::Cancel);
            if (!button)
                button = guard->defaultButton();
            if (button)
                button->click();
            else
                guard->reject();
        });
        return false;
    }
};

// Lets the application's events run until `done` holds or the time is up; false on time-out.
bool runEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// When the client's port delivered answer bytes and when it had written a request, on one monotonic clock. The
// worker keeps its QSerialPort to itself, so the port is recognised by its socket notifiers, which are its children,
// the first time one of them fires; from then on its readyRead and bytesWritten signals are timed. This sees the
// client from outside its code, at the cost of one extra call per event.
class PortTimeline : public QObject
{
public:
    enum Kind { Read, Written };
    struct Mark
    {
        qint64 ns;
        Kind kind;
    };

    PortTimeline() { clock.start(); }

    void notice(QObject *receiver)
    {
        if (watchedPort)
            return;
        auto *notifier = qobject_cast<QSocketNotifier *>(receiver);
        auto *port = notifier ? qobject_cast<QSerialPort *>(notifier->parent()) : nullptr;
        if (!port)
            return;
        watchedPort = port;
        connect(port, &QSerialPort::readyRead, this, [this] { marks.append({clock.nsecsElapsed(), Read}); });
        connect(port, &QSerialPort::bytesWritten, this, [this] { marks.append({clock.nsecsElapsed(), Written}); });
    }

    void clear() { marks.clear(); }

    // For each request written after an answer came in: the time from the answer's last delivery to that write,
    // in ms. This is the client's whole turn-around: decoding, the next page, framing, flushing and writing.
    QVector<double> turnaroundsMs() const
    {
        QVector<double> out;
        qint64 lastRead = -1;
        for (const Mark &m : marks) {
            if (m.kind == Read) {
                lastRead = m.ns;
            } else if (lastRead >= 0) {
                out.append(static_cast<double>(m.ns - lastRead) / 1e6);
                lastRead = -1;
            }
        }
        return out;
    }

private:
    QElapsedTimer clock;
    QPointer<QSerialPort> watchedPort;
    QVector<Mark> marks;
};

class BenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    PortTimeline timeline;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct)
            timeline.notice(receiver);
        return QApplication::notify(receiver, event);
    }
};

// kivra-zid-sim as a child process. Its request log goes to a file rather than a pipe, so that reading it costs the
// measured process nothing during the transfer.
class SimulatorProcess
{
public:
    ~SimulatorProcess() { stop(); }

    bool start(const QString &program, const QStringList &arguments, const QString &logFile, QString *error)
    {
        logPath = logFile;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardErrorFile(logFile);
        process.start(QIODevice::ReadOnly);
        if (!process.waitForStarted(5000)) {
            *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine()) {
            if (clock.elapsed() > 5000 || !process.waitForReadyRead(5000)) {
                *error = QStringLiteral("%1 printed no port path").arg(program);
                stop();
                return false;
            }
        }
        linePath = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !linePath.isEmpty();
    }

    QString portPath() const { return linePath; }

    // The cable is pulled: the process dies at once and the kernel hangs up its pty.
    void kill() { process.kill(); }

    // CPU time (user + system) the simulator has used so far, to the kernel's clock tick, or -1 when it cannot be
    // read.
    double cpuSeconds() const
    {
#ifdef Q_OS_WIN
        return -1;
#else
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (process.processId() <= 0 || !stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray line = stat.readAll();
        // The program name in parentheses may hold spaces; the fields are counted from its closing parenthesis on,
        // where the third field of the line (the state) comes first and utime and stime (14 and 15) are 11 and 12.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return -1;
        const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
        return static_cast<double>(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / ticksPerSecond;
#endif
    }

    // Stops it the way a user would (SIGTERM), so that it writes its closing summary; returns its whole log.
    QString stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
        QFile log(logPath);
        if (logPath.isEmpty() || !log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(log.readAll());
    }

private:
    QProcess process;
    QString logPath;
    QString linePath;
};

// What the simulator's log says about one transfer.
struct DeviceView
{
    QVector<double> pageArrivalsMs; // when each page request had fully arrived, on the device's clock
    int acceptedPages = -1;
    bool finishAccepted = false;
    int badFrames = -1;
};

DeviceView readDeviceLog(const QString &log)
{
    DeviceView view;
    static const QRegularExpression request(QStringLiteral("^\\s*([0-9.]+) ms\\s+0x([0-9a-fA-F]+)\\s"));
    static const QRegularExpression counts(QStringLiteral("page writes accepted: (\\d+), bad frames: (\\d+)"));
    const QStringList lines = log.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QRegularExpressionMatch r = request.match(line);
        if (r.hasMatch()) {
            if (r.captured(2).toUInt(nullptr, 16) == DeviceCommand::WritePage)
                view.pageArrivalsMs.append(r.captured(1).toDouble());
            continue;
        }
        const QRegularExpressionMatch c = counts.match(line);
        if (c.hasMatch()) {
            view.acceptedPages = c.captured(1).toInt();
            view.badFrames = c.captured(2).toInt();
        }
        if (line.startsWith(QLatin1String("last finish:")) && line.endsWith(QLatin1String("accepted")))
            view.finishAccepted = true;
    }
    return view;
}

struct Options
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
};

struct TransferResult
{
    bool ok = false;
    QString failure;
    int baud = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double simulatorCpuSeconds = -1;
    DeviceView device;
    QVector<double> turnaroundsMs;
    QStringList boxes;
};

class Bench
{
public:
    Bench(const Options &options, const QByteArray &image, PortTimeline *timeline)
        : options(options),
          linePlan(planTransfer(image, options.runMode == protocol::runModeApplication, options.latencyMs)),
          timeline(timeline)
    {
    }

    bool setUp(QString *error)
    {
        qApp->installEventFilter(&user);
        window = std::make_unique<MainWindow>(nullptr, windowSizeForScreen(QSize(1920, 1080)));
        window->setSystemAccess(std::make_unique<ScriptedSystem>());
        window->setFirmwareFileName(imageResource);
        if (!logDir.isValid()) {
            *error = QStringLiteral("no temporary directory for the simulator's log");
            return false;
        }
        // The window starts its workflow by itself: the driver check after 1.5 s, the connection prompt half a second
        // later. Let that run its course first, so that none of it fires into a measured transfer: the user cancels
        // the prompt and the window closes itself 800 ms later, after which no timer of the workflow is left.
        window->show();
        runEventsUntil([this] { return !user.seen.isEmpty(); }, 10000);
        runEventsFor(1000);
        boxesAtStart = user.seen;
        user.seen.clear();
        // The transfer runs with the window on screen, as in an update, so that repainting its progress counts. Shown
        // again, the window takes up the run its close gave up; --hide-window then hides it (no close).
        window->show();
        if (options.hideWindow)
            window->hide();
        runEventsFor(100);
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
                                    QStringLiteral("--fw-version"), deviceVersionText};
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

        const int boxesBefore = user.seen.size();
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
        result.boxes = user.seen.mid(boxesBefore);
        result.turnaroundsMs = timeline->turnaroundsMs();
        result.device = readDeviceLog(simulator.stop());

        if (!flashed)
            result.failure = QStringLiteral("flashFirmware returned false");
        else if (options.port.isEmpty() &&
                 (result.device.acceptedPages != linePlan.pages || !result.device.finishAccepted))
            result.failure =
                QStringLiteral("the device accepted %1 of %2 pages and %3 the finish request")
                    .arg(result.device.acceptedPages)
                    .arg(linePlan.pages)
                    .arg(result.device.finishAccepted ? QStringLiteral("accepted") : QStringLiteral("did not accept"));
        result.ok = result.failure.isEmpty();
        return result;
    }

    // The device vanishes during the transfer: after `pages` accepted pages, or (pages < 0) 700 ms after the request
    // to enter update mode, while the client waits between its status polls for a device that stays silent.
    UnplugResult unplug(int pages)
    {
        UnplugResult result;
        QStringList arguments{QStringLiteral("--baud"), QString::number(options.baud), QStringLiteral("--fw-version"),
                              deviceVersionText};
        if (pages < 0)
            arguments << QStringLiteral("--run-mode") << QStringLiteral("1") << QStringLiteral("--restart-polls")
                      << QStringLiteral("1000");
        else
            arguments << QStringLiteral("--run-mode") << QStringLiteral("0");
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
        user.onShow = [&] {
            if (pulledNs >= 0 && boxNs < 0) {
                boxNs = clock.nsecsElapsed();
                cpuAtBox = processCpuSeconds();
            }
        };
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
        const bool flashed = window->flashFirmware();
        QObject::disconnect(watch);
        user.onShow = nullptr;
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
        const QVector<double> &arrivals = r.device.pageArrivalsMs;
        const double byteMs = linePlan.byteMs(r.baud);
        for (int i = 1; i < arrivals.size() && i < linePlan.pageRequestBytes.size(); ++i) {
            const double lineMs = (linePlan.pageReplyBytes + linePlan.pageRequestBytes.at(i)) * byteMs;
            idle.append(arrivals.at(i) - arrivals.at(i - 1) - lineMs);
        }
        return idle;
    }

private:
    Options options;
    LinePlan linePlan;
    PortTimeline *timeline;
    BoxDismisser user;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir logDir;
    QStringList boxesAtStart;
    int transfers = 0;
};

QString findSimulator(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates{dir + QStringLiteral("/kivra-zid-sim"), dir + QStringLiteral("/../sim/kivra-zid-sim"),
#ifdef KZ_SIM_PATH
                                 QStringLiteral(KZ_SIM_PATH)
#endif
    };
    for (const QString &c : candidates) {
        const QFileInfo info(c);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

void printBoxes(const QStringList &boxes)
{
    for (const QString &b : boxes)
        std::printf("    message box: %s\n", qPrintable(QString(b).replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

// What the measured parts found, for the targets at the end.
struct Summary
{
    bool allOk = true;
    QVector<double> ratios, cpuShares, pageRates, unplugBoxMs, unplugCpuMs;
};

// The options as given, or nothing (with a message on stderr) when one is out of range.
std::optional<Options> parseOptions(const QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the carried firmware image through the client's flashFirmware to kivra-zid-sim in a separate "
        "process, paced like a serial line and unpaced, and prints wall time against the line's lower bound, the "
        "client's CPU share, pages per second and peak memory."));
    parser.addHelpOption();
    const QCommandLineOption simOption(QStringLiteral("sim"),
                                       QStringLiteral("The simulator program (default: the one built with this)."),
                                       QStringLiteral("PATH"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("Line speed of the paced transfer (default 115200)."),
                                        QStringLiteral("RATE"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
                                           QStringLiteral("Device think time per request in ms (default 0)."),
                                           QStringLiteral("MS"));
    const QCommandLineOption runModeOption(
        QStringLiteral("run-mode"),
        QStringLiteral("Device state at start: 0 = already in update mode (default), 1 = running its application, "
                       "so that the transfer first switches it over and waits for it."),
        QStringLiteral("N"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Measure each transfer this many times (default 1)."),
                                        QStringLiteral("N"));
    const QCommandLineOption noPacedOption(QStringLiteral("no-paced"), QStringLiteral("Skip the paced transfer."));
    const QCommandLineOption noUnpacedOption(QStringLiteral("no-unpaced"),
                                             QStringLiteral("Skip the unpaced transfer."));
    const QCommandLineOption noUnplugOption(QStringLiteral("no-unplug"),
                                            QStringLiteral("Skip the unplug measurements."));
    const QCommandLineOption hideOption(
        QStringLiteral("hide-window"),
        QStringLiteral("Run the transfers with the window hidden, which tells painting apart from the rest."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Write to a device already on this port (for the Windows build under Wine, whose simulator "
                       "runs on the host) instead of starting kivra-zid-sim: paced transfers only, at the line speed "
                       "the device keeps; the device must be in its application at each start (--run-mode 1)."),
        QStringLiteral("NAME"));
    parser.addOptions({simOption, portOption, baudOption, latencyOption, runModeOption, runsOption, noPacedOption,
                       noUnpacedOption, noUnplugOption, hideOption});
    parser.process(app);

    Options options;
    bool valid = true;
    auto intOption = [&](const QCommandLineOption &option, int minimum, int *out) {
        if (!parser.isSet(option))
            return;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < minimum)
            valid = false;
        else
            *out = value;
    };
    intOption(baudOption, 1, &options.baud);
    intOption(runModeOption, 0, &options.runMode);
    intOption(runsOption, 1, &options.runs);
    if (parser.isSet(latencyOption)) {
        bool ok = false;
        options.latencyMs = parser.value(latencyOption).toDouble(&ok);
        valid = valid && ok && options.latencyMs >= 0;
    }
    options.paced = !parser.isSet(noPacedOption);
    options.unpaced = !parser.isSet(noUnpacedOption);
    options.hideWindow = parser.isSet(hideOption);
    options.unplug = !parser.isSet(noUnplugOption);
    if (!valid) {
        std::fprintf(stderr, "bad option value; see --help\n");
        return std::nullopt;
    }
    options.port = parser.value(portOption);
    if (!options.port.isEmpty()) {
        // Pacing, faults and unplugging are the simulator's, which is not the bench's to start here.
        options.unpaced = options.unplug = false;
        return options;
    }
    options.simulator = findSimulator(parser.value(simOption));
    if (options.simulator.isEmpty()) {
        std::fprintf(stderr, "kivra-zid-sim not found; give it with --sim\n");
        return std::nullopt;
    }
    return options;
}

void printHeader(const Options &options, const QByteArray &image, const Bench &bench)
{
    const LinePlan &plan = bench.plan();
    std::printf("Kivra Zid transfer bench\n");
    std::printf("  image      %s: %d bytes, %lld pages\n", qPrintable(QFileInfo(imageResource).fileName()),
                static_cast<int>(image.size()), static_cast<long long>(plan.pages));
    std::printf("  device     %s, run mode %d at start, think time %g ms\n",
                qPrintable(options.port.isEmpty() ? options.simulator : options.port), options.runMode,
                options.latencyMs);
    std::printf("  frames     %d requests (%lld bytes) and %d answers (%lld bytes) to wait for\n", plan.requests,
                static_cast<long long>(plan.requestBytes), plan.replies, static_cast<long long>(plan.replyBytes));
    if (!bench.startupBoxes().isEmpty()) {
        std::printf("  start-up   answered before measuring:\n");
        printBoxes(bench.startupBoxes());
    }
    std::fflush(stdout);
}

// Both tables end in the same six columns: where the time between one page and the next went. "Line idle" is the
// device's view (from one page request's arrival to the next, less the line time of the answer and of the next
// request; unpaced, that is the whole page cycle); "client" is the client's share of it, from the last delivery of
// the answer's bytes to the write of the next request.
void printTableHead(const char *second, const char *secondUnit, const char *idle)
{
    std::printf("  %-4s %9s %9s %8s %8s %9s | %-26s | %-26s\n", "run", "wall", second, "client", "client", "device",
                idle, "client turn-around, ms");
    std::printf("  %-4s %9s %9s %8s %8s %9s | %8s %8s %8s | %8s %8s %8s\n", "", "s", secondUnit, "CPU s", "CPU %",
                "CPU s", "median", "p99", "sum", "median", "p99", "sum");
}

// One table row: `second` is the ratio (paced) or the page rate (unpaced), with its printf format.
void printTableRow(int run, const TransferResult &r, double second, const char *secondFormat, const Bench &bench)
{
    std::printf("  %-4d %9.3f ", run, r.wallSeconds);
    std::printf(secondFormat, second);
    std::printf(" %8.3f %7.2f%% %9.2f", r.cpuSeconds, 100 * r.cpuSeconds / r.wallSeconds, r.simulatorCpuSeconds);
    const QVector<double> idle = bench.idleMsPerPage(r);
    const QVector<double> &turn = r.turnaroundsMs;
    std::printf(" | %8.3f %8.3f %8.1f | %8.3f %8.3f %8.1f\n", median(idle), percentile(idle, 0.99), sum(idle),
                median(turn), percentile(turn, 0.99), sum(turn));
    printBoxes(r.boxes);
    std::fflush(stdout);
}

bool reportFailure(int run, const TransferResult &r)
{
    if (r.ok)
        return false;
    std::printf("  %-4d FAILED: %s\n", run, qPrintable(r.failure));
    printBoxes(r.boxes);
    return true;
}

void measurePaced(const Options &options, Bench &bench, Summary &summary)
{
    const LinePlan &plan = bench.plan();
    const int baud = options.baud;
    const double bound = plan.lowerBoundSeconds(baud);
    std::printf("\nPaced at %d baud 8N1 (%d bit times per byte, both directions)\n", baud, bitsPerByte);
    std::printf("  line lower bound %.3f s", bound);
    if (plan.requiredWaitMs > 0)
        std::printf(" (%.3f s on the line + %.3f s of device restart and think time)", plan.lineSeconds(baud),
                    plan.requiredWaitMs / 1000.0);
    std::printf("\n");
    printTableHead("wall /", "bound", "line idle per page, ms");
    for (int run = 1; run <= options.runs; ++run) {
        const TransferResult r = bench.transfer(baud);
        if (reportFailure(run, r)) {
            summary.allOk = false;
            continue;
        }
        summary.ratios.append(r.wallSeconds / bound);
        summary.cpuShares.append(r.cpuSeconds / r.wallSeconds);
        printTableRow(run, r, r.wallSeconds / bound, "%9.4f", bench);
    }
}

void measureUnpaced(const Options &options, Bench &bench, Summary &summary)
{
    const LinePlan &plan = bench.plan();
    std::printf("\nUnpaced (no pacing: the pty carries bytes as fast as it can)\n");
    if (plan.requiredWaitMs > 0)
        std::printf("  pages per second leave out the device's %.3f s of restart and think time\n",
                    plan.requiredWaitMs / 1000.0);
    printTableHead("pages", "per s", "page cycle, ms");
    for (int run = 1; run <= options.runs; ++run) {
        const TransferResult r = bench.transfer(0);
        if (reportFailure(run, r)) {
            summary.allOk = false;
            continue;
        }
        // The device's restart and think time are its own pauses, not the client's speed.
        const double rate = static_cast<double>(plan.pages) / (r.wallSeconds - plan.requiredWaitMs / 1000.0);
        summary.pageRates.append(rate);
        printTableRow(run, r, rate, "%9.0f", bench);
    }
}

void measureUnplugs(const Options &options, Bench &bench, Summary &summary)
{
    std::printf("\nUnplugged (the simulator killed) until the client's error box is shown\n");
    std::printf("  %-4s %-34s %12s %12s\n", "run", "when", "to box, ms", "client CPU, ms");
    for (int run = 1; run <= options.runs; ++run) {
        for (const int pages : {100, -1}) {
            const UnplugResult r = bench.unplug(pages);
            const char *when = pages < 0 ? "between restart polls" : "after 100 pages";
            if (!r.ok) {
                std::printf("  %-4d %-34s FAILED: %s\n", run, when, qPrintable(r.failure));
                summary.allOk = false;
                continue;
            }
            summary.unplugBoxMs.append(r.toBoxMs);
            summary.unplugCpuMs.append(r.cpuMs);
            std::printf("  %-4d %-34s %12.1f %12.2f\n", run, when, r.toBoxMs, r.cpuMs);
            std::fflush(stdout);
        }
    }
}

void printTargets(const Options &options, const Summary &summary)
{
    const char *over = options.runs > 1 ? " (median of the runs)" : "";
    std::printf("\nTargets%s\n", over);
    if (!summary.ratios.isEmpty()) {
        const double ratio = median(summary.ratios);
        const double share = median(summary.cpuShares);
        std::printf("  wall / line bound, paced   %8.4f   <= %.2f   %s\n", ratio, maxRatio, verdict(ratio <= maxRatio));
        std::printf("  client CPU share, paced    %7.2f%%   <= %.0f%%    %s\n", 100 * share, 100 * maxCpuShare,
                    verdict(share <= maxCpuShare));
    }
    if (!summary.pageRates.isEmpty()) {
        const double rate = median(summary.pageRates);
        std::printf("  pages per second, unpaced  %8.0f   >= %.0f   %s\n", rate, minPagesPerSecond,
                    verdict(rate >= minPagesPerSecond));
    }
    if (!summary.unplugBoxMs.isEmpty()) {
        const double worstBox = *std::max_element(summary.unplugBoxMs.begin(), summary.unplugBoxMs.end());
        const double worstCpu = *std::max_element(summary.unplugCpuMs.begin(), summary.unplugCpuMs.end());
        std::printf("  unplug to error box, worst %8.1f ms <= %.0f ms  %s\n", worstBox, maxUnplugToBoxMs,
                    verdict(worstBox <= maxUnplugToBoxMs));
        std::printf("  client CPU meanwhile, worst %7.2f ms <= %.0f ms   %s\n", worstCpu, maxUnplugCpuMs,
                    verdict(worstCpu <= maxUnplugCpuMs));
    }
    if (!summary.allOk)
        std::printf("  a transfer failed\n");
}

} // namespace

int main(int argc, char *argv[])
{
    // Offscreen unless told otherwise: the window is real and repaints, but needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivra-zid-transfer-bench"));
    const std::optional<Options> options = parseOptions(app);
    if (!options)
        return 2;

    QFile imageFile(imageResource);
    if (!imageFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(imageResource));
        return 1;
    }
    const QByteArray image = imageFile.readAll();
    imageFile.close();

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
