// The simulated device's command lines on bad input: a fault rule or an option that cannot be read is refused with
// a reason that names it, and nothing of the command line is applied, so that a run never starts against a device
// other than the one asked for.

#include "sim/device/faultrules.h"
#include "sim/device/simulatoroptions.h"

#include <QCommandLineParser>
#include <QtTest>

class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    void badFaultRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("reason"); // a part of the refusal
        const auto row = [](const char *name, const char *rule, const char *reason) {
            QTest::newRow(name) << rule << reason;
        };
        row("no command", "no-reply", "kind:command");
        row("unknown kind", "lose:0x09", "unknown fault kind");
        row("command beyond a byte", "no-reply:0x100", "bad command code");
        row("command not a number", "no-reply:zz", "bad command code");
        row("item without =", "no-reply:0x09:page", "key=value");
        row("unknown key", "no-reply:0x09:colour=red", "unknown key");
        row("nth of 0", "no-reply:0x09:nth=0", "wants a number from 1");
        row("negative delay", "delay:0x08:ms=-5", "wants a number from 0");
        row("delay past 32 bits", "delay:0x08:ms=0xFFFFFFFF", "wants a number");
        row("odd payload", "replace:0x02:payload=8", "hex digits");
        // A good item before the bad one must not stay behind.
        row("good then bad", "no-reply:0x09:page=3:nth=x", "wants a number");
    }

    void badFaultRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, reason);
        Fault fault;
        fault.command = 0x42;
        QString error;
        QVERIFY(!Fault::parse(rule, &fault, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(fault.command, quint8(0x42));
        QCOMPARE(fault.address, qint64(-1));
        QCOMPARE(fault.occurrence, -1);
    }

    // The older options are spellings of fault rules, each the rule its row is named after; a rule of its own is read
    // from its words, its kind in any letter case and its command in decimal too. The trigger: kind, any command,
    // command, the run's request, accepted pages, address, occurrence.
    void optionsSpellRules_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QVector<qint64>>("trigger");
        const auto row = [](const char *name, const QStringList &options, FaultKind kind, QVector<qint64> trigger) {
            QTest::newRow(name) << options << QVector<qint64>{qint64(kind)} + trigger;
        };
        row("vanish:any:request=7", {"--vanish-at", "7"}, FaultKind::Vanish, {1, 0, 7, -1, -1, -1});
        row("hang:any:request=9", {"--silent-from", "9"}, FaultKind::Hang, {1, 0, 9, -1, -1, -1});
        row("unplug:0x09:pages=3", {"--unplug-after-pages", "3"}, FaultKind::Unplug, {0, 9, 0, 3, -1, -1});
        row("a rule's own words", {"--fault", "No-Reply:9:page=3:nth=2"}, FaultKind::NoReply,
            {0, 9, 0, -1, 0x8000 + 3 * 512, 2});
    }

    void optionsSpellRules()
    {
        QFETCH(QStringList, options);
        QFETCH(QVector<qint64>, trigger);
        QCommandLineParser parser;
        addSimulatorOptions(parser);
        QVERIFY(parser.parse(QStringList{"kivra-zid-sim"} + options));
        SimulatorConfig config;
        QString error;
        QVERIFY2(simulatorConfigFromOptions(parser, &config, &error), qPrintable(error));
        QCOMPARE(config.faults.size(), 1);
        const Fault &f = config.faults.first();
        QCOMPARE(trigger, QVector<qint64>({int(f.kind), f.anyCommand, f.command, f.request, f.afterPages, f.address,
                                           f.occurrence}));
    }

    // Each command line starts with good options; the one bad option refuses the whole line.
    void badOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        const QStringList good{"--fw-version", "0.0.7", "--sku", "12345", "--baud", "9600"};
        QTest::newRow("version of four numbers") << good + QStringList{"--new-version", "0.1.2.3"} << "--new-version";
        QTest::newRow("version field past a byte") << good + QStringList{"--fw-version", "0.1.256"} << "--fw-version";
        QTest::newRow("SKU longer than its field") << good + QStringList{"--sku", QString(33, 'S')} << "--sku";
        QTest::newRow("SKU after the update too long")
            << good + QStringList{"--new-sku", QString(33, 'S')} << "--new-sku";
        QTest::newRow("run mode past a byte") << good + QStringList{"--run-mode", "256"} << "--run-mode";
        QTest::newRow("negative baud") << good + QStringList{"--baud", "-1"} << "--baud";
        QTest::newRow("latency not a number") << good + QStringList{"--latency", "nan"} << "--latency";
        QTest::newRow("vanish at request 0") << good + QStringList{"--vanish-at", "0"} << "--vanish-at";
        QTest::newRow("bad fault after a good one")
            << good + QStringList{"--fault", "no-reply:0x09", "--fault", "no-reply:0x09:nth=0"} << "--fault";
    }

    void badOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        QCommandLineParser parser;
        addSimulatorOptions(parser);
        QVERIFY(parser.parse(QStringList{"kivra-zid-sim"} + arguments));
        const SimulatorConfig before;
        SimulatorConfig config = before;
        QString error;
        QVERIFY(!simulatorConfigFromOptions(parser, &config, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(config.version.toString(), before.version.toString());
        QCOMPARE(config.sku, before.sku);
        QCOMPARE(config.baudRate, before.baudRate);
        QCOMPARE(config.faults.size(), before.faults.size());
    }
};

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
