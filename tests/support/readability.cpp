#include "readability.h"

#include "app/constants.h"
#include "app/startup.h"
#include "serial/qorvserial.h"
#include "sim/system/scriptedsystem.h"
#include "texts.h"
#include "ui/formdevice.h"
#include "ui/steptexts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

namespace readability {

namespace {
// The serial workers of the windows a check makes, deleted when it ends.
class WorkersOf
{
public:
    WorkersOf() = default;
    WorkersOf(const WorkersOf &) = delete;
    WorkersOf &operator=(const WorkersOf &) = delete;
    ~WorkersOf() { qDeleteAll(workers); }
    void add(const MainWindow &window) { workers << window.serialWorker(); }

private:
    QList<qorvserial *> workers;
};
} // namespace

void fillWithEveryText(MainWindow &window)
{
    auto *steps = window.findChild<StepTable *>();
    steps->setPanel(panelRow, new FormDevice(&window, deviceType, deviceSku, 255, 255, 255));
    int row = 0;
    for (const StepText text : allStepTexts()) {
        row += row == panelRow ? 2 : 0;
        switch (stepCell(text)) {
        case StepCell::Step:
        case StepCell::ClosingLine:
            steps->setStep(row, stepText(text));
            break;
        case StepCell::Result:
            steps->setStep(row, stepText(StepText::SearchingDevice));
            steps->setResult(row, stepText(text));
            break;
        case StepCell::Line:
            steps->setLine(row, stepText(text));
            break;
        }
        if (stepCell(text) != StepCell::ClosingLine && stepCell(text) != StepCell::Line)
            steps->markOutcome(row, row % 2 == 0);
        ++row;
    }
    window.findChild<QProgressBar *>()->show();
}

QStringList faults(const MainWindow &window)
{
    QApplication::processEvents();
    QStringList found;
    const auto *view = window.findChild<QTableView *>();
    const QAbstractItemModel *model = view->model();
    QStyle *style = view->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int icon = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 1; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = view->font(); // as the view hands it to its delegate
            option.rect = view->visualRect(index);
            option.text = index.data().toString();
            option.features = QStyleOptionViewItem::HasDisplay;
            if (!index.data(Qt::DecorationRole).isNull()) {
                option.features |= QStyleOptionViewItem::HasDecoration;
                option.decorationSize = QSize(icon, icon);
            }
            const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
            const QFontMetrics metrics(view->font());
            if (metrics.elidedText(option.text, view->textElideMode(), textRect.width() - 2 * margin) != option.text ||
                (!option.text.isEmpty() && textRect.height() < metrics.height()))
                found << option.text;
        }
    }
    // The panel is looked at as the first search shows it, with the rows above it: the table at its top.
    const_cast<QTableView *>(view)->scrollToTop();
    QApplication::processEvents();
    const QWidget *panel = view->indexWidget(model->index(panelRow, 1));
    for (const QLabel *label : panel->findChildren<QLabel *>()) {
        if (!label->isHidden() &&
            (label->width() < label->sizeHint().width() || label->height() < label->sizeHint().height() ||
             !panel->rect().contains(label->geometry())))
            found << QStringLiteral("panel line %1").arg(label->objectName());
    }
    if (!view->viewport()->rect().contains(panel->geometry()))
        found << QStringLiteral("panel outside the table");
    if (panel->geometry().intersects(view->visualRect(model->index(panelRow + 2, 1))))
        found << QStringLiteral("panel over the next row");
    return found;
}

bool boxStaysOnScreen(MainWindow &window, const QRect &area)
{
    window.move(area.left(), area.bottom() + 1 - window.frameGeometry().height());
    QApplication::processEvents(); // as after a user's move
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("MainWindow", qPrintable(texts::updateTitle)),
                    QCoreApplication::translate("MainWindow", qPrintable(texts::ready)), QMessageBox::Ok, &window,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    QMetaObject::invokeMethod(&window, "moveMessage", Q_ARG(QMessageBox *, &box), Q_ARG(int, 0),
                              Q_ARG(int, window.height() / 2));
    QApplication::processEvents();
    return area.contains(box.frameGeometry());
}

WindowReport checkWindow(const QString &picture)
{
    WindowReport report;
    const QSize formula = report.formula = initialWindowSize();
    // Declared before the windows, so that it goes after them: the worker outlives its window by design.
    WorkersOf workers;
    MainWindow window(nullptr, formula);
    workers.add(window);
    window.setHistoryFolder({});
    window.setSystemAccess(std::make_unique<ScriptedSystem>());
    fillWithEveryText(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        report.breaches << QStringLiteral("window not shown");
    auto *view = window.findChild<QTableView *>();
    report.window = window.size();
    report.stepColumn = view->columnWidth(1);
    report.panel = view->indexWidget(view->model()->index(panelRow, 1))->height();
    report.breaches << faults(window);
    if (!picture.isEmpty()) {
        const QRect inside = window.geometry(); // from the screen, as shown; the frame is the system's
        window.screen()->grabWindow(0, inside.x(), inside.y(), inside.width(), inside.height()).save(picture);
    }

    // Cut at one pixel less, or with a step column of a third?
    const auto cutWith = [&](QSize size, int stepColumn) {
        window.setFixedSize(size);
        view->setColumnWidth(1, stepColumn);
        const bool cut = !faults(window).isEmpty();
        window.setFixedSize(report.window);
        view->setColumnWidth(1, report.stepColumn);
        return cut;
    };
    const QRect area = window.screen()->availableGeometry();
    if (!area.contains(window.frameGeometry()))
        report.breaches << QStringLiteral("window off the screen");
    if (report.window.width() < formula.width() || report.window.height() < formula.height() ||
        view->columnWidth(0) != formula.width() / 30 || report.stepColumn < formula.width() / 3)
        report.breaches << QStringLiteral("smaller than the formula's window");
    if (report.stepColumn > formula.width() / 3 && !cutWith(report.window, formula.width() / 3))
        report.breaches << QStringLiteral("step column wider than a third where a third shows every step");
    if (report.window.width() > formula.width() && !cutWith(report.window - QSize(1, 0), report.stepColumn))
        report.breaches << QStringLiteral("wider than it must be");
    if (report.window.height() > formula.height() && !cutWith(report.window - QSize(0, 1), report.stepColumn))
        report.breaches << QStringLiteral("higher than it must be");
    // A row written below every other, as the acknowledgement of a held close is in a long run, comes into view whole.
    const int newest = view->model()->rowCount();
    window.findChild<StepTable *>()->setLine(newest, stepText(StepText::CloseHeld));
    QApplication::processEvents();
    if (!view->viewport()->rect().contains(view->visualRect(view->model()->index(newest, 1))))
        report.breaches << QStringLiteral("newest row out of view");
    if (!boxStaysOnScreen(window, area))
        report.breaches << QStringLiteral("box off the screen");
    // Placed by the system where it reaches past the screen's corner (as a cascade of windows may put it), the
    // window moves itself in once shown.
    MainWindow placed(nullptr, formula);
    workers.add(placed);
    placed.setHistoryFolder({});
    placed.setSystemAccess(std::make_unique<ScriptedSystem>());
    placed.move(area.bottomRight() - QPoint(100, 100));
    placed.show();
    if (!QTest::qWaitForWindowExposed(&placed) ||
        !QTest::qWaitFor([&] { return area.contains(placed.frameGeometry()); }, 1000))
        report.breaches << QStringLiteral("window placed off the screen stays there");
    return report;
}

} // namespace readability
