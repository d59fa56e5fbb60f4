// The real Windows system layer on Windows (or Wine): the driver's registry entry as Windows keeps it. Starting the
// installer detached from a path with spaces is part of tst_windowsclient's whole run. The parsing of "where" and
// "tasklist" output is checked in tst_driverprobe, which runs here too, since Wine's own tools print nothing.

#include "driver/windowssystem.h"
#include "support/windowsregistry.h"

#include <QtTest>

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
            QFile::remove(lockdown::driverFile());
        plantedDriverFile = false;
    }

    void registryEntry_data()
    {
        QTest::addColumn<bool>("parent");
        QTest::addColumn<QString>("source"); // null: no entry
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("present");
        const QString source = lockdown::driverSource();
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
            QFile file(lockdown::driverFile());
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
            plantedDriverFile = true;
        }
        QCOMPARE(WindowsSystem().driverPresent(), present);
        // Looking must not create what was not there: an elevated client would leave an empty entry behind.
        QCOMPARE(lockdown::parentExists(), parent);
        QCOMPARE(lockdown::entryExists(), !source.isNull());
    }
};

QTEST_GUILESS_MAIN(TestWindowsSystem)
#include "tst_windowssystem.moc"
