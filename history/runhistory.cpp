#include "history/runhistory.h"

#include "app/logging.h"
#include "app/ownfiles.h"
#include "app/ownlock.h"
#include "history/historyline.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

using historyline::fittedLine;
using ownfiles::Entry;
using ownfiles::entryAt;
using ownfiles::openRegular;

namespace {
const QString historyName = QStringLiteral("history.jsonl");
// A history is read up to this much, from its end.
constexpr qint64 longestRead = 64 * 1024 * 1024;
// The window may not wait on the lock for longer than a frame: a write tries once, and what it cannot write waits
// for the next. The run's last write comes after its window has gone, and waits this long for a holder that is only
// busy.
constexpr int lastWriteWaitMs = 2000;
constexpr int setAsideKept = 3;

bool isRunIdentifier(const QString &run)
{
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return uuid.match(run).hasMatch();
}

// The history's whole lines. One far past its bounds (someone else's garbage) is read from its tail, where the newest
// runs are; read from the middle, the first line is only the end of one, and is left out.
QByteArray tailOf(QFile &in)
{
    const qint64 from = std::max<qint64>(0, in.size() - longestRead);
    const QByteArray all = in.seek(from) ? in.readAll() : QByteArray();
    if (from == 0)
        return all;
    const int first = int(all.indexOf('\n'));
    return first < 0 ? QByteArray() : all.mid(first + 1);
}

// The lines of `all` that hold anything, without the NUL bytes a power cut can leave where a line was going to be.
QList<QByteArray> linesOf(const QByteArray &all)
{
    QList<QByteArray> lines;
    for (int pos = 0; pos < all.size();) {
        const int newline = int(all.indexOf('\n', pos));
        const int next = newline < 0 ? int(all.size()) : newline;
        int start = pos;
        while (start < next && all.at(start) == 0)
            ++start;
        const QByteArray text = all.mid(start, next - start).trimmed();
        if (!text.isEmpty())
            lines << text;
        pos = next + 1;
    }
    return lines;
}
} // namespace

RunHistory::RunHistory(QString folder) : folder(std::move(folder)) {}

QString RunHistory::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString RunHistory::file() const
{
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + historyName;
}

QString RunHistory::traceFile(const QString &run) const
{
    return isRunIdentifier(run) ? folder + QLatin1Char('/') + run + QStringLiteral(".trace") : QString();
}

bool RunHistory::usable()
{
    if (folder.isEmpty())
        return false;
    const Entry where = entryAt(folder);
    const Entry history = entryAt(file());
    const bool ok = (where == Entry::Folder || (where == Entry::Absent && QDir().mkpath(folder))) &&
                    (history == Entry::Absent || history == Entry::RegularFile);
    if (!ok && !std::exchange(refusalReported, true))
        qCDebug(lcHistory) << "No run history: the folder or the history in it is not what it should be:" << file();
    return ok;
}

void RunHistory::begin(const RunRecord &record)
{
    if (!usable())
        return;
    boundSetAside();
    {
        // Without the lock the history is cut at the next run.
        OwnLock lock(lockFile());
        if (lock.tryLock()) {
            qint64 fileBytes = 0;
            cutToBounds(read(&fileBytes), fileBytes);
        }
    }
    append(record.toJson(false));
}

void RunHistory::note(const RunRecord &record)
{
    if (usable())
        append(record.toJson(false));
}

void RunHistory::end(const RunRecord &record, const QStringList &trace)
{
    if (!usable() || !append(record.toJson(), lastWriteWaitMs) || record.outcome() != RunOutcome::Failed)
        return;
    const QString path = traceFile(record.run);
    if (path.isEmpty() || entryAt(path) == Entry::Other) {
        qCDebug(lcHistory) << "No trace of the failed run: its place is taken";
        return;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(trace.join(QLatin1Char('\n')).toUtf8() + '\n') < 0 ||
        !out.commit())
        qCDebug(lcHistory) << "No trace of the failed run:" << out.errorString();
}

QString RunHistory::lockFile() const
{
    return file() + QStringLiteral(".lock");
}

