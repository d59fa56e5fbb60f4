// The device requests: their bytes, and how each kind of reply is judged. Replies come from the simulated device over
// a pty, served as given (well framed) where a rule needs a reply the device would never send by itself.

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

QByteArray identifyReply(const QByteArray &sku, const QByteArray &hardware)
{
    return '\x82' + sku.leftJustified(32, '\0') + hardware.leftJustified(32, '\0');
}
} // namespace

Q_DECLARE_METATYPE(Serve)
Q_DECLARE_METATYPE(CommandResult)

class TestDeviceCommands : public QObject
{
    Q_OBJECT

    DeviceSimulator *sim = nullptr;
    MainWindow *window = nullptr;

    // Makes the device answer the next request with `code` as `how` says.
    void serve(quint8 code, Serve how, const QByteArray &payload)
    {
        if (how == PortClosed)
            return window->serialWorker()->disconnectPort();
        Fault fault;
        const FaultKind kinds[] = {FaultKind::ReplaceReply, FaultKind::NoReply, FaultKind::CorruptCrc};
        fault.kind = kinds[how];
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
        window->serialWorker()->setPortLister([path] { return QList<PortListing>{cp210x::port(path)}; });
        window->serialWorker()->findDevicePort();
        QVERIFY(!window->serialWorker()->connectPort());
    }

    void cleanup()
    {
        // The window leaves its worker alive on purpose; here each case owns one and releases its port.
        qorvserial *worker = window->serialWorker();
        delete window;
        delete worker;
        delete sim;
    }

    void requestLayouts_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("status") << protocol::readBlockRequest(0x08, 0, 12) << QByteArray::fromHex("080c0000000000");
        QTest::newRow("read, address little-endian")
            << protocol::readBlockRequest(0x08, 0x12345678, 0x0201) << QByteArray::fromHex("08010278563412");
        QTest::newRow("finish: end address, then crc")
            << protocol::finishImageRequest(0x32000, 0x1234)
            << QByteArray::fromHex("1b10000020030034 12ffffffffffffffffffff");
        QTest::newRow("page at 0x8000") << protocol::writePageRequest(0x8000, page.constData())
                                        << QByteArray::fromHex("09000200800000") + page;
        QTest::newRow("leave update mode") << protocol::setUpdateModeRequest(false) << QByteArray::fromHex("0300");
    }

    void requestLayouts()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(' '), expected.toHex(' '));
    }

    // Status and identify replies after a good one: an accepted reply replaces the status block or the identity that
    // deviceInfo holds, a refused one leaves the earlier report in place.
    void readReplies_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected"); // null: not accepted
        const QByteArray body = QByteArray::fromHex("02aa030405060708090a0b");
        const QByteArray good = identifyReply("60318", "KTL407.001");
        QTest::newRow("status: 12 bytes from 0x41") << 0x08 << AsGiven << 'A' + body << QString(body.toHex());
        QTest::newRow("status: 11 bytes") << 0x08 << AsGiven << 'A' + body.left(10) << QString();
        QTest::newRow("status: 13 bytes") << 0x08 << AsGiven << 'A' + body + 'x' << QString();
        QTest::newRow("status: from 0x42") << 0x08 << AsGiven << 'B' + body << QString();
        QTest::newRow("status: bad CRC") << 0x08 << BadCrc << QByteArray() << QString();
        QTest::newRow("identify: 65 bytes") << 0x02 << AsGiven << good << "60318|KTL407.001";
        QTest::newRow("identify: 64 bytes") << 0x02 << AsGiven << good.left(64) << QString();
        QTest::newRow("identify: from 0x02") << 0x02 << AsGiven << '\x02' + good.mid(1) << QString();
        QTest::newRow("identify: no reply") << 0x02 << Silent << QByteArray() << QString();
        QTest::newRow("identify: port closed") << 0x02 << PortClosed << QByteArray() << QString();
        QTest::newRow("identify: 32 non-zero bytes, cut at a zero, Latin-1")
            << 0x02 << AsGiven << identifyReply(QByteArray(32, 'S'), QByteArray("caf\xE9\0CD", 7))
            << QString(32, 'S') + QStringLiteral("|caf\u00E9");
    }

    void readReplies()
    {
        QFETCH(int, code);
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        sim->setRunMode(2);
        sim->setVersion({7, 8, 9});
        sim->setSku("OLD-SKU");
        quint8 block[11] = {};
        const auto exchange = [&] { return code == 0x08 ? window->readBlock(0x08, 0, 12, block) : window->identify(); };
        const auto state = [&] {
            return code == 0x08 ? QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(block), 11).toHex())
                                : window->info().sku + '|' + window->info().hardware;
        };
        QVERIFY(exchange());
        const QString before = state();
        QCOMPARE(before, code == 0x08 ? "0200070809000000000000" : "OLD-SKU|KTL407.001");
        serve(quint8(code), how, reply);
        QCOMPARE(exchange(), !expected.isNull());
        QCOMPARE(state(), expected.isNull() ? before : expected);
    }

    void pageAndFinishResults_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::addColumn<Serve>("how");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<CommandResult>("result");
        for (const bool finish : {false, true}) {
            const QByteArray code(1, char(finish ? 0x9B : 0x89));
            const auto row = [finish](const char *what, Serve how, const QByteArray &reply, CommandResult result) {
                QTest::addRow("%s: %s", finish ? "finish" : "page", what) << finish << how << reply << result;
            };
            row("code, status 0, more", AsGiven, code + QByteArray("\0\x05", 2), CommandResult::Ok);
            row("code alone", AsGiven, code, CommandResult::Ok);
            row("code, status 1", AsGiven, code + '\x01', CommandResult::Rejected);
            row("request code, status 0", AsGiven, QByteArray(1, char(finish ? 0x1B : 0x09)) + '\0',
                CommandResult::Rejected);
            row("empty frame", AsGiven, QByteArray(), CommandResult::NoReply);
            row("bad frame CRC", BadCrc, QByteArray(), CommandResult::NoReply);
            row("no reply", Silent, QByteArray(), CommandResult::NoReply);
            row("port closed", PortClosed, QByteArray(), CommandResult::SendFailed);
        }
    }

    void pageAndFinishResults()
    {
        QFETCH(bool, finish);
        QFETCH(Serve, how);
        QFETCH(QByteArray, reply);
        QFETCH(CommandResult, result);
        serve(finish ? 0x1B : 0x09, how, reply);
        QCOMPARE(finish ? window->finishImage(0x1234, 0x32000) : window->writePage(0x8000, page.constData()), result);
        // The device decodes and carries out the request whatever it answers, so it shows what arrived.
        QCOMPARE(sim->trace().size(), how == PortClosed ? 0 : 1);
        if (how != PortClosed && finish)
            QVERIFY(sim->lastFinish().received && sim->lastFinish().crc == 0x1234 &&
                    sim->lastFinish().endAddress == 0x32000);
        else if (how != PortClosed)
            QCOMPARE(sim->pages().value(0x8000).toHex(), page.toHex());
    }
};

QTEST_MAIN(TestDeviceCommands)
#include "tst_devicecommands.moc"
