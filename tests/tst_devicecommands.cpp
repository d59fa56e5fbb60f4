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

const char oldSku[] = "OLD-SKU-0123456789";
const char oldHardware[] = "KTL407.001-OLD";

// 0x82 and the two 32-byte text fields, zero-padded.
QByteArray identifyReply(const QByteArray &sku, const QByteArray &hardware)
{
    return '\x82' + sku.leftJustified(32, '\0') + hardware.leftJustified(32, '\0');
}

QByteArray bytes(const quint8 (&block)[11])
{
    return QByteArray(reinterpret_cast<const char *>(block), sizeof block);
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
        fault.kind = how == AsGiven  ? FaultKind::ReplaceReply
                     : how == Silent ? FaultKind::NoReply
                                     : FaultKind::CorruptCrc;
        fault.command = code;
        fault.payload = payload;
        sim->addFault(fault);
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
        worker->setPortLister([path] { return QList<PortListing>{{path, true, 0x10C4, true, 0xEA60}}; });
        worker->setSettings(0xEA60, 0x10C4, QSerialPort::Baud115200, QSerialPort::Data8, QSerialPort::NoParity,
                            QSerialPort::OneStop, QSerialPort::NoFlowControl);
        QVERIFY(!worker->connectPort());
    }

    void cleanup()
    {
        // The window leaves its worker alive on purpose; here each case owns one and releases its port.
        qorvserial *worker = window->serialWorker();
        delete window;
        window = nullptr;
        worker->disconnectPort();
        delete worker;
        delete sim;
        sim = nullptr;
    }

    void requestBuilders_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("status") << protocol::readBlockRequest(0x08, 0, 12)
                                << QByteArray::fromHex("08 0c 00 00 00 00 00");
        QTest::newRow("read, address little-endian")
            << protocol::readBlockRequest(0x08, 0x12345678, 0x0201) << QByteArray::fromHex("08 01 02 78 56 34 12");
        QTest::newRow("identify") << protocol::identifyRequest() << QByteArray::fromHex("02");
        QTest::newRow("enter update mode") << protocol::setUpdateModeRequest(true) << QByteArray::fromHex("0301");
        QTest::newRow("leave update mode") << protocol::setUpdateModeRequest(false) << QByteArray::fromHex("0300");
        QTest::newRow("page at 0x8000") << protocol::writePageRequest(0x8000, page.constData())
                                        << QByteArray::fromHex("09 00 02 00 80 00 00") + page;
        QTest::newRow("finish") << protocol::finishImageRequest(0x32000, 0x1234)
                                << QByteArray::fromHex("1b 10 00 00 20 03 00 34 12") + QByteArray(10, '\xff');
    }

    void requestBuilders()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(' '), expected.toHex(' '));
    }

    // A frame always carries at least one byte, so the device can never make the client see an empty answer.
    void emptyAnswerIsRejected()
    {
        QCOMPARE(protocol::judgeAnswer(QByteArray(), 0x89), int(CommandResult::Rejected));
        QCOMPARE(protocol::judgeAnswer(QByteArray(), 0x9B), int(CommandResult::Rejected));
    }

    // The update-mode request awaits no reply; what the device does with it shows which mode byte arrived.
    void updateModeRequest_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("enter") << true;
        QTest::newRow("leave") << false;
    }

    void updateModeRequest()
    {
        QFETCH(bool, enter);
        sim->setRunMode(enter ? 1 : 0);
        QVERIFY(window->setUpdateMode(enter));
        QTRY_COMPARE(sim->trace().size(), 1);
        QCOMPARE(int(sim->trace().first().command), 0x03);
        QCOMPARE(sim->trace().first().payloadLength, 2);
        QCOMPARE(sim->runMode(), quint8(enter ? 0 : 1));
    }

    void statusReplies_data()
    {
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        const QByteArray body = QByteArray::fromHex("02aa030405060708090a0b");
        QTest::newRow("12 bytes from 0x41") << AsGiven << QByteArray(1, 0x41) + body << true;
        QTest::newRow("11 bytes") << AsGiven << QByteArray(1, 0x41) + body.left(10) << false;
        QTest::newRow("13 bytes") << AsGiven << QByteArray(1, 0x41) + body + 'x' << false;
        QTest::newRow("12 bytes from 0x42") << AsGiven << QByteArray(1, 0x42) + body << false;
        QTest::newRow("12 bytes from 0xC1") << AsGiven << QByteArray(1, char(0xC1)) + body << false;
        QTest::newRow("no reply") << Silent << QByteArray() << false;
        QTest::newRow("port closed") << PortClosed << QByteArray() << false;
    }

    void statusReplies()
    {
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        // The search passes its statusBlock; a first, good status fills it with the device's own report.
        sim->setRunMode(2);
        sim->setVersion({7, 8, 9});
        quint8 block[11] = {};
        QVERIFY(window->readBlock(0x08, 0, 12, block));
        const QByteArray before = bytes(block);
        QCOMPARE(before.toHex(), QByteArray::fromHex("0200070809000000000000").toHex());
        QCOMPARE(int(sim->trace().first().command), 0x08);
        QCOMPARE(sim->trace().first().payloadLength, 7);
        QCOMPARE(sim->trace().first().address, 0u);

        serve(0x08, how, reply);
        QCOMPARE(window->readBlock(0x08, 0, 12, block), accepted);
        QCOMPARE(bytes(block).toHex(), (accepted ? reply.mid(1) : before).toHex());
    }

    void identifyReplies_data()
    {
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("sku");
        QTest::addColumn<QString>("hardware");
        const QByteArray good = identifyReply("60318", "KTL407.001");
        auto failed = [&](const char *name, Serve how, const QByteArray &reply) {
            QTest::newRow(name) << how << reply << false << QString(oldSku) << QString(oldHardware);
        };
        failed("64 bytes", AsGiven, good.left(64));
        failed("66 bytes", AsGiven, good + 'x');
        failed("65 bytes from 0x02", AsGiven, QByteArray(1, 0x02) + good.mid(1));
        failed("no reply", Silent, {});
        failed("port closed", PortClosed, {});
        auto read = [](const char *name, const QByteArray &skuField, const QByteArray &hardwareField,
                       const QString &sku, const QString &hardware) {
            QTest::newRow(name) << AsGiven << identifyReply(skuField, hardwareField) << true << sku << hardware;
        };
        read("65 bytes, shorter texts", "60318", "KTL407.001", "60318", "KTL407.001");
        read("32 non-zero bytes", QByteArray(32, 'S'), QByteArray(32, 'H'), QString(32, 'S'), QString(32, 'H'));
        read("cut at the first zero", QByteArray("AB\0CD", 5), "X", "AB", "X");
        read("field starting with zero", "A", QByteArray("\0KTL407", 7), "A", "");
        read("Latin-1 bytes", "caf\xE9", "\xFF\x80", QStringLiteral("caf") + QChar(0xE9),
             QString(QChar(0xFF)) + QChar(0x80));
    }

    void identifyReplies()
    {
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        QFETCH(QString, sku);
        QFETCH(QString, hardware);
        // A first, good identification leaves longer texts behind.
        sim->setSku(oldSku);
        sim->setHardware(oldHardware);
        QVERIFY(window->identify());
        QCOMPARE(int(sim->trace().first().command), 0x02);
        QCOMPARE(sim->trace().first().payloadLength, 1);

        serve(0x02, how, reply);
        QCOMPARE(window->identify(), accepted);
        QCOMPARE(window->info().sku, sku);
        QCOMPARE(window->info().hardware, hardware);
    }

    void pageAndFinishResults_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        for (const bool finish : {false, true}) {
            const char *name = finish ? "finish" : "page";
            const char code = char(finish ? 0x9B : 0x89);
            const char other = char(finish ? 0x1B : 0x09);
            auto row = [name](const char *what) -> QTestData & { return QTest::addRow("%s: %s", name, what); };
            const QByteArray answer(1, code);
            row("code, status 0") << finish << AsGiven << answer + '\0' << 0;
            row("code alone") << finish << AsGiven << answer << 0;
            row("code, status 0, more") << finish << AsGiven << answer + QByteArray("\0\x05", 2) << 0;
            row("code, status 1") << finish << AsGiven << answer + '\x01' << 3;
            row("request code, status 0") << finish << AsGiven << QByteArray(1, other) + '\0' << 3;
            row("other answer code") << finish << AsGiven << QByteArray(1, char(finish ? 0x89 : 0x9B)) + '\0' << 3;
            row("empty frame") << finish << AsGiven << QByteArray() << 2;
            row("bad frame CRC") << finish << BadCrc << QByteArray() << 2;
            row("no reply") << finish << Silent << QByteArray() << 2;
            row("port closed") << finish << PortClosed << QByteArray() << 1;
        }
    }

    void pageAndFinishResults()
    {
        QFETCH(bool, finish);
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        serve(finish ? 0x1B : 0x09, how, reply);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(finish ? window->finishImage(0x1234, 0x32000) : window->writePage(0x8000, page.constData()), result);
        if (how == Silent)
            QVERIFY2(clock.elapsed() >= 1000, "the reply wait is one second");
        if (how == PortClosed) {
            QVERIFY2(clock.elapsed() < 500, "a request that could not be sent awaits no reply");
            QVERIFY(sim->trace().isEmpty());
            return;
        }
        // The device decodes and carries out the request whatever it answers, so it shows what arrived.
        const QList<RequestTrace> trace = sim->trace();
        QCOMPARE(trace.size(), 1);
        QCOMPARE(int(trace.first().command), finish ? 0x1B : 0x09);
        QCOMPARE(trace.first().payloadLength, finish ? 19 : 519);
        QCOMPARE(trace.first().address, finish ? 0x32000u : 0x8000u);
        if (finish) {
            QVERIFY(sim->lastFinish().received); // recorded only when request length and length field are right
            QCOMPARE(sim->lastFinish().endAddress, 0x32000u);
            QCOMPARE(sim->lastFinish().crc, quint16(0x1234));
        } else {
            QCOMPARE(sim->pages().value(0x8000).toHex(), page.toHex()); // stored under the same condition
        }
    }
};

QTEST_MAIN(TestDeviceCommands)
#include "tst_devicecommands.moc"
