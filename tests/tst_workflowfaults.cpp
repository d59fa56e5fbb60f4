// Whole runs against a device that misbehaves (vanishing or hanging at any request: tst_requestsweep) and with images
// the client cannot write: never a success that did not happen, never a hang.

#include "device/firmwareimage.h"
#include "support/clientrun.h"
#include "support/screenreader.h"

#include <QtTest>

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(SimulatorConfig)

using firmwareimage::pageAddress;

class TestWorkflowFaults : public QObject
{
    Q_OBJECT

private slots:
    void recoversFromOneBadReply_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("first write rejected") << Fault::on(FaultKind::RejectStatus, 0x09, 1, pageAddress(3));
        QTest::newRow("page reply lost") << Fault::on(FaultKind::NoReply, 0x09, 1, pageAddress(3));
        QTest::newRow("page reply damaged") << Fault::on(FaultKind::CorruptCrc, 0x09, 1, pageAddress(7));
        QTest::newRow("finish rejected once") << Fault::on(FaultKind::RejectStatus, 0x1B, 1);
        QTest::newRow("identification lost in the search") << Fault::on(FaultKind::NoReply, 0x02, 1);
    }

    void recoversFromOneBadReply()
    {
        QFETCH(Fault, fault);
        ClientRun run(faulty(fault));
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        const bool inSearch = fault.command == 0x02;
        QCOMPARE(run.boxTexts(), (inSearch ? QStringList{texts::connectPrompt, texts::restartError} + seen::updateBoxes
                                           : seen::updateBoxes));
        // One request more than a clean run makes: the retry.
        QCOMPARE(run.count(fault.command), (fault.command == 0x09 ? carried::pages() : inSearch ? 2 : 1) + 1);
        QVERIFY(run.simulator.lastFinish().accepted);
        // The retry repeats the same request before the transfer moves on.
        const auto trace = run.simulator.trace();
        const auto hit = std::find_if(trace.begin(), trace.end(), [&](const RequestTrace &r) {
            return r.command == fault.command && (fault.address < 0 || r.address == fault.address);
        });
        QVERIFY(hit < trace.end() - 1);
        if (!inSearch)
            QCOMPARE(qMakePair(hit[1].command, hit[1].address), qMakePair(fault.command, hit->address));
    }

    // A request refused twice ends the transfer with the error box (heard right after the update's line), the device
    // left in update mode; started again, the client writes the image without identifying it.
    void rejectedTwice_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("pagesWritten");
        QTest::newRow("sixth page") << Fault::on(FaultKind::RejectStatus, 0x09, -1, pageAddress(5)) << 5 + 2;
        QTest::newRow("finish") << Fault::on(FaultKind::RejectStatus, 0x1B, -1) << carried::pages();
    }

    void rejectedTwice()
    {
        QFETCH(Fault, fault);
        QFETCH(int, pagesWritten);
        ScreenReaderLog screenReader;
        ClientRun run(faulty(fault));
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::ready, texts::restartError}));
        screenReader.check(run.window, {texts::started, ScreenReaderLog::box(texts::restartError)});
        QCOMPARE(run.user.boxes()[2].title, texts::connectTitle);
        QVERIFY(!run.log().contains(texts::success));
        QVERIFY(run.progress()->isHidden());
        // Nothing after the second refusal but the status request of the search that follows.
        const QList<quint8> codes = run.requestCodes();
        QCOMPARE(run.count(0x09), pagesWritten);
        QCOMPARE(run.count(0x1B), fault.command == 0x1B ? 2 : 0);
        QCOMPARE(codes.mid(codes.lastIndexOf(fault.command) + 1), QList<quint8>({0x08}));
        QVERIFY(run.simulator.runMode() != 1);

        run.simulator.clearFaults();
        run.simulator.clearTrace();
        run.startClient();
        QCOMPARE(run.runToEnd(), RunEnd::ApplicationQuit);
        QCOMPARE(run.boxTexts().mid(3), seen::updateBoxes);
        // Only the search after the update identifies the device; the table shows no found row before the update.
        QCOMPARE(run.requestCodes().mid(0, 3), QList<quint8>({0x08, 0x08, 0x09}));
        QCOMPARE(run.count(0x02), 1);
        QCOMPARE(run.rowsFrom(seen::driverRow).value(1), "== " + texts::started);
        QVERIFY(run.simulator.lastFinish().accepted);
    }

    // After an accepted update anything but the carried version on a device of its kind is a failure: kept its
    // version (the finish answered with the code alone counts as accepted), restarted newer, or as another product.
    void wrongDeviceAfterUpdate_data()
    {
        QTest::addColumn<SimulatorConfig>("config");
        QTest::addColumn<QStringList>("rows"); // those the look leaves below its found row
        Fault codeOnly = Fault::on(FaultKind::ReplaceReply, 0x1B, 1);
        codeOnly.payload = QByteArray::fromHex("9b");
        SimulatorConfig kept = faulty(codeOnly), newer, other;
        kept.versionAfterUpdate = kept.version;
        newer.versionAfterUpdate = {carriedImage::major, quint8(carriedImage::minor + 1), carriedImage::build};
        other.skuAfterUpdate = "60319";
        const QString panel = QStringLiteral("[panel KTL407.001 %1 %2]");
        QTest::newRow("kept its version") << kept << QStringList{panel.arg("60318", carried::previousRelease), row({})};
        QTest::newRow("restarted newer") << newer
                                         << QStringList{panel.arg("60318", newer.versionAfterUpdate.toString()),
                                                        row({}), "== " + texts::upToDate};
        QTest::newRow("restarted as another product")
            << other << QStringList{panel.arg("60319", carried::release), row({}), "== " + texts::notSuitable};
    }

    void wrongDeviceAfterUpdate()
    {
        QFETCH(SimulatorConfig, config);
        QFETCH(QStringList, rows);
        const texts::OtherOkWord toolkit;
        ClientRun run(config);
        QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
        QCOMPARE(run.boxTexts(),
                 QStringList({texts::connectPrompt, texts::ready, texts::success, texts::restartError}));
        QCOMPARE(run.user.boxes()[3].buttonTexts.value(QMessageBox::Ok), QStringLiteral("OK"));
        QCOMPARE(run.rowsFrom("== " + texts::started), QStringList({"== " + texts::started, seen::foundRow}) + rows);
    }

    // A device slow to restart into update mode: its status is asked four times, half a second apart, and the image
    // is written to one that answers the fourth; one that answers none of them gets no page.
    void slowRestart_data()
    {
        QTest::addColumn<int>("unanswered");
        QTest::addColumn<bool>("updated");
        QTest::newRow("answers the fourth poll") << 3 << true;
        QTest::newRow("answers none of four") << 4 << false;
    }

    void slowRestart()
    {
        QFETCH(int, unanswered);
        QFETCH(bool, updated);
        SimulatorConfig config;
        config.restartPolls = unanswered;
        ClientRun run(config);
        run.runToEnd();
        QCOMPARE(run.boxTexts(),
                 updated ? seen::updateBoxes : QStringList({texts::connectPrompt, texts::ready, texts::restartError}));
        // Search, status, update mode, four polls; then the first page, or the search after the failed transfer.
        QCOMPARE(run.requestCodes().mid(0, 9),
                 QList<quint8>({0x08, 0x02, 0x08, 0x03, 0x08, 0x08, 0x08, 0x08, quint8(updated ? 0x09 : 0x08)}));
        QCOMPARE(run.count(0x09), updated ? carried::pages() : 0);
    }

    // Images other than the carried one: a short one is padded into whole pages, one of whole pages written as it is;
    // one that cannot be summed is not written at all, and the user is asked to reinstall.
    void images_data()
    {
        QTest::addColumn<QString>("path"); // empty: a file of `size` bytes made by the test
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("pages"); // -1: refused
        QTest::newRow("shorter than one page") << QString() << qint64(100) << 1;
        QTest::newRow("two whole pages") << QString() << qint64(1024) << 2;
        QTest::newRow("empty") << QString() << qint64(0) << -1;
        // Sparse: the size is what counts, and nothing of it may be allocated or read.
        QTest::newRow("beyond the 32-bit address space") << QString() << (qint64(4) << 30) + 512 << -1;
        // A kernel attribute announces 4096 bytes and yields a few: it cannot be read whole.
        QTest::newRow("unreadable") << QStringLiteral("/sys/kernel/uevent_seqnum") << qint64(4096) << -1;
    }

    void images()
    {
        QFETCH(QString, path);
        QFETCH(qint64, size);
        QFETCH(int, pages);
        QTemporaryDir directory;
        QByteArray content(int(qMin<qint64>(size, 1024)), '\0');
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i * 7 + 0x7D);
        if (path.isEmpty()) {
            QFile image(path = directory.filePath(QStringLiteral("image.bin")));
            QVERIFY(image.open(QIODevice::WriteOnly) && image.write(content) == content.size() && image.resize(size));
        } else if (QFileInfo(path).size() != size) {
            QSKIP("no kernel attribute file here");
        }
        ClientRun run;
        run.window->setFirmwareFileName(path);
        const RunEnd end = run.runToEnd();
        QCOMPARE(run.count(0x09), qMax(pages, 0));
        if (pages < 0) {
            QCOMPARE(end, RunEnd::WindowClosed);
            QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::ready,
                                                  "В процессе выполнения возникла ошибка. Пожалуйста, переустановите "
                                                  "приложение."}));
            QVERIFY(!run.simulator.lastFinish().received);
            return;
        }
        QCOMPARE(run.boxTexts(), seen::updateBoxes);
        const QByteArray padded = content + QByteArray(pages * 512 - content.size(), '\xFF');
        QCOMPARE(run.simulator.flash(0x8000, pages * 512).toHex(), padded.toHex());
        QCOMPARE(run.simulator.lastFinish().endAddress, quint32(0x8000 + pages * 512));
        QVERIFY(run.simulator.lastFinish().accepted);
    }
};

QTEST_MAIN(TestWorkflowFaults)
#include "tst_workflowfaults.moc"
