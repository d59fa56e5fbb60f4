// The run's record by its rules, without a window or a port: a run's events told to its keeper as the window tells
// them, and the lines the history then holds. Whole runs that prove the window tells them: tst_workflow, tst_history,
// tst_closing, tst_requestsweep.

#include "history/historyline.h"
#include "history/runrecorder.h"
#include "serial/serialtrace.h"
#include "support/files.h"
#include "support/release.h"

#include <QJsonDocument>
#include <QtTest>

#include <algorithm>

namespace {
// A keeper writing into a folder of its own, on a clock the test moves.
struct Run
{
    QTemporaryDir folder;
    serialtrace::Trace trace;
    qint64 now = 1000;
    RunRecorder recorder{trace, folder.path(), [this] { return now; }};

    QString last(const char *field) const
    {
        return historyRecords(folder.path()).last().value(QLatin1String(field)).toString();
    }
};

// The value of the enum that the history calls `name`.
template <typename Enum> bool named(QString (*nameOf)(Enum), const QString &name, Enum *value)
{
    for (int i = 0; i < 16 && nameOf(*value = Enum(i)) != name;)
        ++i;
    return nameOf(*value) == name;
}

// One event as the rows write it: "step <stage>", "driver found|missing", "device", "decided <decision>",
// "transfer <pages>", "pages <accepted>", "transfer ended", "reach <outcome>", "fail ends|on", "close user|itself",
// "shown again" (the window was).
bool tell(RunRecorder &recorder, const QString &event)
{
    const QString word = event.section(QLatin1Char(' '), 0, 0), rest = event.section(QLatin1Char(' '), 1);
    RunStage stage{};
    UpdateDecision decision{};
    RunOutcome outcome{};
    if (word == "step" && named(stageName, rest, &stage))
        recorder.stepBegins(stage);
    else if (word == "driver")
        recorder.driverLookedFor(rest == "found");
    else if (event == "device")
        recorder.deviceIdentified(deviceType, deviceSku, carried::previousVersion);
    else if (word == "decided" && named(decisionName, rest, &decision))
        recorder.decided(decision);
    else if (event == "transfer ended")
        recorder.transferEnded();
    else if (word == "transfer" || word == "pages")
        word == "pages" ? recorder.pagesWritten(rest.toInt()) : recorder.transferBegins(rest.toInt());
    else if (word == "reach" && named(outcomeName, rest, &outcome))
        recorder.reached(outcome);
    else if (word == "fail" || word == "close")
        word == "fail" ? recorder.failureShown("shown", rest == "ends") : recorder.windowClosed(rest == "user");
    else if (event == "shown again")
        recorder.windowShownAgain();
    else
        return false;
    return true;
}

void row(const char *name, const QString &events, const QString &record)
{
    QTest::newRow(name) << events << record;
}
} // namespace

