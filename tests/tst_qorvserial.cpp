// The serial worker and the frame codec over a real pseudo-terminal: the test holds the master side, the worker
// opens the slave with QSerialPort exactly as it opens a USB serial port.

#include "serial/framecodec.h"
#include "serial/qorvserial.h"
#include "sim/ptypair.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <poll.h>
#include <unistd.h>

namespace {
const QByteArray statusReply = QByteArray::fromHex("7e4186017f"); // payload 0x41

void writeMaster(const PtyPair &pty, const QByteArray &bytes)
{
    QCOMPARE(::write(pty.masterFd(), bytes.constData(), bytes.size()), ssize_t(bytes.size()));
}

QByteArray readMaster(const PtyPair &pty, int expected)
{
    QByteArray out;
    pollfd p{pty.masterFd(), POLLIN, 0};
    while (out.size() < expected && ::poll(&p, 1, 1000) > 0) {
        char buf[1024];
        const ssize_t n = ::read(pty.masterFd(), buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

QList<PortListing> onePort(const QString &name)
{
    return {{name, true, 0x10C4, true, 0xEA60}};
}
} // namespace

Q_DECLARE_METATYPE(QList<PortListing>)

class TestQorvserial : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void discovery_data();
    void discovery();
    void discoveryStoresSettingsWithoutMatch();
    void unknownPortFailsWithPortsErrorText();
    void closedPortOperationsFail();
    void writtenPayloadArrivesFramed();
    void acceptsReplySplitAcrossReads();
    void rejectsStrayByteBeforeFrame();
    void dropsTrailingBytes();
    void discardsBytesReceivedBeforeRequest();
    void replyCompletingAtTimeOutCountsAsTimeOut();
    void disconnectNotifiesOnlyWhenOpen();
    void handleError_data();
    void handleError();

private:
    void openWorker();
    PtyPair *pty = nullptr;
    qorvserial *worker = nullptr;
};

void TestQorvserial::init()
{
    pty = new PtyPair;
    QVERIFY(pty->isValid());
    worker = new qorvserial;
}

void TestQorvserial::cleanup()
{
    delete worker;
    delete pty;
}

void TestQorvserial::openWorker()
{
    const QString path = pty->slavePath();
    worker->setPortLister([path] { return onePort(path); });
    worker->setSettings(0xEA60, 0x10C4, QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                        QSerialPort::OneStop, QSerialPort::NoFlowControl);
    QVERIFY(worker->isPortFound());
    QCOMPARE(worker->connectPort(), false);
}

void TestQorvserial::discovery_data()
{
    QTest::addColumn<QList<PortListing>>("ports");
    QTest::addColumn<QString>("expected");
    const PortListing cp210x{QStringLiteral("ttyUSB1"), true, 0x10C4, true, 0xEA60};
    const PortListing cp210xSecond{QStringLiteral("ttyUSB2"), true, 0x10C4, true, 0xEA60};
    const PortListing noProduct{QStringLiteral("ttyUSB0"), true, 0x10C4, false, 0xEA60};
    const PortListing noVendor{QStringLiteral("ttyUSB3"), false, 0x10C4, true, 0xEA60};
    const PortListing otherChip{QStringLiteral("ttyACM0"), true, 0x0403, true, 0x6001};
    QTest::newRow("first of two matches") << QList<PortListing>{otherChip, cp210x, cp210xSecond} << "ttyUSB1";
    QTest::newRow("no product identifier never matches") << QList<PortListing>{noProduct, cp210xSecond} << "ttyUSB2";
    QTest::newRow("no vendor identifier never matches") << QList<PortListing>{noVendor} << QString();
    QTest::newRow("no ports") << QList<PortListing>{} << QString();
}

void TestQorvserial::discovery()
{
    QFETCH(QList<PortListing>, ports);
    QFETCH(QString, expected);
    worker->setPortLister([ports] { return ports; });
    worker->setSettings(60000, 4292, QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                        QSerialPort::OneStop, QSerialPort::NoFlowControl);
    QCOMPARE(worker->isPortFound(), !expected.isEmpty());
    QCOMPARE(worker->currentPortName(), expected);
}

void TestQorvserial::discoveryStoresSettingsWithoutMatch()
{
    worker->setSettings(QStringLiteral("stale"), QSerialPort::Baud9600, QSerialPort::Data7, QSerialPort::EvenParity,
                        QSerialPort::TwoStop, QSerialPort::HardwareControl);
    worker->setPortLister([] { return QList<PortListing>{}; });
    worker->setSettings(60000, 4292, QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                        QSerialPort::OneStop, QSerialPort::NoFlowControl);
    QVERIFY(!worker->isPortFound());
    QVERIFY(worker->currentPortName().isEmpty());
    QCOMPARE(worker->currentBaudRate(), QSerialPort::Baud115200);
    QCOMPARE(worker->currentDataBits(), QSerialPort::Data8);
    QCOMPARE(worker->currentParity(), QSerialPort::NoParity);
    QCOMPARE(worker->currentStopBits(), QSerialPort::OneStop);
    QCOMPARE(worker->currentFlowControl(), QSerialPort::NoFlowControl);
}

void TestQorvserial::unknownPortFailsWithPortsErrorText()
{
    QSignalSpy errors(worker, &qorvserial::errorMsg);
    worker->setSettings(QStringLiteral("/dev/kivra-no-such-port"), QSerialPort::Baud115200, QSerialPort::Data8,
                        QSerialPort::NoParity, QSerialPort::OneStop, QSerialPort::NoFlowControl);
    QCOMPARE(worker->connectPort(), true);
    QVERIFY(!worker->isOpen());
    QCOMPARE(errors.count(), 1);
    QSerialPort reference(QStringLiteral("/dev/kivra-no-such-port"));
    QVERIFY(!reference.open(QIODevice::ReadWrite));
    QCOMPARE(errors.at(0).at(0).toString(), reference.errorString());
}

void TestQorvserial::closedPortOperationsFail()
{
    worker->setSettings(QStringLiteral("ttyUSB9"), QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                        QSerialPort::OneStop, QSerialPort::NoFlowControl);
    QSignalSpy errors(worker, &qorvserial::errorMsg);
    QCOMPARE(worker->sendPacket("abc"), true);
    QByteArray payload = "untouched";
    QCOMPARE(worker->receivePacket(payload, 1000), true);
    QCOMPARE(payload, QByteArray("untouched"));
    QCOMPARE(errors.count(), 2); // no time-out message after the read error
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("ttyUSB9 >> is not open. Write error\n"));
    QCOMPARE(errors.at(1).at(0).toString(), QStringLiteral("ttyUSB9 >> is not open. Read error\n"));
}

void TestQorvserial::writtenPayloadArrivesFramed()
{
    openWorker();
    const QByteArray payload = QByteArray::fromHex("01027e7d7f");
    QCOMPARE(worker->sendPacket(payload), false);
    const QByteArray frame = framecodec::encodeFrame(payload);
    QCOMPARE(readMaster(*pty, frame.size()), frame);
}

void TestQorvserial::acceptsReplySplitAcrossReads()
{
    openWorker();
    QVERIFY(!worker->sendPacket("abc"));
    // Escape byte and escaped byte land in different reads.
    const QByteArray reply = framecodec::encodeFrame(QByteArray::fromHex("897e00"));
    const int split = reply.indexOf(char(0x7D)) + 1;
    QTimer::singleShot(20, [&] { writeMaster(*pty, reply.left(split)); });
    QTimer::singleShot(60, [&] { writeMaster(*pty, reply.mid(split, 2)); });
    QTimer::singleShot(100, [&] { writeMaster(*pty, reply.mid(split + 2)); });
    QByteArray payload;
    QCOMPARE(worker->receivePacket(payload, 1000), false);
    QCOMPARE(payload, QByteArray::fromHex("897e00"));
}

void TestQorvserial::rejectsStrayByteBeforeFrame()
{
    openWorker();
    QVERIFY(!worker->sendPacket("abc"));
    QSignalSpy errors(worker, &qorvserial::errorMsg);
    writeMaster(*pty, QByteArray(1, '\x00') + statusReply);
    QByteArray payload = "untouched";
    QCOMPARE(worker->receivePacket(payload, 1000), true);
    QCOMPARE(payload, QByteArray("untouched"));
    QCOMPARE(errors.count(), 0);
}

void TestQorvserial::dropsTrailingBytes()
{
    openWorker();
    QVERIFY(!worker->sendPacket("abc"));
    writeMaster(*pty, statusReply + framecodec::encodeFrame("second"));
    QByteArray payload;
    QCOMPARE(worker->receivePacket(payload, 1000), false);
    QCOMPARE(payload, QByteArray::fromHex("41"));
    // What came behind the first frame is gone: the next wait sees nothing.
    QCOMPARE(worker->receivePacket(payload, 100), true);
}

void TestQorvserial::discardsBytesReceivedBeforeRequest()
{
    openWorker();
    writeMaster(*pty, framecodec::encodeFrame("stale reply"));
    QTest::qWait(100); // let the stale bytes reach the worker's buffer
    QVERIFY(!worker->sendPacket("abc"));
    QTimer::singleShot(20, [&] { writeMaster(*pty, statusReply); });
    QByteArray payload;
    QCOMPARE(worker->receivePacket(payload, 1000), false);
    QCOMPARE(payload, QByteArray::fromHex("41"));
}

void TestQorvserial::replyCompletingAtTimeOutCountsAsTimeOut()
{
    openWorker();
    QVERIFY(!worker->sendPacket("abc"));
    QSignalSpy errors(worker, &qorvserial::errorMsg);
    writeMaster(*pty, statusReply.left(statusReply.size() - 1));
    QTimer::singleShot(300, Qt::PreciseTimer, [&] { writeMaster(*pty, statusReply.right(1)); });
    QElapsedTimer clock;
    clock.start();
    QByteArray payload = "untouched";
    QCOMPARE(worker->receivePacket(payload, 300), true);
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(payload, QByteArray("untouched"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("dev: read timeout"));
}

void TestQorvserial::disconnectNotifiesOnlyWhenOpen()
{
    QSignalSpy infos(worker, &qorvserial::infoMsg);
    worker->disconnectPort();
    QCOMPARE(infos.count(), 0);
    openWorker();
    worker->disconnectPort();
    worker->disconnectPort();
    QCOMPARE(infos.count(), 1);
    QCOMPARE(infos.at(0).at(0).toString(), pty->slavePath() + QStringLiteral(" >> close\n"));
}

void TestQorvserial::handleError_data()
{
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<bool>("closes");
    QTest::newRow("resource error") << QSerialPort::ResourceError << true;
    QTest::newRow("read error") << QSerialPort::ReadError << false;
    QTest::newRow("timeout") << QSerialPort::TimeoutError << false;
}

void TestQorvserial::handleError()
{
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(bool, closes);
    openWorker();
    QSignalSpy errors(worker, &qorvserial::errorMsg);
    QSignalSpy infos(worker, &qorvserial::infoMsg);
    QVERIFY(QMetaObject::invokeMethod(worker, "handleError", Q_ARG(QSerialPort::SerialPortError, error)));
    QCOMPARE(worker->isOpen(), !closes);
    QCOMPARE(errors.count(), closes ? 1 : 0);
    QCOMPARE(infos.count(), closes ? 1 : 0);
    // Once closed, the same error is ignored.
    QVERIFY(QMetaObject::invokeMethod(worker, "handleError", Q_ARG(QSerialPort::SerialPortError, error)));
    QCOMPARE(errors.count(), closes ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestQorvserial)
#include "tst_qorvserial.moc"
