// The driver steps of the main window against a scripted system: what the user sees in the step table, the log and
// the boxes, what lands in the extraction directory, and what the system was asked to do.

#include "support/clientrun.h"

#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString searching = QStringLiteral("Поиск драйвера ...");
const QString missing = QStringLiteral("драйвер не обнаружен.");
const QString installing = QStringLiteral("Установка драйвера...");
const QString installed = QStringLiteral("установка завершена.");
const QString checking = QStringLiteral("Проверка драйвера ...");
const QString incompatible = QStringLiteral("Ваша версия Windows несовместима с данной программой. Дальнейшая работа "
                                            "невозможна. Обратитесь в службу поддержки email.");
const QString tab = QStringLiteral("\t");

// The carried package's files below the extraction directory; each is its resource ":/deviceFW/driver/<name>", but
// the installer, which is unpacked under the plain name the process list is watched for.
const QStringList packageFiles = QString("CP210xVCPInstaller.exe CP210x_Universal_Windows_Driver_ReleaseNotes.txt "
                                         "SLAB_License_Agreement_VCP_Windows.txt dpinst.xml silabser.cat silabser.inf "
                                         "x64/silabser.sys")
                                     .split(' ');

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Makes a folder's entries impossible to remove or add for this process, or possible again. Root ignores permission
// bits, so for root the folder is marked immutable instead.
bool lockFolder(const QString &path, bool locked)
{
    if (::geteuid() != 0)
        return QFile::setPermissions(path, locked ? QFile::ReadOwner | QFile::ExeOwner
                                                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

QStringList filesBelow(const QString &directory)
{
    QStringList names;
    QDirIterator it(directory, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(directory).relativeFilePath(it.next()));
    names.sort();
    return names;
}

// Every row of the step table as "step | result | icon", then every line of the log.
QStringList view(const ClientRun &run)
{
    QStringList out;
    for (int row = 0; row < run.model()->rowCount(); ++row)
        out << run.cell(row, 1) + " | " + run.cell(row, 2) + " | " + run.icon(row);
    return out + run.log().split(QLatin1Char('\n'));
}

QString row(const QString &step, const QString &result = {}, const char *icon = "")
{
    return step + " | " + result + " | " + icon;
}

} // namespace

class TestDriverSteps : public QObject
{
    Q_OBJECT

    QTemporaryDir temp;

    static QString extractionDirectory() { return QDir::tempPath() + QStringLiteral("/driver"); }
    static ScriptedSystem *script(ClientRun &run, const QList<bool> &driverPresent, const QList<bool> &installerRunning)
    {
        auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
        run.system = scripted.get();
        run.window->setSystemAccess(std::move(scripted));
        return run.system;
    }
    // Calls the private slot as a timer would: its result, or -1 if the call did not happen.
    static int callCheckDriver(MainWindow *window)
    {
        bool result = true;
        return QMetaObject::invokeMethod(window, "checkDriver", Qt::DirectConnection, Q_RETURN_ARG(bool, result))
                   ? int(result)
                   : -1;
    }

private slots:
    void initTestCase()
    {
        // The extraction directory lives below the system's temporary directory; keep it inside the test's own.
        QVERIFY(temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        QCOMPARE(QDir::tempPath(), QDir::cleanPath(temp.path()));
    }

    void cleanup() { QDir(extractionDirectory()).removeRecursively(); }

    void driverFoundFirstTime()
    {
        ClientRun run;
        ScriptedSystem *system = script(run, {true}, {true});
        run.user.enqueue(QMessageBox::Cancel);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(callCheckDriver(run.window), 0);
        QCOMPARE(view(run),
                 QStringList({row(searching, texts::driverFound, "ok"), searching + tab + texts::driverFound}));
        // The connection prompt follows, half a second later.
        QTRY_VERIFY_WITH_TIMEOUT(!run.user.boxes().isEmpty(), 1200);
        QVERIFY2(clock.elapsed() >= 490, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(run.boxTexts(), QStringList{texts::connectPrompt});
        QCOMPARE(system->driverChecks, 1);
        QVERIFY(system->startedPrograms.isEmpty());
    }

    void installRound()
    {
        // Whatever an earlier run left in the extraction directory must not survive the unpacking.
        const QString directory = extractionDirectory();
        QVERIFY(QDir().mkpath(directory));
        for (const char *name : {"/CP210xVCPInstaller.exe", "/leftover.txt"}) {
            QFile planted(directory + name);
            QVERIFY(planted.open(QIODevice::WriteOnly) && planted.write("planted") == 7);
        }
        const QString currentDirectory = QDir::currentPath();

        // Driven by the window's own timers: the first check 1.5 s after construction misses the driver.
        ClientRun run;
        ScriptedSystem *system = script(run, {false, true}, {true, true, false});
        QTRY_COMPARE_WITH_TIMEOUT(system->startedPrograms.size(), 1, 4000);
        QCOMPARE(system->installerPolls, 0);
        QCOMPARE(system->startedPrograms.first(), directory + QStringLiteral("/CP210xVCPInstaller.exe"));
        QCOMPARE(system->startedIn.first(), directory);
        QCOMPARE(filesBelow(directory), packageFiles);
        for (const QString &file : packageFiles) {
            const QString resource = file.startsWith(QStringLiteral("CP210xVCP")) ? "CP210xVCPInstaller_x64.exe" : file;
            QCOMPARE(contents(directory + '/' + file), contents(":/deviceFW/driver/" + resource));
            // Read-only copies would keep the directory from being removed on Windows.
            QVERIFY2(QFile::permissions(directory + '/' + file) & QFile::WriteOwner, qPrintable(file));
        }
        QCOMPARE(view(run), QStringList({row(searching, missing, "fail"), row(installing), searching + tab + missing,
                                         installing}));

        // While the installer runs, each poll rewrites the same log line and schedules the next one.
        const QString running = QStringLiteral("установка...");
        for (int poll = 1; poll <= 2; ++poll) {
            QTRY_COMPARE_WITH_TIMEOUT(system->installerPolls, poll, 1500);
            QCOMPARE(view(run), QStringList({row(searching, missing, "fail"), row(installing, running),
                                             searching + tab + missing, installing + tab + running}));
        }

        QTRY_COMPARE_WITH_TIMEOUT(system->installerPolls, 3, 1500);
        QCOMPARE(view(run),
                 QStringList({row(searching, missing, "fail"), row(installing, installed, "ok"), row(checking),
                              searching + tab + missing, installing + tab + installed, checking}));
        QVERIFY(!QFileInfo::exists(directory));
        QCOMPARE(system->driverChecks, 1);
        QCOMPARE(system->startedPrograms.size(), 1);
        QCOMPARE(QDir::currentPath(), currentDirectory);
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
        QFile precious(users.filePath(QStringLiteral("thesis.txt")));
        QVERIFY(precious.open(QIODevice::WriteOnly) && precious.write("precious") == 8);
        precious.close();
        QVERIFY(QDir().mkpath(QFileInfo(QDir::tempPath() + '/' + link).path()));
        QVERIFY(QFile::link(users.path(), QDir::tempPath() + '/' + link));

        ClientRun run;
        ScriptedSystem *system = script(run, {false, true}, {false});
        QTRY_COMPARE_WITH_TIMEOUT(system->driverChecks, 2, 5000);
        QCOMPARE(system->startedPrograms, QStringList{extractionDirectory() + "/CP210xVCPInstaller.exe"});
        QVERIFY(!QFileInfo::exists(extractionDirectory()));
        QCOMPARE(QDir(users.path()).entryList(QDir::Files), QStringList{"thesis.txt"});
        QCOMPARE(contents(precious.fileName()), QByteArray("precious"));
    }

    void unremovableFolderStartsNothing()
    {
        // An old folder that this user cannot empty, holding somebody else's "installer".
        const QString directory = extractionDirectory();
        QVERIFY(QDir().mkpath(directory));
        QFile planted(directory + "/CP210xVCPInstaller.exe");
        QVERIFY(planted.open(QIODevice::WriteOnly) && planted.write("planted") == 7);
        planted.close();
        if (!lockFolder(directory, true))
            QSKIP("this file system cannot make a folder unremovable");
        ClientRun run;
        ScriptedSystem *system = script(run, {false, true}, {true});
        QTRY_COMPARE_WITH_TIMEOUT(system->driverChecks, 2, 5000);
        QVERIFY(lockFolder(directory, false));
        QVERIFY(system->startedPrograms.isEmpty());
        QCOMPARE(system->installerPolls, 0);
        QCOMPARE(contents(directory + "/CP210xVCPInstaller.exe"), QByteArray("planted"));
        const QString failed = QStringLiteral("не удалось распаковать пакет драйвера.");
        QCOMPARE(view(run).mid(0, 4),
                 QStringList({row(searching, missing, "fail"), row(installing, failed, "fail"),
                              row(checking, texts::driverFound, "ok"), searching + tab + missing}));
        QVERIFY(run.log().contains(installing + tab + failed));
    }

    void secondMissEndsTheProgram()
    {
        ClientRun run;
        script(run, {false}, {true});
        // The second miss shows its box and quits; ending the run that way is what wholeRunWithoutDriver sees.
        QCOMPARE(callCheckDriver(run.window), 0);
        QCOMPARE(callCheckDriver(run.window), 0);
        QCOMPARE(run.user.boxes().size(), 1);
        const RecordedBox &box = run.user.boxes().first();
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, QStringLiteral("Несовместимая версия Windows"));
        QCOMPARE(box.text, incompatible);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // The result goes into the installation row; no row follows it.
        QCOMPARE(view(run), QStringList({row(searching, missing, "fail"), row(installing, missing, "fail"),
                                         searching + tab + missing, installing + tab + missing}));
    }

    void wholeRunWithoutDriver()
    {
        ClientRun run;
        ScriptedSystem *system = script(run, {false, false}, {true, false});
        QCOMPARE(run.run(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts(), QStringList{incompatible});
        QCOMPARE(view(run), QStringList({row(searching, missing, "fail"), row(installing, installed, "ok"),
                                         row(checking, missing, "fail"), searching + tab + missing,
                                         installing + tab + installed, checking + tab + missing}));
        QCOMPARE(system->driverChecks, 2);
        QCOMPARE(system->installerPolls, 2);
        QVERIFY(!QFileInfo::exists(extractionDirectory()));
        QVERIFY(run.simulator.trace().isEmpty());
    }

    void wholeRunInstallerFixesDriver()
    {
        // With no device connected every search fails; the driver miss has used up one of the three attempts.
        ClientRun run(SimulatorConfig(), false);
        script(run, {false, true}, {false});
        for (int i = 0; i < 3; ++i)
            run.user.enqueue(QMessageBox::Ok);
        QCOMPARE(run.run(), RunEnd::WindowClosed);
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::connectPrompt, texts::connectPrompt}));
        const QString notFound = row(texts::searching, texts::notFound, "fail");
        QCOMPARE(view(run).mid(1, 5),
                 QStringList({row(installing, installed, "ok"), row(checking, texts::driverFound, "ok"), notFound,
                              notFound, searching + tab + missing})); // five rows, then the log
    }
};

QTEST_MAIN(TestDriverSteps)
#include "tst_driversteps.moc"
