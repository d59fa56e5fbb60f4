// Start-up: the window size taken from the screen, and the catalogue the system locale selects.

#include "app/startup.h"

#include <QTranslator>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data();
    void windowSize();
    void catalogueForLocale_data();
    void catalogueForLocale();
};

void TestStartup::windowSize_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(576, 324);
    QTest::newRow("1366x768 rounds 409.8 up and 230.4 down") << QSize(1366, 768) << QSize(410, 230);
    QTest::newRow("1280x1024") << QSize(1280, 1024) << QSize(384, 307);
    QTest::newRow("exact half goes up") << QSize(5, 15) << QSize(2, 5);
}

void TestStartup::windowSize()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    QCOMPARE(windowSizeForScreen(screen), window);
    QCOMPARE(fallbackWindowSize(), QSize(576, 324));
}

void TestStartup::catalogueForLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<bool>("ownFound");
    QTest::newRow("de_DE") << "de_DE" << ":/transliterations/de.qm" << true;
    QTest::newRow("de_AT") << "de_AT" << ":/transliterations/de.qm" << true;
    QTest::newRow("fr_CA") << "fr_CA" << ":/transliterations/fr.qm" << true;
    QTest::newRow("es_ES") << "es_ES" << ":/transliterations/es.qm" << true;
    QTest::newRow("pl_PL") << "pl_PL" << ":/transliterations/pl.qm" << true;
    QTest::newRow("ru_RU") << "ru_RU" << ":/transliterations/ru.qm" << true;
    QTest::newRow("en_US") << "en_US" << ":/transliterations/en.qm" << true;
    QTest::newRow("pt_BR falls back to English") << "pt_BR" << ":/transliterations/en.qm" << false;
    QTest::newRow("uk_UA falls back to English") << "uk_UA" << ":/transliterations/en.qm" << false;
    QTest::newRow("C falls back to English") << "C" << ":/transliterations/en.qm" << false;
}

void TestStartup::catalogueForLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, catalogue);
    QFETCH(bool, ownFound);
    QTranslator translator;
    QCOMPARE(loadCatalogue(translator, locale), ownFound);
    QCOMPARE(translator.filePath(), catalogue);
    QVERIFY(!translator.isEmpty());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
