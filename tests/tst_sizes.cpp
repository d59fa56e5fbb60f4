// The window's size from the screen's, and the device panel's height from the window's.

#include "app/startup.h"
#include "ui/windowfit.h"

#include <QtTest>

class TestSizes : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::newRow("1920 x 1080") << QSize(1920, 1080) << QSize(576, 324);
        QTest::newRow("1366 x 768") << QSize(1366, 768) << QSize(410, 230);
        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << QSize(384, 307);
        // 409.5 and 1.5: an exact half rounds up.
        QTest::newRow("exact halves") << QSize(1365, 5) << QSize(410, 2);
    }

    void windowSize()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QCOMPARE(windowSizeForScreen(screen), window);
    }

    void panelHeight_data()
    {
        QTest::addColumn<int>("windowHeight");
        QTest::addColumn<int>("contentHeight");
        QTest::addColumn<int>("panelHeight");
        QTest::newRow("700 high") << 700 << 46 << 100;
        QTest::newRow("699 high") << 699 << 46 << 99;
        QTest::newRow("content taller than a seventh") << 324 << 60 << 60;
    }

    void panelHeight()
    {
        QFETCH(int, windowHeight);
        QFETCH(int, contentHeight);
        QFETCH(int, panelHeight);
        QCOMPARE(devicePanelHeight(windowHeight, contentHeight), panelHeight);
    }
};

QTEST_MAIN(TestSizes)
#include "tst_sizes.moc"
