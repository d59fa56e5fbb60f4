// The driver steps of the main window against a scripted system: what the user sees in the step table, the log and
// the boxes, what lands in the extraction directory, and what the system was asked to do.

#include "support/clientrun.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString searchingDriver = QStringLiteral("Поиск драйвера ...");
const QString driverFound = QStringLiteral("драйвер обнаружен.");
const QString driverMissing = QStringLiteral("драйвер не обнаружен.");
const QString installingDriver = QStringLiteral("Установка драйвера...");
const QString installing = QStringLiteral("установка...");
const QString installed = QStringLiteral("установка завершена.");
const QString checkingDriver = QStringLiteral("Проверка драйвера ...");
const QString incompatibleTitle = QStringLiteral("Несовместимая версия Windows");
const QString incompatibleText = QStringLiteral("Ваша версия Windows несовместима с данной программой. Дальнейшая "
                                                "работа невозможна. Обратитесь в службу поддержки email.");
const QChar tab = QLatin1Char('\t');

// The carried package and the names its files must have below the extraction directory.
const QList<QPair<QString, QString>> packageFiles = {
    {QStringLiteral(":/deviceFW/driver/CP210xVCPInstaller_x64.exe"), QStringLiteral("CP210xVCPInstaller.exe")},
    {QStringLiteral(":/deviceFW/driver/x64/silabser.sys"), QStringLiteral("x64/silabser.sys")},
    {QStringLiteral(":/deviceFW/driver/CP210x_Universal_Windows_Driver_ReleaseNotes.txt"),
     QStringLiteral("CP210x_Universal_Windows_Driver_ReleaseNotes.txt")},
    {QStringLiteral(":/deviceFW/driver/dpinst.xml"), QStringLiteral("dpinst.xml")},
    {QStringLiteral(":/deviceFW/driver/silabser.cat"), QStringLiteral("silabser.cat")},
    {QStringLiteral(":/deviceFW/driver/silabser.inf"), QStringLiteral("silabser.inf")},
    {QStringLiteral(":/deviceFW/driver/SLAB_License_Agreement_VCP_Windows.txt"),
     QStringLiteral("SLAB_License_Agreement_VCP_Windows.txt")},
};

QString extractionDirectory()
{
    return QDir::tempPath() + QStringLiteral("/driver");
}

ScriptedSystem *script(ClientRun &run, const QList<bool> &driverPresent, const QList<bool> &installerRunning)
{
    auto scripted = std::make_unique<ScriptedSystem>(driverPresent, installerRunning);
    run.system = scripted.get();
    run.window->setSystemAccess(std::move(scripted));
    return run.system;
}

// Calls the private slot as a timer would; -1 if the call did not happen, otherwise the slot's result.
int callCheckDriver(MainWindow *window)
{
    bool result = true;
    if (!QMetaObject::invokeMethod(window, "checkDriver", Qt::DirectConnection, Q_RETURN_ARG(bool, result)))
        return -1;
    return result ? 1 : 0;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
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

QStringList lines(const ClientRun &run)
{
    return run.log().split(QLatin1Char('\n'));
}

} // namespace

class TestDriverSteps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void firstCheck_data();
    void firstCheck();
    void installRound();
    void secondMissEndsTheProgram();
    void wholeRunWithoutDriver();
    void wholeRunInstallerFixesDriver();

private:
    std::unique_ptr<QTemporaryDir> temp;
    QByteArray savedTmpDir;
};

void TestDriverSteps::initTestCase()
{
    // The extraction directory lives below the system's temporary directory; keep it inside the test's own.
    temp = std::make_unique<QTemporaryDir>();
    QVERIFY(temp->isValid());
    savedTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp->path()));
    QCOMPARE(QDir::tempPath(), QDir::cleanPath(temp->path()));
}

void TestDriverSteps::cleanupTestCase()
{
    if (savedTmpDir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmpDir);
}

void TestDriverSteps::cleanup()
{
    QDir(extractionDirectory()).removeRecursively();
}

void TestDriverSteps::firstCheck_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("nextRow");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("driver present") << true << driverFound << "ok" << QString()
                                    << QStringList{searchingDriver + tab + driverFound};
    QTest::newRow("driver missing") << false << driverMissing << "fail" << installingDriver
                                    << QStringList{searchingDriver + tab + driverMissing, installingDriver};
}

