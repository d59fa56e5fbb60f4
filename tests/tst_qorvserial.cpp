// The serial worker over a real pseudo-terminal: the test holds the master, the worker opens the slave as a USB port.

#include "serial/framecodec.h"
#include "serial/qorvserial.h"
#include "sim/device/ptypair.h"

#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
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
    char buf[1024];
    ssize_t n = 0;
    while (out.size() < expected && ::poll(&p, 1, 1000) > 0 && (n = ::read(pty.masterFd(), buf, sizeof buf)) > 0)
        out.append(buf, int(n));
    return out;
}

// Waits until what the master wrote has gone through the terminal's input queue into the worker's port.
bool reachesWorker(const PtyPair &pty)
{
    const int fd = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    pollfd p{fd, POLLIN, 0};
    int queued = -1;
    const bool reached = fd >= 0 && ::poll(&p, 1, 5000) > 0 &&
                         QTest::qWaitFor([&] { return ::ioctl(fd, FIONREAD, &queued) == 0 && queued == 0; });
    if (fd >= 0)
        ::close(fd);
    return reached;
}

// The line settings of the terminal behind `path`, set first to `set` if given.
termios lineSettings(const QString &path, const termios *set = nullptr)
{
    termios tio{};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0 && (!set || ::tcsetattr(fd, TCSANOW, set) == 0))
        ::tcgetattr(fd, &tio);
    if (fd >= 0)
        ::close(fd);
    return tio;
}
} // namespace

Q_DECLARE_METATYPE(QList<PortListing>)

class TestQorvserial : public QObject
{
    Q_OBJECT

    PtyPair *pty = nullptr;
    qorvserial *worker = nullptr;

    void openWorker()
    {
        const QString path = pty->slavePath();
        worker->setPortLister([path] { return QList<PortListing>{cp210x::port(path)}; });
        worker->findDevicePort();
        QVERIFY(worker->isPortFound());
        QCOMPARE(worker->connectPort(), false);
    }

private slots:
    void init()
    {
        pty = new PtyPair;
        QVERIFY(pty->isValid());
        worker = new qorvserial;
    }

    void cleanup()
    {
        delete worker;
        delete pty;
    }

    void discovery_data()
    {
        QTest::addColumn<QList<PortListing>>("ports");
        QTest::addColumn<QString>("expected");
        const PortListing first{QStringLiteral("ttyUSB1"), true, 0x10C4, true, 0xEA60};
        const PortListing second{QStringLiteral("ttyUSB2"), true, 0x10C4, true, 0xEA60};
        const PortListing noProduct{QStringLiteral("ttyUSB0"), true, 0x10C4, false, 0xEA60};
        const PortListing otherChip{QStringLiteral("ttyACM0"), true, 0x0403, true, 0x6001};
        QTest::newRow("first of two matches") << QList<PortListing>{otherChip, first, second} << "ttyUSB1";
        QTest::newRow("no product identifier never matches") << QList<PortListing>{noProduct, second} << "ttyUSB2";
        QTest::newRow("nothing matches") << QList<PortListing>{noProduct, otherChip} << QString();
    }

    void discovery()
    {
        QFETCH(QList<PortListing>, ports);
        QFETCH(QString, expected);
        worker->setPortLister([ports] { return ports; });
        worker->findDevicePort();
        QCOMPARE(worker->isPortFound(), !expected.isEmpty());
        QCOMPARE(worker->currentPortName(), expected);
    }

    // The line starts out as something else entirely; the opened port must run 115200 8N1 without flow control.
    void opensTheLineAs115200EightNoneOne()
    {
        termios tio = lineSettings(pty->slavePath());
        cfsetspeed(&tio, B9600);
        tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
        tio.c_iflag |= IXON | IXOFF;
        QCOMPARE(cfgetospeed(&(tio = lineSettings(pty->slavePath(), &tio))), speed_t(B9600));
        openWorker();
        tio = lineSettings(pty->slavePath());
        // In, out, size, parity, stop bits and hardware flow, software flow.
        QCOMPARE(QList<ulong>({cfgetispeed(&tio), cfgetospeed(&tio), tio.c_cflag & CSIZE,
                               tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), tio.c_iflag & (IXON | IXOFF)}),
                 QList<ulong>({B115200, B115200, CS8, 0, 0}));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("before");       // on the line before the request is written
        QTest::addColumn<QList<QByteArray>>("after"); // written 40 ms apart after the request
        QTest::addColumn<QByteArray>("expected");     // null: the reply is rejected
        const auto row = [](const char *name, const QByteArray &before, const QList<QByteArray> &after,
                            const char *expected) {
            QTest::newRow(name) << before << after << (expected ? QByteArray::fromHex(expected) : QByteArray());
        };
        const QByteArray split = framecodec::encodeFrame(QByteArray::fromHex("897e00")); // 7e 89 7d 3e 00 ...
        row("escape split from escaped byte", {}, {split.left(3), split.mid(3, 2), split.mid(5)}, "897e00");
        row("stray byte before the frame", {}, {'\0' + statusReply}, nullptr);
        row("trailing bytes dropped", {}, {statusReply + framecodec::encodeFrame("second")}, "41");
        row("bytes before the request discarded", framecodec::encodeFrame("stale reply"), {statusReply}, "41");
    }

    void replies()
    {
        QFETCH(QByteArray, before);
        QFETCH(QList<QByteArray>, after);
        QFETCH(QByteArray, expected);
        openWorker();
        if (!before.isEmpty()) {
            writeMaster(*pty, before);
            QVERIFY(reachesWorker(*pty));
        }
        // The request goes out as one frame, escapes and all.
        const QByteArray request = QByteArray::fromHex("01027e7d7f");
        const QByteArray frame = framecodec::encodeFrame(request);
        QVERIFY(!worker->sendPacket(request));
        QCOMPARE(readMaster(*pty, frame.size()).toHex(' '), frame.toHex(' '));
        for (int i = 0; i < after.size(); ++i)
            QTimer::singleShot(20 + 40 * i, worker, [this, piece = after.at(i)] { writeMaster(*pty, piece); });
        QSignalSpy errors(worker, &qorvserial::errorMsg);
        QByteArray payload = "untouched";
        QCOMPARE(worker->receivePacket(payload, 1000), expected.isNull());
        QCOMPARE(payload.toHex(), (expected.isNull() ? QByteArray("untouched") : expected).toHex());
        QCOMPARE(errors.count(), 0);
        // Whatever came behind the first frame is gone: the next wait sees nothing.
        QCOMPARE(worker->receivePacket(payload, 100), true);
    }

    // A write the line cannot take at once (XOFF on a line that honours it) is on its way, not failed.
    void heldLineIsNoWriteFailure()
    {
        openWorker();
        termios tio = lineSettings(pty->slavePath());
        tio.c_iflag |= IXON;
        lineSettings(pty->slavePath(), &tio);
        // The master in packet mode hears when the line stops.
        int packetMode = 1;
        QCOMPARE(::ioctl(pty->masterFd(), TIOCPKT, &packetMode), 0);
        writeMaster(*pty, "\x13");
        pollfd p{pty->masterFd(), POLLIN | POLLPRI, 0};
        char status = 0;
        QVERIFY(::poll(&p, 1, 5000) > 0 && ::read(pty->masterFd(), &status, 1) == 1);
        QVERIFY(status & TIOCPKT_STOP);
        QSignalSpy errors(worker, &qorvserial::errorMsg);
        QCOMPARE(worker->sendPacket(QByteArray::fromHex("41")), false);
        QVERIFY(errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQorvserial)
#include "tst_qorvserial.moc"
