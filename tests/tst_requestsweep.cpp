// The device vanishes before answering request k of a whole update, or hangs from it on: never a success it does not
// hold, the client ends by itself, and a vanished device plugged in again is updated by the next run. Swept: the
// requests but the middle pages; KZ_SWEEP=all every one; KZ_SWEEP_SHARD=i/n every n-th row from the i-th.

#include "device/firmwareimage.h"
#include "sim/device/devicelog.h"
#include "support/clientrun.h"
#include "support/files.h"

#include <QtTest>

namespace {
constexpr int firstPageIndex = 6; // status, identify, status, update mode and one restart poll come before

// The request at `index` of a whole update (from 1): its code, and its name for the table.
QPair<quint8, QString> requestAt(int index)
{
    const quint8 code = seen::updateRequests().value(index - 1);
    if (code == DeviceCommand::WritePage)
        return {code, QStringLiteral("page %1").arg(index - firstPageIndex + 1)};
    return {code, devicelog::requestName(code) + (index > firstPageIndex && code != DeviceCommand::FinishImage
                                                      ? QStringLiteral(" after the update")
                                                      : QString())};
}

QString boxNames(const QStringList &texts)
{
    static const QMap<QString, QString> names{
        {texts::connectPrompt, "prompt"}, {texts::ready, "ready"},         {texts::success, "success"},
        {texts::restartError, "error"},   {texts::upToDate, "up to date"},
    };
    QStringList out;
    for (const QString &text : texts)
        out << names.value(text, QStringLiteral("other"));
    return out.join(QLatin1Char(','));
}
} // namespace

class TestRequestSweep : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("vanish");
        const bool all = qEnvironmentVariable("KZ_SWEEP") == QLatin1String("all");
        const QStringList shard = qEnvironmentVariable("KZ_SWEEP_SHARD", QStringLiteral("0/1")).split('/');
        const int lastPage = firstPageIndex + seen::updateRequests().count(DeviceCommand::WritePage) - 1;
        int rowNumber = 0;
        for (int k = 1; k <= seen::updateRequests().size(); ++k) {
            if (!all && k > firstPageIndex + 1 && k != (firstPageIndex + lastPage) / 2 && k < lastPage - 1)
                continue;
            for (const bool vanish : {true, false}) {
                if (rowNumber++ % std::max(1, shard.value(1).toInt()) != shard.value(0).toInt())
                    continue;
                QTest::addRow("%s at %d (%s)", vanish ? "vanish" : "silent", k, qPrintable(requestAt(k).second))
                    << k << vanish;
            }
        }
    }

    void sweep()
    {
        QFETCH(int, index);
        QFETCH(bool, vanish);
        ClientRun run(faulty(Fault::atRequest(vanish ? FaultKind::Vanish : FaultKind::Hang, index)));
        qint64 faultMs = -1; // when the device heard the request, for the table
        int heard = 0;
        QObject::connect(&run.simulator, &DeviceSimulator::requestReceived, [&](const RequestTrace &) {
            if (++heard == index)
                faultMs = run.clock.elapsed();
        });
        QVERIFY(run.runToEnd() != RunEnd::Watchdog);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(faultMs >= 0, qPrintable("the run never reached the request; boxes " + boxNames(run.boxTexts()) +
                                          ", requests heard " + QString::number(heard)));
        QCOMPARE(run.simulator.trace().at(index - 1).command, requestAt(index).first);
        const bool success = run.boxTexts().contains(texts::success);
        QVERIFY2(!success || run.holdsCarriedImage(), "a success the device does not hold");
        // The table that scripts/sweep collects.
        qInfo("sweep | %d | %s | %s | %s | %s | %lld ms", index, qPrintable(requestAt(index).second),
              vanish ? "vanishes" : "falls silent", success ? "success" : "no success",
              qPrintable(boxNames(run.boxTexts())), run.endMs - faultMs);
        if (!vanish)
            return;
        // Vanished at a page: the record says which and what the user was shown, the run's frames beside it.
        if (requestAt(index).first == DeviceCommand::WritePage) {
            const QString folder = run.historyFolder.path();
            run.endClient();
            const QJsonObject r = historyRecords(folder).last();
            QCOMPARE(r.value("outcome").toString(), QStringLiteral("failed"));
            QCOMPARE(r.value("failedAt").toString(), QStringLiteral("page %1").arg(index - firstPageIndex + 1));
            QCOMPARE(r.value("pagesWritten").toInt(), index - firstPageIndex);
            QCOMPARE(r.value("message").toString(), texts::restartError);
            const QList<QByteArray> frames =
                readFile(folder + "/" + r.value("run").toString() + ".trace").trimmed().split('\n');
            QVERIFY2(frames.size() >= 2 * (index - 1) && frames.first().contains(">> 11 bytes: 7e 08"), frames[0]);
        }

        // Plugged in again, in whatever mode and with whatever pages it was left; the user starts the client again.
        run.simulator.clearFaults();
        QVERIFY(run.simulator.openPty());
        run.startClient();
        QVERIFY(run.runToEnd() != RunEnd::Watchdog);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.holdsCarriedImage());
        QCOMPARE(run.simulator.runMode(), quint8(1));
        QCOMPARE(run.simulator.version().toString(), carried::version);
    }
};

QTEST_MAIN(TestRequestSweep)
#include "tst_requestsweep.moc"
