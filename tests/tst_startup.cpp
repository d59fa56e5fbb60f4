// Start-up: the window size taken from the screen, and the catalogue the system locale selects.

#include "app/startup.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(576, 324);
        QTest::newRow("1366x768 rounds 409.8 up and 230.4 down") << QSize(1366, 768) << QSize(410, 230);
        QTest::newRow("1280x1024") << QSize(1280, 1024) << QSize(384, 307);
        QTest::newRow("exact half goes up") << QSize(5, 15) << QSize(2, 5);
    }

    void windowSize()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QCOMPARE(windowSizeForScreen(screen), window);
    }

    void catalogueForLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("catalogue");
        QTest::newRow("de_AT") << "de_AT"
                               << "de";
        QTest::newRow("fr_CA") << "fr_CA"
                               << "fr";
        QTest::newRow("ru_RU") << "ru_RU"
                               << "ru";
        QTest::newRow("pt_BR falls back to English") << "pt_BR"
                                                     << "en";
        QTest::newRow("uk_UA falls back to English") << "uk_UA"
                                                     << "en";
    }

    void catalogueForLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, catalogue);
        QTranslator translator;
        // The locale's own catalogue is found exactly when it is not the English fallback.
        QCOMPARE(loadCatalogue(translator, locale), catalogue != QLatin1String("en"));
        QCOMPARE(translator.filePath(), QStringLiteral(":/transliterations/%1.qm").arg(catalogue));
        QVERIFY(!translator.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
