// The simulated device is the yardstick for the client's transfer tests: if it judged the finish checksum wrongly, a
// broken client could pass. These tests drive it over its pty with a plain serial port and hand-built requests,
// independent of the client's own request code.

#include "device/firmwareimage.h"
#include "serial/framecodec.h"
#include "sim/devicesimulator.h"
#include "sim/simulatoroptions.h"

#include <QCommandLineParser>
#include <QSerialPort>
#include <QtTest>

namespace {

QByteArray le(quint32 value, int bytes)
{
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out.left(bytes);
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    // Numbers that would wrap when narrowed are refused, not turned into another fault.
    void optionRanges_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("latency fraction") << QStringList{"--latency", "0.25"} << true;
        for (const char *latency : {"1e300", "inf", "nan", "-1"})
            QTest::addRow("latency %s", latency) << QStringList{"--latency", latency} << false;
        QTest::newRow("delay of ten minutes") << QStringList{"--fault", "delay:0x09:ms=600000"} << true;
        for (const char *rule : {"delay:0x09:ms=0xFFFFFFFF", "split:0x09:pieces=0xFFFFFFFF",
                                 "split:0x09:gap=4294967295", "no-reply:0x09:page=0xFFFFFFFF", "no-reply:0x09:nth=0"})
            QTest::addRow("%s", rule) << QStringList{"--fault", rule} << false;
        QTest::newRow("unplug count too large") << QStringList{"--unplug-after-pages", "0xFFFFFFFF"} << false;
    }

    void optionRanges()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepted);
        QCommandLineParser parser;
        addSimulatorOptions(parser, SimulatorConfig());
        QVERIFY(parser.parse(QStringList{"sim"} + arguments));
        SimulatorConfig config;
        QString error;
        QCOMPARE(simulatorConfigFromOptions(parser, &config, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
    }

    void finishIsJudgedByFlashContent_data()
    {
        QTest::addColumn<QList<int>>("pagesWritten");
        QTest::addColumn<quint32>("endAddress");
        QTest::addColumn<QByteArray>("summedImage");
        QTest::addColumn<quint16>("crcXor");
        QTest::addColumn<bool>("accepted");
        // Page k of the test image is 512 times the byte 0x7D + k, one of those the frame codec escapes.
        const QByteArray p0(512, '\x7d'), p1(512, '\x7e'), p2(512, '\x7f');
        const QByteArray blank(firmwareimage::pageSize, firmwareimage::fillByte);
        QTest::newRow("matching crc and end") << QList<int>{0, 1} << 0x8400u << p0 + p1 << quint16(0) << true;
        QTest::newRow("crc one bit off") << QList<int>{0, 1} << 0x8400u << p0 + p1 << quint16(1) << false;
        QTest::newRow("end one page short") << QList<int>{0, 1} << 0x8200u << p0 + p1 << quint16(0) << false;
        QTest::newRow("unwritten page reads as 0xFF")
            << QList<int>{0, 2} << 0x8600u << p0 + blank + p2 << quint16(0) << true;
    }

    void finishIsJudgedByFlashContent()
    {
        QFETCH(QList<int>, pagesWritten);
        QFETCH(quint32, endAddress);
        QFETCH(QByteArray, summedImage);
        QFETCH(quint16, crcXor);
        QFETCH(bool, accepted);

        DeviceSimulator sim;
        sim.setRunMode(0); // update mode: the device takes pages
        QVERIFY(sim.openPty());
        QSerialPort port(sim.portPath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        // Sends one request and returns the decoded payload of its reply (empty when none came within a second).
        const auto exchange = [&](const QByteArray &request) {
            port.write(framecodec::encodeFrame(request));
            QByteArray collected, reply;
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 1000 && !collected.contains(framecodec::endByte)) {
                QCoreApplication::processEvents();
                collected += port.readAll();
            }
            framecodec::decodeFrame(collected, &reply);
            return reply;
        };

        for (const int k : pagesWritten) {
            const QByteArray request =
                QByteArray::fromHex("090002") + le(0x8000 + 512 * k, 4) + QByteArray(512, char(0x7D + k));
            QCOMPARE(exchange(request).toHex(), QByteArray("8900"));
        }
        const quint16 crc = firmwareimage::crc16Modbus(summedImage) ^ crcXor;
        const QByteArray finish =
            QByteArray::fromHex("1b1000") + le(endAddress, 4) + le(crc, 2) + QByteArray(10, '\xff');
        QCOMPARE(exchange(finish).toHex(), QByteArray(accepted ? "9b00" : "9b01"));
        QCOMPARE(sim.lastFinish().crc, crc);
        QCOMPARE(sim.lastFinish().accepted, accepted);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
