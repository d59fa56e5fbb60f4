// The five device requests: their bytes as built and as the device receives them, and how each kind of reply is
// judged. Replies come from the simulated device over a pty, served as given (well framed) where a rule needs a
// reply the device would never send by itself.

#include "device/protocol.h"
#include "serial/qorvserial.h"
#include "sim/devicesimulator.h"
#include "sim/scriptedsystem.h"
#include "ui/mainwindow.h"

#include <QtTest>

namespace {

// How the device answers the request under test.
enum Serve { AsGiven, Silent, BadCrc, PortClosed };

// A page holding the bytes the frame codec escapes; its period of seven shows any shift of the data.
const QByteArray page = QByteArray("\x7D\x7E\x7F\x00\x01\x02\xFF", 7).repeated(74).left(512);

// 0x82 and the two 32-byte text fields, zero-padded.
QByteArray identifyReply(const QByteArray &sku, const QByteArray &hardware)
{
    return '\x82' + sku.leftJustified(32, '\0') + hardware.leftJustified(32, '\0');
}

} // namespace

Q_DECLARE_METATYPE(Serve)

class TestDeviceCommands : public QObject
{
    Q_OBJECT

    DeviceSimulator *sim = nullptr;
    MainWindow *window = nullptr;

    // Makes the device answer the next requests with `code` as `how` says.
    void serve(quint8 code, Serve how, const QByteArray &payload)
    {
        if (how == PortClosed) {
            window->serialWorker()->disconnectPort();
            return;
        }
        Fault fault;
        const FaultKind kinds[] = {FaultKind::ReplaceReply, FaultKind::NoReply, FaultKind::CorruptCrc};
        fault.kind = kinds[how];
        fault.command = code;
        fault.payload = payload;
        sim->addFault(fault);
    }

    // The one request the device received so far, as its trace shows it.
    void receivedOnce(int code, int length, quint32 address = 0)
    {
        QCOMPARE(sim->trace().size(), 1);
        QCOMPARE(int(sim->trace().first().command), code);
        QCOMPARE(sim->trace().first().payloadLength, length);
        QCOMPARE(sim->trace().first().address, address);
        sim->clearTrace();
    }

private slots:
    // Every window arms its own driver check 1.5 s after it is built; one fresh window per case, and no case waits for
    // more than one reply time-out, keeps that check from ever starting.
    void init()
    {
        sim = new DeviceSimulator;
        sim->setRunMode(0); // in update mode the device takes pages
        QVERIFY(sim->openPty());
        window = new MainWindow(nullptr, QSize(576, 324));
        window->setSystemAccess(std::make_unique<ScriptedSystem>());
        const QString path = sim->portPath();
        qorvserial *worker = window->serialWorker();
        worker->setPortLister([path] { return QList<PortListing>{cp210x::port(path)}; });
        worker->findDevicePort();
        QVERIFY(!worker->connectPort());
    }

    void cleanup()
    {
        // The window leaves its worker alive on purpose; here each case owns one and releases its port.
        qorvserial *worker = window->serialWorker();
        delete window;
        worker->disconnectPort();
        delete worker;
        delete sim;
    }

