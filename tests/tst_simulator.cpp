// The simulated device is the yardstick for the client's transfer tests: if it stored pages in the wrong place or
// judged the finish checksum wrongly, a broken client could pass. These tests drive it over its pty with a plain
// serial port and hand-built requests, independent of the client's own request code.

#include "device/firmwareimage.h"
#include "serial/framecodec.h"
#include "sim/devicesimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>

namespace {

QByteArray le32(quint32 value)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray writePageRequest(quint32 address, const QByteArray &page)
{
    return QByteArray::fromHex("090002") + le32(address) + page;
}

QByteArray finishRequest(quint32 endAddress, quint16 crc)
{
    QByteArray out = QByteArray::fromHex("1b1000") + le32(endAddress);
    out.append(static_cast<char>(crc & 0xFF));
    out.append(static_cast<char>(crc >> 8));
    out.append(QByteArray(10, static_cast<char>(0xFF)));
    return out;
}

const QByteArray statusRequest = QByteArray::fromHex("080c0000000000");
const QByteArray enterUpdateModeRequest = QByteArray::fromHex("0301");

// Page k of the test image: a pattern that differs from page to page and holds the bytes the frame codec escapes.
QByteArray testPage(int k)
{
    QByteArray page(firmwareimage::pageSize, '\0');
    for (int i = 0; i < page.size(); ++i)
        page[i] = static_cast<char>((i * 7 + k * 31 + 0x7D) & 0xFF);
    return page;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void crcModbusCheckValue();
    void pagesAreStoredAtTheirAddress();
    void finishIsJudgedByFlashContent_data();
    void finishIsJudgedByFlashContent();

private:
    // Sends one request; with a reply expected, waits up to a second for it while the simulator runs, and returns
    // its decoded payload (empty when none came or it did not decode).
    QByteArray exchange(const QByteArray &payload, bool expectReply = true);

    DeviceSimulator *m_sim = nullptr;
    QSerialPort *m_port = nullptr;
};

void TestSimulator::init()
{
    m_sim = new DeviceSimulator(this);
    QVERIFY(m_sim->openPty());
    m_port = new QSerialPort(m_sim->portPath(), this);
    QVERIFY2(m_port->open(QIODevice::ReadWrite), qPrintable(m_port->errorString()));
    m_port->setBaudRate(QSerialPort::Baud115200);
}

void TestSimulator::cleanup()
{
    delete m_port;
    m_port = nullptr;
    delete m_sim;
    m_sim = nullptr;
}

QByteArray TestSimulator::exchange(const QByteArray &payload, bool expectReply)
{
    const int requestsBefore = m_sim->trace().size();
    m_port->readAll();
    m_port->write(framecodec::encodeFrame(payload));
    QByteArray collected;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        QCoreApplication::processEvents();
        collected += m_port->readAll();
        if (expectReply ? collected.contains(framecodec::endByte) : m_sim->trace().size() > requestsBefore)
            break;
    }
    QByteArray reply;
    if (expectReply)
        framecodec::decodeFrame(collected, &reply);
    return reply;
}

void TestSimulator::crcModbusCheckValue()
{
    QCOMPARE(firmwareimage::crc16Modbus(QByteArrayLiteral("123456789")), quint16(0x4B37));
    QCOMPARE(firmwareimage::crc16Modbus(QByteArray()), quint16(0xFFFF));
}

void TestSimulator::pagesAreStoredAtTheirAddress()
{
    exchange(enterUpdateModeRequest, false);
    const QByteArray status = exchange(statusRequest);
    QCOMPARE(status.size(), 12);
    QVERIFY(status.at(1) != 1);

    // Out of order on purpose: the address, not the arrival order, decides where a page lands.
    QCOMPARE(exchange(writePageRequest(0x8200, testPage(1))), QByteArray::fromHex("8900"));
    QCOMPARE(exchange(writePageRequest(0x8000, testPage(0))), QByteArray::fromHex("8900"));

    QCOMPARE(m_sim->flash(0x8000, 1024), testPage(0) + testPage(1));
    QCOMPARE(m_sim->flash(0x8100, 512), testPage(0).mid(256) + testPage(1).left(256));
    QCOMPARE(m_sim->flash(0x8400, 512), QByteArray(512, firmwareimage::fillByte));
    QCOMPARE(m_sim->pages().keys(), (QList<quint32>{0x8000, 0x8200}));
}

void TestSimulator::finishIsJudgedByFlashContent_data()
{
    QTest::addColumn<bool>("updateMode");
    QTest::addColumn<QList<int>>("pagesWritten");
    QTest::addColumn<quint32>("endAddress");
    QTest::addColumn<QByteArray>("summedImage");
    QTest::addColumn<quint16>("crcXor");
    QTest::addColumn<bool>("accepted");

    const QByteArray p0 = testPage(0);
    const QByteArray p1 = testPage(1);
    const QByteArray p2 = testPage(2);
    const QByteArray blank(firmwareimage::pageSize, firmwareimage::fillByte);

    QTest::newRow("matching crc and end") << true << QList<int>{0, 1} << 0x8400u << p0 + p1 << quint16(0) << true;
    QTest::newRow("crc one bit off") << true << QList<int>{0, 1} << 0x8400u << p0 + p1 << quint16(1) << false;
    QTest::newRow("end one page short") << true << QList<int>{0, 1} << 0x8200u << p0 + p1 << quint16(0) << false;
    QTest::newRow("end one page long") << true << QList<int>{0, 1} << 0x8600u << p0 + p1 << quint16(0) << false;
    QTest::newRow("gap reads as 0xFF") << true << QList<int>{0, 2} << 0x8600u << p0 + blank + p2 << quint16(0) << true;
    QTest::newRow("gap taken as written") << true << QList<int>{0, 2} << 0x8600u << p0 + p1 + p2 << quint16(0) << false;
    QTest::newRow("empty image") << true << QList<int>{} << 0x8000u << QByteArray() << quint16(0) << true;
    QTest::newRow("application mode") << false << QList<int>{} << 0x8000u << QByteArray() << quint16(0) << false;
}

void TestSimulator::finishIsJudgedByFlashContent()
{
    QFETCH(bool, updateMode);
    QFETCH(QList<int>, pagesWritten);
    QFETCH(quint32, endAddress);
    QFETCH(QByteArray, summedImage);
    QFETCH(quint16, crcXor);
    QFETCH(bool, accepted);

    if (updateMode) {
        exchange(enterUpdateModeRequest, false);
        QCOMPARE(exchange(statusRequest).size(), 12);
    }
    for (const int k : pagesWritten) {
        const quint32 address = static_cast<quint32>(Fault::pageAddress(k));
        QCOMPARE(exchange(writePageRequest(address, testPage(k))), QByteArray::fromHex("8900"));
    }

    const quint16 crc = firmwareimage::crc16Modbus(summedImage) ^ crcXor;
    const QByteArray reply = exchange(finishRequest(endAddress, crc));
    QCOMPARE(reply, accepted ? QByteArray::fromHex("9b00") : QByteArray::fromHex("9b01"));

    const FinishRecord finish = m_sim->lastFinish();
    QVERIFY(finish.received);
    QCOMPARE(finish.endAddress, endAddress);
    QCOMPARE(finish.crc, crc);
    QCOMPARE(finish.accepted, accepted);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
