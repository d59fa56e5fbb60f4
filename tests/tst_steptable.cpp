// The step table as a screen reader reads it: cells that outlive new texts, what a box carries, a keyboard that reads.

#include "sim/user/screenreaderlistener.h"
#include "ui/formdevice.h"
#include "ui/steptable.h"

#include <QAccessible>
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

QAccessible::Id cellAt(QTableView *view, int row, int column)
{
    return QAccessible::uniqueId(QAccessible::queryAccessibleInterface(view)->tableInterface()->cellAt(row, column));
}
} // namespace

Q_DECLARE_METATYPE(QList<WrittenText>)

class TestStepTable : public QObject
{
    Q_OBJECT

private slots:
    // A screen reader reads a reported cell over the bus, moments later: the cell still answers, with its text of now.
    void cellsOutliveNewTexts()
    {
        ScreenReaderListener listener; // accessibility on, as a screen reader turns it on
        Table table;
        table.steps.setStep(0, QStringLiteral("Searching for unit"));
        table.steps.setResult(0, QStringLiteral("Found unit"));
        const QAccessible::Id step = cellAt(&table.view, 0, 1), result = cellAt(&table.view, 0, 2);
        table.steps.markOutcome(0, true);
        table.steps.setStep(0, QStringLiteral("Searching again"));
        table.steps.setLine(1, QStringLiteral("A line"));
        table.steps.setPanel(2, new FormDevice(&table.view, QStringLiteral("HW"), QStringLiteral("SKU"), 0, 1, 2));
        table.steps.setStep(4, QStringLiteral("Next"));
        const auto text = [](QAccessible::Id id) {
            QAccessibleInterface *cell = QAccessible::accessibleInterface(id); // null once dropped
            return cell ? cell->text(QAccessible::Name) : QStringLiteral("(dropped)");
        };
        QCOMPARE(text(step), QStringLiteral("Searching again"));
        QCOMPARE(text(result), QStringLiteral("Found unit"));
    }

    void stillBeingSaid_data()
    {
        QTest::addColumn<QList<WrittenText>>("written");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<QStringList>("unsaid");
        QTest::addColumn<qint64>("allSaid");
        const QString ten = QStringLiteral("0123456789"); // 1.1 s
        const auto row = [](const char *name, QList<WrittenText> written, qint64 now, QStringList unsaid, qint64 all) {
            QTest::newRow(name) << written << now << unsaid << all;
        };
        row("written at once, a box at once: all", {{0, ten}, {0, "b"}}, 5, {ten, "b"}, 1300);
        row("the first said, the second not yet", {{0, ten}, {0, "b"}}, 1100, {"b"}, 1300);
        row("one waits for the one before", {{0, ten}, {1000, ten}}, 2100, {ten}, 2200);
        row("long said before the next", {{0, ten}, {5000, "b"}}, 5000, {"b"}, 5200);
        row("the window's title delays, but is not carried", {{0, ten, false}, {0, "b"}}, 1250, {"b"}, 1300);
        row("never reported: carried, not waited for", {{WrittenText::notReported, ten}, {0, "b"}}, 5000, {ten}, 200);
    }

    void stillBeingSaid()
    {
        QFETCH(QList<WrittenText>, written);
        QFETCH(qint64, now);
        QFETCH(QStringList, unsaid);
        QFETCH(qint64, allSaid);
        const SpeechPace pace{10, 100}; // characters a second, ms a text
        QCOMPARE(textsStillBeingSaid(written, now, pace), unsaid);
        QCOMPARE(whenAllSaid(written, pace), allSaid);
    }

    // Texts written before the window had the focus were not reported, bar the newest as it came: the next box
    // carries the others however long ago they were written.
    void unreportedTextsGoToTheNextBox()
    {
        Table table;
        table.steps.setStep(0, QStringLiteral("first"));
        table.steps.setStep(1, QStringLiteral("second"));
        QTest::qWait(1500); // "first" would have been said by now, had it been reported
        table.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&table.view));
        QTRY_VERIFY(table.view.hasFocus());
        QCOMPARE(table.steps.takeTextsStillBeingSaid().first(), QStringLiteral("first"));
    }

    // While another window holds the focus (a box, another program) no new text is reported as focused: the screen
    // reader would leave that window for it. The newest is reported as the focus comes back.
    void reportsOnlyWithTheFocus()
    {
        ScreenReaderListener listener;
        Table table;
        table.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&table.view));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        const int before = listener.heard().size();
        table.steps.setStep(0, QStringLiteral("while away"));
        table.steps.setResult(0, QStringLiteral("still away"));
        QCOMPARE(listener.heard().mid(before), QStringList());
        table.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&table.view));
        QTRY_VERIFY(listener.heard().mid(before).contains(QStringLiteral("still away")));
        QVERIFY(!listener.heard().contains(QStringLiteral("while away")));
    }

    // The arrows move the cell a screen reader reads; no key and no click selects a cell or edits its text.
    void keyboardChangesNothing()
    {
        Table table;
        table.steps.setStep(0, QStringLiteral("one"));
        table.steps.setStep(1, QStringLiteral("two"));
        table.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table.view));
        for (const char *keys : {"Up", "Left", "Space", "Ctrl+A", "F2", "X", "Shift+Down"})
            QTest::keySequence(&table.view, QKeySequence(QString::fromLatin1(keys)));
        const QRect cell = table.view.visualRect(table.model.index(0, 1));
        QTest::mouseClick(table.view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table.view.viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(table.view.selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(table.view.viewport()->findChildren<QWidget *>().isEmpty()); // an editor over a cell
        QCOMPARE(table.model.item(0, 1)->text(), QStringLiteral("one"));
    }
};

QTEST_MAIN(TestStepTable)
#include "tst_steptable.moc"
