#include "driver/linuxsystem.h"
#include "driver/windowssystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Windows primitives that answer from the test's script and note what the probe asked.
struct ScriptedWindows
{
    QString root = QStringLiteral("C:/");
    QString source;
    QStringList existingFiles;
    QByteArray commandOutput;

    QStringList checkedFiles;
    QStringList commands;
    QList<int> limits;

    WindowsSystem system()
    {
        WindowsPrimitives p;
        p.rootPath = [this] { return root; };
        p.readRegistrySource = [this] { return source; };
        p.fileExists = [this](const QString &path) {
            checkedFiles << path;
            return existingFiles.contains(path);
        };
        p.runCommand = [this](const QString &commandLine, int timeoutMs) {
            commands << commandLine;
            limits << timeoutMs;
            return commandOutput;
        };
        p.startDetached = [](const QString &, const QString &) { return false; };
        return WindowsSystem(p);
    }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

class TestDriverProbe : public QObject
{
    Q_OBJECT

private slots:
    void windowsDetection_data();
    void windowsDetection();
    void windowsInstallerMonitor_data();
    void windowsInstallerMonitor();
    void lockdownEntryName_data();
    void lockdownEntryName();
    void linuxDetection_data();
    void linuxDetection();
    void linuxSearchStopsAtDeadline();
    void processListFromFakeProc();
    void linuxInstallerMonitor();
    void realProcessListNamesThisTest();
    void realCommandOutput_data();
    void realCommandOutput();
    void startInstallerKeepsPathWhole();
};

void TestDriverProbe::windowsDetection_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QByteArray>("searchOutput");
    QTest::addColumn<QString>("checkedFile"); // empty: no file test expected
    QTest::addColumn<QString>("command");     // empty: no search expected
    QTest::addColumn<bool>("present");

    const QString where = QStringLiteral("where /r C:\\Windows silabser.sys");
    const QString usual = QStringLiteral("C:\\Windows\\System32\\drivers\\silabser.sys");
    const QByteArray store = "C:\\Windows\\System32\\DriverStore\\FileRepository\\silabser.inf_amd64_1\\";

    QTest::newRow("registry names an existing file")
        << "C:/"
        << "%SystemRoot%\\System32\\drivers\\silabser.sys" << QStringList{usual} << QByteArray("x64") << usual
        << QString() << true;
    QTest::newRow("source without percent is kept whole")
        << "C:/"
        << "\\System32\\drivers\\silabser.sys" << QStringList{usual} << QByteArray() << usual << QString() << true;
    QTest::newRow("several percents keep the rest after the last")
        << "C:/"
        << "%a%%b%\\System32\\drivers\\silabser.sys" << QStringList{usual} << QByteArray() << usual << QString()
        << true;
    QTest::newRow("registry file gone, search finds x64")
        << "C:/"
        << "%SystemRoot%\\System32\\drivers\\silabser.sys" << QStringList()
        << QByteArray("C:\\Windows\\Temp\\driver\\x64\\silabser.sys\r\n") << usual << where << true;
    QTest::newRow("empty source goes straight to the search")
        << "C:/" << QString() << QStringList{usual} << QByteArray("D:\\x64\\silabser.sys") << QString() << where
        << true;
    QTest::newRow("only upper-case X64") << "C:/" << QString() << QStringList()
                                         << QByteArray("C:\\Windows\\X64\\silabser.sys\r\n") << QString() << where
                                         << false;
    QTest::newRow("only 32-bit paths") << "C:/" << QString() << QStringList()
                                       << (store + "silabser.sys\r\nC:\\Windows\\x86\\silabser.sys\r\n") << QString()
                                       << where << false;
    QTest::newRow("search cannot run") << "C:/" << QString() << QStringList() << QByteArray() << QString() << where
                                       << false;
    QTest::newRow("x64 only behind a zero byte")
        << "C:/" << QString() << QStringList() << QByteArray("INFO: none\0C:\\x64\\silabser.sys", 30) << QString()
        << where << false;
    QTest::newRow("root without slash is the whole prefix")
        << "D:"
        << "%SystemRoot%\\silabser.sys" << QStringList() << QByteArray() << "D:\\Windows\\silabser.sys"
        << "where /r D:\\Windows silabser.sys" << false;
    QTest::newRow("root of slash gives no drive")
        << "/"
        << "%SystemRoot%\\silabser.sys" << QStringList{QStringLiteral("\\Windows\\silabser.sys")} << QByteArray()
        << "\\Windows\\silabser.sys" << QString() << true;
    QTest::newRow("root of slash searches a drive-less directory")
        << "/" << QString() << QStringList() << QByteArray("\\Windows\\x64\\silabser.sys") << QString()
        << "where /r \\Windows silabser.sys" << true;
}