    void requestLayouts_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QByteArray &built, const char *hex) {
            QTest::newRow(name) << built << QByteArray::fromHex(hex);
        };
        row("status", protocol::readBlockRequest(0x08, 0, 12), "08 0c 00 00 00 00 00");
        row("read, address little-endian", protocol::readBlockRequest(0x08, 0x12345678, 0x0201), "08010278563412");
        row("finish", protocol::finishImageRequest(0x32000, 0x1234), "1b 10 00 00 20 03 00 34 12 ffffffffffffffffffff");
        QTest::newRow("page at 0x8000") << protocol::writePageRequest(0x8000, page.constData())
                                        << QByteArray::fromHex("09 00 02 00 80 00 00") + page;
    }

    void requestLayouts()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(' '), expected.toHex(' '));
    }

    // The update-mode request awaits no reply; what the device does with it shows which mode byte arrived.
    void updateModeRequest()
    {
        for (const bool enter : {false, true}) {
            QVERIFY(window->setUpdateMode(enter));
            QTRY_COMPARE_WITH_TIMEOUT(sim->trace().size(), 1, 1000);
            QCOMPARE(sim->runMode(), quint8(enter ? 0 : 1));
            receivedOnce(0x03, 2);
        }
    }

    // Status and identify replies. The device first answers well; what a later reply leaves behind is the status block
    // the search passes, or the texts of deviceInfo: the reply's content if accepted, the earlier report otherwise.
    void readReplies_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected"); // null: not accepted
        const auto row = [](const char *name, int code, Serve how, const QByteArray &reply, const QString &expected) {
            QTest::newRow(name) << code << how << reply << expected;
        };
        const QByteArray body = QByteArray::fromHex("02aa030405060708090a0b");
        row("status: 12 bytes from 0x41", 0x08, AsGiven, 'A' + body, body.toHex());
        row("status: 11 bytes", 0x08, AsGiven, 'A' + body.left(10), {});
        row("status: 13 bytes", 0x08, AsGiven, 'A' + body + 'x', {});
        row("status: 12 bytes from 0x42", 0x08, AsGiven, 'B' + body, {});
        row("status: no reply", 0x08, Silent, {}, {});
        row("status: port closed", 0x08, PortClosed, {}, {});
        const QByteArray good = identifyReply("60318", "KTL407.001");
        row("identify: 65 bytes", 0x02, AsGiven, good, "60318|KTL407.001");
        row("identify: 64 bytes", 0x02, AsGiven, good.left(64), {});
        row("identify: 66 bytes", 0x02, AsGiven, good + 'x', {});
        row("identify: 65 bytes from 0x02", 0x02, AsGiven, '\x02' + good.mid(1), {});
        row("identify: no reply", 0x02, Silent, {}, {});
        row("identify: port closed", 0x02, PortClosed, {}, {});
        row("identify: 32 non-zero bytes", 0x02, AsGiven, identifyReply(QByteArray(32, 'S'), QByteArray(32, 'H')),
            QString(32, 'S') + '|' + QString(32, 'H'));
        row("identify: cut at the first zero", 0x02, AsGiven, identifyReply(QByteArray("AB\0CD", 5), "X"), "AB|X");
        row("identify: Latin-1 bytes", 0x02, AsGiven, identifyReply("caf\xE9", "\xFF\x80"),
            QStringLiteral("caf\u00E9|\u00FF\u0080"));
    }

    void readReplies()
    {
        QFETCH(int, code);
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        sim->setRunMode(2);
        sim->setVersion({7, 8, 9});
        sim->setSku("OLD-SKU-0123456789");
        sim->setHardware("KTL407.001-OLD");
        quint8 block[11] = {};
        const auto exchange = [&] { return code == 0x08 ? window->readBlock(0x08, 0, 12, block) : window->identify(); };
        const auto state = [&] {
            return code == 0x08 ? QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(block), 11).toHex())
                                : window->info().sku + '|' + window->info().hardware;
        };
        QVERIFY(exchange());
        const QString before = state();
        QCOMPARE(before, code == 0x08 ? "0200070809000000000000" : "OLD-SKU-0123456789|KTL407.001-OLD");
        receivedOnce(code, code == 0x08 ? 7 : 1);

        serve(quint8(code), how, reply);
        QCOMPARE(exchange(), !expected.isNull());
        QCOMPARE(state(), expected.isNull() ? before : expected);
    }

    void pageAndFinishResults_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        for (const bool finish : {false, true}) {
            const QByteArray code(1, char(finish ? 0x9B : 0x89));
            const auto row = [finish](const char *what, Serve how, const QByteArray &reply, int result) {
                QTest::addRow("%s: %s", finish ? "finish" : "page", what) << finish << how << reply << result;
            };
            row("code, status 0", AsGiven, code + '\0', 0);
            row("code alone", AsGiven, code, 0);
            row("code, status 0, more", AsGiven, code + QByteArray("\0\x05", 2), 0);
            row("code, status 1", AsGiven, code + '\x01', 3);
            row("request code, status 0", AsGiven, QByteArray(1, char(finish ? 0x1B : 0x09)) + '\0', 3);
            row("empty frame", AsGiven, QByteArray(), 2);
            row("bad frame CRC", BadCrc, QByteArray(), 2);
            row("no reply", Silent, QByteArray(), 2);
            row("port closed", PortClosed, QByteArray(), 1);
        }
    }

    void pageAndFinishResults()
    {
        QFETCH(bool, finish);
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        serve(finish ? 0x1B : 0x09, how, reply);
        QCOMPARE(int(finish ? window->finishImage(0x1234, 0x32000) : window->writePage(0x8000, page.constData())),
                 result);
        if (how == PortClosed) {
            QVERIFY(sim->trace().isEmpty());
            return;
        }
        // The device decodes and carries out the request whatever it answers, so it shows what arrived.
        receivedOnce(finish ? 0x1B : 0x09, finish ? 19 : 519, finish ? 0x32000 : 0x8000);
        if (finish) {
            QVERIFY(sim->lastFinish().received); // recorded only when request length and length field are right
            QCOMPARE(sim->lastFinish().crc, quint16(0x1234));
        } else {
            QCOMPARE(sim->pages().value(0x8000).toHex(), page.toHex()); // stored under the same condition
        }
    }
};

QTEST_MAIN(TestDeviceCommands)
#include "tst_devicecommands.moc"
