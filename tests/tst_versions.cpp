// The device's version against the carried image's: the update decision and the version as the panel shows it. (The
// panel itself is read in the whole runs.)

#include "device/updatedecision.h"
#include "ui/formdevice.h"

#include <QtTest>

Q_DECLARE_METATYPE(UpdateDecision)

class TestVersions : public QObject
{
    Q_OBJECT

private slots:
    void decision_data()
    {
        QTest::addColumn<QString>("hardware");
        QTest::addColumn<QString>("sku");
        QTest::addColumn<QString>("version");
        QTest::addColumn<UpdateDecision>("decision");
        const auto row = [](const char *name, const char *hardware, const char *sku, const char *version,
                            UpdateDecision decision) { QTest::newRow(name) << hardware << sku << version << decision; };
        row("older build", "KTL407.001", "60318", "0.1.157", UpdateDecision::Update);
        row("carried version", "KTL407.001", "60318", "0.1.158", UpdateDecision::UpToDate);
        row("newer build", "KTL407.001", "60318", "0.1.159", UpdateDecision::DeviceNewer);
        row("newer minor, lower build", "KTL407.001", "60318", "0.2.0", UpdateDecision::DeviceNewer);
        row("bytes compare unsigned", "KTL407.001", "60318", "0.1.200", UpdateDecision::DeviceNewer);
        row("hardware in lower case", "ktl407.001", "60318", "0.1.157", UpdateDecision::NotSuitable);
        row("SKU with a trailing blank", "KTL407.001", "60318 ", "0.1.157", UpdateDecision::NotSuitable);
        row("identity decides before the version", "KTL407.001", "60319", "0.1.158", UpdateDecision::NotSuitable);
    }

    void decision()
    {
        QFETCH(QString, hardware);
        QFETCH(QString, sku);
        QFETCH(QString, version);
        QFETCH(UpdateDecision, decision);
        const QStringList v = version.split('.');
        QCOMPARE(decideUpdate(hardware, sku, quint8(v[0].toUInt()), quint8(v[1].toUInt()), quint8(v[2].toUInt())),
                 decision);
    }

    // The device numbers its releases 0.1.x while the product is sold as 1.0.
    void displayedVersion_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("shown");
        for (const char *pair : {"0.1.153=1.0.20", "0.1.158=1.0.26", "0.1.157=1.0.157", "0.1.0=1.0.0",
                                 "0.2.158=0.2.158", "1.0.26=1.0.26", "255.255.255=255.255.255"})
            QTest::newRow(pair) << QString(pair).section('=', 0, 0) << QString(pair).section('=', 1);
    }

    void displayedVersion()
    {
        QFETCH(QString, reported);
        QFETCH(QString, shown);
        const QStringList v = reported.split('.');
        QCOMPARE(::displayedVersion(quint8(v[0].toUInt()), quint8(v[1].toUInt()), quint8(v[2].toUInt())), shown);
    }
};

QTEST_MAIN(TestVersions)
#include "tst_versions.moc"
