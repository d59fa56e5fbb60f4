#include "sim/device/faultrules.h"

#include "device/firmwareimage.h"
#include "device/protocol.h"
#include "sim/commandline.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <limits>

using commandline::fail;

namespace {

// The kinds in their command-line words, which the parser and the help text both read.
struct KindName
{
    FaultKind kind;
    const char *name;
    const char *help;
};
constexpr KindName kindNames[] = {
    {FaultKind::NoReply, "no-reply", "the request is carried out, its answer is lost"},
    {FaultKind::CorruptCrc, "corrupt-crc", "one bit of the answer's frame CRC is flipped"},
    {FaultKind::StrayByteBefore, "stray-byte", "a byte 0x55 goes out before the answer's 0x7E"},
    {FaultKind::SplitReply, "split", "the answer goes out in pieces (pieces=N, 0 = byte by byte; gap=MS between them)"},
    {FaultKind::DelayedReply, "delay", "the answer goes out late (ms=MS, default 1200)"},
    {FaultKind::RejectStatus, "reject", "0x09/0x1B answered with status 1 and not carried out"},
    {FaultKind::ReplaceReply, "replace", "carried out, but answered with exactly payload=HEX (e.g. payload=8901)"},
    {FaultKind::Unplug, "unplug",
     "served as usual; the device vanishes ms=MS after the request arrived, or with pages=N 50 ms after the Nth "
     "accepted page's answer"},
    {FaultKind::Vanish, "vanish", "the device vanishes as the request arrives, before serving it"},
    {FaultKind::Hang, "hang", "from the request on the device does nothing and answers nothing"},
};

// Limits of the rules' numbers: a page index whose address still fits 32 bits, delays up to ten minutes, and more
// pieces than any answer has bytes.
constexpr qlonglong maxPageIndex = (0xFFFFFFFFLL - firmwareimage::firstPageAddress) / firmwareimage::pageSize;
constexpr qlonglong maxFaultDelayMs = 600000;
constexpr qlonglong maxReplyPieces = 4096;

// One key=value item of a rule into *f.
bool parseItem(const QString &item, Fault *f, QString *error)
{
    const int eq = item.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return fail(error, QStringLiteral("expected key=value, got \"%1\"").arg(item));
    const QString key = item.left(eq).toLower();
    const QString value = item.mid(eq + 1);
    if (key == QLatin1String("nth") && value.toLower() == QLatin1String("every")) {
        f->occurrence = -1;
        return true;
    }
    if (key == QLatin1String("payload")) {
        static const QRegularExpression hexBytes(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
        if (!hexBytes.match(value).hasMatch())
            return fail(error, QStringLiteral("expected pairs of hex digits in \"%1\"").arg(item));
        f->payload = QByteArray::fromHex(value.toLatin1());
        return true;
    }
    // Every number is checked against its own range before it is narrowed: a value that wrapped when cast would
    // silently become another fault (a delay of 0xFFFFFFFF ms turned into no delay at all).
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok, 0);
    const auto inRange = [&](qlonglong low, qlonglong high) {
        return (ok && n >= low && n <= high) ||
               fail(error, QStringLiteral("\"%1\" wants a number from %2 to %3").arg(item).arg(low).arg(high));
    };
    if (key == QLatin1String("page")) {
        if (!inRange(0, maxPageIndex))
            return false;
        f->address = firmwareimage::pageAddress(n);
    } else if (key == QLatin1String("addr")) {
        if (!inRange(0, 0xFFFFFFFFLL))
            return false;
        f->address = n;
    } else if (key == QLatin1String("request")) {
        if (!inRange(1, std::numeric_limits<int>::max()))
            return false;
        f->request = static_cast<int>(n);
    } else if (key == QLatin1String("pages") && f->kind == FaultKind::Unplug) {
        if (!inRange(0, std::numeric_limits<int>::max()))
            return false;
        f->afterPages = static_cast<int>(n);
    } else if (key == QLatin1String("nth")) {
        if (!inRange(1, std::numeric_limits<int>::max()))
            return false;
        f->occurrence = static_cast<int>(n);
    } else if (key == QLatin1String("ms") || key == QLatin1String("gap")) {
        if (!inRange(0, maxFaultDelayMs))
            return false;
        (key == QLatin1String("ms") ? f->delayMs : f->gapMs) = static_cast<int>(n);
    } else if (key == QLatin1String("pieces")) {
        if (!inRange(0, maxReplyPieces))
            return false;
        f->pieces = static_cast<int>(n);
    } else {
        return fail(error, QStringLiteral("unknown key in \"%1\"").arg(item));
    }
    return true;
}

} // namespace

