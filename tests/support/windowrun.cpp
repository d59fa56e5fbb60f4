#include "windowrun.h"

#include "app/startup.h"
#include "serial/qorvserial.h"

#include <QTest>
#include <QTranslator>

QStringList WindowRun::rowsFrom(const QString &first) const
{
    const QStringList all = rows();
    const int at = all.indexOf(first);
    return at < 0 ? QStringList() : all.mid(at);
}

void checkHeldClose(WindowRun &run, const QStringList &boxes)
{
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.boxTexts(), boxes);
    QCOMPARE(run.rowsFrom("== " + texts::started).mid(0, 2),
             QStringList({"== " + texts::started, "== " + texts::closeHeld}));
    QVERIFY(!run.window->serialWorker()->isOpen());
}

void checkPromptInUsersLanguage(WindowRun &run)
{
    QTranslator client;
    QTranslator toolkit;
    installCatalogues(client, toolkit);
    run.user.enqueue(QMessageBox::Cancel);
    QCOMPARE(run.runToEnd(), RunEnd::WindowClosed);
    QCOMPARE(run.user.boxes().size(), 1);
    const RecordedBox &box = run.user.boxes()[0];
    const texts::WordedPrompt expected = texts::promptIn(QLocale::system().name());
    QCOMPARE(box.title, expected.title);
    QCOMPARE(box.text, expected.text);
    QCOMPARE(box.buttonTexts.value(QMessageBox::Ok), expected.ok);
    QCOMPARE(box.buttonTexts.value(QMessageBox::Cancel), expected.cancel);
}
