#pragma once

// What the client leaves for support: history.jsonl, one JSON object a line, in the per-user application data folder
// (QStandardPaths::AppLocalDataLocation), and beside it the serial trace of each failed run (<run>.trace). The format
// and the rules are in docs/history.md.
//
// A user's PC treats the file as it will: a full disk cuts a line short, a power cut leaves NUL bytes, another copy
// of the client or support's own tool writes at the same time, someone puts a link where the file was. So the history
// is read leniently (a line that is no JSON object is skipped, never the reason to lose a good one), written soundly
// (a line goes in whole or not at all, on a line of its own), and only through its own files: a link or any other
// non-regular file in the place of the folder, the history or a trace makes the history unwritable, and nothing read
// from the file ever names a path. Nothing here may stop or slow an update: what cannot be done costs a debug line
// and the run goes on.

#include "history/runrecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class RunHistory
{
public:
    // The history kept in `folder` (made when first written); an empty folder keeps none.
    explicit RunHistory(QString folder);
    // Where the client keeps its history: the per-user application data folder.
    static QString defaultFolder();

    // The bounds: the newest runs, at most this many and this many bytes in all; a record is at most
    // maxRecordBytes, shortened where it would be longer.
    static constexpr int maxRuns = 1000;
    static constexpr qint64 maxBytes = 1024 * 1024;
    static constexpr qint64 maxRecordBytes = 16 * 1024;
    // What a new run's lines are given room for as it begins (five of a few hundred bytes each, and the shortest of
    // maxRecordBytes to spare).
    static constexpr qint64 roomForRun = 24 * 1024;

    // The run's first line, after the history has been cut to its bounds with room for this run.
    void begin(const RunRecord &record);
    // The record as it stands now, a line more of the run (the device identified, the transfer begun or ended).
    void note(const RunRecord &record);
    // The run's whole record; for a failed run, `trace` beside it as <run>.trace.
    void end(const RunRecord &record, const QStringList &trace);

    QString file() const;
    // Where a run's trace goes: empty unless `run` is a run identifier as the client writes them (a UUID).
    QString traceFile(const QString &run) const;

private:
    // The history's lines that hold a JSON object, oldest first (and how many bytes of the file they take).
    struct Line
    {
        QString run;
        QByteArray text; // with its newline
    };
    bool usable();
    // Appends the record's line, after any that wait, under the history's lock. Where the lock is not had within
    // `lockWaitMs` the line waits, in order, for the next append: a line is never written without the lock, since
    // on Windows an append goes where the file ended when it was opened, over another writer's line.
    bool append(const QJsonObject &record, int lockWaitMs = 0);
    QString lockFile() const;
    QList<Line> read(qint64 *fileBytes);
    // Drops the oldest runs, their lines and traces, until the history has room for a new run's; skipped lines go
    // with the first rewrite.
    void cutToBounds(const QList<Line> &lines, qint64 fileBytes);
    // Files of the history set aside by earlier releases, kept to a few and a mebibyte.
    void boundSetAside();

    QString folder;
    bool refusalReported = false;
    QByteArray waiting; // lines that did not have the lock, oldest first
};
