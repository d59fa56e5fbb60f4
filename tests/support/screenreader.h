#pragma once

// What a screen reader is told during a run, for the Linux and the Windows suites alike. The toolkit's accessibility is
// switched on, as a screen reader's coming switches it on, and what it would hand the platform's bridge is recorded:
// the step-table cell reported as focused (a report of the table names its focused cell, as the Windows bridge does),
// and each box as it opens.

#include <QSet>
#include <QStringList>

class QAccessibleEvent;
class QWidget;

class ScreenReaderLog
{
public:
    ScreenReaderLog();
    ~ScreenReaderLog();

    // In order: the text of each step-table cell reported, and box(text) for each box as it opened.
    QStringList heard;
    static QString box(const QString &text) { return QStringLiteral("box: ") + text; }
    // Whether `texts` were heard one right after the other.
    bool heardInARow(const QStringList &texts) const;
    // The step table's texts, as "row,column: text", not reported before a box opened or, for `window`'s table as it
    // stands, by now.
    QStringList unheard(const QWidget *window);

private:
    static void record(QAccessibleEvent *event);
    void checkTable(const QWidget *window, const QString &when);

    QSet<QString> reported; // "row,column: text" of every cell reported
    QStringList missed;
};