bool RunHistory::append(const QJsonObject &record, int lockWaitMs)
{
    const QByteArray line = fittedLine(QJsonDocument(record).toJson(QJsonDocument::Compact), maxRecordBytes);
    if (line.isEmpty()) {
        qCDebug(lcHistory) << "Run history: a record that cannot be brought within its bound";
        return false;
    }
    waiting += line;
    OwnLock lock(lockFile());
    if (!lock.tryLock(lockWaitMs)) {
        qCDebug(lcHistory) << "Run history busy:" << waiting.count('\n') << "lines wait for the next write";
        return true;
    }
    // Written or not, the lines are done with: a disk that refused them is not asked again for them.
    const QByteArray lines = std::exchange(waiting, QByteArray());
    QFile out(file());
    if (!openRegular(out, QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        qCDebug(lcHistory) << "Run history not written:" << out.errorString();
        return false;
    }
    // A line cut short before (a full disk, a power cut) stays a line of its own, which readers skip.
    const qint64 before = out.size();
    char last = '\n';
    if (before > 0 && !(out.seek(before - 1) && out.getChar(&last)))
        last = 0;
    const QByteArray bytes = last == '\n' ? lines : '\n' + lines;
    // In one write, and where it comes up short, cut back to where the file was: a line goes in whole or not at all.
    if (out.write(bytes) == bytes.size())
        return true;
    qCDebug(lcHistory) << "Run history not written:" << out.errorString();
    if (!out.resize(before))
        qCDebug(lcHistory) << "and the part written stays:" << out.errorString();
    return false;
}

QList<RunHistory::Line> RunHistory::read(qint64 *fileBytes)
{
    QFile in(file());
    if (!openRegular(in, QIODevice::ReadOnly))
        return {};
    *fileBytes = in.size();
    int skipped = 0;
    int unnamed = 0;
    QList<Line> lines;
    for (const QByteArray &text : linesOf(tailOf(in))) {
        // A record longer than its bound is cut before it is read at all.
        const QByteArray line = fittedLine(text, maxRecordBytes);
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject()) {
            ++skipped;
            continue;
        }
        // A line of no run is a run of its own.
        const QString run = document.object().value(QStringLiteral("run")).toString();
        lines.append({run.isEmpty() ? QStringLiteral("\n%1").arg(++unnamed) : run, line});
    }
    if (skipped > 0)
        qCDebug(lcHistory) << "Run history:" << skipped << "lines that hold no record skipped";
    return lines;
}

void RunHistory::cutToBounds(const QList<Line> &lines, qint64 fileBytes)
{
    QStringList runs; // oldest first
    QHash<QString, qint64> bytesOfRun;
    qint64 bytes = 0;
    for (const Line &line : lines) {
        if (!bytesOfRun.contains(line.run))
            runs << line.run;
        bytesOfRun[line.run] += line.text.size();
        bytes += line.text.size();
    }
    // What the file holds beyond its records (skipped lines) and records longer than their bound are what a rewrite
    // costs nothing to give up; runs are dropped only where that is not enough.
    if (runs.size() < maxRuns && fileBytes + roomForRun <= maxBytes && bytes == fileBytes)
        return;
    QSet<QString> dropped;
    for (int kept = runs.size(); kept > 0 && (kept >= maxRuns || bytes + roomForRun > maxBytes); --kept) {
        const QString &oldest = runs.at(runs.size() - kept);
        dropped.insert(oldest);
        bytes -= bytesOfRun.value(oldest);
    }
    QByteArray content;
    for (const Line &line : lines) {
        if (!dropped.contains(line.run))
            content += line.text;
    }
    if (entryAt(file()) != Entry::RegularFile)
        return;
    QSaveFile out(file());
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit()) {
        qCDebug(lcHistory) << "Run history not cut to its bounds:" << out.errorString();
        return;
    }
    for (const QString &run : std::as_const(dropped)) {
        const QString trace = traceFile(run);
        if (!trace.isEmpty() && entryAt(trace) == Entry::RegularFile)
            QFile::remove(trace);
    }
}

void RunHistory::boundSetAside()
{
    const QFileInfoList aside =
        QDir(folder).entryInfoList({historyName + QStringLiteral(".corrupt-*")}, QDir::Files, QDir::Time);
    qint64 bytes = 0;
    for (int i = 0; i < aside.size(); ++i) {
        bytes += aside[i].size();
        if ((i >= setAsideKept || bytes > maxBytes) && !aside[i].isSymLink())
            QFile::remove(aside[i].filePath());
    }
}
