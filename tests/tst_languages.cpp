// The client in the user's language, as started from the system locale (CTest runs this suite once per language): the
// connection prompt reads in it, the client's own texts from its catalogue and the toolkit's Cancel from the
// toolkit's, while its Ok reads "OK" as the text says. The user cancels that prompt: the client has not touched the
// device, and closes 800 ms later.

#include "support/clientrun.h"

#include <QtTest>

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void prompt()
    {
        ClientRun run;
        checkPromptInUsersLanguage(run);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(run.endedAbout(800));
        QVERIFY(run.simulator.trace().isEmpty());
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
