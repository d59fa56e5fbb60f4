// A whole run of the client against the simulated device: what the user sees, what the device received, when the
// run ends, and what it leaves for support.

#include "device/firmwareimage.h"
#include "support/clientrun.h"
#include "support/files.h"
#include "support/screenreader.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void wholeUpdate()
    {
        ClientRun run; // the simulated device runs the release before unless told otherwise
        QCOMPARE(run.run(), RunEnd::ApplicationQuit);
        QCOMPARE(run.window->windowTitle(), "ORVAN Kivra Zid update client v " + carried::release);
        QCOMPARE(run.window->minimumSize(), run.window->maximumSize()); // its size on each screen: tst_screens
        QVERIFY(run.window->findChild<QTextBrowser *>()->isHidden());
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::ready, texts::success, texts::upToDate}));
        const QList<RecordedBox> &boxes = run.user.boxes();
        QCOMPARE(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(boxes[i].title, i == 1 || i == 2 ? texts::updateTitle : texts::connectTitle);
            QCOMPARE(boxes[i].icon, QMessageBox::Information);
            if (i > 0)
                QCOMPARE(boxes[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        // The search after the update finds the device up to date, as a first search would: box, closing row, and the
        // quit a second after the box.
        QVERIFY(run.endedAbout(1000));

        QVERIFY(run.holdsCarriedImage());

        QCOMPARE(run.requestCodes(), seen::updateRequests());
        const auto trace = run.simulator.trace();
        QVERIFY2(trace[4].timeMs - trace[3].timeMs >= 490, "the first poll waits half a second");

        QCOMPARE(run.progress()->maximum(), carried::pages() - 1);
        QCOMPARE(run.progress()->value(), carried::pages() - 1);
        QVERIFY(run.progress()->isHidden());
        // The panel names each build by the release that carried it.
        QCOMPARE(run.rows(), seen::wholeUpdateRows());
        QVERIFY(run.log().contains(texts::success));
        QVERIFY(run.log().contains("\t\t\tHW:KTL407.001\n\t\t\tSKU:60318\n\t\t\tFW:" + carried::previousVersion));

        // What it leaves for support: a line of the run history as it began, its whole record as it ended, no trace.
        const QString folder = run.historyFolder.path();
        run.endClient();
        const QList<QJsonObject> records = historyRecords(folder);
        // Its start, the device identified, the transfer begun and ended: a run killed at any of them says how far
        // it got; then the whole record.
        QCOMPARE(records.size(), 5);
        QCOMPARE(records[1].value("device").toObject().value("version").toString(), carried::previousVersion);
        QCOMPARE(records[2].value("pagesWritten").toInt(), 0);
        QCOMPARE(records[3].value("pagesWritten").toInt(), carried::pages());
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(records[i].value("run"), records[4].value("run"));
            QCOMPARE(records[i].value("outcome").toString(), QStringLiteral("running"));
        }
        QJsonObject r = records[4];
        const QRegularExpression utcWithMilliseconds(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");
        QVERIFY(utcWithMilliseconds.match(r.take("time").toString()).hasMatch());
        QVERIFY(r.take("durationMs").isDouble());
        for (const char *key : {"run", "system", "locale"})
            QVERIFY(!r.take(key).toString().isEmpty());
        // Nothing more, and no failure.
        const QString expected = QStringLiteral(R"({"client": "%1", "carried": "%2", "driver": "found", "port": "%3",
            "device": {"hardware": "KTL407.001", "sku": "60318", "version": "%4"}, "decision": "update",
            "pages": %5, "pagesWritten": %5, "versionAfter": "%2", "outcome": "updated"})");
        const QString filled = expected.arg(carried::release, carried::version, run.simulator.portPath(),
                                            carried::previousVersion, QString::number(carried::pages()));
        QCOMPARE(r, QJsonDocument::fromJson(filled.toUtf8()).object());
        QCOMPARE(QDir(folder).entryList({"*.trace"}), QStringList());
    }

    // A screen reader hears every text the step table gains, as the table shows it, when it appears and before the
    // next box opens: the reason a run wrote nothing comes before the prompt asks again.
    void heardByAScreenReader_data()
    {
        // By the kind of run: texts heard one after the other, up to the box that follows them.
        QTest::addColumn<QStringList>("heardInARow");
        const auto box = &ScreenReaderLog::box;
        QTest::newRow("update") << QStringList{texts::found, seen::panelReadAloud(carried::previousRelease),
                                               box(texts::ready)};
        QTest::newRow("up to date") << QStringList{texts::found, seen::panelReadAloud(carried::release),
                                                   texts::upToDate, box(texts::upToDate)};
        QTest::newRow("newer") << QStringList{texts::found, seen::panelReadAloud("1.0.0"), texts::upToDate,
                                              box(texts::connectPrompt)};
        QTest::newRow("not suitable") << QStringList{texts::found,
                                                     "HW: KTL407.001\nSKU: 99999\nFW: " + carried::previousRelease,
                                                     texts::notSuitable, box(texts::connectPrompt)};
        QTest::newRow("no device") << QStringList{texts::searching, texts::notFound, box(texts::connectPrompt)};
        QTest::newRow("transfer fails") << QStringList{texts::started, box(texts::restartError)};
    }

    void heardByAScreenReader()
    {
        QFETCH(QStringList, heardInARow);
        const QString kind = QTest::currentDataTag();
        SimulatorConfig config;
        if (kind == "up to date")
            SimulatorVersion::parse(carried::version, &config.version);
        if (kind == "newer")
            config.version = {1, 0, 0};
        if (kind == "not suitable")
            config.sku = "99999";
        if (kind == "transfer fails")
            config.faults = {Fault::on(FaultKind::RejectStatus, 0x09, -1, firmwareimage::pageAddress(5))};
        ScreenReaderLog screenReader;
        ClientRun run(config, kind != "no device");
        QVERIFY(run.run() != RunEnd::Watchdog);
        QCOMPARE(screenReader.unheard(run.window), QStringList());
        QVERIFY2(screenReader.heardInARow(heardInARow), qPrintable(screenReader.heard.join(" | ")));
    }

    // Started from the system locale (CTest runs this once per language): the connection prompt reads in the user's
    // language, the client's own texts from its catalogue and the toolkit's Cancel from the toolkit's, while its Ok
    // reads "OK" as the text says. The user cancels: the client has not touched the device, and closes 800 ms later.
    void promptInTheUsersLanguage()
    {
        ClientRun run;
        checkPromptInUsersLanguage(run);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(run.endedAbout(800));
        QVERIFY(run.simulator.trace().isEmpty());
    }
};

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