class TestRunRecord : public QObject
{
    Q_OBJECT

private slots:
    // Events in, as a run meets them; out "outcome/failedAt/lines": the lines the run wrote are one as it began, one
    // as the device was identified, as the transfer began and as it ended, and the whole record.
    void rules_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("record");
        const QString all = QString::number(carried::pages()), last = QString::number(carried::pages() - 1);
        const QString search = "step driver; driver found; step search";
        const QString found = search + "; device; decided update";
        const QString transfer = found + "; step update mode; step image; transfer " + all;
        const QString written = transfer + "; pages " + all + "; transfer ended; step finish";
        const QString updated = written + "; reach updated";
        const QString lookAgain = updated + "; step check after update; step search";
        row("updated, the look after finds the new version", lookAgain + "; device; decided up-to-date",
            "updated//found/5");
        row("updated, the look after reads the old one", lookAgain + "; device; decided update; fail ends",
            "failed/check after update/found/5");
        row("updated, the look after finds no device", lookAgain + "; reach no-device", "updated//found/5");
        row("a page lost, then the look after fails",
            transfer + "; pages 3; transfer ended; fail ends; step search; fail ends", "failed/page 4/found/5");
        row("vanished at the first page", transfer + "; transfer ended; fail ends; step search; reach no-device",
            "failed/page 1/found/5");
        row("vanished at the last page", transfer + "; pages " + last + "; transfer ended; fail ends",
            "failed/page " + all + "/found/5");
        row("the finish refused", written + "; fail ends", "failed/finish/found/5");
        row("identity lost once, then found", search + "; fail on; step search" + updated.mid(search.size()),
            "updated//found/5");
        row("identity lost at the last attempt", search + "; fail on", "failed/search/found/2");
        row("a failure the run ends with, then cancelled", search + "; fail ends; reach cancelled",
            "failed/search/found/2");
        row("up to date stays", search + "; device; decided up-to-date; fail ends", "up-to-date//found/3");
        row("device newer, then cancelled", search + "; device; decided device-newer; reach cancelled",
            "cancelled//found/3");
        row("driver missing twice", "step driver; driver missing; step driver; driver missing; reach driver-missing",
            "driver-missing//missing/2");
        row("ended with the window at the driver step", "step driver", "closed///2");
        row("driver installed", "step driver; driver missing; step driver; driver found", "closed//installed/2");
        // A close at every stage, then what the steps report as they unwind; an update made stays.
        const QStringList closes[] = {
            {"driver", "step driver", "closed///2"},
            {"search", search, "closed//found/2"},
            {"update mode", found + "; step update mode", "closed//found/3"},
            {"image", found + "; step update mode; step image", "closed//found/3"},
            {"pages", transfer + "; pages 5", "closed//found/4"},
            {"finish", written, "closed//found/5"},
            {"check after update", updated + "; step check after update", "updated//found/5"}};
        for (const QStringList &at : closes)
            row(qPrintable("closed at " + at[0]), at[1] + "; close user; reach cancelled; fail ends", at[2]);
        row("closed after a failure the run ended with", search + "; fail ends; close user", "failed/search/found/2");
        row("closed, shown again, then updated", search + "; close user; shown again" + updated.mid(search.size()),
            "updated//found/5");
        row("closed by itself, a failure as it unwinds", lookAgain + "; close itself; fail ends", "updated//found/5");
    }

    void rules()
    {
        QFETCH(QString, events);
        QFETCH(QString, record);
        Run run;
        run.trace.log(">>", "before the run");
        const QStringList told = events.split("; ");
        for (const QString &event : told) {
            run.now += 10; // an event every 10 ms, the first after the keeper was made
            QVERIFY2(tell(run.recorder, event), qPrintable(event));
        }
        run.now += 10;
        run.trace.log(">>", "in the run");
        run.recorder.runEnded();
        const QList<QJsonObject> lines = historyRecords(run.folder.path());
        // The run's length at each line, on its keeper's clock from its first step.
        QList<double> durations;
        for (const QJsonObject &line : lines)
            durations << line.value("durationMs").toDouble();
        QVERIFY(std::adjacent_find(durations.begin(), durations.end(), std::greater_equal<>()) == durations.end());
        QCOMPARE(durations.last(), 10.0 * told.size());
        // Every line before the last is the same run's, running.
        for (const QJsonObject &line : lines.mid(0, lines.size() - 1))
            QCOMPARE(QStringList({line.value("run").toString(),
                                  line.value("outcome").toString() + line.value("failedAt").toString()}),
                     QStringList({run.last("run"), "running"}));
        QCOMPARE(
            QStringList({run.last("outcome"), run.last("failedAt"), run.last("driver"), QString::number(lines.size())})
                .join('/'),
            record);
        QCOMPARE(run.last("message"), QString(run.last("failedAt").isEmpty() ? "" : "shown"));
        // A failed run leaves its frames beside the history, those from its first step on alone.
        const QString path = run.folder.filePath(run.last("run") + ".trace");
        QCOMPARE(QFileInfo::exists(path), run.last("outcome") == "failed");
        const QString trace = QString::fromUtf8(readFile(path));
        QVERIFY2(!QFileInfo::exists(path) ||
                     (trace.count('\n') == 1 && trace.trimmed().endsWith(serialtrace::describe("in the run"))),
                 qPrintable(trace));
    }

    // A record longer than its bound is cut, only between whole characters and whole escapes: the line is still a
    // record, its longest string cut to a beginning of what it was, marked so.
    void cutWhole_data()
    {
        QTest::addColumn<QByteArray>("json");
        const auto record = [](const QString &message, const QString &others = {}) {
            QJsonObject fields{{"run", "r"}, {"message", message}};
            for (const char *other : {"system", "port", "hardware", "sku", "version"})
                fields.insert(other, others);
            return QJsonDocument(fields).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("4 KiB of control characters") << record(QString(4096, QChar(1)));
        QTest::newRow("characters of four bytes") << record("x" + QString::fromUtf8("\U0001F600").repeated(5000));
        QTest::newRow("strings none of them past 4 KiB") << record(QString(3000, 'm'), QString(3000, 'o'));
        // As another writer may have written them, the first cut falling between a pair's two escapes.
        QTest::newRow("surrogate pairs escaped")
            << "{\"run\":\"r\",\"message\":\"1234567" + QByteArray("\\ud83d\\ude00").repeated(2000) + "\"}";
    }

    void cutWhole()
    {
        QFETCH(QByteArray, json);
        const QByteArray line = historyline::fittedLine(json, RunHistory::maxRecordBytes);
        QVERIFY(line.endsWith('\n') && line.size() <= RunHistory::maxRecordBytes);
        const QString whole = QJsonDocument::fromJson(json).object().value("message").toString();
        const QJsonDocument cut = QJsonDocument::fromJson(line);
        QVERIFY2(cut.isObject(), line.right(40));
        const QString message = cut.object().value("message").toString();
        QVERIFY2(message.endsWith(QStringLiteral("…")) && message.size() < whole.size(), qPrintable(message.right(4)));
        QVERIFY(message.chopped(1).isValidUtf16() && whole.startsWith(message.chopped(1)));
    }
};

QTEST_GUILESS_MAIN(TestRunRecord)
#include "tst_runrecord.moc"
