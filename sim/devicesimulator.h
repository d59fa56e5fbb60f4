#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include <map>
#include <memory>

class PtyPair;
class QSerialPort;
class QSocketNotifier;
class QTimer;

// A firmware version as the status reply carries it.
struct SimulatorVersion
{
    quint8 major = 0;
    quint8 minor = 0;
    quint8 build = 0;

    QString toString() const;
    // "0.1.158" style text; false (and *version untouched) when it is not three numbers 0..255.
    static bool parse(const QString &text, SimulatorVersion *version);
};

// Misbehaviour the simulated device can be told to show.
enum class FaultKind {
    NoReply,         // the request is carried out, but its answer never reaches the line
    CorruptCrc,      // one bit of the answer's frame CRC is flipped
    StrayByteBefore, // one stray byte (0x55) goes out in front of the answer's start byte
    SplitReply,      // the answer goes out in `pieces` chunks, `gapMs` apart
    DelayedReply,    // the answer goes out `delayMs` late (the client gives up after 1000 ms)
    RejectStatus,    // 0x09 and 0x1B only: the answer carries status 1 and the request is not carried out
    ReplaceReply,    // the request is carried out, but the answer's payload is exactly `payload`, correctly framed
    Unplug,          // the request is served as usual, and the device vanishes `delayMs` after it arrived
};

// One fault rule. A request matches the rule when its code equals `command` and, if `address` is not -1, its
// address field (page address of 0x09, end address of 0x1B, read address of 0x08) equals `address`. The rule counts
// its matching requests and hits the `occurrence`-th one (1-based), or every one when `occurrence` is -1. With an
// address set, the count is per page: occurrence 1 means "first attempt at that page only", -1 "every attempt".
// Several rules may hit the same request; their effects add up (NoReply wins over all others).
struct Fault
{
    FaultKind kind = FaultKind::NoReply;
    quint8 command = 0;
    int occurrence = -1;
    qint64 address = -1;
    int delayMs = 1200; // DelayedReply, Unplug
    int pieces = 3;     // SplitReply; 0 means byte by byte
    int gapMs = 5;      // SplitReply
    QByteArray payload; // ReplaceReply: sent even where the device would stay silent; empty gives an empty frame

    // The device address of page `index` of an image (0x8000 + 512 * index), for rules on page writes.
    static qint64 pageAddress(int index);
    // Parses the command-line form "kind:command[:key=value...]", e.g. "no-reply:0x09:page=3:nth=1" or
    // "delay:0x08:ms=1500". Kinds: no-reply, corrupt-crc, stray-byte, split, delay, reject, replace. Keys: page
    // (index), addr (address), nth (occurrence; "every" for -1), ms (delay), pieces, gap, payload (hex digits, for
    // replace). On failure *error says why.
    static bool parse(const QString &text, Fault *fault, QString *error);
    static QString syntaxHelp();
};

// Everything the device is made to be; the defaults are a device one version behind the client's image.
struct SimulatorConfig
{
    quint8 runMode = 1; // 1 = running its application, anything else = update mode
    SimulatorVersion version{0, 1, 157};
    QByteArray sku = QByteArrayLiteral("60318");           // up to 32 bytes, any values; zero-padded on the line
    QByteArray hardware = QByteArrayLiteral("KTL407.001"); // likewise
    SimulatorVersion versionAfterUpdate{0, 1, 158};        // reported after an accepted finish and leaving update mode
    int restartPolls = 0; // status requests left unanswered while the device restarts into update mode
    int baudRate = 0;     // 0 = no pacing; otherwise the line carries at most baudRate / 10 bytes per second
    double latencyMs = 0; // the device's think time per request, before its answer starts
    QVector<Fault> faults;
    int unplugAfterPages = -1; // -1 = never; otherwise the device vanishes after that many accepted page writes
    // Faults by a request's place in the run: requests are counted from 1 as the device hears them, since the line
    // was opened, whatever they ask. 0 = never.
    int vanishAtRequest = 0;   // the device vanishes when this request arrives, before doing or answering anything
    int silentFromRequest = 0; // from this request on the device hangs: it does nothing and answers nothing
};