void TestDriverSteps::firstCheck()
{
    QFETCH(bool, present);
    QFETCH(QString, result);
    QFETCH(QString, icon);
    QFETCH(QString, nextRow);
    QFETCH(QStringList, log);

    ClientRun run;
    ScriptedSystem *system = script(run, {present}, {true});
    run.user.enqueue(QMessageBox::Cancel);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(callCheckDriver(run.window), 0);
    QCOMPARE(system->driverChecks, 1);
    QCOMPARE(run.cell(0, 2), result);
    QCOMPARE(run.icon(0), icon);
    QCOMPARE(run.cell(1, 1), nextRow);
    QCOMPARE(run.icon(1), QString());
    QCOMPARE(lines(run), log);

    // Present: the connection prompt; missing: the installation. Either only after half a second.
    QTRY_VERIFY_WITH_TIMEOUT(!run.user.boxes().isEmpty() || !system->startedPrograms.isEmpty(), 1200);
    QVERIFY2(clock.elapsed() >= 490, qPrintable(QString::number(clock.elapsed())));
    if (present) {
        QCOMPARE(run.boxTexts(), QStringList{texts::connectPrompt});
        QCOMPARE(run.user.boxes().first().title, texts::connectTitle);
        QVERIFY(system->startedPrograms.isEmpty());
    } else {
        QVERIFY(run.user.boxes().isEmpty());
        QCOMPARE(system->startedPrograms.size(), 1);
    }
}

void TestDriverSteps::installRound()
{
    // Whatever an earlier run left in the extraction directory must not survive the unpacking.
    const QString directory = extractionDirectory();
    QVERIFY(QDir().mkpath(directory));
    QVERIFY(writeFile(directory + QStringLiteral("/CP210xVCPInstaller.exe"), "planted"));
    QVERIFY(writeFile(directory + QStringLiteral("/leftover.txt"), "stale"));
    const QString currentDirectory = QDir::currentPath();

    // Driven by the window's own timers: the first check 1.5 s after construction misses the driver.
    ClientRun run;
    ScriptedSystem *system = script(run, {false, true}, {true, true, false});
    QTRY_COMPARE_WITH_TIMEOUT(system->startedPrograms.size(), 1, 4000);
    QCOMPARE(system->installerPolls, 0);
    QCOMPARE(system->startedPrograms.first(), directory + QStringLiteral("/CP210xVCPInstaller.exe"));
    QCOMPARE(system->startedIn.first(), directory);
    QCOMPARE(QDir::currentPath(), currentDirectory);

    QStringList expected;
    for (const auto &file : packageFiles)
        expected.append(file.second);
    expected.sort();
    QCOMPARE(filesBelow(directory), expected);
    for (const auto &file : packageFiles) {
        const QString target = directory + QLatin1Char('/') + file.second;
        QCOMPARE(contents(target), contents(file.first));
        // Read-only copies would keep the directory from being removed on Windows.
        QVERIFY2(QFile::permissions(target) & QFile::WriteOwner, qPrintable(file.second));
    }
    QCOMPARE(run.cell(0, 2), driverMissing);
    QCOMPARE(run.icon(0), QStringLiteral("fail"));
    QCOMPARE(run.cell(1, 1), installingDriver);
    QCOMPARE(run.cell(1, 2), QString());

    // While the installer runs, each poll rewrites the same log line and schedules the next one.
    const QStringList whileInstalling{searchingDriver + tab + driverMissing, installingDriver + tab + installing};
    for (int poll = 1; poll <= 2; ++poll) {
        QTRY_COMPARE_WITH_TIMEOUT(system->installerPolls, poll, 1500);
        QCOMPARE(run.cell(1, 2), installing);
        QCOMPARE(run.icon(1), QString());
        QCOMPARE(lines(run), whileInstalling);
        QVERIFY(QFileInfo::exists(directory + QStringLiteral("/CP210xVCPInstaller.exe")));
    }

    QTRY_COMPARE_WITH_TIMEOUT(system->installerPolls, 3, 1500);
    QCOMPARE(run.cell(1, 2), installed);
    QCOMPARE(run.icon(1), QStringLiteral("ok"));
    QCOMPARE(run.cell(2, 1), checkingDriver);
    QCOMPARE(run.cell(2, 2), QString());
    QCOMPARE(lines(run),
             QStringList({searchingDriver + tab + driverMissing, installingDriver + tab + installed, checkingDriver}));
    QVERIFY(!QFileInfo::exists(directory));
    QCOMPARE(system->driverChecks, 1);
    QCOMPARE(system->startedPrograms.size(), 1);
    QCOMPARE(QDir::currentPath(), currentDirectory);
}

