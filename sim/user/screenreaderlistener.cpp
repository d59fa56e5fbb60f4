#include "sim/user/screenreaderlistener.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTableView>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {
ScreenReaderListener *listener = nullptr;

// Nothing public switches it on: a screen reader does, through the platform layer.
void setAccessibilityActive(bool active)
{
    if (QPlatformAccessibility *accessibility = QGuiApplicationPrivate::platformIntegration()->accessibility())
        accessibility->setActive(active);
}

QString cellKey(QAccessibleInterface *cell)
{
    const QAccessibleTableCellInterface *at = cell->tableCellInterface();
    return QStringLiteral("%1,%2: %3").arg(at->rowIndex()).arg(at->columnIndex()).arg(cell->text(QAccessible::Name));
}
} // namespace

ScreenReaderListener::ScreenReaderListener(QObject *parent) : QObject(parent)
{
    Q_ASSERT(listener == nullptr);
    listener = this;
    QAccessible::installUpdateHandler(&ScreenReaderListener::record);
    setAccessibilityActive(true);
}

ScreenReaderListener::~ScreenReaderListener()
{
    setAccessibilityActive(false);
    QAccessible::installUpdateHandler(nullptr);
    listener = nullptr;
}

void ScreenReaderListener::record(QAccessibleEvent *event)
{
    const auto *shown = qobject_cast<const QMessageBox *>(event->object());
    if (event->type() == QAccessible::DialogStart && shown) {
        // A box's name can carry the table's texts a screen reader was cut off from as the box took the focus.
        listener->carried = shown->accessibleName();
        listener->missedBy(shown->parentWidget(), shown->text());
        listener->announced << box(shown->text());
        emit listener->heardText(listener->announced.last());
    }
    QAccessibleInterface *focused = event->type() == QAccessible::Focus ? event->accessibleInterface() : nullptr;
    for (int i = 0; focused && focused->tableInterface() && i < focused->childCount(); ++i) {
        if (focused->child(i) && focused->child(i)->state().focused)
            focused = focused->child(i);
    }
    if (focused && focused->tableCellInterface()) {
        listener->reported.insert(cellKey(focused));
        listener->announced << focused->text(QAccessible::Name);
        emit listener->heardText(listener->announced.last());
    }
}

QStringList ScreenReaderListener::missedBy(const QWidget *window, const QString &when)
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
            if (carried.contains(cell->text(QAccessible::Name))) {
                reported.insert(cellKey(cell));
                continue;
            }
            reported.insert(cellKey(cell)); // missed once
            missed << cellKey(cell) + QStringLiteral(" (before ") + when + QLatin1Char(')');
            emit missedText(missed.last());
        }
    }
    return missed;
}
