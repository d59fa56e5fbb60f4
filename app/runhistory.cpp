#include "app/runhistory.h"

#include "app/logging.h"
#include "app/version.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>

#include <utility>

namespace {
const QString historyName = QStringLiteral("history.jsonl");
const QStringList finalOutcomes{QStringLiteral("updated"), QStringLiteral("up-to-date"),
                                QStringLiteral("driver-missing")};

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}
} // namespace

RunRecord RunRecord::begin()
{
    RunRecord r;
    r.run = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.started = QDateTime::currentDateTimeUtc();
    r.client = QStringLiteral(KZ_CLIENT_VERSION);
    r.carried = QStringLiteral(KZ_IMAGE_VERSION);
    r.system = QSysInfo::prettyProductName();
    r.locale = QLocale::system().name();
    r.clock.start();
    return r;
}

void RunRecord::setOutcome(const QString &how)
{
    if (!finalOutcomes.contains(outcome) && !(outcome == QLatin1String("failed") && failureEnds))
        outcome = how;
}

void RunRecord::setFailure(const QString &step, const QString &shownText, bool ends)
{
    failedAt = step;
    message = shownText;
    failureEnds = ends;
    outcome = QStringLiteral("failed");
}

QJsonObject RunRecord::toJson() const
{
    QJsonObject o{{QStringLiteral("time"), started.toString(Qt::ISODateWithMs)},
                  {QStringLiteral("run"), run},
                  {QStringLiteral("client"), client},
                  {QStringLiteral("carried"), carried},
                  {QStringLiteral("system"), system},
                  {QStringLiteral("locale"), locale},
                  {QStringLiteral("driver"), textOrNull(driver)},
                  {QStringLiteral("port"), textOrNull(port)},
                  {QStringLiteral("device"), !version.isEmpty()
                                                 ? QJsonValue(QJsonObject{{QStringLiteral("hardware"), hardware},
                                                                          {QStringLiteral("sku"), sku},
                                                                          {QStringLiteral("version"), version}})
                                                 : QJsonValue()},
                  {QStringLiteral("decision"), textOrNull(decision)},
                  {QStringLiteral("pagesWritten"), pagesWritten},
                  {QStringLiteral("pages"), pages},
                  {QStringLiteral("versionAfter"), textOrNull(versionAfter)},
                  {QStringLiteral("outcome"), outcome},
                  {QStringLiteral("durationMs"), clock.isValid() ? clock.elapsed() : 0}};
    if (outcome == QLatin1String("failed")) {
        o.insert(QStringLiteral("failedAt"), failedAt);
        o.insert(QStringLiteral("message"), message);
    }
    return o;
}

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
    return folder + QLatin1Char('/') + run + QStringLiteral(".trace");
}

void RunHistory::begin(const RunRecord &record)
{
    if (folder.isEmpty())
        return;
    if (!QDir().mkpath(folder)) {
        qCDebug(lcHistory) << "No run history: cannot make" << folder;
        return;
    }
    cutToBounds(readOrPutAside());
    append(record.toJson());
}

void RunHistory::end(const RunRecord &record, const QStringList &trace)
{
    if (folder.isEmpty() || !append(record.toJson()) || record.outcome != QLatin1String("failed"))
        return;
    QSaveFile out(traceFile(record.run));
    if (!out.open(QIODevice::WriteOnly) || out.write(trace.join(QLatin1Char('\n')).toUtf8() + '\n') < 0 ||
        !out.commit())
        qCDebug(lcHistory) << "No trace of the failed run:" << out.errorString();
}

bool RunHistory::append(const QJsonObject &record)
{
    QFile out(file());
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    if (out.open(QIODevice::WriteOnly | QIODevice::Append) && out.write(line) == line.size() && out.flush())
        return true;
    qCDebug(lcHistory) << "Run history not written:" << out.errorString();
    return false;
}

QList<RunHistory::Line> RunHistory::readOrPutAside()
{
    QFile in(file());
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QList<Line> lines;
    const QList<QByteArray> texts = in.readAll().split('\n');
    in.close();
    for (const QByteArray &text : texts) {
        if (text.isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(text);
        if (!document.isObject()) {
            // Kept for whoever wants to read what is left of it; the history starts anew.
            const QString aside = file() + QStringLiteral(".corrupt-") +
                                  QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz"));
            qCDebug(lcHistory) << "Run history is corrupt, kept as" << aside;
            if (!QFile::rename(file(), aside))
                qCDebug(lcHistory) << "and cannot be renamed: it is left as it is";
            return {};
        }
        lines.append({document.object().value(QStringLiteral("run")).toString(), text + '\n'});
    }
    return lines;
}

void RunHistory::cutToBounds(const QList<Line> &lines)
{
    // Room for this run's two lines of at most a few kilobytes.
    constexpr qint64 roomForThisRun = 8 * 1024;
    QStringList runs; // oldest first
    QHash<QString, qint64> bytesOfRun;
    qint64 bytes = 0;
    for (const Line &line : lines) {
        if (!bytesOfRun.contains(line.run))
            runs << line.run;
        bytesOfRun[line.run] += line.text.size();
        bytes += line.text.size();
    }
    QSet<QString> dropped;
    for (int kept = runs.size(); kept > 0 && (kept >= maxRuns || bytes + roomForThisRun > maxBytes); --kept) {
        const QString &oldest = runs.at(runs.size() - kept);
        dropped.insert(oldest);
        bytes -= bytesOfRun.value(oldest);
    }
    if (dropped.isEmpty())
        return;
    QSaveFile out(file());
    QByteArray content;
    for (const Line &line : lines) {
        if (!dropped.contains(line.run))
            content += line.text;
    }
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit()) {
        qCDebug(lcHistory) << "Run history not cut to its bounds:" << out.errorString();
        return;
    }
    for (const QString &run : std::as_const(dropped))
        QFile::remove(traceFile(run));
}