// One request as the device received it.
struct RequestTrace
{
    double timeMs = 0;       // when its last byte had arrived, ms since the line was opened (monotonic)
    quint8 command = 0;      // byte 0 of the payload
    int payloadLength = 0;   // payload bytes, code included, without the frame's CRC
    quint32 address = 0;     // address field of 0x08, 0x09 and 0x1B; 0 for the others
    bool answered = false;   // whether an answer frame was (or is about to be) put on the line
    double replyDoneMs = -1; // when the last byte of that answer was put on the line; -1 while not (yet)
};

// The last finish request the device judged.
struct FinishRecord
{
    bool received = false;
    quint32 endAddress = 0;
    quint16 crc = 0;
    bool accepted = false;
};

// The device side of the serial protocol, standing in for the real device in tests, the demo and the benchmark.
// It lives on the caller's thread and never blocks: bytes come in through a socket notifier (pty) or readyRead
// (serial port), and everything that has to wait is put on a precise timer, so the client's event-processing reply
// wait is what lets it run.
//
// Behaviour, request by request (frames that fail to decode are ignored and counted in badFrames()):
// - 0x08 (7 bytes): 12-byte status 0x41, run mode, 0, major, minor, build, six zeros.
// - 0x02 (1 byte): 0x82, SKU and hardware fields of 32 bytes each, zero-padded.
// - 0x03 (2 bytes), never answered: 1 in application mode starts a restart into update mode (run mode 0) that
//   swallows the next restartPolls requests, counting only status requests; 0 in update mode returns to the
//   application and, if a finish was accepted since entering update mode, takes on versionAfterUpdate.
// - 0x09 (519 bytes, length 512): stored only in update mode at a 512-aligned address from 0x8000 below 1 MiB;
//   0x89 0x00, otherwise 0x89 0x01.
// - 0x1B (19 bytes, length 16): 0x9B 0x00 only in update mode and when the CRC-16/MODBUS of the flash from 0x8000
//   up to the end address (0xFF where nothing was written) equals the sent CRC; otherwise 0x9B 0x01.
// - anything else: no answer.
// Unplugging after N pages happens 50 ms after the Nth accepted page's answer, or at the next request if sooner;
// that request is not served. Pacing (baud rate) applies to the pty only, since a real port is paced by its line:
// a request counts as arrived when its last byte would have arrived, and an answer is written when its last byte
// would have left, one byte per ten bit times in each direction.
class DeviceSimulator : public QObject
{
    Q_OBJECT

public:
    explicit DeviceSimulator(QObject *parent = nullptr);
    explicit DeviceSimulator(const SimulatorConfig &config, QObject *parent = nullptr);
    ~DeviceSimulator() override;

    // Creates a pseudo-terminal; the client opens portPath() (the slave side) as its serial port.
    bool openPty();
    // Serves a real serial port at 115200 8N1 (bench work through a null-modem cable).
    bool openSerialPort(const QString &name);
    QString portPath() const { return linePath; }
    bool isOpen() const;
    // The device vanishes: its end of the line is closed (and the pty is gone).
    void unplug();

    // Replaces the whole configuration; the device state (run mode, version, restart) is taken from it afresh.
    void setConfig(const SimulatorConfig &config);
    SimulatorConfig config() const { return configuration; }
    void setRunMode(quint8 runMode);
    void setVersion(const SimulatorVersion &version);
    void setSku(const QByteArray &sku);
    void setHardware(const QByteArray &hardware);
    void setVersionAfterUpdate(const SimulatorVersion &version);
    void setRestartPolls(int polls);
    void setPacing(int baudRate, double latencyMs = 0);

