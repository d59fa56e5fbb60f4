#pragma once

// What the client leaves for support: history.jsonl, one JSON object a line, in the per-user application data folder
// (QStandardPaths::AppLocalDataLocation), and beside it the serial trace of each failed run (<run>.trace). The format
// is in docs/history.md.
//
// A run writes its record twice: a line when it starts (outcome "running"), and the whole record when it ends, with
// the same "run"; a reader takes the last line of each run. A run that never ends (killed, crashed, power lost) thus
// still leaves what it had when it began. Nothing here may stop or slow an update: a folder that cannot be made or
// written, a full disk or a corrupt file costs one debug line, and the run goes on.

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// One run as support reads it.
struct RunRecord
{
    QString run; // unique per run
    QDateTime started;
    QString client;  // the release
    QString carried; // the carried image's version
    QString system;  // the OS as Qt names it
    QString locale;
    QString driver; // "found", "installed" (found after the installation), "missing"
    QString port;   // the device's port, as found
    QString hardware;
    QString sku;
    QString version; // as read, "0.1.157" style; empty where no device was identified
    QString decision;
    int pagesWritten = 0;
    int pages = 0;
    QString versionAfter; // as read by the check after the update; empty for none
    QString outcome = QStringLiteral("running");
    QString failedAt;        // the step, or "page N"
    QString message;         // the failure's text as the user was shown it
    bool failureEnds = true; // a failure the run ends with, not one the user may go on from
    QElapsedTimer clock;

    // A new run of this client on this system, started now.
    static RunRecord begin();
    // How the run ended so far. Final outcomes (updated, up-to-date, driver-missing, and a failure the run ends with)
    // stay; the others give way to what happens later in the run (a device not found, then found up to date).
    void setOutcome(const QString &how);
    // A failure, at `step`, and the text the user was shown; the record's outcome is "failed" from now on unless the
    // user may go on from it (`ends` false) and does.
    void setFailure(const QString &step, const QString &shownText, bool ends = true);
    QJsonObject toJson() const;
};

class RunHistory
{
public:
    // The history kept in `folder` (made when first written); an empty folder keeps none.
    explicit RunHistory(QString folder);
    // Where the client keeps its history: the per-user application data folder.
    static QString defaultFolder();

    static constexpr int maxRuns = 1000;
    static constexpr qint64 maxBytes = 1024 * 1024;

    // The run's first line, after a corrupt history has been put aside and the history cut to its bounds.
    void begin(const RunRecord &record);
    // The run's whole record; for a failed run, `trace` beside it as <run>.trace.
    void end(const RunRecord &record, const QStringList &trace);

    QString file() const;
    // Where a failed run's trace goes.
    QString traceFile(const QString &run) const;

private:
    // A line of the history as it stands in the file, and the run it belongs to.
    struct Line
    {
        QString run;
        QByteArray text; // with its newline
    };
    bool append(const QJsonObject &record);
    // The history's lines, or none (the file put aside) where one of them is not a JSON object.
    QList<Line> readOrPutAside();
    // Drops the oldest runs, their lines and traces, until the history has room for this run's.
    void cutToBounds(const QList<Line> &lines);

    QString folder;
};
