// The client in the user's language, as started from the system locale (CTest runs this suite once per language):
// the toolkit's own texts, such as the standard buttons of the connection prompt, speak the client's language.

#include "app/startup.h"
#include "support/clientrun.h"

#include <QtTest>

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void promptButtons()
    {
        QTranslator client;
        QTranslator toolkit;
        installCatalogues(client, toolkit);
        ClientRun run;
        run.user.enqueue(QMessageBox::Cancel);
        QCOMPARE(run.run(), RunEnd::WindowClosed);
        QCOMPARE(run.user.boxes().size(), 1);
        const QString locale = QLocale::system().name();
        qInfo("%s: %s", qPrintable(locale), qPrintable(run.user.boxes()[0].buttonTexts.values().join(" | ")));
        QCOMPARE(run.user.boxes()[0].buttonTexts.value(QMessageBox::Cancel), texts::cancelButton(locale));
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
