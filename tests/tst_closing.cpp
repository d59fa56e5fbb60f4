// The user closes the window at any moment of a whole run: held during the transfer until the outcome is seen,
// taken at once anywhere else.

#include "device/firmwareimage.h"
#include "support/clientrun.h"
#include "support/files.h"
#include "support/scriptedwindows.h"

#include <QtTest>

namespace {
// A "where" that takes three seconds before it names the 64-bit driver: a real process, through the real runner.
const QString slowSearch =
    QStringLiteral("sh -c \"sleep 3; echo C:\\\\Windows\\\\System32\\\\DriverStore\\\\x64\\\\silabser.sys\"");

// Requests the device received after its last request of this code.
QList<quint8> after(const ClientRun &run, quint8 code)
{
    const QList<quint8> codes = run.requestCodes();
    return codes.mid(codes.lastIndexOf(code) + 1);
}
} // namespace

enum class CloseAt { DriverSearch, DeviceSearch, SuccessBoxAnswered };
Q_DECLARE_METATYPE(CloseAt)

class TestClosing : public QObject
{
    Q_OBJECT

private slots:
    // A close at the switch to update mode or during the pages: the transfer runs on to its outcome box, the device
    // is looked at once more and what that finds shown, then the client ends; no second transfer starts.
    void closeDuringTransfer_data()
    {
        QTest::addColumn<int>("atPage"); // the page on whose request the user closes; 0: the switch to update mode
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("oldFirmware"); // the device starts the firmware it had before
        QTest::addColumn<QStringList>("boxes");
        const QStringList upToTransfer{texts::connectPrompt, texts::ready};
        QTest::newRow("switch to update mode")
            << 0 << false << false << upToTransfer + QStringList{texts::success, texts::upToDate};
        QTest::newRow("page 50 of a transfer that fails at page 100")
            << 50 << true << false << upToTransfer + QStringList{texts::restartError};
        QTest::newRow("page 50, the device starts its old firmware again")
            << 50 << false << true << upToTransfer + QStringList{texts::success, texts::restartError};
    }

    void closeDuringTransfer()
    {
        QFETCH(int, atPage);
        QFETCH(bool, fails);
        QFETCH(bool, oldFirmware);
        QFETCH(QStringList, boxes);
        SimulatorConfig config;
        if (oldFirmware)
            config.versionAfterUpdate = config.version;
        if (fails)
            config.faults = {Fault::on(FaultKind::RejectStatus, 0x09, -1, firmwareimage::pageAddress(100))};
        ClientRun run(config);
        int pages = 0;
        QObject::connect(&run.simulator, &DeviceSimulator::requestReceived, [&](const RequestTrace &r) {
            if (atPage == 0 ? r.command == 0x03 : r.command == 0x09 && ++pages == atPage)
                run.closeWindow();
        });
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        checkHeldClose(run, boxes);
        if (fails) {
            QCOMPARE(run.simulator.acceptedPageWrites(), 100);
            QCOMPARE(after(run, 0x09), QList<quint8>({0x08})); // the second look, at a device in update mode
        } else {
            QCOMPARE(run.count(0x09), carried::pages()); // no second transfer
            QVERIFY(run.simulator.lastFinish().accepted);
            QCOMPARE(after(run, 0x03), QList<quint8>({0x08, 0x02})); // the switch back, then the second look
            QCOMPARE(run.simulator.version().toString() == carried::version, !oldFirmware);
        }
    }

    // Anywhere else the client ends on the close: no further box or request, the port closed; a driver search that
    // takes seconds is given up, the window taking the close while it runs.
    void closeElsewhere_data()
    {
        QTest::addColumn<CloseAt>("at");
        QTest::addColumn<double>("latencyMs"); // the device's think time
        QTest::newRow("driver search") << CloseAt::DriverSearch << 0.0;
        // While the client waits for the device's identity (a close there was once recorded as cancelled).
        QTest::newRow("device search") << CloseAt::DeviceSearch << 500.0;
        QTest::newRow("wait before the second search") << CloseAt::SuccessBoxAnswered << 0.0;
    }

    void closeElsewhere()
    {
        QFETCH(CloseAt, at);
        QFETCH(double, latencyMs);
        SimulatorConfig config;
        config.latencyMs = latencyMs;
        ClientRun run(config);
        int boxesAtClose = -1;
        int requestsAtClose = -1;
        const auto close = [&] {
            boxesAtClose = run.user.boxes().size();
            requestsAtClose = run.requestCodes().size();
            run.closeWindow();
        };
        // Windows probes with no registry entry, so that the slow search decides; closed as it starts.
        ScriptedWindows slowWindows;
        slowWindows.root = QStringLiteral("C:/");
        QByteArray probeOutput = "not run";
        bool shownWhenProbeEnded = true;
        slowWindows.command = [&](int limitMs, const std::function<bool()> &stop) {
            close();
            probeOutput = driverprobe::runCommandOutput(slowSearch, limitMs, stop);
            shownWhenProbeEnded = run.window->isVisible();
            return probeOutput;
        };
        if (at == CloseAt::DriverSearch)
            run.window->setSystemAccess(std::make_unique<WindowsSystem>(slowWindows.primitives()));
        QObject::connect(&run.simulator, &DeviceSimulator::requestReceived, [&](const RequestTrace &request) {
            if (at == CloseAt::DeviceSearch && request.command == 0x02 && boxesAtClose < 0)
                close();
        });
        QObject::connect(&run.user, &BoxAnswerer::answered, [&](const RecordedBox &box) {
            if (at == CloseAt::SuccessBoxAnswered && box.text == texts::success)
                QTimer::singleShot(0, &run.user, close); // once the box has gone
        });
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(boxesAtClose >= 0);
        QCOMPARE(run.user.boxes().size(), boxesAtClose);
        QCOMPARE(run.requestCodes().size(), requestsAtClose);
        QVERIFY(!run.window->serialWorker()->isOpen());
        // Recorded as closed, without a failure, unless the update had already been made.
        run.endClient();
        const QJsonObject record = historyRecords(run.historyFolder.path()).last();
        QCOMPARE(record.value("outcome").toString(), QString(at == CloseAt::SuccessBoxAnswered ? "updated" : "closed"));
        QVERIFY(!record.contains("failedAt"));
        if (at == CloseAt::DriverSearch) { // ended with the run: the search had not yet said anything
            QCOMPARE(slowWindows.asked, QStringList{QStringLiteral("where /r C:\\Windows silabser.sys | limit 30000")});
            QVERIFY(!shownWhenProbeEnded);
            QCOMPARE(probeOutput, QByteArray());
        }
    }
};

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
