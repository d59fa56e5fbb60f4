#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Misbehaviour the simulated device can be told to show.
enum class FaultKind {
    NoReply,         // the request is carried out, but its answer never reaches the line
    CorruptCrc,      // one bit of the answer's frame CRC is flipped
    StrayByteBefore, // one stray byte (0x55) goes out in front of the answer's start byte
    SplitReply,      // the answer goes out in `pieces` chunks, `gapMs` apart
    DelayedReply,    // the answer goes out `delayMs` late (the client gives up after 1000 ms)
    RejectStatus,    // 0x09 and 0x1B only: the answer carries status 1 and the request is not carried out
    ReplaceReply,    // the request is carried out, but the answer's payload is exactly `payload`, correctly framed
    Unplug,          // the request is served as usual, and the device vanishes `delayMs` after it arrived; with
                     // `afterPages` set, 50 ms after that page's answer (or at the next request, if sooner)
    Vanish,          // the device vanishes as the request arrives, before doing or answering anything
    Hang,            // from the request on the device does nothing and answers nothing
};

// One fault rule: a trigger and an effect (the kind). A request matches the rule when its code equals `command` (any
// code with `anyCommand`), if `address` is not -1 its address field (page address of 0x09, end address of 0x1B, read
// address of 0x08) equals `address`, and if `request` is set it is that request of the run (counted from 1 since the
// line was opened; a Hang holds from it on). The rule counts its matching requests and hits the `occurrence`-th one
// (1-based), or every one when `occurrence` is -1. With an address set, the count is per page: occurrence 1 means
// "first attempt at that page only", -1 "every attempt". An Unplug with `afterPages` set waits for that many
// accepted page writes instead (0: the first page write, unserved). The simulator's --vanish-at, --silent-from and
// --unplug-after-pages are spellings of such rules.
// Several rules may hit the same request: their delays add up, each unplug counts, the flags (lost, reject, corrupt
// CRC, stray byte) combine, and where two rules split or replace the answer the later rule's values stand. A lost
// answer is lost whatever else a rule says of it.
struct Fault
{
    FaultKind kind = FaultKind::NoReply;
    quint8 command = 0;
    bool anyCommand = false;
    int occurrence = -1;
    qint64 address = -1;
    int request = 0;     // 0: any
    int afterPages = -1; // Unplug: -1 for the request's own trigger
    int delayMs = 1200;  // DelayedReply, Unplug
    int pieces = 3;      // SplitReply; 0 means byte by byte
    int gapMs = 5;       // SplitReply
    QByteArray payload;  // ReplaceReply: sent even where the device would stay silent; empty gives an empty frame

    // Parses the command-line form "kind:command[:key=value...]", e.g. "no-reply:0x09:page=3:nth=1",
    // "delay:0x08:ms=1500" or "hang:any:request=7"; syntaxHelp() lists the kinds and keys. On failure *error says why.
    static bool parse(const QString &text, Fault *fault, QString *error);
    // `kind` at the `occurrence`-th request of code `command` (every one for -1), for the address `address` only
    // unless that is -1.
    static Fault on(FaultKind kind, quint8 command, int occurrence = -1, qint64 address = -1);
    // The rules that the simulator's older options spell: the device vanishes after `pages` accepted page writes;
    // `kind` (Vanish or Hang) at the run's `request`-th request, whatever it asks.
    static Fault unplugAfterPages(int pages);
    static Fault atRequest(FaultKind kind, int request);
    static QString syntaxHelp();
    // Whether the rule takes the request away from the device (Vanish, Hang, an Unplug after accepted pages) rather
    // than shaping its answer. Only an Unplug has `afterPages` set.
    bool cutsOff() const { return kind == FaultKind::Vanish || kind == FaultKind::Hang || afterPages >= 0; }
};

// What the rules a request hit make of its answer.
struct AnswerShape
{
    bool lost = false;     // NoReply
    bool reject = false;   // RejectStatus
    bool replaced = false; // ReplaceReply, with `payload` (the last matching rule's)
    QByteArray payload;
    bool corruptCrc = false;
    bool strayByte = false;
    int delayMs = 0;         // DelayedReply, added up
    int pieces = 1;          // SplitReply; 0 = byte by byte
    int gapMs = 0;           // SplitReply
    QVector<int> unplugInMs; // Unplug: the device vanishes this long after the request arrived
};

// The rules a device runs with, and how many matching requests each has seen.
class FaultRules
{
public:
    void set(const QVector<Fault> &faults);
    void clear() { rules.clear(); }
    // Whether the rules cut the request off before the device hears it: Vanish (the device goes now) or Hang (it
    // stays, deaf). The run's `index`-th request, with `acceptedPages` page writes accepted so far; counted against
    // the Vanish and Hang rules it matches, and the Unplug after 0 pages, which takes the first page write.
    enum class Cut { None, Vanish, Hang };
    Cut cutOff(quint8 command, quint32 address, int index, int acceptedPages);
    // Counts a request the device serves against every other rule it matches and says what the rules it hits make of
    // its answer.
    AnswerShape hit(quint8 command, quint32 address, int index);
    // Whether a page write that took the accepted count from `before` to `after` is the one an Unplug waits for.
    bool unplugsAfterPage(int before, int after) const;

private:
    struct Rule
    {
        Fault fault;
        int seen = 0;
    };
    // Whether the request matches the rule's trigger, and is the occurrence it hits (counted here).
    static bool hits(Rule &rule, quint8 command, quint32 address, int index);
    QVector<Rule> rules;
};
