#include "ui/steptable.h"

#include "ui/steptexts.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <limits>

namespace {
// Slower than the default voices of Orca, NVDA and Narrator (about 13 characters a second, and a role or a place said
// with each text): a box carries a text already said, and the window waits longer, rather than cut one off.
constexpr SpeechPace screenReaderPace{7, 500};

const QString okIcon = QStringLiteral(":/image/image/ok.png");
const QString failIcon = QStringLiteral(":/image/image/fail.png");

// The current cell is there for a screen reader only: it is painted as every other cell.
class PlainCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

// When each text is done.
QList<qint64> saidBy(const QList<WrittenText> &written, SpeechPace pace)
{
    QList<qint64> done;
    qint64 last = 0;
    for (const WrittenText &each : written) {
        if (each.ms == WrittenText::notReported) {
            done << std::numeric_limits<qint64>::max();
            continue;
        }
        last = std::max(last, each.ms) + pace.pauseMs + qint64(each.text.size() * 1000.0 / pace.charsPerSecond);
        done << last;
    }
    return done;
}
} // namespace

qint64 whenAllSaid(const QList<WrittenText> &written, SpeechPace pace)
{
    qint64 last = 0;
    for (const qint64 done : saidBy(written, pace)) {
        if (done != std::numeric_limits<qint64>::max())
            last = done;
    }
    return last;
}

QStringList textsStillBeingSaid(const QList<WrittenText> &written, qint64 nowMs, SpeechPace pace)
{
    const QList<qint64> done = saidBy(written, pace);
    QStringList unsaid;
    for (int i = 0; i < written.size(); ++i) {
        if (done.at(i) > nowMs && written.at(i).table)
            unsaid << written.at(i).text;
    }
    return unsaid;
}

StepTable::StepTable(QTableView *view, QStandardItemModel *model, QObject *parent)
    : QObject(parent), view(view), model(model)
{
    view->setItemDelegate(new PlainCellDelegate(view));
    // The keyboard came to the table only for a screen reader: the arrows move the cell it reads, but neither keys nor
    // the mouse select or edit a step's text.
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    // The table takes no focus by click or Tab; it is the window's focus widget, which gets the keyboard focus whenever
    // the window is active, after every box too.
    view->setFocus();
    view->installEventFilter(this);
    clock.start();
}

bool StepTable::eventFilter(QObject *watched, QEvent *event)
{
    // The table's own focus report names its current cell, which must by then be the newest.
    if (watched == view && event->type() == QEvent::FocusIn)
        focusCameBack();
    return QObject::eventFilter(watched, event);
}

void StepTable::focusCameBack()
{
    // Texts written while a box, or the desktop before the window was first active, held the focus were not reported;
    // now the newest is, after the window's title, which is not the table's to carry. The others go to the next box.
    const qint64 now = clock.elapsed();
    const bool newestWaits = !written.isEmpty() && written.last().ms == WrittenText::notReported;
    const QString newestText = newestWaits ? written.takeLast().text : QString();
    written.append({now, view->window()->windowTitle(), false});
    if (newestWaits)
        written.append({now, newestText});
    if (view->currentIndex() != newest)
        followNewest();
}

void StepTable::followNewest()
{
    // The toolkit reports a new current cell as focused whether the table has the focus or not; while a box holds
    // it, that would take the screen reader away from the box.
    if (!newest.isValid() || !view->hasFocus())
        return;
    // A cell that is current already and takes a new text (a running step's state, then its result) is reported
    // again by becoming current again.
    if (view->currentIndex() == newest)
        view->selectionModel()->clearCurrentIndex();
    view->selectionModel()->setCurrentIndex(newest, QItemSelectionModel::NoUpdate);
}

QStandardItem *StepTable::cell(int row, int column)
{
    // A screen reader asks for a cell's text over the bus after the toolkit has reported it, by then it may be a
    // moment later. The toolkit drops every accessible cell of a table whose model changes its layout, as putting a
    // new item in place does; only appending rows and changing an item's data keep them. So each row is made whole
    // with its items before any of its texts is written, and a text is written on the item that stays.
    while (model->rowCount() <= row) {
        QList<QStandardItem *> items;
        for (int c = 0; c < model->columnCount(); ++c)
            items << new QStandardItem;
        model->appendRow(items);
    }
    return model->item(row, column);
}

