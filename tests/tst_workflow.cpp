// A whole run of the client against the simulated device: what the user sees, what the device received, when the
// run ends, and what it leaves for support.

#include "app/startup.h"
#include "device/firmwareimage.h"
#include "support/clientrun.h"
#include "support/files.h"
#include "support/screenreader.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTableView>
#include <QTextBrowser>
#include <QtTest>

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void wholeUpdate()
    {
        const texts::OtherOkWord toolkit;
        ClientRun run; // the simulated device runs the release before unless told otherwise
        QCOMPARE(run.run(), RunEnd::ApplicationQuit);
        QCOMPARE(run.window->windowTitle(), "ORVAN Kivra Zid update client v " + carried::release);
        QCOMPARE(run.window->minimumSize(), run.window->maximumSize()); // its size on each screen: tst_screens
        QVERIFY(run.window->findChild<QTextBrowser *>()->isHidden());
        QCOMPARE(run.boxTexts(), seen::updateBoxes);
        const QList<RecordedBox> &boxes = run.user.boxes();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(boxes[i].title, i == 1 || i == 2 ? texts::updateTitle : texts::connectTitle);
            QCOMPARE(boxes[i].icon, QMessageBox::Information);
            QCOMPARE(boxes[i].buttons, i == 0 ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
            // Its Ok reads as the texts name it, whatever the toolkit calls it; it stands over the window's lower half.
            QCOMPARE(boxes[i].buttonTexts.value(QMessageBox::Ok), QStringLiteral("OK"));
            QVERIFY2(boxes[i].position.y() > run.window->geometry().center().y(), qPrintable(boxes[i].text));
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

    // A device the image is not for, or one newer than it: the search says so across the table below the panel, writes
    // nothing, and the connection prompt comes back, where the user cancels. The panel names a build of another major
    // or minor version as reported, though its build number be a release's.
    void noUpdate_data()
    {
        QTest::addColumn<QByteArray>("sku");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("line");
        const auto version = [](int major, int minor) {
            return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(previousRelease.build);
        };
        const QString newerMinor = version(carriedImage::major, carriedImage::minor + 1);
        QTest::newRow("not suitable, though newer") << QByteArray("60319") << newerMinor << texts::notSuitable;
        QTest::newRow("newer minor") << QByteArray("60318") << newerMinor << texts::upToDate;
        QTest::newRow("newer major") << QByteArray("60318") << version(carriedImage::major + 1, carriedImage::minor)
                                     << texts::upToDate;
    }

    void noUpdate()
    {
        QFETCH(QByteArray, sku);
        QFETCH(QString, version);
        QFETCH(QString, line);
        SimulatorConfig config;
        config.sku = sku;
        QVERIFY(SimulatorVersion::parse(version, &config.version));
        ClientRun run(config);
        run.user.enqueue(QMessageBox::Ok);
        run.user.enqueue(QMessageBox::Cancel);
        QCOMPARE(run.run(), RunEnd::WindowClosed);
        QCOMPARE(run.boxTexts(), times(2, texts::connectPrompt));
        const QString panel = QStringLiteral("[panel KTL407.001 %1 %2]").arg(QString(sku), version);
        QCOMPARE(run.rows(), QStringList({seen::driverRow, seen::foundRow, panel, row({}), "== " + line,
                                          row(texts::shuttingDown)}));
        QCOMPARE(run.requestCodes(), QList<quint8>({0x08, 0x02}));
    }

    // On a small screen the rows outgrow the table: the panel of a device plugged in only at the third prompt, below
    // the driver's row and three searches', is in view whole when the ready box asks to start.
    void panelInViewOnSmallScreen()
    {
        ClientRun run(SimulatorConfig(), false);
        run.windowSize = windowSizeForScreen(QSize(1024, 600));
        run.startClient();
        int prompts = 0;
        QString panelSeen;
        QObject::connect(&run.user, &BoxAnswerer::shown, [&](const QString &text) {
            const auto *view = run.window->findChild<QTableView *>();
            const QWidget *panel = view->indexWidget(view->model()->index(4, 1));
            if (text == texts::connectPrompt && ++prompts == 3)
                run.simulator.openPty();
            else if (text == texts::ready)
                panelSeen = panel && view->viewport()->rect().contains(panel->geometry()) ? "whole" : "cut";
        });
        run.run();
        QCOMPARE(panelSeen, QStringLiteral("whole"));
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
