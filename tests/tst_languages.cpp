// The client in the user's language, as started from the system locale (CTest runs this suite once per language):
// the toolkit's own texts, such as the standard buttons of the connection prompt, speak the client's language.

#include "support/clientrun.h"

#include <QtTest>

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void promptButtons()
    {
        ClientRun run;
        QCOMPARE(cancelAsWorded(run), texts::cancelButton(QLocale::system().name()));
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
