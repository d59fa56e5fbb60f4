#include "sim/device/simulatoroptions.h"

#include "device/protocol.h"
#include "sim/commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <limits>

using commandline::fail;

namespace {

const QString fwVersionName = QStringLiteral("fw-version");
const QString newVersionName = QStringLiteral("new-version");
const QString skuName = QStringLiteral("sku");
const QString newSkuName = QStringLiteral("new-sku");
const QString hardwareName = QStringLiteral("hardware");
const QString runModeName = QStringLiteral("run-mode");
const QString restartPollsName = QStringLiteral("restart-polls");
const QString baudName = QStringLiteral("baud");
const QString latencyName = QStringLiteral("latency");
const QString faultName = QStringLiteral("fault");
const QString unplugName = QStringLiteral("unplug-after-pages");
const QString vanishAtName = QStringLiteral("vanish-at");
const QString silentFromName = QStringLiteral("silent-from");

// Ten minutes of think time is far beyond any client time-out and still fits the simulator's nanosecond clock.
constexpr double maxLatencyMs = 600000;

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
    if (bytes.size() > protocol::identityFieldLength)
        return false;
    *out = bytes;
    return true;
}

bool intOption(const QCommandLineParser &parser, const QString &name, int minimum, int *out)
{
    return commandline::intOption(parser, name, minimum, std::numeric_limits<int>::max(), out);
}

} // namespace

QString fieldOptionText(const QByteArray &field)
{
    QString text;
    for (const char c : field) {
        const auto byte = static_cast<uchar>(c);
        // A literal backslash would read back as the start of an escape.
        if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0) || byte == '\\')
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QChar(byte);
    }
    return text;
}

void addSimulatorOptions(QCommandLineParser &parser, const SimulatorConfig &defaults)
{
    parser.addOptions({
        {fwVersionName,
         QStringLiteral("Firmware version the device reports (default %1).").arg(defaults.version.toString()),
         QStringLiteral("X.Y.Z")},
        {newVersionName,
         QStringLiteral("Version reported after an accepted finish and leaving update mode (default %1).")
             .arg(defaults.versionAfterUpdate.toString()),
         QStringLiteral("X.Y.Z")},
        {skuName,
         QStringLiteral("SKU text, at most 32 bytes; \\xHH for raw bytes (default %1).")
             .arg(fieldOptionText(defaults.sku)),
         QStringLiteral("TEXT")},
        {newSkuName,
         QStringLiteral("SKU text reported after an accepted finish and leaving update mode (default: the same)."),
         QStringLiteral("TEXT")},
        {hardwareName,
         QStringLiteral("Hardware text, at most 32 bytes; \\xHH for raw bytes (default %1).")
             .arg(fieldOptionText(defaults.hardware)),
         QStringLiteral("TEXT")},
        {runModeName,
         QStringLiteral("Run mode at start: 1 = application, anything else = already in update mode (default %1).")
             .arg(defaults.runMode),
         QStringLiteral("N")},
        {restartPollsName,
         QStringLiteral("Status requests left unanswered after the request to enter update mode (default %1).")
             .arg(defaults.restartPolls),
         QStringLiteral("N")},
        {baudName,
         QStringLiteral("Pace the pty like a line of this speed, 10 bits per byte; 0 = unpaced (default %1).")
             .arg(defaults.baudRate),
         QStringLiteral("RATE")},
        {latencyName,
         QStringLiteral("Device think time per request in ms, fractions allowed (default %1).").arg(defaults.latencyMs),
         QStringLiteral("MS")},
        {faultName, QStringLiteral("Inject a fault (form under \"Fault RULE\" above); may be repeated."),
         QStringLiteral("RULE")},
        {unplugName,
         QStringLiteral("Vanish (close the line) after N accepted page writes; 0 = at the first page write."),
         QStringLiteral("N")},
        {vanishAtName, QStringLiteral("Vanish when request K of the run arrives (counted from 1), before serving it."),
         QStringLiteral("K")},
        {silentFromName, QStringLiteral("Hang from request K of the run on: nothing is done or answered."),
         QStringLiteral("K")},
    });
}

