// The step table as a screen reader reads it: its cells outlive the texts written into them, what a box must carry
// for it, and a keyboard that reads but changes nothing.

#include "sim/user/screenreaderlistener.h"
#include "ui/formdevice.h"
#include "ui/steptable.h"

#include <QAccessible>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {
struct Table
{
    Table() : model(0, 3), steps(&view, &model, nullptr) { view.setModel(&model); }
    QTableView view;
    QStandardItemModel model;
    StepTable steps;
};

QAccessibleInterface *cellAt(QTableView *view, int row, int column)
{
    return QAccessible::queryAccessibleInterface(view)->tableInterface()->cellAt(row, column);
}
} // namespace

Q_DECLARE_METATYPE(QList<WrittenText>)

class TestStepTable : public QObject
{
    Q_OBJECT

private slots:
    // A screen reader asks for a reported cell's text over the bus, after the table may have changed: the cell it was
    // told of still answers, with its text of now.
    void cellsOutliveNewTexts()
    {
        ScreenReaderListener listener; // the toolkit's accessibility on, as a screen reader turns it on
        Table table;
        table.steps.setStep(0, QStringLiteral("Searching for unit"));
        const QAccessible::Id step = QAccessible::uniqueId(cellAt(&table.view, 0, 1));
        table.steps.setResult(0, QStringLiteral("Found unit"));
        const QAccessible::Id result = QAccessible::uniqueId(cellAt(&table.view, 0, 2));
        table.steps.markOutcome(0, true);
        table.steps.setStep(0, QStringLiteral("Searching again"));
        table.steps.setLine(1, QStringLiteral("A line"));
        table.steps.setPanel(2, new FormDevice(&table.view, QStringLiteral("HW"), QStringLiteral("SKU"), 0, 1, 2));
        table.steps.setStep(4, QStringLiteral("Next"));
        QAccessibleInterface *stepCell = QAccessible::accessibleInterface(step);
        QAccessibleInterface *resultCell = QAccessible::accessibleInterface(result);
        QVERIFY2(stepCell && resultCell, "a cell told of was dropped");
        QCOMPARE(stepCell->text(QAccessible::Name), QStringLiteral("Searching again"));
        QCOMPARE(resultCell->text(QAccessible::Name), QStringLiteral("Found unit"));
    }

    void stillBeingSaid_data()
    {
        QTest::addColumn<QList<WrittenText>>("written");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<QStringList>("unsaid");
        QTest::addColumn<qint64>("allSaid");
        // At 10 characters a second and 100 ms a text.
        const QString ten = QStringLiteral("0123456789"); // 1.1 s
        QTest::newRow("nothing written") << QList<WrittenText>{} << qint64(0) << QStringList{} << qint64(0);
        QTest::newRow("written at once, a box at once: all")
            << QList<WrittenText>{{0, ten}, {0, "b"}} << qint64(5) << QStringList{ten, "b"} << qint64(1300);
        QTest::newRow("the first said, the second not yet")
            << QList<WrittenText>{{0, ten}, {0, "b"}} << qint64(1100) << QStringList{"b"} << qint64(1300);
        QTest::newRow("one waits for the one before")
            << QList<WrittenText>{{0, ten}, {1000, ten}} << qint64(2100) << QStringList{ten} << qint64(2200);
        QTest::newRow("long said before the next")
            << QList<WrittenText>{{0, ten}, {5000, "b"}} << qint64(5000) << QStringList{"b"} << qint64(5200);
        QTest::newRow("all said") << QList<WrittenText>{{0, ten}} << qint64(1100) << QStringList{} << qint64(1100);
        QTest::newRow("the window's title delays, but is not carried")
            << QList<WrittenText>{{0, ten, false}, {0, "b"}} << qint64(1250) << QStringList{"b"} << qint64(1300);
    }

    void stillBeingSaid()
    {
        QFETCH(QList<WrittenText>, written);
        QFETCH(qint64, now);
        QFETCH(QStringList, unsaid);
        QFETCH(qint64, allSaid);
        const SpeechPace pace{10, 100};
        QCOMPARE(textsStillBeingSaid(written, now, pace), unsaid);
        QCOMPARE(whenAllSaid(written, pace), allSaid);
    }

    // The arrows move the cell a screen reader reads; no key and no click selects a cell or edits its text.
    void keyboardChangesNothing()
    {
        Table table;
        table.steps.setStep(0, QStringLiteral("one"));
        table.steps.setResult(0, QStringLiteral("two"));
        table.steps.setStep(1, QStringLiteral("three"));
        table.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table.view));
        for (const auto &[key, modifiers] : {std::pair{Qt::Key_Up, Qt::NoModifier},
                                             {Qt::Key_Left, Qt::NoModifier},
                                             {Qt::Key_Space, Qt::NoModifier},
                                             {Qt::Key_A, Qt::ControlModifier},
                                             {Qt::Key_F2, Qt::NoModifier},
                                             {Qt::Key_X, Qt::NoModifier},
                                             {Qt::Key_Down, Qt::ShiftModifier}})
            QTest::keyClick(&table.view, key, modifiers);
        const QRect cell = table.view.visualRect(table.model.index(0, 1));
        QTest::mouseClick(table.view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table.view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::keyClick(table.view.viewport(), Qt::Key_X);
        QVERIFY(table.view.selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(table.view.findChildren<QLineEdit *>().isEmpty()); // an editor over a cell
        QCOMPARE(table.model.item(0, 1)->text(), QStringLiteral("one"));
        QCOMPARE(table.model.item(0, 2)->text(), QStringLiteral("two"));
    }
};

QTEST_MAIN(TestStepTable)
#include "tst_steptable.moc"
