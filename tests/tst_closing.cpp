// The user closes the window at any moment of a whole run: during the transfer the close is held until the outcome
// box has been seen; anywhere else the client ends at once, shows nothing more and lets the port go, and a driver
// search that takes seconds keeps the window processing events until then.

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

class TestClosing : public QObject
{
    Q_OBJECT

private slots:
    // The close comes while the device restarts into update mode, during the pages, or during a transfer that
    // fails: the transfer runs on and its outcome box shows; the device is looked at once more, what that finds is
    // shown, and then the client ends. A device that took the image but starts its old firmware again is reported
    // as a failure, and no second transfer starts.
    void closeDuringTransfer_data()
    {
        QTest::addColumn<int>("atPage"); // the page on whose request the user closes; 0: the switch to update mode
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("oldFirmware"); // the device starts the firmware it had before
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("endsAfterMs"); // after the last box
        const QStringList upToTransfer{texts::connectPrompt, texts::ready};
        // Ended at once after the second look's box; after a failed one, when the second look has found the device
        // still in update mode, 2 + 1.5 s after the box.
        QTest::newRow("switch to update mode")
            << 0 << false << false << upToTransfer + QStringList{texts::success, texts::upToDate} << 0;
        QTest::newRow("page 50 of a transfer that fails at page 100")
            << 50 << true << false << upToTransfer + QStringList{texts::restartError} << 3500;
        QTest::newRow("page 50, the device starts its old firmware again")
            << 50 << false << true << upToTransfer + QStringList{texts::success, texts::restartError} << 0;
    }

    void closeDuringTransfer()
    {
        QFETCH(int, atPage);
        QFETCH(bool, fails);
        QFETCH(bool, oldFirmware);
        QFETCH(QStringList, boxes);
        QFETCH(int, endsAfterMs);
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
        QCOMPARE(run.run(), RunEnd::WindowClosed);
        checkHeldClose(run, boxes, endsAfterMs);
        QVERIFY(run.log().contains(texts::closeHeld));
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

    // Anywhere else the client ends within a second of the close, shows nothing after its window has gone and
    // closes the port.
    void closeElsewhere_data()
    {
        QTest::addColumn<QString>("afterBox"); // the close comes delayMs after this box is answered; "": the start
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<double>("latencyMs"); // the device's think time
        // The driver search begins 1.5 s after the start and takes three seconds.
        QTest::newRow("driver search") << QString() << 2500 << 0.0;
        QTest::newRow("device search") << texts::connectPrompt << 100 << 500.0;
        QTest::newRow("wait before the second search") << texts::success << 300 << 0.0;
    }

    void closeElsewhere()
    {
        QFETCH(QString, afterBox);
        QFETCH(int, delayMs);
        QFETCH(double, latencyMs);
        // For the driver search: the Windows probes with no registry entry, so that the slow search decides.
        ScriptedWindows slowWindows;
        slowWindows.root = QStringLiteral("C:/");
        qint64 probeStallMs = -1;
        slowWindows.command = [&probeStallMs](int limitMs, const std::function<bool()> &stop) {
            const StallClock stalls;
            const QByteArray output = driverprobe::runCommandOutput(slowSearch, limitMs, stop);
            probeStallMs = stalls.longest();
            return output;
        };
        SimulatorConfig config;
        config.latencyMs = latencyMs;
        ClientRun run(config);
        if (afterBox.isEmpty())
            run.window->setSystemAccess(std::make_unique<WindowsSystem>(slowWindows.primitives()));
        int boxesAtClose = -1;
        const auto closeLater = [&] {
            QTimer::singleShot(delayMs, [&] {
                boxesAtClose = run.user.boxes().size();
                run.closeWindow();
            });
        };
        if (afterBox.isEmpty())
            closeLater();
        QObject::connect(&run.user, &BoxAnswerer::answered, [&](const RecordedBox &box) {
            if (box.text == afterBox)
                closeLater();
        });
        QCOMPARE(run.run(), RunEnd::WindowClosed);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.closeRequestedMs > 0);
        QVERIFY2(run.endMs - run.closeRequestedMs < 1000,
                 qPrintable(QString::number(run.endMs - run.closeRequestedMs)));
        QCOMPARE(run.user.boxes().size(), boxesAtClose);
        QVERIFY(!run.window->serialWorker()->isOpen());
        if (afterBox == texts::success)
            QCOMPARE(after(run, 0x03), QList<quint8>());
        // Recorded as closed, without a failure, unless the update had already been made.
        const QString folder = run.historyFolder.path();
        run.endClient();
        const QJsonObject record = historyRecords(folder).last();
        QCOMPARE(record.value("outcome").toString(), QString(afterBox == texts::success ? "updated" : "closed"));
        QVERIFY(!record.contains("failedAt"));
        if (afterBox.isEmpty()) { // ended with the run: the search had not yet said anything
            QCOMPARE(slowWindows.asked, QStringList{QStringLiteral("where /r C:\\Windows silabser.sys | limit 30000")});
            qInfo("longest time without processing events during the search: %lld ms", probeStallMs);
            QVERIFY2(probeStallMs >= 0 && probeStallMs < 100, qPrintable(QString::number(probeStallMs)));
        }
    }
};

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
