// The driver probes' decisions: on Windows with scripted primitives, on Linux against trees of the test's own.

#include "driver/linuxsystem.h"
#include "support/files.h"
#include "support/scriptedwindows.h"

#include <QtTest>

Q_DECLARE_METATYPE(ScriptedWindows)

class TestDriverProbe : public QObject
{
    Q_OBJECT

private slots:
    void windowsDetection_data()
    {
        QTest::addColumn<ScriptedWindows>("script");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<bool>("present");
        const QString std = QStringLiteral("%SystemRoot%\\System32\\drivers\\silabser.sys");
        const QString usual = QStringLiteral("C:\\Windows\\System32\\drivers\\silabser.sys");
        const QString where = QStringLiteral("where /r C:\\Windows silabser.sys | limit 30000");
        // Root path, registry source, whether the file it names exists, the search's output; what was looked at.
        const auto row = [](const char *name, const char *root, const QString &source, bool exists,
                            const QByteArray &output, const QStringList &asked, bool present) {
            QTest::newRow(name) << ScriptedWindows{root, source, exists, output, {}, {}} << asked << present;
        };
        row("registry names an existing file", "C:/", std, true, "x64", {usual}, true);
        row("registry file gone, search finds x64", "C:/", std, false,
            "C:\\Windows\\Temp\\driver\\x64\\silabser.sys\r\n", {usual, where}, true);
        row("empty source goes straight to the search", "C:/", {}, true, "D:\\x64\\silabser.sys", {where}, true);
        row("only upper-case X64", "C:/", {}, false, "C:\\Windows\\X64\\silabser.sys\r\n", {where}, false);
        row("only 32-bit paths", "C:/", {}, false, "C:\\Windows\\x86\\silabser.sys\r\nC:\\silabser.sys", {where},
            false);
        row("x64 only behind a zero byte", "C:/", {}, false, QByteArray("none\0C:\\x64\\silabser.sys", 24), {where},
            false);
        // The "Source" value is taken from after its last "%", whole without one, and put under the drive's Windows.
        row("source without %", "C:/", "\\System32\\silabser.sys", true, {}, {"C:\\Windows\\System32\\silabser.sys"},
            true);
        row("source with several %", "C:/", "%a%%SystemRoot%\\inf\\silabser.sys", true, {},
            {"C:\\Windows\\inf\\silabser.sys"}, true);
        // The drive is what comes before the root path's first "/", all of it without one.
        row("root path without /", "D:", std, false, {},
            {"D:\\Windows\\System32\\drivers\\silabser.sys", "where /r D:\\Windows silabser.sys | limit 30000"}, false);
    }

    void windowsDetection()
    {
        QFETCH(ScriptedWindows, script);
        QFETCH(QStringList, asked);
        QFETCH(bool, present);
        QCOMPARE(WindowsSystem(script.primitives()).driverPresent(), present);
        QCOMPARE(script.asked, asked);
    }

    void windowsInstallerMonitor_data()
    {
        QTest::addColumn<QByteArray>("tasklist");
        QTest::addColumn<bool>("running");
        const QByteArray header = "Image Name                     PID Session Name        Session#    Mem Usage\r\n"
                                  "========================= ======== ================ =========== ============\r\n"
                                  "explorer.exe                  4312 Console                    1    120,332 K\r\n";
        const QByteArray tail = "        5120 Console    1     9,004 K\r\n";
        QTest::newRow("installer listed") << header + "CP210xVCPInstaller.exe" + tail << true;
        QTest::newRow("longer name containing it") << header + "OldCP210xVCPInstaller.exe.bak" + tail << true;
        QTest::newRow("resource file name") << header + "CP210xVCPInstaller_x64.exe" + tail << false;
        QTest::newRow("other letter case") << header + "cp210xvcpinstaller.exe" + tail << false;
        QTest::newRow("tasklist cannot run") << QByteArray() << false;
    }

    void windowsInstallerMonitor()
    {
        QFETCH(QByteArray, tasklist);
        QFETCH(bool, running);
        ScriptedWindows script;
        script.commandOutput = tasklist;
        QCOMPARE(WindowsSystem(script.primitives()).installerRunning(), running);
        QCOMPARE(script.asked, QStringList{QStringLiteral("tasklist | limit 30000")});
    }

    void linuxDetection_data()
    {
        QTest::addColumn<QStringList>("files"); // below a root standing in for "/"; a trailing "/" makes a directory
        QTest::addColumn<bool>("present");
        const QString release = QStringLiteral("modules/6.1.0-9-amd64/");
        QTest::newRow("driver registered in sysfs") << QStringList{"sys/bus/usb-serial/drivers/cp210x/"} << true;
        QTest::newRow("compressed module nested deep")
            << QStringList{"sys/bus/usb-serial/drivers/ftdi_sio/", release + "kernel/drivers/usb/serial/cp210x.ko.xz"}
            << true;
        QTest::newRow("module of another kernel") << QStringList{"modules/5.10.0-8-amd64/cp210x.ko"} << false;
        QTest::newRow("names merely like it") << QStringList{release + "xcp210x.ko", release + "cp210x.txt"} << false;
        QTest::newRow("missing tree") << QStringList() << false;
    }

    void linuxDetection()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, present);
        QTemporaryDir root;
        for (const QString &file : files)
            QVERIFY(file.endsWith('/') ? QDir(root.path()).mkpath(file) : writeFile(root.filePath(file), "module"));
        LinuxPaths paths;
        paths.sysRoot = root.filePath(QStringLiteral("sys"));
        paths.modulesRoot = root.filePath(QStringLiteral("modules"));
        paths.kernelRelease = QStringLiteral("6.1.0-9-amd64");
        QCOMPARE(LinuxSystem(paths).driverPresent(), present);
    }
};

QTEST_GUILESS_MAIN(TestDriverProbe)
#include "tst_driverprobe.moc"
