// One client at a time, whatever the last one left (app/ownlock.h, app/singleinstance.h), and the run history with
// its lock's holder stopped (history/runhistory.h).

#include "app/ownlock.h"
#include "app/singleinstance.h"
#include "support/clientrun.h"
#include "support/files.h"

#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QtTest>

#include <csignal>
#include <cstdio>

using ownlock::Process;
Q_DECLARE_METATYPE(Process)

namespace {
const QString lockName = QStringLiteral("instance-%1.lock").arg(SingleInstance::userTag());

// A process started in a runtime folder of the test's, with what it said so far.
class Client : public QProcess
{
public:
    explicit Client(const QString &runtime, const QString &program = {}, const QStringList &arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "TMPDIR"})
            env.insert(name, runtime);
        env.insert("QT_LOGGING_RULES", "kivrazid.startup.debug=true");
        setProcessEnvironment(env);
        setProcessChannelMode(QProcess::MergedChannels);
        if (!program.isEmpty())
            start(program, arguments);
    }
    ~Client() override
    {
        kill();
        waitForFinished();
    }
    // Where it said `text` the `nth` time, -1 where it has not yet.
    int at(const QByteArray &text, int nth = 1)
    {
        if (isOpen())
            said += readAll();
        int from = -1;
        for (int i = 0; i < nth && (from = int(said.indexOf(text, from + 1))) >= 0;)
            ++i;
        return from;
    }
    bool waitFor(const QByteArray &text, int nth = 1)
    {
        return QTest::qWaitFor([&] { return at(text, nth) >= 0; }, 60000);
    }
    QByteArray said;
};

