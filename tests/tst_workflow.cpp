// Whole runs of the client against the simulated device: what the user sees, what the device received, and when the
// run ends.

#include "support/clientrun.h"

#include <QTextBrowser>
#include <QtTest>

class TestWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void wholeUpdate()
    {
        ClientRun run; // the simulated device runs the release before unless told otherwise
        QCOMPARE(run.run(), RunEnd::ApplicationQuit);
        QCOMPARE(run.window->windowTitle(), "ORVAN Kivra Zid update client v " + carried::release());
        QCOMPARE(run.window->minimumSize(), run.window->maximumSize()); // its size on each screen: tst_screens
        QVERIFY(run.window->findChild<QTextBrowser *>()->isHidden());
        QCOMPARE(run.boxTexts(), QStringList({texts::connectPrompt, texts::ready, texts::success, texts::upToDate}));
        const QList<RecordedBox> &boxes = run.user.boxes();
        QCOMPARE(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(boxes[i].title, i == 1 || i == 2 ? texts::updateTitle : texts::connectTitle);
            QCOMPARE(boxes[i].icon, QMessageBox::Information);
            if (i > 0)
                QCOMPARE(boxes[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        // The search after the update finds the device up to date, as a first search would: box, closing row, and the
        // quit a second after the box.
        QVERIFY(run.endedAbout(1000));

        QVERIFY(run.holdsCarriedImage());

        QCOMPARE(run.requestCodes(), seen::updateRequests());
        const auto trace = run.simulator.trace();
        QVERIFY2(trace[4].timeMs - trace[3].timeMs >= 490, "the first poll waits half a second");

        QCOMPARE(run.progress()->maximum(), carried::pages() - 1);
        QCOMPARE(run.progress()->value(), carried::pages() - 1);
        QVERIFY(run.progress()->isHidden());
        // The panel names each build by the release that carried it.
        QCOMPARE(run.rows(), seen::wholeUpdateRows());
        // A screen reader is given each panel's lines where its row is.
        const QStringList readAloud = run.readAloud();
        QVERIFY2(readAloud.contains(seen::panelReadAloud(carried::previousRelease())), qPrintable(readAloud.join('|')));
        QVERIFY2(readAloud.contains(seen::panelReadAloud(carried::release())), qPrintable(readAloud.join('|')));
        QVERIFY(run.log().contains(texts::success));
        QVERIFY(run.log().contains("\t\t\tHW:KTL407.001\n\t\t\tSKU:60318\n\t\t\tFW:" + carried::previousVersion()));
    }
};

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
