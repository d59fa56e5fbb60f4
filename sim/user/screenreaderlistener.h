#pragma once

// What a screen reader is told as the client runs, for the tests and the demo alike. While a listener lives the
// toolkit's accessibility is on, as a screen reader switches it on, and each announcement is kept in order: the cell
// of the step table that takes the focus (a table's announcement names its focused cell) and each box as it opens.
// As a box opens, each text of its window's table that was never announced, nor carried by the box's name, is noted
// as missed, once. One listener at a time: the toolkit has one handler for its accessibility updates.

#include <QObject>
#include <QSet>
#include <QStringList>

class QAccessibleEvent;
class QWidget;

class ScreenReaderListener : public QObject
{
    Q_OBJECT

public:
    explicit ScreenReaderListener(QObject *parent = nullptr);
    ~ScreenReaderListener() override;

    // How a box is announced as it opens.
    static QString box(const QString &text) { return QStringLiteral("box: ") + text; }
    // Everything announced, in order.
    QStringList heard() const { return announced; }
    // Notes each text of `window`'s table not announced by now as missed before `when`; every text missed so far,
    // "row,column: text (before when)".
    QStringList missedBy(const QWidget *window, const QString &when);

signals:
    void heardText(const QString &text);
    void missedText(const QString &cell);

private:
    static void record(QAccessibleEvent *event);

    QStringList announced;
    QSet<QString> reported; // "row,column: text" of each cell announced or noted as missed
    QStringList missed;
    QString carried; // the name of the box that opened last
};
