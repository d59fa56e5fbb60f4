#include "ui/steptable.h"

#include "ui/steptexts.h"

#include <QHeaderView>
#include <QIcon>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <algorithm>

namespace {
const QString okIcon = QStringLiteral(":/image/image/ok.png");
const QString failIcon = QStringLiteral(":/image/image/fail.png");
} // namespace

StepTable::StepTable(QTableView *view, QStandardItemModel *model, QObject *parent)
    : QObject(parent), view(view), model(model)
{
}

void StepTable::setStep(int row, const QString &text)
{
    model->setItem(row, 1, new QStandardItem(text));
    showRow(row);
}

void StepTable::setResult(int row, const QString &text)
{
    model->setItem(row, 2, new QStandardItem(text));
    showRow(row);
}

void StepTable::showRow(int row)
{
    // A run's rows outgrow the table on a small screen: the row just written is what the user must read (the
    // acknowledgement of a held close above all), so the table scrolls to it, and to the empty row below a panel.
    const int last = std::min(row + (view->indexWidget(model->index(row, 1)) ? 1 : 0), model->rowCount() - 1);
    view->scrollTo(model->index(last, 1));
    view->scrollTo(model->index(row, 1));
}

void StepTable::markOutcome(int row, bool success)
{
    if (QStandardItem *item = model->item(row, 1))
        item->setData(QIcon(success ? okIcon : failIcon), Qt::DecorationRole);
}

void StepTable::setLine(int row, const QString &text)
{
    setStep(row, text);
    view->setSpan(row, 1, 1, 2);
}

void StepTable::setPanel(int row, QWidget *panel)
{
    auto *item = new QStandardItem;
    // A screen reader reads the cell, not the widget in it: the cell carries what the panel shows.
    item->setData(panel->accessibleName(), Qt::AccessibleTextRole);
    model->setItem(row, 1, item);
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
    showRow(row);
    view->update();
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
