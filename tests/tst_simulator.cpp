// The simulated device's command line: numbers that would wrap when narrowed are refused, not turned into another
// fault. (What the client sends is checked by the whole runs against the tests' own sums, not the device's verdict.)

#include "sim/devicesimulator.h"
#include "sim/simulatoroptions.h"

#include <QCommandLineParser>
#include <QtTest>

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void optionRanges_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("latency fraction") << QStringList{"--latency", "0.25"} << true;
        for (const char *latency : {"1e300", "inf", "nan", "-1"})
            QTest::addRow("latency %s", latency) << QStringList{"--latency", latency} << false;
        QTest::newRow("delay of ten minutes") << QStringList{"--fault", "delay:0x09:ms=600000"} << true;
        for (const char *rule : {"delay:0x09:ms=0xFFFFFFFF", "split:0x09:pieces=0xFFFFFFFF",
                                 "split:0x09:gap=4294967295", "no-reply:0x09:page=0xFFFFFFFF", "no-reply:0x09:nth=0"})
            QTest::addRow("%s", rule) << QStringList{"--fault", rule} << false;
        QTest::newRow("unplug count too large") << QStringList{"--unplug-after-pages", "0xFFFFFFFF"} << false;
    }

    void optionRanges()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepted);
        QCommandLineParser parser;
        addSimulatorOptions(parser, SimulatorConfig());
        QVERIFY(parser.parse(QStringList{"sim"} + arguments));
        SimulatorConfig config;
        QString error;
        QCOMPARE(simulatorConfigFromOptions(parser, &config, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
