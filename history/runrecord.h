#pragma once

// One run as support reads it in the run history (history/runhistory.h; the format is in docs/history.md). The record
// is filled in as the run goes, by its one keeper (history/runrecorder.h), and written several times: when the run
// starts, when the device is identified, when the transfer begins and ends, and when the run ends. A reader takes the
// last line of each run, so a run killed at any moment still says how far it got.

#include "device/updatedecision.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// How a run ended, or that it has not yet.
enum class RunOutcome {
    Running,
    Updated,
    UpToDate,
    NotSuitable,
    DeviceNewer,
    NoDevice,
    Cancelled, // at a prompt
    Failed,
    Closed, // by the user, with the window's close button
    DriverMissing,
};

// The step a run is at, and so where a failure happened.
enum class RunStage {
    Driver,
    Search,
    UpdateMode,
    Image,
    Pages,
    Finish,
    CheckAfterUpdate,
};

// The names the history writes: "running", "updated", ...; "driver", "search", "update mode", ...
QString outcomeName(RunOutcome outcome);
QString stageName(RunStage stage);
// What a run that ends with this decision ended with.
RunOutcome outcomeOf(UpdateDecision decision);

enum class DriverState { Unknown, Found, Installed, Missing };

struct RunRecord
{
    QString run; // a UUID, unique per run; also its trace file's name
    QDateTime started;
    QString client;  // the release
    QString carried; // the carried image's version
    QString system;  // the OS as Qt names it
    QString locale;
    DriverState driver = DriverState::Unknown;
    QString port; // the device's port, as found
    QString hardware;
    QString sku;
    QString version; // as read, "0.1.157" style; empty where no device was identified
    std::optional<UpdateDecision> decision;
    int pagesWritten = 0;
    int pages = 0;
    QString versionAfter;  // as read by the check after the update; empty for none
    qint64 durationMs = 0; // from the run's start to the line written, measured by its keeper (history/runrecorder.h)

    // A new run of this client on this system, started now.
    static RunRecord begin();

    // How the run ended so far. A settled outcome (updated, up-to-date, driver-missing, a failure the run ends with,
    // a close by the user) stays; the others give way to what happens later in the run (a device not found, then
    // found up to date).
    void setOutcome(RunOutcome how);
    // A failure at `stage`, and the text the user was shown. The first failure the run ends with is the one kept; one
    // the user may go on from (`ends` false) gives way to whatever the run does next. A failure among the pages is at
    // the first page the device has not accepted, counted from 1.
    void setFailure(RunStage stage, const QString &shownText, bool ends = true);
    // The user closed the window: the run is "closed" unless its outcome was settled before, whatever the steps
    // report as they unwind. reopen() takes that back when the window is shown again.
    void close();
    void reopen() { closedByUser = false; }
    RunOutcome outcome() const;

    // The record as it stands; a run not yet `ended` is "running" whatever it has met so far, so that a reader can
    // tell a run that was killed from one that ended.
    QJsonObject toJson(bool ended = true) const;

private:
    bool settled() const;

    RunOutcome reached = RunOutcome::Running;
    bool closedByUser = false;
    bool failureEnds = true;
    QString failedAt; // the stage's name, or "page N"
    QString message;  // the failure's text as the user was shown it
};
