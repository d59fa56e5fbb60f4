#pragma once

// What a screen reader is told during a run: the toolkit's accessibility switched on, as a screen reader does, and
// recorded, the step-table cell reported as focused (a table's report names its focused cell) and each box opening.

#include <QSet>
#include <QStringList>

class QAccessibleEvent;
class QWidget;

class ScreenReaderLog
{
public:
    ScreenReaderLog();
    ~ScreenReaderLog();

    static QString box(const QString &text) { return QStringLiteral("box: ") + text; }
    // Every text of the step table was reported before the next box opened (`window`'s table as it stands: by now),
    // and `inARow` was heard one right after the other (cell texts, and box(text) for a box as it opened).
    void check(const QWidget *window, const QStringList &inARow);

private:
    static void record(QAccessibleEvent *event);
    void checkTable(const QWidget *window, const QString &when);

    QStringList heard;      // in order
    QSet<QString> reported; // "row,column: text" of every cell reported
    QStringList missed;
};