    void addFault(const Fault &fault);
    // Clears the fault rules, the unplug after pages and the faults by request index; the device keeps its state.
    void clearFaults();
    void setUnplugAfterPages(int pages);

    // Current device state.
    quint8 runMode() const { return mode; }
    SimulatorVersion version() const { return currentVersion; }
    // Flash content; bytes never written read 0xFF.
    QByteArray flash(quint32 from, int size) const;
    // Every page written, by address.
    const QMap<quint32, QByteArray> &pages() const { return storedPages; }
    // Page writes accepted since the line was opened.
    int acceptedPageWrites() const { return pageWritesAccepted; }
    FinishRecord lastFinish() const { return finishRecord; }
    // Frames that came in with a wrong CRC (or otherwise undecodable) and were ignored.
    int badFrames() const { return rejectedFrames; }

    QList<RequestTrace> trace() const { return requests; }
    void clearTrace();
    // Milliseconds since the line was opened, on the clock the trace uses.
    double elapsedMs() const;

signals:
    void requestReceived(const RequestTrace &request);
    void unplugged();

private:
    struct FaultRule
    {
        Fault fault;
        int seen = 0;
    };
    struct Action
    {
        enum Kind { Process, Write, Unplug } kind = Process;
        QByteArray bytes; // Process: the decoded payload; Write: raw bytes for the line
        double arrivalMs = 0;
        int traceIndex = -1; // Write: the request the bytes answer, when they are its last piece
    };

    void resetState();
    void startLine();
    void closeLine();
    // The device leaves at atNs; AtOrAtNextRequest makes a request that arrives sooner its last, unserved one.
    enum class UnplugWhen { AtOrAtNextRequest, ServingMeanwhile };
    void scheduleUnplug(qint64 atNs, UnplugWhen when = UnplugWhen::AtOrAtNextRequest);
    void onMasterReadable();
    void onMasterWritable();
    void onSerialReadyRead();
    void receiveBytes(const QByteArray &bytes, qint64 nowNs);
    void frameComplete(const QByteArray &frame, qint64 arrivalNs);
    void process(const QByteArray &payload, double arrivalMs, qint64 dueNs);
    QByteArray answer(const QByteArray &payload, bool reject);
    QByteArray answerWritePage(const QByteArray &payload, bool reject);
    QByteArray answerFinish(const QByteArray &payload, bool reject);
    void sendAnswer(const QByteArray &answer, const QVector<Fault> &hits, int traceIndex, qint64 readyNs);
    void schedule(qint64 atNs, Action action);
    void runDueActions();
    void armTimer();
    void writeLine(const QByteArray &bytes);
    qint64 byteTimeNs() const;
    qint64 nowNs() const;
    static quint32 addressOf(const QByteArray &payload);

    SimulatorConfig configuration;
    QVector<FaultRule> faults;

    // Line.
    std::unique_ptr<PtyPair> ptyPair;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QSerialPort *serial = nullptr;
    QString linePath;
    QByteArray pendingOut;
    QElapsedTimer clock;

    // Receiving.
    QByteArray partialFrame;
    bool inFrame = false;
    qint64 rxLineFreeNs = 0;
    qint64 txLineFreeNs = 0;

    // Timed work, in time order; equal times keep their insertion order.
    std::multimap<qint64, Action> actions;
    QTimer *timer = nullptr;

    // Device state.
    quint8 mode = 1;
    SimulatorVersion currentVersion;
    int restartPollsLeft = 0;
    bool restarting = false;
    bool imageAccepted = false;
    bool unplugPending = false;
    QMap<quint32, QByteArray> storedPages;
    int pageWritesAccepted = 0;
    FinishRecord finishRecord;
    int rejectedFrames = 0;
    int requestsHeard = 0; // since the line was opened, for the faults by request index
    QList<RequestTrace> requests;
    int traceOffset = 0; // requests dropped by clearTrace(), so that late answers find their entry
};
