// The real Windows system layer on Windows (or Wine): the driver's registry entry as Windows keeps it, and the
// installer started detached from a path with spaces. The parsing of "where" and "tasklist" output is checked in
// tst_driverprobe, which runs here too, since Wine's own tools print nothing.

#include "driver/windowssystem.h"
#include "support/windowsregistry.h"

#include <QtTest>

namespace {
// Where a "Source" of "%SystemRoot%\System32\drivers\silabser.sys" points on the system drive.
QString driverFile()
{
    return QDir::rootPath() + QStringLiteral("Windows/System32/drivers/silabser.sys");
}
} // namespace

class TestWindowsSystem : public QObject
{
    Q_OBJECT

    bool plantedDriverFile = false;

private slots:
    void initTestCase()
    {
        // The suite changes the machine's lockdown list: only where there is none to lose, as in a fresh prefix.
        if (lockdown::parentExists())
            QSKIP("the PnP lockdown list exists on this machine; the suite runs only where it does not");
    }

    void cleanup()
    {
        lockdown::removeParent();
        if (plantedDriverFile)
            QFile::remove(driverFile());
        plantedDriverFile = false;
    }

    void registryEntry_data()
    {
        QTest::addColumn<bool>("parent");
        QTest::addColumn<QString>("source"); // null: no entry
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("present");
        const QString source = QStringLiteral("%SystemRoot%\\System32\\drivers\\silabser.sys");
        QTest::newRow("entry names an existing file") << true << source << true << true;
        QTest::newRow("entry names a missing file") << true << source << false << false;
        QTest::newRow("parent key without the entry") << true << QString() << false << false;
        QTest::newRow("no parent key") << false << QString() << false << false;
    }

    void registryEntry()
    {
        QFETCH(bool, parent);
        QFETCH(QString, source);
        QFETCH(bool, fileThere);
        QFETCH(bool, present);
        if (parent) {
            QVERIFY(lockdown::plant(source.isNull() ? QStringLiteral("unused") : source));
            if (source.isNull())
                lockdown::removeEntry();
        }
        if (fileThere) {
            QFile file(driverFile());
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
            plantedDriverFile = true;
        }
        QCOMPARE(WindowsSystem().driverPresent(), present);
        // Looking must not create what was not there: an elevated client would leave an empty entry behind.
        QCOMPARE(lockdown::parentExists(), parent);
        QCOMPARE(lockdown::entryExists(), !source.isNull());
    }

    void startsInstallerDetachedFromPathWithSpaces()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString directory = temp.filePath(QStringLiteral("driver dir"));
        QVERIFY(QDir().mkpath(directory));
        const QString installer = directory + QStringLiteral("/CP210xVCPInstaller.exe");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/kivra-installer-standin.exe"),
                            installer));
        const QString record = temp.filePath(QStringLiteral("record.txt"));
        qputenv("KZ_STANDIN_RECORD", QDir::toNativeSeparators(record).toUtf8());

        QVERIFY(WindowsSystem().startInstaller(installer, directory));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("ran"));
        QCOMPARE(QDir::fromNativeSeparators(lines.value(1)).toLower(), directory.toLower());
        QCOMPARE(lines.value(2), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestWindowsSystem)
#include "tst_windowssystem.moc"
