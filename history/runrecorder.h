#pragma once

// The one keeper of a run's record (history/runrecord.h). The window tells it what happens as the run goes, in the
// words of the run: a step begins, the driver was looked for, the device identified, pages written, a failure shown,
// the window closed. It decides from that what the record says, writes the history's lines as the run goes
// (history/runhistory.h) and marks the serial trace where the run begins, so that a failed run leaves its own frames.
// It knows no window and no port: its rules are held without either (tests/tst_runrecord.cpp).

#include "history/runhistory.h"
#include "history/runrecord.h"

#include <QString>

#include <functional>

namespace serialtrace {
class Trace;
}

class RunRecorder
{
public:
    // Milliseconds on a clock that only goes forward; the run's length is measured on it.
    using Clock = std::function<qint64()>;

    // A recorder of the runs whose frames go through `trace`, into the history kept in `historyFolder`; `clock`
    // stands in for the system's steady clock where given.
    RunRecorder(serialtrace::Trace &trace, const QString &historyFolder, Clock clock = {});

    void setHistoryFolder(const QString &folder);

    // A step of the run begins: a failure from now on is recorded at `stage`. The first step begins the run's record.
    // The look after an update is the run's last step: the search it makes is part of it.
    void stepBegins(RunStage stage);
    void driverLookedFor(bool present);
    void portFound(const QString &port);
    // The device reported who it is; in the look after an update, what it now runs.
    void deviceIdentified(const QString &hardware, const QString &sku, const QString &version);
    // What the search decided about the device; the look after an update keeps the decision the update was made on.
    void decided(UpdateDecision decision);
    void transferBegins(int pages);
    // The device has accepted this many pages of the image.
    void pagesWritten(int pages);
    void transferEnded();
    // The run came to `outcome`; a settled outcome stays (RunRecord::setOutcome).
    void reached(RunOutcome outcome);
    // The user was shown a failure, which the run ends with or which the user may go on from.
    void failureShown(const QString &text, bool runEnds);
    // The window went: closed by the user, or by the run at its own end. Nothing that fails after it is the run's.
    void windowClosed(bool byUser);
    void windowShownAgain();
    // The run's whole record, and the trace of a failed run; a run that ended by none of its steps' own endings was
    // ended with its window.
    void runEnded();

    const RunRecord &record() const { return current; }

private:
    qint64 elapsedMs() const;
    void note();

    serialtrace::Trace &trace;
    RunHistory history;
    Clock clock;
    RunRecord current;
    RunStage stage = RunStage::Driver;
    qint64 startedMs = 0;
    bool begun = false;
    bool windowGone = false;
};
