// The client in the user's language, as started from the system locale (CTest runs this suite once per language):
// the toolkit's own texts, such as the standard buttons of the connection prompt, speak the client's language. The
// user cancels that prompt: the client has not touched the device, and closes 800 ms later.

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
        QVERIFY(run.endedAbout(800));
        QVERIFY(run.simulator.trace().isEmpty());
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