void StepTable::setStep(int row, const QString &text)
{
    cell(row, 1)->setText(text);
    showRow(row);
}

void StepTable::setResult(int row, const QString &text)
{
    cell(row, 2)->setText(text);
    showRow(row, 2);
}

void StepTable::showRow(int row, int column)
{
    // A run's rows outgrow the table on a small screen: the row just written is what the user must read (the
    // acknowledgement of a held close above all), so the table scrolls to it, and to the empty row below a panel.
    const int last = std::min(row + (view->indexWidget(model->index(row, 1)) ? 1 : 0), model->rowCount() - 1);
    view->scrollTo(model->index(last, 1));
    view->scrollTo(model->index(row, 1));
    newest = model->index(row, column);
    QString text = newest.data(Qt::AccessibleTextRole).toString();
    written.append({view->hasFocus() ? clock.elapsed() : WrittenText::notReported,
                    text.isEmpty() ? newest.data().toString() : text});
    followNewest();
}

void StepTable::markOutcome(int row, bool success)
{
    cell(row, 1)->setData(QIcon(success ? okIcon : failIcon), Qt::DecorationRole);
}

void StepTable::setLine(int row, const QString &text)
{
    setStep(row, text);
    view->setSpan(row, 1, 1, 2);
}

void StepTable::setPanel(int row, QWidget *panel)
{
    // The panel reaches into the empty row below it, which is made with it.
    cell(row + 1, 1);
    // A screen reader reads the cell, not the widget in it: the cell carries what the panel shows.
    cell(row, 1)->setData(panel->accessibleName(), Qt::AccessibleTextRole);
    view->setIndexWidget(model->index(row, 1), panel);
    view->setSpan(row, 1, 1, 2);
    // In the table the panel takes on the view's fonts, which a platform may make larger than the window's: it grows
    // to show its lines whole in them.
    panel->ensurePolished();
    panel->setFixedHeight(std::max(panel->maximumHeight(), panel->minimumSizeHint().height()));
    // Where the panel is higher than its row and the empty one below together, its own row grows so that it covers
    // no text.
    const int below = view->verticalHeader()->defaultSectionSize();
    if (view->rowHeight(row) + below < panel->height())
        view->setRowHeight(row, panel->height() - below);
    // Laid out at once rather than at the view's next turn, so that a table the rows have outgrown scrolls the panel
    // into view whole.
    view->doItemsLayout();
    showRow(row);
    view->update();
}

QStringList StepTable::takeTextsStillBeingSaid()
{
    const QStringList unsaid = textsStillBeingSaid(written, clock.elapsed(), screenReaderPace);
    written.clear();
    return unsaid;
}

qint64 StepTable::msUntilSaid() const
{
    return std::max<qint64>(0, whenAllSaid(written, screenReaderPace) - clock.elapsed());
}

QStyleOptionViewItem StepTable::cellOption() const
{
    // Measured with the font the view paints with: a platform may give item views a font of their own class
    // (Windows does), which the view takes only when it is polished.
    view->ensurePolished();
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = QFontMetrics(option.font);
    const int iconExtent = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(iconExtent, iconExtent);
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = view->textElideMode();
    option.widget = view;
    return option;
}

StepTableNeeds StepTable::measureTexts() const
{
    const QStyleOptionViewItem option = cellOption();
    // The view keeps a pixel of each cell for its grid line, drawn or not.
    const int gridLine = view->showGrid() ? 1 : 0;
    QStandardItemModel texts;
    StepTableNeeds needs;
    for (const StepText text : allStepTexts()) {
        auto *item = new QStandardItem(stepText(text));
        if (stepCell(text) == StepCell::Step)
            item->setData(QIcon(okIcon), Qt::DecorationRole);
        texts.appendRow(item);
        const int width = view->itemDelegate()->sizeHint(option, item->index()).width() + gridLine;
        switch (stepCell(text)) {
        case StepCell::Step:
        case StepCell::ClosingLine:
            needs.stepColumn = std::max(needs.stepColumn, width);
            break;
        case StepCell::Result:
            needs.resultColumn = std::max(needs.resultColumn, width);
            break;
        case StepCell::Line:
            needs.line = std::max(needs.line, width);
            break;
        }
    }
    // A row at least as high as a line of that font, its grid line counted in.
    needs.rowHeight = std::max(view->verticalHeader()->defaultSectionSize(), option.fontMetrics.height() + gridLine);
    return needs;
}
