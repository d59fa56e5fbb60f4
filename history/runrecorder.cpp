#include "history/runrecorder.h"

#include "serial/serialtrace.h"

#include <chrono>
#include <utility>

RunRecorder::RunRecorder(serialtrace::Trace &trace, const QString &historyFolder, Clock clock)
    : trace(trace), history(historyFolder), clock(std::move(clock))
{
    if (!this->clock) {
        this->clock = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
    }
}

void RunRecorder::setHistoryFolder(const QString &folder)
{
    history = RunHistory(folder);
}

qint64 RunRecorder::elapsedMs() const
{
    return clock() - startedMs;
}

void RunRecorder::note()
{
    current.durationMs = elapsedMs();
    history.note(current);
}

void RunRecorder::stepBegins(RunStage next)
{
    if (!std::exchange(begun, true)) {
        current = RunRecord::begin();
        startedMs = clock();
        trace.mark();
        history.begin(current);
    }
    if (stage != RunStage::CheckAfterUpdate)
        stage = next;
}

void RunRecorder::driverLookedFor(bool present)
{
    // Found on a later look, the driver was put there by the carried package.
    if (!present)
        current.driver = DriverState::Missing;
    else
        current.driver = current.driver == DriverState::Unknown ? DriverState::Found : DriverState::Installed;
}

void RunRecorder::portFound(const QString &port)
{
    current.port = port;
}

void RunRecorder::deviceIdentified(const QString &hardware, const QString &sku, const QString &version)
{
    // The record keeps the device as it was before the update; the look after it reads the version after.
    if (stage == RunStage::CheckAfterUpdate) {
        current.versionAfter = version;
        return;
    }
    current.hardware = hardware;
    current.sku = sku;
    current.version = version;
    note();
}

void RunRecorder::decided(UpdateDecision decision)
{
    if (stage == RunStage::CheckAfterUpdate)
        return;
    current.decision = decision;
    if (decision != UpdateDecision::Update)
        current.setOutcome(outcomeOf(decision));
}

void RunRecorder::transferBegins(int pages)
{
    current.pages = pages;
    stage = RunStage::Pages;
    note();
}

void RunRecorder::pagesWritten(int pages)
{
    current.pagesWritten = pages;
}

void RunRecorder::transferEnded()
{
    note();
}

void RunRecorder::reached(RunOutcome outcome)
{
    current.setOutcome(outcome);
}

void RunRecorder::failureShown(const QString &text, bool runEnds)
{
    // A run given up with its window shows no box; what fails as its steps unwind is not its outcome.
    if (!windowGone)
        current.setFailure(stage, text, runEnds);
}

void RunRecorder::windowClosed(bool byUser)
{
    if (byUser)
        current.close();
    windowGone = true;
}

void RunRecorder::windowShownAgain()
{
    current.reopen();
    windowGone = false;
}

void RunRecorder::runEnded()
{
    if (!std::exchange(begun, false))
        return;
    if (current.outcome() == RunOutcome::Running)
        current.close();
    current.durationMs = elapsedMs();
    history.end(current, trace.lines());
}