void TestDriverSteps::secondMissEndsTheProgram()
{
    ClientRun run;
    script(run, {false}, {true});
    QCOMPARE(callCheckDriver(run.window), 0);
    QCOMPARE(run.model()->rowCount(), 2);

    // The second miss quits the application, so it has to run inside the application's event loop.
    run.window->show();
    int second = -1;
    QTimer::singleShot(0, run.window, [&] { second = callCheckDriver(run.window); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    watchdog.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY2(run.window->isVisible(), "ended by quitting, not by closing the window");
    QCOMPARE(second, 0);

    QCOMPARE(run.user.boxes().size(), 1);
    const RecordedBox &box = run.user.boxes().first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, incompatibleTitle);
    QCOMPARE(box.text, incompatibleText);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // The result goes into the installation row; no row follows it.
    QCOMPARE(run.model()->rowCount(), 2);
    QCOMPARE(run.cell(1, 2), driverMissing);
    QCOMPARE(run.icon(1), QStringLiteral("fail"));
    QCOMPARE(lines(run), QStringList({searchingDriver + tab + driverMissing, installingDriver + tab + driverMissing}));
}

void TestDriverSteps::wholeRunWithoutDriver()
{
    ClientRun run;
    ScriptedSystem *system = script(run, {false, false}, {true, false});
    QCOMPARE(run.run(), RunEnd::ApplicationQuit);

    QCOMPARE(run.boxTexts(), QStringList{incompatibleText});
    QCOMPARE(run.user.boxes().first().icon, QMessageBox::Critical);
    const QStringList steps{searchingDriver, installingDriver, checkingDriver};
    const QStringList results{driverMissing, installed, driverMissing};
    const QStringList icons{QStringLiteral("fail"), QStringLiteral("ok"), QStringLiteral("fail")};
    QCOMPARE(run.model()->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(run.cell(row, 1), steps[row]);
        QCOMPARE(run.cell(row, 2), results[row]);
        QCOMPARE(run.icon(row), icons[row]);
    }
    QCOMPARE(lines(run), QStringList({searchingDriver + tab + driverMissing, installingDriver + tab + installed,
                                      checkingDriver + tab + driverMissing}));
    QCOMPARE(system->driverChecks, 2);
    QCOMPARE(system->installerPolls, 2);
    QCOMPARE(system->startedPrograms.size(), 1);
    QVERIFY(!QFileInfo::exists(extractionDirectory()));
    QVERIFY(run.simulator.trace().isEmpty());
}

void TestDriverSteps::wholeRunInstallerFixesDriver()
{
    // With no device connected every search fails; the driver miss has used up one of the three attempts.
    ClientRun run(SimulatorConfig(), false);
    script(run, {false, true}, {false});
    for (int i = 0; i < 3; ++i)
        run.user.enqueue(QMessageBox::Ok);
    QCOMPARE(run.run(), RunEnd::WindowClosed);

    QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::connectPrompt, texts::connectPrompt}));
    QCOMPARE(run.cell(1, 2), installed);
    QCOMPARE(run.cell(2, 1), checkingDriver);
    QCOMPARE(run.cell(2, 2), driverFound);
    QCOMPARE(run.icon(2), QStringLiteral("ok"));
    QCOMPARE(run.model()->rowCount(), 5);
    for (int row = 3; row <= 4; ++row) {
        QCOMPARE(run.cell(row, 1), texts::searching);
        QCOMPARE(run.cell(row, 2), texts::notFound);
        QCOMPARE(run.icon(row), QStringLiteral("fail"));
    }
    QVERIFY(run.simulator.trace().isEmpty());
}

QTEST_MAIN(TestDriverSteps)
#include "tst_driversteps.moc"