void TestDriverProbe::windowsDetection()
{
    QFETCH(QString, root);
    QFETCH(QString, source);
    QFETCH(QStringList, existing);
    QFETCH(QByteArray, searchOutput);
    QFETCH(QString, checkedFile);
    QFETCH(QString, command);
    QFETCH(bool, present);

    ScriptedWindows script;
    script.root = root;
    script.source = source;
    script.existingFiles = existing;
    script.commandOutput = searchOutput;
    WindowsSystem system = script.system();

    QCOMPARE(system.driverPresent(), present);
    QCOMPARE(script.checkedFiles, checkedFile.isEmpty() ? QStringList() : QStringList{checkedFile});
    QCOMPARE(script.commands, command.isEmpty() ? QStringList() : QStringList{command});
    QCOMPARE(script.limits, command.isEmpty() ? QList<int>() : QList<int>{30000});
}

void TestDriverProbe::windowsInstallerMonitor_data()
{
    QTest::addColumn<QByteArray>("tasklist");
    QTest::addColumn<bool>("running");

    const QByteArray header = "Image Name                     PID Session Name        Session#    Mem Usage\r\n"
                              "========================= ======== ================ =========== ============\r\n"
                              "explorer.exe                  4312 Console                    1    120,332 K\r\n";
    QTest::newRow("installer listed") << header + "CP210xVCPInstaller.exe        5120 Console    1     9,004 K\r\n"
                                      << true;
    QTest::newRow("longer name containing it") << header + "OldCP210xVCPInstaller.exe.bak  77 Console  1  1 K\r\n"
                                               << true;
    QTest::newRow("resource file name") << header + "CP210xVCPInstaller_x64.exe    5120 Console    1     9,004 K\r\n"
                                        << false;
    QTest::newRow("other letter case") << header + "cp210xvcpinstaller.exe        5120 Console    1     9,004 K\r\n"
                                       << false;
    QTest::newRow("installer only behind a zero byte") << header + QByteArray("\0CP210xVCPInstaller.exe", 23) << false;
    QTest::newRow("tasklist cannot run") << QByteArray() << false;
}

void TestDriverProbe::windowsInstallerMonitor()
{
    QFETCH(QByteArray, tasklist);
    QFETCH(bool, running);

    ScriptedWindows script;
    script.commandOutput = tasklist;
    WindowsSystem system = script.system();

    QCOMPARE(system.installerRunning(), running);
    QCOMPARE(script.commands, QStringList{QStringLiteral("tasklist")});
    QCOMPARE(script.limits, QList<int>{30000});
}

void TestDriverProbe::lockdownEntryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("as written") << "%SystemRoot%/system32/DRIVERS/silabser.sys" << true;
    QTest::newRow("as Qt lists it") << "%SystemRoot%\\system32\\DRIVERS\\silabser.sys" << true;
    QTest::newRow("other letter case") << "%systemroot%/System32/drivers/SILABSER.SYS" << true;
    QTest::newRow("another driver") << "%SystemRoot%/system32/DRIVERS/silabenm.sys" << false;
    QTest::newRow("another directory") << "%SystemRoot%/system32/silabser.sys" << false;
}

void TestDriverProbe::lockdownEntryName()
{
    QFETCH(QString, name);
    QFETCH(bool, matches);

    QCOMPARE(driverprobe::isDriverLockdownEntry(name), matches);
    QVERIFY(driverprobe::lockdownKey().endsWith(QStringLiteral("\\PnpLockdownFiles\\%SystemRoot%/system32/DRIVERS/"
                                                               "silabser.sys")));
    QCOMPARE(driverprobe::lockdownKey().size(), 126);
}

