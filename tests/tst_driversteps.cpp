// The driver steps against a scripted system: what the user sees, what lands in the extraction directory, and what
// the system was asked to do.

#include "device/firmwareimage.h"
#include "support/clientrun.h"
#include "support/files.h"

#include <QtTest>

#include <unistd.h>

namespace {
using namespace texts;

const QString tab = QStringLiteral("\t");
// How long a step may take on a loaded machine before a test gives up on it; the steps' own 500 ms to 1.5 s
// pauses are waited for by what they lead to, never by a bound of their size.
constexpr int patienceMs = 30000;

// Makes a folder's entries impossible to remove or add for this process, or possible again (root: immutable).
bool lockFolder(const QString &path, bool locked)
{
    if (::geteuid() == 0)
        return QProcess::execute(QStringLiteral("chattr"), {locked ? "+i" : "-i", path}) == 0;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner |
                                           (locked ? QFile::Permissions() : QFile::Permissions(QFile::WriteOwner)));
}

QStringList filesBelow(const QString &directory)
{
    QStringList names;
    for (QDirIterator it(directory, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        names.append(QDir(directory).relativeFilePath(it.next()));
    names.sort();
    return names;
}
} // namespace

class TestDriverSteps : public QObject
{
    Q_OBJECT

    QTemporaryDir temp;
    static QString extractionDirectory() { return QDir::tempPath() + QStringLiteral("/driver"); }

private slots:
    void initTestCase()
    {
        // The extraction directory lives below the system's temporary directory; keep it inside the test's own.
        QVERIFY(temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        QCOMPARE(QDir::tempPath(), QDir::cleanPath(temp.path()));
    }

    void cleanup() { QDir(extractionDirectory()).removeRecursively(); }

    void installRound()
    {
        // Whatever an earlier run left in the extraction directory must not survive the unpacking.
        const QString directory = extractionDirectory();
        QVERIFY(writeFile(directory + "/CP210xVCPInstaller.exe", "planted") &&
                writeFile(directory + "/leftover.txt", "planted"));

        // Driven by the window's own timers: the first check 1.5 s after construction misses the driver.
        QList<QStringList> seenAtEachQuestion; // the table, then the log's lines; outlives the run, which may still ask
        ClientRun run(SimulatorConfig(), true, {false, true}, {true, true, false});
        ScriptedSystem *system = run.system;
        system->beforeAnswer = [&] { seenAtEachQuestion << run.rows() + run.log().split('\n'); };
        QTRY_COMPARE_WITH_TIMEOUT(system->startedPrograms.size(), 1, patienceMs);
        QCOMPARE(system->startedPrograms.first(), directory + QStringLiteral("/CP210xVCPInstaller.exe"));
        QCOMPARE(system->startedIn.first(), directory);
        // The carried package, the installer under the plain name the process list is watched for.
        const QStringList files = QString("CP210xVCPInstaller.exe CP210x_Universal_Windows_Driver_ReleaseNotes.txt "
                                          "SLAB_License_Agreement_VCP_Windows.txt dpinst.xml silabser.cat "
                                          "silabser.inf x64/silabser.sys")
                                      .split(' ');
        QCOMPARE(filesBelow(directory), files);
        for (const QString &file : files) {
            const QString resource = file.startsWith("CP210xVCP") ? "CP210xVCPInstaller_x64.exe" : file;
            QCOMPARE(readFile(directory + '/' + file), readFile(":/deviceFW/driver/" + resource));
            // Read-only copies would keep the directory from being removed on Windows.
            QVERIFY2(QFile::permissions(directory + '/' + file) & QFile::WriteOwner, qPrintable(file));
        }
        // While the installer runs, each poll rewrites the same log line and schedules the next one; the check after
        // it is the driver's second.
        QTRY_COMPARE_WITH_TIMEOUT(system->driverChecks, 2, patienceMs);
        QCOMPARE(seenAtEachQuestion.size(), 5); // the first check, three polls, the check after
        QCOMPARE(seenAtEachQuestion[1], QStringList({row(driverSearch, driverMissing, "fail"), row(installing),
                                                     driverSearch + tab + driverMissing, installing}));
        const QStringList running{row(installing, "установка..."), driverSearch + tab + driverMissing,
                                  installing + tab + "установка..."};
        QCOMPARE(seenAtEachQuestion[2].mid(1), running);
        QCOMPARE(seenAtEachQuestion[3].mid(1), running);
        QCOMPARE(seenAtEachQuestion[4].mid(1),
                 QStringList({row(installing, installed, "ok"), row(checking), driverSearch + tab + driverMissing,
                              installing + tab + installed, checking}));
        QVERIFY(!QFileInfo::exists(directory));
        QCOMPARE(system->startedPrograms.size(), 1);
    }

    void plantedLinksAreRemovedNotFollowed_data()
    {
        QTest::addColumn<QString>("link"); // below the temporary directory, pointing at the user's folder
        QTest::newRow("the folder itself is a link") << QStringLiteral("driver");
        QTest::newRow("a link inside the folder") << QStringLiteral("driver/x64");
    }

    void plantedLinksAreRemovedNotFollowed()
    {
        QFETCH(QString, link);
        QTemporaryDir users;
        QVERIFY(writeFile(users.filePath("thesis.txt"), "precious"));
        QVERIFY(QDir().mkpath(QFileInfo(QDir::tempPath() + '/' + link).path()));
        QVERIFY(QFile::link(users.path(), QDir::tempPath() + '/' + link));

        ClientRun run(SimulatorConfig(), true, {false, true}, {false});
        QTRY_COMPARE_WITH_TIMEOUT(run.system->driverChecks, 2, patienceMs);
        QCOMPARE(run.system->startedPrograms, QStringList{extractionDirectory() + "/CP210xVCPInstaller.exe"});
        QVERIFY(!QFileInfo::exists(extractionDirectory()));
        QCOMPARE(QDir(users.path()).entryList(QDir::Files), QStringList{"thesis.txt"});
        QCOMPARE(readFile(users.filePath("thesis.txt")), QByteArray("precious"));
    }

    void unremovableFolderStartsNothing()
    {
        // An old folder that this user cannot empty, holding somebody else's "installer".
        const QString directory = extractionDirectory();
        QVERIFY(writeFile(directory + "/CP210xVCPInstaller.exe", "planted"));
        if (!lockFolder(directory, true))
            QSKIP("this file system cannot make a folder unremovable");
        ClientRun run(SimulatorConfig(), true, {false, true}, {true});
        QTRY_COMPARE_WITH_TIMEOUT(run.system->driverChecks, 2, patienceMs);
        QVERIFY(lockFolder(directory, false));
        QVERIFY(run.system->startedPrograms.isEmpty());
        QCOMPARE(run.system->installerPolls, 0);
        QCOMPARE(readFile(directory + "/CP210xVCPInstaller.exe"), QByteArray("planted"));
        const QString failed = QStringLiteral("не удалось распаковать пакет драйвера.");
        QCOMPARE(run.rows().mid(0, 3),
                 QStringList({row(driverSearch, driverMissing, "fail"), row(installing, failed, "fail"),
                              row(checking, driverFound, "ok")}));
        QVERIFY(run.log().contains(installing + tab + failed));
    }

    // A close in the same turn of the event loop as the installation step's timer: nothing unpacked or started.
    void givenUpRunInstallsNothing()
    {
        ClientRun run(SimulatorConfig(), true, {false});
        run.window->show();
        QTRY_COMPARE_WITH_TIMEOUT(run.system->driverChecks, 1, patienceMs);
        run.window->close();
        QVERIFY(QMetaObject::invokeMethod(run.window, "installDriver"));
        QVERIFY(run.system->startedPrograms.isEmpty());
        QVERIFY(!QFileInfo::exists(extractionDirectory()));
    }

    // The driver checked again after the installation: found, the run goes on (the miss used up one of the three
    // searches); still missing, the incompatible-Windows box, no second installation, and the client quits.
    void afterInstallation_data()
    {
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("boxes"); // "title: text"
        QTest::addColumn<QStringList>("rows");  // below the installation's
        const QString missed = row(searching, notFound, "fail");
        QTest::newRow("found") << true << QStringList(QVector<QString>(3, connectTitle + ": " + connectPrompt).toList())
                               << QStringList{row(checking, driverFound, "ok"), missed, missed};
        QTest::newRow("still missing")
            << false
            << QStringList{"Несовместимая версия Windows: Ваша версия Windows несовместима с данной программой. "
                           "Дальнейшая работа невозможна. Обратитесь в службу поддержки email."}
            << QStringList{row(checking, driverMissing, "fail")};
    }

    void afterInstallation()
    {
        QFETCH(bool, found);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, rows);
        ClientRun run(SimulatorConfig(), false, {false, found}, {false});
        QCOMPARE(run.runToEnd(), found ? RunEnd::WindowClosed : RunEnd::ApplicationQuit);
        QStringList seen;
        for (const RecordedBox &box : run.user.boxes())
            seen << box.title + ": " + box.text;
        QCOMPARE(seen, boxes);
        QCOMPARE(run.user.boxes()[0].icon, found ? QMessageBox::Information : QMessageBox::Critical);
        QCOMPARE(run.user.boxes()[0].buttons, found ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
        QCOMPARE(run.rows(),
                 QStringList({row(driverSearch, driverMissing, "fail"), row(installing, installed, "ok")}) + rows);
        QCOMPARE(run.system->startedPrograms.size(), 1);
    }
};

QTEST_MAIN(TestDriverSteps)
#include "tst_driversteps.moc"
