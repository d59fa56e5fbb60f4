// Whole runs of the client against the simulated device: what the user sees, and what the device received.

#include "device/firmwareimage.h"
#include "support/clientrun.h"

#include <QtTest>

namespace {
QByteArray carriedImageBytes()
{
    QFile file(QStringLiteral(":/deviceFW/deviceFW/DUV_KTL407_0.1.158.bin"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SimulatorConfig deviceAt(quint8 major, quint8 minor, quint8 build)
{
    SimulatorConfig config;
    config.version = {major, minor, build};
    return config;
}

QList<quint8> codes(std::initializer_list<int> list)
{
    QList<quint8> out;
    for (int c : list)
        out.append(quint8(c));
    return out;
}
} // namespace

Q_DECLARE_METATYPE(SimulatorConfig)

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void wholeUpdate();
    void cancelOnFirstPrompt();
    void noDeviceThreeSearchesThenClose();
    void promptsAgain_data();
    void promptsAgain();
    void deviceAlreadyUpToDate();
};

void TestWorkflow::wholeUpdate()
{
    ClientRun run(deviceAt(0, 1, 157));
    QCOMPARE(run.run(), RunEnd::ApplicationQuit);

    const QList<RecordedBox> &boxes = run.user.boxes();
    QCOMPARE(boxes.size(), 4);
    QCOMPARE(boxes[0].title, texts::connectTitle);
    QCOMPARE(boxes[0].text, texts::connectPrompt);
    QCOMPARE(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(boxes[1].title, texts::updateTitle);
    QCOMPARE(boxes[1].text, texts::ready);
    QCOMPARE(boxes[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes[2].title, texts::updateTitle);
    QCOMPARE(boxes[2].text, texts::success);
    QCOMPARE(boxes[3].title, texts::connectTitle);
    QCOMPARE(boxes[3].text, texts::upToDate);
    for (const RecordedBox &box : boxes)
        QCOMPARE(box.icon, QMessageBox::Information);

    // The device holds the whole image, padded with 0xFF to whole pages, and accepted its checksum.
    const QByteArray image = carriedImageBytes();
    QCOMPARE(image.size(), 171620);
    const QByteArray padded = firmwareimage::padded(image);
    QCOMPARE(padded.size(), 336 * 512);
    QCOMPARE(run.simulator.flash(0x8000, padded.size()), padded);
    const FinishRecord finish = run.simulator.lastFinish();
    QVERIFY(finish.accepted);
    QCOMPARE(finish.endAddress, quint32(0x32000));
    QCOMPARE(finish.crc, firmwareimage::crc16Modbus(padded));
    QCOMPARE(run.simulator.version().build, quint8(158));

    QList<quint8> expected = codes({0x08, 0x02, 0x08, 0x03, 0x08});
    for (int page = 0; page < 336; ++page)
        expected.append(0x09);
    expected += codes({0x1B, 0x03, 0x08, 0x02});
    QCOMPARE(run.requestCodes(), expected);
    const auto trace = run.simulator.trace();
    QCOMPARE(trace[5].address, quint32(0x8000));
    QCOMPARE(trace[5 + 335].address, quint32(0x8000 + 335 * 512));
    QVERIFY2(trace[4].timeMs - trace[3].timeMs >= 490, "the first poll waits half a second");

    QCOMPARE(run.progress()->minimum(), 0);
    QCOMPARE(run.progress()->maximum(), 335);
    QCOMPARE(run.progress()->value(), 335);
    QVERIFY(run.progress()->isHidden());

    // Driver row, found row, panel and its empty row, the start line, the second search with its own panel.
    QCOMPARE(run.cell(0, 2), texts::driverFound);
    QCOMPARE(run.icon(0), QStringLiteral("ok"));
    QCOMPARE(run.cell(1, 1), texts::searching);
    QCOMPARE(run.cell(1, 2), texts::found);
    QCOMPARE(run.icon(1), QStringLiteral("ok"));
    QVERIFY(run.hasPanel(2) && run.spanned(2));
    QCOMPARE(run.cell(3, 1), QString());
    QCOMPARE(run.cell(4, 1), texts::started);
    QVERIFY(run.spanned(4));
    QCOMPARE(run.cell(5, 1), texts::searching);
    QCOMPARE(run.cell(5, 2), texts::found);
    QVERIFY(run.hasPanel(6));
    QCOMPARE(run.cell(8, 1), texts::upToDate);
    QCOMPARE(run.cell(9, 1), texts::shuttingDown);
    QVERIFY(run.log().contains(texts::success));
    QVERIFY(run.log().contains(QStringLiteral("\t\t\tHW:KTL407.001\n\t\t\tSKU:60318\n\t\t\tFW:0.1.157")));
}

void TestWorkflow::cancelOnFirstPrompt()
{
    ClientRun run;
    run.user.enqueue(QMessageBox::Cancel);
    QCOMPARE(run.run(), RunEnd::WindowClosed);
    QCOMPARE(run.user.boxes().size(), 1);
    QVERIFY(run.simulator.trace().isEmpty());
    QCOMPARE(run.cell(1, 1), texts::shuttingDown);
    QCOMPARE(run.model()->rowCount(), 2);
    QVERIFY(run.log().endsWith(texts::shuttingDown));
}

void TestWorkflow::noDeviceThreeSearchesThenClose()
{
    ClientRun run(SimulatorConfig(), false);
    QCOMPARE(run.run(), RunEnd::WindowClosed);
    QCOMPARE(run.boxTexts(),
             QStringList({texts::connectPrompt, texts::connectPrompt, texts::connectPrompt, texts::connectPrompt}));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(run.cell(row, 1), texts::searching);
        QCOMPARE(run.cell(row, 2), texts::notFound);
        QCOMPARE(run.icon(row), QStringLiteral("fail"));
    }
    QCOMPARE(run.model()->rowCount(), 4);
}

void TestWorkflow::promptsAgain_data()
{
    QTest::addColumn<SimulatorConfig>("config");
    QTest::addColumn<QString>("decision");
    SimulatorConfig wrongSku = deviceAt(0, 1, 157);
    wrongSku.sku = "60318 ";
    SimulatorConfig lowerCaseHardware = deviceAt(0, 1, 157);
    lowerCaseHardware.hardware = "ktl407.001";
    QTest::newRow("SKU with a trailing blank") << wrongSku << texts::notSuitable;
    QTest::newRow("hardware in lower case") << lowerCaseHardware << texts::notSuitable;
    QTest::newRow("newer build") << deviceAt(0, 1, 159) << texts::upToDate;
    QTest::newRow("newer major") << deviceAt(1, 0, 0) << texts::upToDate;
}

void TestWorkflow::promptsAgain()
{
    QFETCH(SimulatorConfig, config);
    QFETCH(QString, decision);
    ClientRun run(config);
    run.user.enqueue(QMessageBox::Ok);
    run.user.enqueue(QMessageBox::Cancel);
    QCOMPARE(run.run(), RunEnd::WindowClosed);
    QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::connectPrompt}));
    QCOMPARE(run.cell(1, 2), texts::found);
    QVERIFY(run.hasPanel(2));
    QCOMPARE(run.cell(4, 1), decision);
    QVERIFY(run.spanned(4));
    QCOMPARE(run.cell(5, 1), texts::shuttingDown);
    QCOMPARE(run.requestCodes(), codes({0x08, 0x02}));
    QVERIFY(!run.window->serialWorker()->isOpen());
}

void TestWorkflow::deviceAlreadyUpToDate()
{
    ClientRun run(deviceAt(0, 1, 158));
    QCOMPARE(run.run(), RunEnd::ApplicationQuit);
    QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::upToDate}));
    QCOMPARE(run.cell(4, 1), texts::upToDate);
    QCOMPARE(run.cell(5, 1), texts::shuttingDown);
    QCOMPARE(run.requestCodes(), codes({0x08, 0x02}));
    QVERIFY(!run.window->serialWorker()->isOpen());
}

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