bool simulatorConfigFromOptions(const QCommandLineParser &parser, SimulatorConfig *given, QString *error)
{
    // Built on a copy and handed over whole: a refused option leaves the device as it was asked for before.
    SimulatorConfig built = *given;
    SimulatorConfig *config = &built;
    if (parser.isSet(fwVersionName) && !SimulatorVersion::parse(parser.value(fwVersionName), &config->version))
        return fail(error, QStringLiteral("--fw-version wants X.Y.Z with numbers 0..255"));
    if (parser.isSet(newVersionName) &&
        !SimulatorVersion::parse(parser.value(newVersionName), &config->versionAfterUpdate))
        return fail(error, QStringLiteral("--new-version wants X.Y.Z with numbers 0..255"));
    if (parser.isSet(skuName) && !parseFieldText(parser.value(skuName), &config->sku))
        return fail(error, QStringLiteral("--sku wants at most 32 Latin-1 characters or \\xHH bytes"));
    if (parser.isSet(newSkuName) && !parseFieldText(parser.value(newSkuName), &config->skuAfterUpdate))
        return fail(error, QStringLiteral("--new-sku wants at most 32 Latin-1 characters or \\xHH bytes"));
    if (parser.isSet(hardwareName) && !parseFieldText(parser.value(hardwareName), &config->hardware))
        return fail(error, QStringLiteral("--hardware wants at most 32 Latin-1 characters or \\xHH bytes"));
    int runMode = config->runMode;
    if (!commandline::intOption(parser, runModeName, 0, 255, &runMode))
        return fail(error, QStringLiteral("--run-mode wants a number 0..255"));
    config->runMode = static_cast<quint8>(runMode);
    if (!intOption(parser, restartPollsName, 0, &config->restartPolls))
        return fail(error, QStringLiteral("--restart-polls wants a number >= 0"));
    if (!intOption(parser, baudName, 0, &config->baudRate))
        return fail(error, QStringLiteral("--baud wants a number >= 0"));
    if (parser.isSet(latencyName)) {
        bool ok = false;
        const double latency = parser.value(latencyName).toDouble(&ok);
        // The negated test also refuses NaN; infinity and huge values would overflow the nanosecond clock.
        if (!ok || !(latency >= 0 && latency <= maxLatencyMs))
            return fail(error, QStringLiteral("--latency wants a number of ms from 0 to %1").arg(maxLatencyMs));
        config->latencyMs = latency;
    }
    // Spellings of fault rules: unplug:0x09:pages=N, vanish:any:request=K, hang:any:request=K.
    int pages = -1, vanishAt = 0, silentFrom = 0;
    if (!intOption(parser, unplugName, 0, &pages))
        return fail(error, QStringLiteral("--unplug-after-pages wants a number >= 0"));
    if (!intOption(parser, vanishAtName, 1, &vanishAt))
        return fail(error, QStringLiteral("--vanish-at wants a number >= 1"));
    if (!intOption(parser, silentFromName, 1, &silentFrom))
        return fail(error, QStringLiteral("--silent-from wants a number >= 1"));
    if (pages >= 0)
        config->faults.append(Fault::unplugAfterPages(pages));
    if (vanishAt > 0)
        config->faults.append(Fault::atRequest(FaultKind::Vanish, vanishAt));
    if (silentFrom > 0)
        config->faults.append(Fault::atRequest(FaultKind::Hang, silentFrom));
    const QStringList faults = parser.values(faultName);
    for (const QString &text : faults) {
        Fault fault;
        QString why;
        if (!Fault::parse(text, &fault, &why))
            return fail(error, QStringLiteral("--fault %1: %2").arg(text, why));
        config->faults.append(fault);
    }
    *given = built;
    return true;
}
