#include "screenreader.h"

#include <QTest>

void ScreenReaderLog::check(const QWidget *window, const QStringList &inARow)
{
    QCOMPARE(missedBy(window, QStringLiteral("the end")), QStringList());
    for (int i = 0; i + inARow.size() <= heard().size(); ++i) {
        if (heard().mid(i, inARow.size()) == inARow)
            return;
    }
    QFAIL(qPrintable(QStringLiteral("not heard in a row; heard: ") + heard().join(QStringLiteral(" | "))));
}