bool Fault::parse(const QString &text, Fault *fault, QString *error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2)
        return fail(error, QStringLiteral("expected kind:command[:key=value...], got \"%1\"").arg(text));

    Fault f;
    const QString kind = parts.at(0).trimmed().toLower();
    const auto named = std::find_if(std::begin(kindNames), std::end(kindNames),
                                    [&kind](const KindName &k) { return kind == QLatin1String(k.name); });
    if (named == std::end(kindNames))
        return fail(error, QStringLiteral("unknown fault kind \"%1\"").arg(parts.at(0)));
    f.kind = named->kind;

    bool ok = false;
    const uint command = parts.at(1).trimmed().toUInt(&ok, 0); // base 0: "0x09" and "9" both work
    f.anyCommand = parts.at(1).trimmed().toLower() == QLatin1String("any");
    if (!f.anyCommand && (!ok || command > 0xFF))
        return fail(error, QStringLiteral("bad command code \"%1\"").arg(parts.at(1)));
    f.command = static_cast<quint8>(command);

    for (int i = 2; i < parts.size(); ++i) {
        if (!parseItem(parts.at(i).trimmed(), &f, error))
            return false;
    }
    *fault = f;
    return true;
}

Fault Fault::on(FaultKind kind, quint8 command, int occurrence, qint64 address)
{
    Fault f;
    f.kind = kind;
    f.command = command;
    f.occurrence = occurrence;
    f.address = address;
    return f;
}

Fault Fault::unplugAfterPages(int pages)
{
    Fault f = on(FaultKind::Unplug, DeviceCommand::WritePage);
    f.afterPages = pages;
    return f;
}

Fault Fault::atRequest(FaultKind kind, int request)
{
    Fault f = on(kind, 0);
    f.anyCommand = true;
    f.request = request;
    return f;
}

QString Fault::syntaxHelp()
{
    QString help = QStringLiteral("KIND:COMMAND[:KEY=VALUE...]\n");
    for (const KindName &k : kindNames) {
        help += QStringLiteral("  %1 %2 %3\n")
                    .arg(&k == kindNames ? QStringLiteral("KIND    ") : QString(8, QLatin1Char(' ')))
                    .arg(QLatin1String(k.name), -12)
                    .arg(QLatin1String(k.help));
    }
    return help + QStringLiteral(
                      "  COMMAND  request code, e.g. 0x09, or any\n"
                      "  request=K only the Kth request of the run (from 1); a hang holds from it on\n"
                      "  page=K   only requests for page K (address 0x8000 + 512*K); addr=A for any address field\n"
                      "  nth=N    only the Nth matching request (with page: the Nth attempt at that page); nth=every "
                      "(default)\n"
                      "  e.g. no-reply:0x09:page=3:nth=1   delay:0x08:ms=1500:nth=2   split:0x1B:pieces=0:gap=2\n"
                      "       replace:0x02:payload=82   (a too short identification)   unplug:0x03:ms=700");
}

void FaultRules::set(const QVector<Fault> &faults)
{
    rules.clear();
    for (const Fault &f : faults)
        rules.append({f, 0});
}

bool FaultRules::hits(Rule &rule, quint8 command, quint32 address, int index)
{
    const Fault &f = rule.fault;
    if ((!f.anyCommand && f.command != command) || (f.address >= 0 && static_cast<qint64>(address) != f.address))
        return false;
    if (f.request > 0 && (f.kind == FaultKind::Hang ? index < f.request : index != f.request))
        return false;
    ++rule.seen;
    return f.occurrence == -1 || f.occurrence == rule.seen;
}

FaultRules::Cut FaultRules::cutOff(quint8 command, quint32 address, int index, int acceptedPages)
{
    Cut cut = Cut::None;
    for (Rule &rule : rules) {
        const Fault &f = rule.fault;
        if (!f.cutsOff())
            continue;
        if (f.afterPages >= 0) {
            // Only reachable with a count of 0: at any other the device is already leaving (unplugsAfterPage).
            if ((f.anyCommand || f.command == command) && acceptedPages >= f.afterPages)
                cut = Cut::Vanish;
        } else if (hits(rule, command, address, index)) {
            cut = f.kind == FaultKind::Vanish ? Cut::Vanish : (cut == Cut::None ? Cut::Hang : cut);
        }
    }
    return cut;
}

AnswerShape FaultRules::hit(quint8 command, quint32 address, int index)
{
    AnswerShape shape;
    for (Rule &rule : rules) {
        const Fault &f = rule.fault;
        if (f.cutsOff() || !hits(rule, command, address, index))
            continue;
        switch (f.kind) {
        case FaultKind::NoReply:
            shape.lost = true;
            break;
        case FaultKind::CorruptCrc:
            shape.corruptCrc = true;
            break;
        case FaultKind::StrayByteBefore:
            shape.strayByte = true;
            break;
        case FaultKind::SplitReply:
            shape.pieces = f.pieces;
            shape.gapMs = f.gapMs;
            break;
        case FaultKind::DelayedReply:
            shape.delayMs += f.delayMs;
            break;
        case FaultKind::RejectStatus:
            shape.reject = true;
            break;
        case FaultKind::ReplaceReply:
            shape.replaced = true;
            shape.payload = f.payload;
            break;
        case FaultKind::Unplug:
            shape.unplugInMs.append(f.delayMs);
            break;
        case FaultKind::Vanish:
        case FaultKind::Hang:
            break;
        }
    }
    return shape;
}

bool FaultRules::unplugsAfterPage(int before, int after) const
{
    return before != after && std::any_of(rules.cbegin(), rules.cend(),
                                          [after](const Rule &rule) { return rule.fault.afterPages == after; });
}
