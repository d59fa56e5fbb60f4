#include "screenreader.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {
ScreenReaderLog *log = nullptr;

// Nothing public switches it on: a screen reader does, through the platform layer.
void setAccessibilityActive(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

QString cellKey(QAccessibleInterface *cell)
{
    const QAccessibleTableCellInterface *at = cell->tableCellInterface();
    return QStringLiteral("%1,%2: %3").arg(at->rowIndex()).arg(at->columnIndex()).arg(cell->text(QAccessible::Name));
}
} // namespace

ScreenReaderLog::ScreenReaderLog()
{
    log = this;
    QAccessible::installUpdateHandler(&ScreenReaderLog::record);
    setAccessibilityActive(true);
}

ScreenReaderLog::~ScreenReaderLog()
{
    setAccessibilityActive(false);
    QAccessible::installUpdateHandler(nullptr);
    log = nullptr;
}

void ScreenReaderLog::record(QAccessibleEvent *event)
{
    const auto *shown = qobject_cast<const QMessageBox *>(event->object());
    if (event->type() == QAccessible::DialogStart && shown) {
        log->checkTable(shown->parentWidget(), shown->text());
        log->heard << box(shown->text());
    }
    QAccessibleInterface *focused = event->type() == QAccessible::Focus ? event->accessibleInterface() : nullptr;
    for (int i = 0; focused && focused->tableInterface() && i < focused->childCount(); ++i) {
        if (focused->child(i) && focused->child(i)->state().focused)
            focused = focused->child(i);
    }
    if (focused && focused->tableCellInterface()) {
        log->reported.insert(cellKey(focused));
        log->heard << focused->text(QAccessible::Name);
    }
}

void ScreenReaderLog::checkTable(const QWidget *window, const QString &when)
{
    const auto *table = window ? window->findChild<QTableView *>() : nullptr;
    QAccessibleInterface *iface =
        table ? QAccessible::queryAccessibleInterface(const_cast<QTableView *>(table)) : nullptr;
    QAccessibleTableInterface *cells = iface ? iface->tableInterface() : nullptr;
    for (int row = 0; cells && row < cells->rowCount(); ++row) {
        for (int column = 1; column < cells->columnCount(); ++column) { // column 0 is the margin
            QAccessibleInterface *cell = cells->cellAt(row, column);
            if (cell == nullptr || cell->text(QAccessible::Name).isEmpty() || reported.contains(cellKey(cell)))
                continue;
            missed << cellKey(cell) + QStringLiteral(" (before ") + when + QLatin1Char(')');
            reported.insert(cellKey(cell)); // named once
        }
    }
}

void ScreenReaderLog::check(const QWidget *window, const QStringList &inARow)
{
    checkTable(window, QStringLiteral("the end"));
    QCOMPARE(missed, QStringList());
    for (int i = 0; i + inARow.size() <= heard.size(); ++i) {
        if (heard.mid(i, inARow.size()) == inARow)
            return;
    }
    QFAIL(qPrintable(QStringLiteral("not heard in a row; heard: ") + heard.join(QStringLiteral(" | "))));
}
