#pragma once

#include "ui/windowfit.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QStyleOptionViewItem>

class QStandardItem;
class QStandardItemModel;
class QTableView;
class QWidget;

// What a row of the step table shows, as the steps put it there: a step's text in column 1 and its result in column 2
// with an icon for its outcome, a line across both text columns, or the device panel. The window decides the row.
//
// A screen reader hears each text as it appears: the table holds the window's keyboard focus, and its current cell
// follows the newest text, so that the toolkit reports that cell as focused (object:state-changed:focused on Linux,
// UIA_AutomationFocusChangedEventId on Windows). While a box is open the box keeps the focus and the current cell
// stays; the newest text is reported once the window has the focus back, and what the box cut off is carried by the
// box (takeTextsStillBeingSaid). Sighted users see none of it: no focus
// frame is drawn, and the keyboard opens no editor.
// A text of the step table and when it was reported to a screen reader, in ms; never where it was written while the
// window did not have the focus and another text took its place before the focus came back.
struct WrittenText
{
    static constexpr qint64 notReported = -1;
    qint64 ms = 0;
    QString text;
    bool table = true; // a text of the table, which a box carries where it was cut off
};

// How a screen reader says texts one after another: a pause for each (its role, its place) and so many characters a
// second.
struct SpeechPace
{
    double charsPerSecond = 0;
    int pauseMs = 0;
};

// A screen reader says the table's texts one after another as they are reported, at a pace of its user's choosing; a
// box that opens, or a window that closes, cuts off whatever it is still saying. Said at `pace`, each begun when it was
// written or when the one before was done, whichever is later: when the last is done, in ms, and the texts not said
// whole by `nowMs`, oldest first. A text never reported is never said, and no one waits for it.
qint64 whenAllSaid(const QList<WrittenText> &written, SpeechPace pace);
QStringList textsStillBeingSaid(const QList<WrittenText> &written, qint64 nowMs, SpeechPace pace);

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

    // The texts written since the last call that a screen reader may not have said whole by now; what a box that
    // opens now carries for it.
    QStringList takeTextsStillBeingSaid();
    // How long a screen reader may still be saying the table's texts, in ms (0 when it is done).
    qint64 msUntilSaid() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The item of a cell, its row made first where it is not there yet.
    QStandardItem *cell(int row, int column);
    // Scrolls to the row just written and makes the cell of its newest text the one a screen reader is told of.
    void showRow(int row, int column = 1);
    void followNewest();
    // The window has the focus (back): a screen reader says its title, then the newest text.
    void focusCameBack();
    // A cell as the view's delegate lays it out.
    QStyleOptionViewItem cellOption() const;

    QTableView *view;
    QStandardItemModel *model;
    QPersistentModelIndex newest;
    QList<WrittenText> written;
    QElapsedTimer clock;
};
