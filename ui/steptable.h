#pragma once

#include "ui/windowfit.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QStyleOptionViewItem>

class QStandardItemModel;
class QTableView;
class QWidget;

// What a row of the step table shows, as the steps put it there: a step's text in column 1 and its result in column 2
// with an icon for its outcome, a line across both text columns, or the device panel. The window decides the row.
//
// A screen reader hears each text as it appears: the table holds the window's keyboard focus, and its current cell
// follows the newest text, so that the toolkit reports that cell as focused (object:state-changed:focused on Linux,
// UIA_AutomationFocusChangedEventId on Windows). While a box is open the box keeps the focus and the current cell
// stays; the newest text is reported once the window has the focus back. Sighted users see none of it: no focus
// frame is drawn, and the keyboard opens no editor.
class StepTable : public QObject
{
    Q_OBJECT

public:
    StepTable(QTableView *view, QStandardItemModel *model, QObject *parent);

    void setStep(int row, const QString &text);
    void setResult(int row, const QString &text);
    void markOutcome(int row, bool success);
    void setLine(int row, const QString &text);
    // The panel spans both text columns and reaches into the row below it, which the window leaves empty; its cell
    // carries the panel's accessible name as its accessible text.
    void setPanel(int row, QWidget *panel);

    // What every text the steps can write needs across, as the table's own delegate lays it out with its font in the
    // language in use, and the height of a row.
    StepTableNeeds measureTexts() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Scrolls to the row just written and makes the cell of its newest text the one a screen reader is told of.
    void showRow(int row, int column = 1);
    void followNewest();
    // A cell as the view's delegate lays it out.
    QStyleOptionViewItem cellOption() const;

    QTableView *view;
    QStandardItemModel *model;
    QPersistentModelIndex newest;
};
