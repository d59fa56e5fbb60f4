// What a run leaves for support: its record in history.jsonl, brought up to date as the run goes, whatever the disk,
// the file or a second copy of the client does to it (a whole update's record: tst_workflow; a vanish at every page:
// tst_requestsweep; the record's rules without a window: tst_runrecord; its lock with the holder stopped: tst_locks).

#include "history/runhistory.h"
#include "support/clientrun.h"
#include "support/files.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
// A run identifier of the form the client writes, numbered.
QString runId(int i)
{
    return QStringLiteral("00000000-0000-4000-8000-%1").arg(i, 12, 10, QLatin1Char('0'));
}

// A history of `runs` finished runs from the `first`, `linesPerRun` lines each, each padded to about `lineBytes`.
QByteArray history(int runs, int lineBytes = 10, int first = 0, int linesPerRun = 1)
{
    QByteArray out;
    for (int i = first; i < first + runs; ++i)
        out += QStringLiteral("{\"run\":\"%1\",\"outcome\":\"updated\",\"pad\":\"%2\"}\n")
                   .arg(runId(i), QString(lineBytes, 'x'))
                   .toUtf8()
                   .repeated(linesPerRun);
    return out;
}

// The runs of the history in `folder` that were there before the test's run, in order; "damaged" where a line is not a
// whole record.
QStringList earlierRuns(const QString &folder)
{
    QStringList runs;
    for (const QByteArray &line : readFile(folder + "/history.jsonl").split('\n')) {
        const QJsonDocument record = QJsonDocument::fromJson(line);
        const QString run = record.object().value("run").toString();
        if (!line.isEmpty() && !record.isObject())
            return {"damaged"};
        if (run.startsWith("00000000-") && (runs.isEmpty() || runs.last() != run))
            runs << run;
    }
    return runs;
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the file holds, the newest runs are kept whole: a line that holds no record is skipped and never costs
    // a good one; runs (not lines: a run writes several) are kept within a thousand and a mebibyte, a dropped run's
    // trace going with it; nothing is set aside, and the run's own lines start on a line of their own. (That the
    // window's runs write through these rules: records.)
    void keepsTheNewest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("firstKept");
        QTest::addColumn<int>("lastKept");
        const QByteArray six = history(6), threeMore = history(3, 10, 3);
        QTest::newRow("half-written last line") << six + "{\"run\":\"cut-off\",\"outc" << 0 << 5;
        QTest::newRow("last line without its newline") << six.chopped(1) << 0 << 5;
        QTest::newRow("NUL bytes of a power cut") << six + QByteArray(4096, '\0') << 0 << 5;
        QTest::newRow("a line of invalid UTF-8") << history(3) + "{\"run\":\"\xff\xfe\"}\n" + threeMore << 0 << 5;
        QTest::newRow("a 20 MB garbage line") << history(3) + QByteArray(20 << 20, '#') + '\n' + threeMore << 0 << 5;
        // The newest record, valid and huge, is shortened instead of costing the others and itself.
        QTest::newRow("a 20 MB newest record") << six + history(1, 20 << 20, 6) << 0 << 6;
        QTest::newRow("a thousand runs") << history(1000, 40) << 1 << 999;
        // Lines of 1876 bytes: as many as leave room for a new run within the bound stay.
        const int fitting = int((RunHistory::maxBytes - RunHistory::roomForRun) / history(1, 1800).size());
        QTest::newRow("a mebibyte") << history(600, 1800) << 600 - fitting << 599;
        QTest::newRow("runs, not lines") << history(999, 40, 0, 3) << 0 << 998;
    }

    void keepsTheNewest()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, firstKept);
        QFETCH(int, lastKept);
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QString trace = runId(0) + ".trace";
        QVERIFY(writeFile(folder + "/history.jsonl", content) && writeFile(folder + "/" + trace, "frames"));
        RunHistory(folder).begin(RunRecord::begin());
        QStringList kept;
        for (int i = firstKept; i <= lastKept; ++i)
            kept << runId(i);
        QCOMPARE(earlierRuns(folder), kept);
        QCOMPARE(historyRecords(folder).last().value("outcome").toString(), QStringLiteral("running"));
        QVERIFY(QFileInfo(folder + "/history.jsonl").size() <= RunHistory::maxBytes);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (firstKept == 0 ? QStringList{trace} : QStringList())
                                                          << "history.jsonl");
    }

    // A full disk cuts each line short: it is taken back whole, and the next run, with space again, keeps every
    // earlier record.
    void fullDisk()
    {
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QByteArray before = history(6);
        QVERIFY(writeFile(folder + "/history.jsonl", before));
        // The process may write files up to a few bytes past the history: each line comes up short.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit unlimited = limit;
        limit.rlim_cur = rlim_t(before.size() + 100);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        RunHistory(folder).begin(RunRecord::begin());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
        QCOMPARE(readFile(folder + "/history.jsonl"), before);

        RunHistory(folder).begin(RunRecord::begin());
        QCOMPARE(earlierRuns(folder).size(), 6);
        QCOMPARE(historyRecords(folder).size(), 6 + 1);
    }

    // A link or anything but a regular file in the place of the history or its folder makes the history unwritable:
    // the run goes on, and the user's file behind it stays as it was. Nothing read from the history names a path.
    void onlyItsOwnFiles_data()
    {
        QTest::addColumn<QString>("inPlace");
        QTest::addColumn<QByteArray>("userFile");
        QTest::newRow("link to a user's JSON lines, at the bounds") << "history link" << history(1000, 40);
        QTest::newRow("link to an empty file") << "history link" << QByteArray();
        QTest::newRow("dangling link") << "history link" << QByteArray("<unreadable>");
        QTest::newRow("the folder a link") << "folder link" << QByteArray();
        QTest::newRow("a pipe") << "pipe" << QByteArray("<unreadable>");
        QTest::newRow("a run that names a trace outside") << "traversal" << QByteArray("frames");
    }

    void onlyItsOwnFiles()
    {
        QFETCH(QString, inPlace);
        QFETCH(QByteArray, userFile);
        ClientRun run;
        const QString base = run.historyFolder.path();
        const QString folder = base + "/history";
        const QString user = base + (inPlace == "traversal" ? "/victim.trace" : "/user.jsonl");
        if (userFile != "<unreadable>")
            QVERIFY(writeFile(user, userFile));
        QVERIFY(QDir().mkpath(inPlace == "folder link" ? base + "/elsewhere" : folder));
        if (inPlace == "history link")
            QVERIFY(QFile::link(user, folder + "/history.jsonl"));
        else if (inPlace == "folder link")
            QVERIFY(QFile::link(base + "/elsewhere", folder));
        else if (inPlace == "pipe")
            QCOMPARE(mkfifo(QFile::encodeName(folder + "/history.jsonl").constData(), 0600), 0);
        else
            QVERIFY(writeFile(folder + "/history.jsonl",
                              QByteArray("{\"run\":\"../victim\"}\n") + history(RunHistory::maxRuns, 40)));
        run.window->setHistoryFolder(folder);
        run.user.enqueue(QMessageBox::Cancel);
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        run.endClient();
        QCOMPARE(readFile(user), userFile);
        QCOMPARE(QFileInfo(inPlace == "folder link" ? folder : folder + "/history.jsonl").isSymLink(),
                 inPlace.endsWith("link"));
        if (inPlace == "folder link")
            QCOMPARE(QDir(base + "/elsewhere").entryList(QDir::Files), QStringList());
        if (inPlace == "traversal")
            QCOMPARE(historyRecords(folder).last().value("outcome").toString(), QStringLiteral("cancelled"));
    }

    // Another writer (a second copy of the client, support's tool) appends under the lock, held here for certain while
    // this client writes a run and cuts the history: the other's line is not lost, and this client's waits for it.
    void twoWriters()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.path() + "/history.jsonl", history(RunHistory::maxRuns - 1, 40)));
        RunHistory kept(dir.path());
        QLockFile other(dir.path() + "/history.jsonl.lock");
        QVERIFY(other.tryLock(0));
        const RunRecord waiting = RunRecord::begin();
        kept.begin(waiting);
        QFile out(dir.path() + "/history.jsonl");
        QVERIFY(out.open(QIODevice::Append) && out.write(history(1, 10, 5000)) > 0);
        out.close();
        other.unlock();
        const RunRecord next = RunRecord::begin();
        kept.begin(next); // the line that waited goes first, the history cut with room for both
        QStringList runs;
        for (const QJsonObject &record : historyRecords(dir.path()))
            runs << record.value("run").toString();
        QCOMPARE(runs.mid(runs.size() - 3), QStringList({runId(5000), waiting.run, next.run}));
    }

    // The window tells the record what happens, as the run goes: a run killed at the success box still says that
    // every page went in and which device took them; a look after the update that finds the device deaf fails the run
    // there, its trace holding what the client wrote and a reply taken as sound, not only unanswered waits.
    void records()
    {
        ClientRun run;
        const QString folder = run.historyFolder.path();
        QJsonObject atSuccess;
        QObject::connect(&run.user, &BoxAnswerer::shown, [&](const QString &text) {
            if (text != texts::success)
                return;
            atSuccess = historyRecords(folder).last();
            run.simulator.setFaults({Fault::on(FaultKind::NoReply, 0x08)});
        });
        run.runToEnd();
        run.endClient();
        const QJsonObject r = historyRecords(folder).last();
        QCOMPARE(QStringList({r.value("outcome").toString(), r.value("failedAt").toString(),
                              r.value("driver").toString(), atSuccess.value("outcome").toString(),
                              QString::number(atSuccess.value("pagesWritten").toInt()),
                              atSuccess.value("device").toObject().value("hardware").toString()}),
                 QStringList({"failed", "check after update", "found", "running", QString::number(carried::pages()),
                              "KTL407.001"}));
        const QString trace = QString::fromUtf8(readFile(folder + "/" + r.value("run").toString() + ".trace"));
        QVERIFY(trace.contains(">> "));
        QVERIFY2(QRegularExpression(QStringLiteral(R"(<< \d+ bytes: 7e .*\[ok\])")).match(trace).hasMatch(),
                 qPrintable(trace.left(400)));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