void TestDriverProbe::linuxDetection_data()
{
    QTest::addColumn<QStringList>("files"); // relative to a root standing in for "/"; a trailing "/" makes a directory
    QTest::addColumn<QString>("release");
    QTest::addColumn<bool>("present");

    const QString sysDriver = QStringLiteral("sys/bus/usb-serial/drivers/cp210x/");
    QTest::newRow("driver registered in sysfs") << QStringList{sysDriver} << "6.1.0-9-amd64" << true;
    QTest::newRow("registered even without a release") << QStringList{sysDriver} << QString() << true;
    QTest::newRow("compressed module nested deep")
        << QStringList{QStringLiteral("sys/bus/usb-serial/drivers/ftdi_sio/"),
                       QStringLiteral("modules/6.1.0-9-amd64/kernel/drivers/usb/serial/cp210x.ko.xz")}
        << "6.1.0-9-amd64" << true;
    QTest::newRow("plain module") << QStringList{QStringLiteral("modules/6.1.0-9-amd64/extra/cp210x.ko")}
                                  << "6.1.0-9-amd64" << true;
    QTest::newRow("module of another kernel")
        << QStringList{QStringLiteral("modules/5.10.0-8-amd64/kernel/drivers/usb/serial/cp210x.ko")} << "6.1.0-9-amd64"
        << false;
    QTest::newRow("name merely containing it") << QStringList{QStringLiteral("modules/6.1.0-9-amd64/kernel/xcp210x.ko"),
                                                              QStringLiteral("modules/6.1.0-9-amd64/kernel/cp210x.txt")}
                                               << "6.1.0-9-amd64" << false;
    QTest::newRow("directory named like the module")
        << QStringList{QStringLiteral("modules/6.1.0-9-amd64/cp210x.ko.d/")} << "6.1.0-9-amd64" << false;
    QTest::newRow("missing tree") << QStringList() << "6.1.0-9-amd64" << false;
    QTest::newRow("no release") << QStringList{QStringLiteral("modules/cp210x.ko")} << QString() << false;
}

void TestDriverProbe::linuxDetection()
{
    QFETCH(QStringList, files);
    QFETCH(QString, release);
    QFETCH(bool, present);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const QString &file : files) {
        if (file.endsWith(QLatin1Char('/')))
            QVERIFY(QDir(root.path()).mkpath(file));
        else
            QVERIFY(writeFile(root.filePath(file), "module"));
    }
#ifdef Q_OS_UNIX
    // A link back to its own directory must neither hang the search nor matter to it.
    const QString releaseDir = root.filePath(QStringLiteral("modules/") + release);
    if (!release.isEmpty() && QFileInfo(releaseDir).isDir())
        QVERIFY(QFile::link(QStringLiteral("."), releaseDir + QStringLiteral("/loop")));
#endif

    LinuxPaths paths;
    paths.sysRoot = root.filePath(QStringLiteral("sys"));
    paths.modulesRoot = root.filePath(QStringLiteral("modules"));
    paths.kernelRelease = release;
    paths.procRoot = root.filePath(QStringLiteral("proc"));
    QCOMPARE(LinuxSystem(paths).driverPresent(), present);
}

void TestDriverProbe::linuxSearchStopsAtDeadline()
{
    QTemporaryDir root;
    QVERIFY(writeFile(root.filePath(QStringLiteral("kernel/cp210x.ko")), "module"));
    QVERIFY(driverprobe::moduleTreeHasCp210x(root.path(), QDeadlineTimer(30000)));
    QVERIFY(!driverprobe::moduleTreeHasCp210x(root.path(), QDeadlineTimer(0)));
}

namespace {

// A /proc stand-in: numbered directories with a cmdline each, plus entries a real /proc has besides.
bool makeFakeProc(const QString &proc)
{
    const QList<std::pair<QString, QByteArray>> cmdlines = {
        {QStringLiteral("1"), QByteArray("/sbin/init\0splash\0", 18)},
        {QStringLiteral("1200"), QByteArray("/opt/x/CP210xVCPInstaller.exe\0--quiet\0", 38)},
        {QStringLiteral("305"), QByteArray("C:\\dir\\CP210xVCPInstaller.exe\0", 30)},
        {QStringLiteral("2"), QByteArray()},                         // a kernel thread
        {QStringLiteral("self"), QByteArray("/usr/bin/self\0", 14)}, // not a process directory
        {QStringLiteral("40"), QByteArray("bash\0", 5)},
    };
    for (const auto &entry : cmdlines) {
        if (!writeFile(proc + QLatin1Char('/') + entry.first + QStringLiteral("/cmdline"), entry.second))
            return false;
    }
    return QDir(proc).mkpath(QStringLiteral("77"))                       // gone while listed: no cmdline
           && writeFile(proc + QStringLiteral("/uptime"), "12.5 3.1\n"); // a file, not a directory
}

} // namespace

