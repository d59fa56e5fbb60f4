// Whole updates on the Windows build (its system layer, serial backend and SetupAPI port discovery) against
// kivra-zid-sim on the prefix's COM10 (tests/windows/with-device), the bridge plugged in as its registry entry.

#include "../support/files.h"
#include "../support/screenreader.h"
#include "../support/windowrun.h"

#include "device/protocol.h"
#include "driver/windowssystem.h"
#include "history/runhistory.h"
#include "serial/qorvserial.h"
#include "sim/device/devicelog.h"
#include "sim/system/windowsregistry.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QString comPort = QStringLiteral("COM10");
const QString deviceLog = QStringLiteral("device.log"); // the device's requests, as with-device leaves them

// The last record of the history under %LOCALAPPDATA%: its outcome, and a trace beside it exactly for a failure.
void checkLastRecord(const QString &outcome)
{
    const QString folder = RunHistory::defaultFolder();
    QVERIFY2(folder.startsWith(QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")), Qt::CaseInsensitive),
             qPrintable(folder));
    const QList<QJsonObject> records = historyRecords(folder);
    QVERIFY(!records.isEmpty());
    const QJsonObject last = records.last();
    QCOMPARE(last.value("outcome").toString(), outcome);
    QCOMPARE(QFile::exists(folder + "/" + last.value("run").toString() + ".trace"), outcome == "failed");
}

// A client on this machine's own system layer; the driver is installed (initTestCase plants it).
struct WindowsRun : WindowRun
{
    WindowsRun() { newWindow(std::make_unique<WindowsSystem>()); }
};
} // namespace

class TestWindowsUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (registry::keyExists(registry::lockdownKey) || registry::keyExists(registry::bridgeKey))
            QSKIP("this machine has a driver or a bridge of its own; the suite runs only in a prefix of its own");
        QVERIFY(registry::plantDriver());
    }

    void init() { QVERIFY(registry::plugBridge(comPort)); }
    void cleanup() { registry::unplugBridge(); }
    void cleanupTestCase() { registry::removeDriver(); }

    // The reply ends the reply wait, though the Windows port hands it over from a completion routine that alone does
    // not end the dispatcher's pass. (The whole runs cannot see this: the simulated user's box polling wakes them.)
    void replyWaitEndsWithTheReply()
    {
        qorvserial worker;
        worker.findDevicePort();
        QVERIFY(worker.isPortFound());
        QCOMPARE(worker.connectPort(), false);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(
                worker.sendPacket(protocol::readBlockRequest(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength)),
                false);
            QByteArray reply;
            QCOMPARE(worker.receivePacket(reply, 1000), false);
            QVERIFY(protocol::isValidReadBlockReply(reply, protocol::statusReplyLength));
        }
        worker.disconnectPort();
    }

    // The device on the release before, updated and found up to date; a screen reader hears what it does on Linux.
    void wholeUpdate()
    {
        const int before = devicelog::read(deviceLog).codes().size();
        ScreenReaderLog screenReader;
        WindowsRun run;
        run.window->setHistoryFolder(RunHistory::defaultFolder());
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts(), seen::updateBoxes);
        QCOMPARE(run.rows(), seen::wholeUpdateRows());
        screenReader.check(run.window, {texts::found, seen::panelReadAloud(carried::previousRelease),
                                        ScreenReaderLog::box(texts::ready)});
        // The device took up its new version only because the sum over its flash matched the image's.
        QCOMPARE(devicelog::read(deviceLog).codes().mid(before), seen::updateRequests());
        run.endClient();
        checkLastRecord("updated");
    }

    // WM_CLOSE (as taskkill posts it) during the pages is held until the second look's outcome is shown. (The other
    // moments, and a device that starts its old firmware again: tst_closing.)
    void closeDuringTransfer()
    {
        WindowsRun run;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (run.closeRequestedMs < 0 && run.progress()->value() >= 50)
                run.closeWindow();
        });
        watch.start(5);
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        checkHeldClose(run, {texts::connectPrompt, texts::ready, texts::success, texts::upToDate});
        const devicelog::Log log = devicelog::read(deviceLog);
        QCOMPARE(log.finishesAccepted(), 1);
        QCOMPARE(log.count(0x09), carried::pages());
        QCOMPARE(log.codes().mid(log.codes().lastIndexOf(0x03) + 1), QList<quint8>({0x08, 0x02}));
    }

    // The device vanishes or falls silent at one request: no success it does not hold, the client ends by itself,
    // and a vanished device, back as it was left (--replug-after), is brought to the carried image by the next run.
    void faultAtOneRequest()
    {
        devicelog::Log log;
        {
            WindowsRun run;
            run.window->setHistoryFolder(RunHistory::defaultFolder());
            qint64 errorAt = -1;
            QObject::connect(&run.user, &BoxAnswerer::shown, [&errorAt](const QString &text) {
                if (text == texts::restartError && errorAt < 0)
                    errorAt = QDateTime::currentMSecsSinceEpoch();
            });
            QVERIFY(run.runToEnd() != RunEnd::Watchdog);
            QCOMPARE(run.exitCode, 0);
            log = devicelog::read(deviceLog);
            if (run.boxTexts().contains(texts::success))
                QCOMPARE(log.finishesAccepted(), 1);
            const bool updated = run.boxTexts().contains(texts::upToDate);
            run.endClient();
            checkLastRecord(updated ? "updated" : "failed");
            if (log.unpluggedAtEpochMs < 0)
                return;
            QVERIFY(errorAt > log.unpluggedAtEpochMs);
        }

        QTRY_VERIFY_WITH_TIMEOUT((log = devicelog::read(deviceLog)).pluggedInAgain, 20000);
        const int finishesBefore = log.finishesAccepted();
        WindowsRun again;
        QCOMPARE(again.runToEnd(), RunEnd::ApplicationQuit);
        QCOMPARE(again.boxTexts(), seen::updateBoxes);
        QCOMPARE(devicelog::read(deviceLog).finishesAccepted(), finishesBefore + 1);
    }

    // The client as started in the user's language: its own texts and the toolkit's (the prompt's Cancel) in it.
    void promptInTheUsersLanguage()
    {
        QCOMPARE(QLocale::system().name().left(2), QStringLiteral("de"));
        WindowsRun run;
        checkPromptInUsersLanguage(run);
    }

    // The bridge is listed, but its port is held by another program (the device started --busy) or not there.
    void unusablePort_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("busy") << comPort;
        QTest::newRow("gone") << QStringLiteral("COM11");
    }

    void unusablePort()
    {
        QFETCH(QString, port);
        QVERIFY(registry::plugBridge(port));
        const int requestsBefore = devicelog::read(deviceLog).codes().size();
        WindowsRun run;
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::restartError}));
        QCOMPARE(run.rowsFrom(row(texts::searching)), QStringList({row(texts::searching), row(texts::shuttingDown)}));
        // The box stays generic; the port's own reason is on the search's log line.
        QVERIFY2(run.log().contains(QRegularExpression(QRegularExpression::escape(texts::searching) + "\t\\S")),
                 qPrintable(run.log()));
        QCOMPARE(devicelog::read(deviceLog).codes().size(), requestsBefore);
    }
};

QTEST_MAIN(TestWindowsUpdate)
#include "tst_windowsupdate.moc"
