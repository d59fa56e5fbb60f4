// The simulated device's command lines: a run never starts against a device other than the one asked for.

#include "sim/device/simulatoroptions.h"

#include <QCommandLineParser>
#include <QtTest>

class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    // The older options spell the fault rules their rows are named after; a rule's kind is read in any letter case,
    // its command in decimal too. The trigger: kind, any command, command, request, pages, address, occurrence.
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

    // One bad option or fault rule after good ones refuses the whole line, with a reason that names it.
    void badOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason"); // a part of the refusal
        const QStringList good{"--fw-version", "0.0.7", "--sku", "12345", "--baud", "9600"};
        const auto row = [&good](const char *name, const QStringList &bad, const char *reason) {
            QTest::newRow(name) << good + bad << reason;
        };
        const auto rule = [&row](const char *name, const char *text, const char *reason) {
            row(name, {"--fault", "no-reply:0x09", "--fault", text}, reason);
        };
        row("version of four numbers", {"--new-version", "0.1.2.3"}, "--new-version");
        row("version field past a byte", {"--fw-version", "0.1.256"}, "--fw-version");
        row("SKU longer than its field", {"--sku", QString(33, 'S')}, "--sku");
        row("SKU after the update too long", {"--new-sku", QString(33, 'S')}, "--new-sku");
        row("run mode past a byte", {"--run-mode", "256"}, "--run-mode");
        row("negative baud", {"--baud", "-1"}, "--baud");
        row("latency not a number", {"--latency", "nan"}, "--latency");
        row("vanish at request 0", {"--vanish-at", "0"}, "--vanish-at");
        rule("no command", "no-reply", "kind:command");
        rule("unknown kind", "lose:0x09", "unknown fault kind");
        rule("command beyond a byte", "no-reply:0x100", "bad command code");
        rule("command not a number", "no-reply:zz", "bad command code");
        rule("item without =", "no-reply:0x09:page", "key=value");
        rule("unknown key", "no-reply:0x09:colour=red", "unknown key");
        rule("nth of 0", "no-reply:0x09:nth=0", "wants a number from 1");
        rule("negative delay", "delay:0x08:ms=-5", "wants a number from 0");
        rule("delay past 32 bits", "delay:0x08:ms=0xFFFFFFFF", "wants a number");
        rule("odd payload", "replace:0x02:payload=8", "hex digits");
        rule("good items then a bad one", "no-reply:0x09:page=3:nth=x", "wants a number");
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