void TestDriverProbe::processListFromFakeProc()
{
    QTemporaryDir root;
    QVERIFY(makeFakeProc(root.path()));
    QCOMPARE(driverprobe::processListFromProc(root.path()),
             QStringLiteral("init\nbash\nCP210xVCPInstaller.exe\nCP210xVCPInstaller.exe\n"));
    QCOMPARE(driverprobe::processListFromProc(root.filePath(QStringLiteral("missing"))), QString());
}

void TestDriverProbe::linuxInstallerMonitor()
{
    QTemporaryDir running;
    QVERIFY(makeFakeProc(running.path()));
    QTemporaryDir gone;
    QVERIFY(writeFile(gone.filePath(QStringLiteral("9/cmdline")), QByteArray("/tmp/CP210xVCPInstaller_x64.exe\0", 32)));
    QVERIFY(writeFile(gone.filePath(QStringLiteral("10/cmdline")), QByteArray("cp210xvcpinstaller.exe\0", 23)));
    QVERIFY(writeFile(gone.filePath(QStringLiteral("11/cmdline")), QByteArray("sh\0CP210xVCPInstaller.exe\0", 26)));

    LinuxPaths paths;
    paths.procRoot = running.path();
    QVERIFY(LinuxSystem(paths).installerRunning());
    paths.procRoot = gone.path();
    QVERIFY(!LinuxSystem(paths).installerRunning());
}

void TestDriverProbe::realProcessListNamesThisTest()
{
#ifndef Q_OS_LINUX
    QSKIP("reads the kernel's /proc");
#else
    const QStringList names = driverprobe::processListFromProc(QStringLiteral("/proc")).split(QLatin1Char('\n'));
    QVERIFY(names.contains(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
#endif
}

void TestDriverProbe::realCommandOutput_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("limitMs");

    QTest::newRow("whole output") << "sh -c \"printf 'a b'; printf c >&2\"" << QByteArray("a b") << 30000;
    QTest::newRow("cannot start") << "kz-no-such-program /r x" << QByteArray() << 30000;
    QTest::newRow("output so far when the limit ends it")
        << "sh -c \"printf early; exec sleep 20\"" << QByteArray("early") << 1500;
}

void TestDriverProbe::realCommandOutput()
{
#ifndef Q_OS_UNIX
    QSKIP("uses a POSIX shell");
#else
    QFETCH(QString, commandLine);
    QFETCH(QByteArray, output);
    QFETCH(int, limitMs);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(driverprobe::runCommandOutput(commandLine, limitMs), output);
    QVERIFY(clock.elapsed() < 15000);
#endif
}

void TestDriverProbe::startInstallerKeepsPathWhole()
{
#ifndef Q_OS_UNIX
    QSKIP("starts a shell script");
#else
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("driver dir"));
    const QString program = dir + QStringLiteral("/CP210xVCPInstaller.exe");
    QVERIFY(writeFile(program, "#!/bin/sh\n{ pwd; echo \"$#\"; } > started.tmp && mv started.tmp started.txt\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    LinuxSystem system;
    QVERIFY(system.startInstaller(program, dir));
    const QString marker = dir + QStringLiteral("/started.txt");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    QFile file(marker);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(QFileInfo(QString::fromUtf8(lines.value(0))).canonicalFilePath(), QFileInfo(dir).canonicalFilePath());
    QCOMPARE(lines.value(1), QByteArray("0"));

    QVERIFY(!system.startInstaller(dir + QStringLiteral("/missing.exe"), dir));
#endif
}

QTEST_GUILESS_MAIN(TestDriverProbe)
#include "tst_driverprobe.moc"
