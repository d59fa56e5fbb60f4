// A whole run of the client against the simulated device: what the user sees, what the device received, when the
// run ends, and what it leaves for support.

#include "app/startup.h"
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
    // The device on the release before, updated and found up to date; a screen reader hears each text of the step
    // table as it appears, before the next box.
    void wholeUpdate()
    {
        const texts::OtherOkWord toolkit;
        ScreenReaderLog screenReader;
        ClientRun run; // the simulated device runs the release before unless told otherwise
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
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
        screenReader.check(run.window, {texts::found, seen::panelReadAloud(carried::previousRelease),
                                        ScreenReaderLog::box(texts::ready)});
        QVERIFY(run.holdsCarriedImage());
        QCOMPARE(run.requestCodes(), seen::updateRequests());
        QCOMPARE(run.progress()->maximum(), carried::pages() - 1);
        QCOMPARE(run.progress()->value(), carried::pages() - 1);
        QVERIFY(run.progress()->isHidden());
        QCOMPARE(run.rows(), seen::wholeUpdateRows());
        QVERIFY(run.log().contains(texts::success));
        QVERIFY(run.log().contains("\t\t\tHW:KTL407.001\n\t\t\tSKU:60318\n\t\t\tFW:" + carried::previousVersion));

        // For support, no trace and a history line at its start, the device identified, the transfer begun and ended
        // (as far as a killed run got), then its record. (Each line before the last the run's, running: tst_runrecord;
        // the line at the success box: tst_history.)
        const QString folder = run.historyFolder.path();
        run.endClient();
        const QList<QJsonObject> records = historyRecords(folder);
        QCOMPARE(records.size(), 5);
        QCOMPARE(records[1].value("device").toObject().value("version").toString(), carried::previousVersion);
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

    // A device the first search leaves as it is (up to date, newer, or not one the image is for), said below the panel
    // and heard before the next box; a newer version is shown as reported. The prompt comes back, but for up to date.
    void firstSearchLeavesTheDevice_data()
    {
        QTest::addColumn<QByteArray>("sku");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shown"); // by the panel
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("box"); // after the first prompt
        const auto version = [](int major, int minor) {
            return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(previousRelease.build);
        };
        const QString newerMinor = version(carriedImage::major, carriedImage::minor + 1);
        const QString newerMajor = version(carriedImage::major + 1, carriedImage::minor);
        const QString upToDate = texts::upToDate, prompt = texts::connectPrompt;
        QTest::newRow("up to date") << QByteArray("60318") << carried::version << carried::release << upToDate
                                    << upToDate;
        QTest::newRow("not suitable, though newer")
            << QByteArray("60319") << newerMinor << newerMinor << texts::notSuitable << prompt;
        QTest::newRow("newer minor") << QByteArray("60318") << newerMinor << newerMinor << upToDate << prompt;
        QTest::newRow("newer major") << QByteArray("60318") << newerMajor << newerMajor << upToDate << prompt;
    }

    void firstSearchLeavesTheDevice()
    {
        QFETCH(QByteArray, sku);
        QFETCH(QString, version);
        QFETCH(QString, shown);
        QFETCH(QString, line);
        QFETCH(QString, box);
        SimulatorConfig config;
        config.sku = sku;
        QVERIFY(SimulatorVersion::parse(version, &config.version));
        ScreenReaderLog screenReader;
        ClientRun run(config);
        run.user.enqueue(QMessageBox::Ok);
        run.user.enqueue(QMessageBox::Cancel);
        QCOMPARE(run.runToEnd(), box == texts::upToDate ? RunEnd::ApplicationQuit : RunEnd::WindowClosed);
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, box}));
        const QString panel = QStringLiteral("[panel KTL407.001 %1 %2]").arg(QString(sku), shown);
        QCOMPARE(run.rows(), QStringList({seen::driverRow, seen::foundRow, panel, row({}), "== " + line,
                                          row(texts::shuttingDown)}));
        QCOMPARE(run.requestCodes(), QList<quint8>({0x08, 0x02}));
        screenReader.check(run.window,
                           {texts::found, seen::panelReadAloud(shown, sku), line, ScreenReaderLog::box(box)});
    }

    // On a small screen, the panel of a device plugged in at the third prompt is in view when the ready box asks; why
    // each search before found nothing is heard before the prompt asks again.
    void panelInViewOnSmallScreen()
    {
        ScreenReaderLog screenReader;
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
        run.runToEnd();
        QCOMPARE(panelSeen, QStringLiteral("whole"));
        screenReader.check(run.window, {texts::searching, texts::notFound, ScreenReaderLog::box(texts::connectPrompt)});
    }

    // Run once per language from the system locale: the prompt reads in the user's language (its Ok "OK", as its text
    // says); cancelled, the client closes without having touched the device.
    void promptInTheUsersLanguage()
    {
        ClientRun run;
        checkPromptInUsersLanguage(run);
        QVERIFY(run.simulator.trace().isEmpty());
    }
};

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
