// What a run leaves for support: its record in history.jsonl (a line when it starts, the whole record when it ends;
// a whole update's: tst_workflow; a failed one's with its serial trace: tst_requestsweep), and a history that stays
// within its bounds and never stops an update.

#include "support/clientrun.h"
#include "support/files.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {
// A history of `runs` finished runs, each line padded to about `lineBytes`.
QByteArray history(int runs, int lineBytes)
{
    QByteArray out;
    for (int i = 0; i < runs; ++i)
        out += QStringLiteral(R"({"run":"old-%1","outcome":"updated","pad":"%2"})"
                              "\n")
                   .arg(i, 4, 10, QLatin1Char('0'))
                   .arg(QString(lineBytes, 'x'))
                   .toUtf8();
    return out;
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    // A history with a half-written line or binary garbage is kept aside, whole, and a new one started.
    void corruptKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("half-written line") << history(3, 10) + "{\"run\":\"cut-off\",\"outc";
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x7e\x01garbage\n", 13);
    }

    void corruptKeptAside()
    {
        QFETCH(QByteArray, content);
        ClientRun run;
        const QString folder = run.historyFolder.path();
        QVERIFY(writeFile(folder + "/history.jsonl", content));
        run.user.enqueue(QMessageBox::Cancel);
        run.run();
        run.endClient();
        const QStringList aside = QDir(folder).entryList({"history.jsonl.corrupt-*"});
        QCOMPARE(aside.size(), 1);
        QFile kept(folder + "/" + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
        QCOMPARE(historyRecords(folder).size(), 2);
    }

    // Older runs are dropped from the front, their traces with them, once there are a thousand or a mebibyte.
    void cutToBounds_data()
    {
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("lineBytes");
        QTest::newRow("a thousand runs") << 1000 << 40;
        QTest::newRow("a mebibyte") << 600 << 1800;
    }

    void cutToBounds()
    {
        QFETCH(int, runs);
        QFETCH(int, lineBytes);
        ClientRun run;
        const QString folder = run.historyFolder.path();
        QVERIFY(writeFile(folder + "/history.jsonl", history(runs, lineBytes)));
        QVERIFY(writeFile(folder + "/old-0000.trace", "frames"));
        run.user.enqueue(QMessageBox::Cancel);
        run.run();
        run.endClient();
        const QList<QJsonObject> records = historyRecords(folder);
        QVERIFY(records.size() <= 1000 + 1);
        QVERIFY(QFileInfo(folder + "/history.jsonl").size() <= 1024 * 1024);
        // The user cancelled the first prompt: no device, port or decision.
        QCOMPARE(records.last().value("outcome").toString(), QStringLiteral("cancelled"));
        QVERIFY(records.last().value("device").isNull() && records.last().value("port").isNull() &&
                records.last().value("decision").isNull());
        QVERIFY(records.first().value("run").toString() != QStringLiteral("old-0000"));
        QCOMPARE(records[records.size() - 3].value("run").toString(),
                 QStringLiteral("old-%1").arg(runs - 1, 4, 10, QLatin1Char('0')));
        QVERIFY(!QFile::exists(folder + "/old-0000.trace"));
    }

    // How the other kinds of run end in their records (a closed one: tst_closing).
    void outcomes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("driver");
        for (const char *kind : {"up-to-date", "device-newer", "not-suitable", "no-device", "driver-missing"})
            QTest::newRow(kind) << kind << kind << (qstrcmp(kind, "driver-missing") == 0 ? "missing" : "found");
    }

    void outcomes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, outcome);
        QFETCH(QString, driver);
        SimulatorConfig config;
        if (kind == "up-to-date")
            SimulatorVersion::parse(carried::version, &config.version);
        config.version = kind == "device-newer" ? SimulatorVersion{1, 0, 0} : config.version;
        config.sku = kind == "not-suitable" ? QByteArray("99999") : config.sku;
        ClientRun run(config, kind != "no-device", {kind != "driver-missing"});
        run.run();
        // No device: three searches find nothing, and the fourth prompt closes the window.
        if (kind == "no-device") {
            QCOMPARE(run.boxTexts(), times(4, texts::connectPrompt));
            QCOMPARE(run.rows(), QStringList{seen::driverRow} + times(3, seen::notFoundRow));
        }
        const QString folder = run.historyFolder.path();
        run.endClient();
        const QJsonObject r = historyRecords(folder).last();
        QCOMPARE(r.value("outcome").toString(), outcome);
        QCOMPARE(r.value("driver").toString(), driver);
        if (outcome != "no-device" && outcome != "driver-missing")
            QCOMPARE(r.value("decision").toString(), outcome);
        QVERIFY(!r.contains("failedAt"));
    }

    // Where the history cannot be kept, the update goes on as ever.
    void unwritableFolder()
    {
        ClientRun run;
        const QString blocked = run.historyFolder.filePath("a file");
        QVERIFY(writeFile(blocked, "not a folder"));
        run.window->setHistoryFolder(blocked + "/history");
        QCOMPARE(run.run(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts(), seen::updateBoxes);
        QVERIFY(run.holdsCarriedImage());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