// The folder a test's clients take as their runtime folder: the user's own, as the system makes it.
bool makePrivate(const QTemporaryDir &dir)
{
    return QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

class TestLocks : public QObject
{
    Q_OBJECT

private slots:
    // A lock is taken over where its holder cannot be a client that runs; a live client's is left alone.
    void staleRules_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Process>("holder");
        QTest::addColumn<qint64>("ageMs");
        QTest::addColumn<bool>("stale");
        const QByteArray client = "4343\nkivra-zid-update\nhere\n";
        QTest::newRow("empty, left by a power cut") << QByteArray() << Process::Unknown << qint64(60000) << true;
        QTest::newRow("empty, its taker still writing") << QByteArray() << Process::Unknown << qint64(10) << false;
        QTest::newRow("garbage") << QByteArray("\0\0{}", 4) << Process::Unknown << qint64(60000) << true;
        QTest::newRow("cut short") << QByteArray("4343\nkivra-zid") << Process::ThisProgram << qint64(60000) << true;
        QTest::newRow("another host") << QByteArray("4343\nkivra-zid-update\nthere\n") << Process::ThisProgram
                                      << qint64(0) << true;
        QTest::newRow("its own pid") << QByteArray("4242\nkivra-zid-update\nhere\n") << Process::ThisProgram
                                     << qint64(0) << true;
        QTest::newRow("holder gone") << client << Process::Gone << qint64(0) << true;
        QTest::newRow("another program's pid") << client << Process::OtherProgram << qint64(0) << true;
        QTest::newRow("a live client") << client << Process::ThisProgram << qint64(600000) << false;
        QTest::newRow("a live process not named") << client << Process::Unknown << qint64(0) << false;
        QTest::newRow("the host in capitals")
            << QByteArray("4343\nkivra-zid-update\nHERE\n") << Process::ThisProgram << qint64(0) << false;
    }
    void staleRules()
    {
        QFETCH(QByteArray, contents);
        QFETCH(Process, holder);
        QFETCH(qint64, ageMs);
        QFETCH(bool, stale);
        QCOMPARE(ownlock::isStale(contents, {4242, QStringLiteral("here"), holder, ageMs}), stale);
    }

    // The runtime folder where it is there and the user's alone, else the per-user data folder; never the root.
    void lockFolder_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<bool>("runtimePrivate");
        QTest::addColumn<QString>("folder");
        QTest::newRow("private runtime folder") << "/run/user/1000" << true << "/run/user/1000/tst_locks";
        QTest::newRow("shared runtime folder") << "/tmp" << false << "/home/u/.local/share/tst_locks";
        QTest::newRow("no runtime folder") << "" << true << "/home/u/.local/share/tst_locks";
    }
    void lockFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, runtimePrivate);
        QFETCH(QString, folder);
        QCOMPARE(SingleInstance::folderFor(runtime, runtimePrivate, "/home/u/.local/share/tst_locks"), folder);
    }

    // Only a real folder that is the user's and closed to others is the lock's runtime folder: not one the group may
    // read, not a link to a private folder (whoever made the link decides where it leads), not a folder that is gone.
    void ownersAloneFolder_data()
    {
        QTest::addColumn<QString>("made"); // "private", "shared", "link" to a private folder, "gone"
        QTest::addColumn<bool>("ownersAlone");
        for (const auto &[made, alone] :
             {std::pair{"private", true}, {"shared", false}, {"link", false}, {"gone", false}})
            QTest::newRow(made) << QString(made) << alone;
    }
    void ownersAloneFolder()
    {
        QFETCH(QString, made);
        QFETCH(bool, ownersAlone);
        QTemporaryDir root;
        const QString real = root.filePath("real"), folder = root.filePath("folder");
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (made == "shared")
            permissions |= QFile::ReadGroup | QFile::ExeGroup;
        QVERIFY(QDir().mkpath(real) && QFile::setPermissions(real, permissions));
        QVERIFY(made == "gone" || (made == "link" ? QFile::link(real, folder) : QFile::rename(real, folder)));
        QCOMPARE(SingleInstance::isOwnersAlone(folder), ownersAlone);
    }

    // Whatever the lock holds, the client starts, holds it and answers the next start: the real age, process and own
    // pid behind the stale rules (which the contents alone decide, garbage or another host: staleRules).
    void lockStates_data()
    {
        QTest::addColumn<QByteArray>("contents"); // OWNPID: the client's own
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        QProcess ended;
        ended.start("true", QStringList());
        const qint64 dead = ended.waitForStarted() ? ended.processId() : 0;
        ended.waitForFinished();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("a dead pid") << QByteArray::number(dead) + "\nkivra-zid-update\n" + host + '\n';
        QTest::newRow("a live unrelated pid") << "LIVEPID\nkivra-zid-update\n" + host + '\n';
        QTest::newRow("its own pid") << "OWNPID\nkivra-zid-update\n" + host + '\n';
    }
    void lockStates()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir runtime;
        QVERIFY(makePrivate(runtime) && QDir(runtime.path()).mkpath(KZ_PROGRAM_NAME));
        const QString lock = runtime.filePath(KZ_PROGRAM_NAME "/" + lockName);
        Client unrelated(runtime.path(), "sleep", {"600"});
        QVERIFY(unrelated.waitForStarted());
        contents.replace("LIVEPID", QByteArray::number(unrelated.processId()));
        // Written by the client's own process before it becomes the client, so that it finds its own pid.
        Client client(runtime.path(), "sh",
                      {"-c", R"(printf %s "$1" | sed "s/OWNPID/$$/" > "$2" && exec "$3")", "sh", contents, lock,
                       KZ_CLIENT_EXECUTABLE});
        QVERIFY(client.waitFor("System locale"));
        // It is the client that serves: another start finds it and is shown its window.
        Client second(runtime.path(), KZ_CLIENT_EXECUTABLE);
        QVERIFY(second.waitFor("answered \"shown\""));
        QCOMPARE(OwnLock(lock).holderPid(), client.processId());
    }

    // A second start at each moment of an update: while the first serves the user it shows itself and the second
    // ends; once the first is ending, the second waits for it and then runs. Never both, never neither; the first's
    // update completes and its record is whole.
    void secondStartSweep_data()
    {
        QTest::addColumn<QByteArray>("after"); // the first's line the second start follows ("": its end)
        QTest::addColumn<int>("afterNth");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("before"); // the first shows itself before it says this; "": it is ending
        QTest::addColumn<int>("beforeNth");
        QTest::newRow("driver step") << QByteArray("System locale") << 1 << 0 << QByteArray("box: ") << 1;
        QTest::newRow("prompt") << QByteArray("box: ") << 1 << 0 << QByteArray("answered: ") << 1;
        QTest::newRow("search") << QByteArray("answered: ") << 1 << 100 << QByteArray("box: ") << 2;
        QTest::newRow("transfer") << QByteArray("answered: ") << 2 << 300 << QByteArray("box: ") << 3;
        QTest::newRow("outcome box") << QByteArray("box: ") << 3 << 0 << QByteArray("answered: ") << 3;
        QTest::newRow("after the outcome box") << QByteArray("answered: ") << 3 << 300 << QByteArray() << 0;
        QTest::newRow("timed close") << QByteArray("answered: ") << 4 << 100 << QByteArray() << 0;
        QTest::newRow("after the end") << QByteArray() << 0 << 0 << QByteArray() << 0;
    }
    void secondStartSweep()
    {
        QFETCH(QByteArray, after);
        QFETCH(int, afterNth);
        QFETCH(int, delayMs);
        QFETCH(QByteArray, before);
        QFETCH(int, beforeNth);
        QTemporaryDir runtime;
        QVERIFY(makePrivate(runtime));
        // Boxes stay up long enough for a start to ask; the search waits on a slow first answer; a short transfer.
        const auto args = [&](const char *history) {
            return QStringList{
                "--answer-boxes",          "1500",      "--print-boxes",          "--baud", "1000000", "--fault",
                "delay:0x08:ms=700:nth=1", "--history", runtime.filePath(history)};
        };
        Client second(runtime.path());
        Client first(runtime.path(), KZ_DEMO_EXECUTABLE, args("first"));
        bool bothServed = false;
        connect(&first, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
                [&] { bothServed = second.at("box: ") >= 0; });
        QVERIFY(after.isEmpty() ? first.waitForFinished(90000) : first.waitFor(after, afterNth));
        QTest::qWait(delayMs);
        second.start(KZ_DEMO_EXECUTABLE, args("second"));
        if (!before.isEmpty()) {
            QVERIFY(second.waitForFinished(30000));
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(first.waitFor("the running window is shown"));
            const int beyond = first.at(before, beforeNth);
            QVERIFY2(beyond < 0 || first.at("the running window is shown") < beyond, first.said);
            QCOMPARE(second.at("box: "), -1);
        } else {
            QVERIFY(second.waitFor("box: "));
            QVERIFY(after.isEmpty() || first.at("this client is ending") >= 0);
        }
        QVERIFY(first.state() == QProcess::NotRunning || first.waitForFinished(90000));
        QCOMPARE(first.exitCode(), 0);
        QVERIFY2(!bothServed, second.said);
        const QList<QJsonObject> records = historyRecords(runtime.filePath("first"));
        QVERIFY(!records.isEmpty() && !records.contains(QJsonObject()));
        QCOMPARE(records.last().value("outcome").toString(), QStringLiteral("updated"));
    }

    // A client that holds the lock but does not answer (stopped here) is never a silent end of the second start: the
    // user is told, in a box that stays until answered.
    void unansweredStart()
    {
        QTemporaryDir runtime;
        QVERIFY(makePrivate(runtime));
        Client first(runtime.path(), KZ_CLIENT_EXECUTABLE);
        QVERIFY(first.waitFor("System locale"));
        QVERIFY(::kill(pid_t(first.processId()), SIGSTOP) == 0);
        Client second(runtime.path(), KZ_CLIENT_EXECUTABLE);
        QVERIFY(second.waitFor("the user is told"));
        QVERIFY(second.state() == QProcess::Running);
        ::kill(pid_t(first.processId()), SIGCONT);
    }

    // Another copy holds the history's lock and is stopped: the window goes on without waiting on it, nothing is
    // written while the lock is held, and once it is let go every line of the run is there, in order.
    void stoppedHistoryHolder()
    {
        ClientRun run;
        const QString folder = run.historyFolder.path();
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold", folder + "/history.jsonl.lock"});
        QVERIFY(holder.waitForReadyRead(30000));
        QVERIFY(::kill(pid_t(holder.processId()), SIGSTOP) == 0);
        bool writtenWhileHeld = true;
        connect(&run.user, &BoxAnswerer::shown, this, [&](const QString &text) {
            if (text != texts::success)
                return;
            writtenWhileHeld = QFileInfo::exists(folder + "/history.jsonl");
            ::kill(pid_t(holder.processId()), SIGCONT);
            holder.closeWriteChannel();
        });
        const StallClock stalls;
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        const qint64 longest = stalls.longest();
        run.endClient();
        qInfo("longest stall with the history's holder stopped: %lld ms", longest);
        QVERIFY(!writtenWhileHeld);
        QVERIFY(longest < 1000); // the benchmark's target for the window's longest stall
        QStringList outcomes;
        for (const QJsonObject &record : historyRecords(folder))
            outcomes << record.value("outcome").toString();
        // Begun, the device identified, the transfer begun and ended, the end.
        QCOMPARE(outcomes, QStringList({"running", "running", "running", "running", "updated"}));
    }
};

int main(int argc, char *argv[])
{
    // Started by stoppedHistoryHolder: holds the lock it is given until its input closes.
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        QLockFile lock(QString::fromLocal8Bit(argv[2]));
        if (!lock.lock())
            return 1;
        std::puts("held");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    QApplication app(argc, argv);
    TestLocks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_locks.moc"
