// The real Windows system layer: the driver's registry entry planted through the Win32 API, and the whole client
// with the machine's registry, "where" and "tasklist"; only the vendor's installer is a stand-in that records its run.

#include "../support/files.h"
#include "../support/windowrun.h"
#include "app/singleinstance.h"
#include "driver/windowssystem.h"
#include "sim/system/windowsregistry.h"

#include <QtTest>

using namespace registry;

class TestWindowsSystem : public QObject
{
    Q_OBJECT

    // The system's temporary directory for the run, with a space in its path, as user profiles often have.
    QTemporaryDir temp{QDir::tempPath() + QStringLiteral("/kivra zid-XXXXXX")};

private slots:
    void initTestCase()
    {
        // The suite changes the machine's lockdown list: only where there is none to lose, as in a fresh prefix.
        if (keyExists(lockdownKey))
            QSKIP("the PnP lockdown list exists on this machine; the suite runs only where it does not");
        QVERIFY(temp.isValid());
        // The client unpacks the driver package below the system's temporary directory.
        qputenv("TMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        qputenv("TEMP", QDir::toNativeSeparators(temp.path()).toUtf8());
        QCOMPARE(QDir::tempPath().toLower(), temp.path().toLower());
    }

    void cleanup() { removeDriver(); }

    // What a power cut leaves of the lock in %TEMP%, which outlives a reboot: an empty file, which the next start
    // takes over once its writer has had time to write it.
    void emptyLockInTemp()
    {
        const QString lock = SingleInstance::defaultFolder() + "/instance-" + SingleInstance::userTag() + ".lock";
        QFile empty(lock);
        QVERIFY(QDir().mkpath(SingleInstance::defaultFolder()) && empty.open(QIODevice::WriteOnly));
        QVERIFY(empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        empty.close();
        SingleInstance start;
        QCOMPARE(start.start(), SingleInstance::Start::Run);
    }

    // A second start while the first client is in its timed close (here a process of this suite that answers
    // "ending" and goes 2 s later) waits for it to go and runs in its place.
    void secondStartWhileEnding()
    {
        const QString folder = qEnvironmentVariable("KZ_FIRST_CLIENT");
        if (!folder.isEmpty()) { // the first client, in a process of its own
            SingleInstance first(folder);
            QCOMPARE(first.start(), SingleInstance::Start::Run);
            first.answerWith([] { return false; });
            puts("running");
            fflush(stdout);
            QTest::qWait(2000);
            return;
        }
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KZ_FIRST_CLIENT", temp.filePath("instance"));
        first.setProcessEnvironment(env);
        first.start(QCoreApplication::applicationFilePath(), {"secondStartWhileEnding"});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardOutput()).contains("running"), 30000);
        SingleInstance second(temp.filePath("instance"));
        QCOMPARE(second.start(), SingleInstance::Start::Run);
        QVERIFY(first.state() == QProcess::NotRunning || first.waitForFinished(1000));
    }

    void registryEntry_data()
    {
        QTest::addColumn<bool>("parent");
        QTest::addColumn<QString>("source"); // null: no entry
        QTest::addColumn<bool>("fileThere"); // the driver is present exactly where its file is
        QTest::newRow("entry names an existing file") << true << driverSource << true;
        QTest::newRow("entry names a missing file") << true << driverSource << false;
        QTest::newRow("parent key without the entry") << true << QString() << false;
        QTest::newRow("no parent key") << false << QString() << false;
    }

    void registryEntry()
    {
        QFETCH(bool, parent);
        QFETCH(QString, source);
        QFETCH(bool, fileThere);
        if (parent) {
            QVERIFY(setText(driverEntryKey, L"Source", source.isNull() ? QStringLiteral("unused") : source));
            if (source.isNull())
                RegDeleteKeyW(HKEY_LOCAL_MACHINE, driverEntryKey.c_str());
        }
        QVERIFY(!fileThere || QFile(driverFile).open(QIODevice::WriteOnly));
        QCOMPARE(WindowsSystem().driverPresent(), fileThere);
        // Looking must not create what was not there: an elevated client would leave an empty entry behind.
        QCOMPARE(keyExists(lockdownKey), parent);
        QCOMPARE(keyExists(driverEntryKey), !source.isNull());
    }

    // The installer goes from the (real) process list, and the second detection finds no driver. (The box's title and
    // icon, and the rows: tst_driversteps.)
    void missingDriverRunsTheInstaller()
    {
        const QString record = temp.filePath(QStringLiteral("installer-record.txt"));
        qputenv("KZ_STANDIN_RECORD", QDir::toNativeSeparators(record).toUtf8());
        QStringList asked; // what the client asked to start, and in which directory
        WindowsPrimitives primitives = WindowsPrimitives::real();
        primitives.startDetached = [&asked](const QString &program, const QString &directory) {
            asked << program << directory;
            QFile::remove(program);
            return QFile::copy(QCoreApplication::applicationDirPath() + "/kivra-installer-standin.exe", program) &&
                   driverprobe::startDetachedProgram(program, directory);
        };
        WindowRun run;
        run.newWindow(std::make_unique<WindowsSystem>(primitives));
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts(), QStringList(QStringLiteral("Ваша версия Windows несовместима с данной программой. "
                                                            "Дальнейшая работа невозможна. Обратитесь в службу "
                                                            "поддержки email.")));
        const QString directory = QDir::tempPath() + QStringLiteral("/driver");
        QCOMPARE(asked, QStringList({directory + QStringLiteral("/CP210xVCPInstaller.exe"), directory}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(QString::fromUtf8(readFile(record)).split('\n').mid(0, 3),
                 QStringList({QStringLiteral("ran"), QDir::toNativeSeparators(directory), QStringLiteral("0")}));
        QVERIFY(!keyExists(lockdownKey));
    }
};

QTEST_MAIN(TestWindowsSystem)
#include "tst_windowssystem.moc"
