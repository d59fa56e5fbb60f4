// The device requests through the worker: what the device receives, and what each kind of reply comes to.
// Replies come from the simulated device over a pty, served as given (well framed) where a rule needs a reply the
// device would never send by itself. The byte rules themselves are tst_protocol's.

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
            row("code alone", AsGiven, code, CommandResult::Ok);
            row("code, status 1", AsGiven, code + '\x01', CommandResult::Rejected);
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
